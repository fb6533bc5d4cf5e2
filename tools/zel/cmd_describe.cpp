// zel describe: per-column statistics of a data table file.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "commands.h"
#include "zel_base.h"
#include "zel_datatable.h"
#include "zel_rangestats.h"
#include "zel_strutils.h"

namespace zeltool {

namespace {

const char* const kDescribeUsage =
    "usage: zel describe FILE [--delimiter ,|;|tab|blank] [--no-header] [--row-names] [--dataid ID]\n"
    "Reads FILE into a data table and prints statistics of every column: the\n"
    "number n of cells that hold a number, mean, standard deviation, minimum,\n"
    "quartiles (Q1, median, Q3), maximum, skewness and excess kurtosis (both\n"
    "corrected for sample size). Cells that are empty, marked as holding no\n"
    "number, or NaN do not count; sd needs 3 numbers, Q1, Q3, skewness and\n"
    "kurtosis 4 (else \"-\"). Nominal columns show n and their number of levels.\n"
    "  .asc  the library's ASC file        .xml  a datatable element (--dataid)\n"
    "  other files: CSV with a header line (--no-header: none), fields separated\n"
    "        by --delimiter (default \",\"; with \";\" a decimal comma is read),\n"
    "        --row-names: the first field of each line names the row.\n";

int Usage(const std::string& Why) {
  if (!Why.empty()) std::fprintf(stderr, "zel describe: %s\n", Why.c_str());
  std::fputs(kDescribeUsage, stderr);
  return 2;
}

struct TOptions {
  std::string File;
  zel::TCSVDelimiters Delimiter = zel::csvComma;
  bool Header = true;
  bool RowNames = false;
  std::string DataID;
};

// The statistics of one column; empty optionals print as "-".
struct TColumnStats {
  std::string Name;
  std::string Scale;
  int N = 0;
  int Levels = -1;  // nominal and ordinal columns: their identifiers
  std::optional<double> Mean, Sd, Min, Q1, Median, Q3, Max, Skewness, Kurtosis;
};

// Loads the file into T; an empty result, or why it failed.
std::string LoadTable(const TOptions& O, zel::TDataTable& T) {
  const std::string Ext = zel::LowerCase(zel::ExtractFileExt(O.File));
  if (!zel::FileExists(O.File)) return "no such file";
  if (Ext == ".asc") {
    if (T.ImportASC(O.File) != 0) return T.LastIOError();
  } else if (Ext == ".xml") {
    if (!T.LoadFromXMLFile(O.File, O.DataID)) return T.LastIOError();
  } else if (T.ImportFromCSV(O.File, O.Delimiter, O.Header, O.RowNames) != 0) {
    return T.LastIOError();
  }
  return std::string();
}

TColumnStats Describe(const zel::TDataTable& T, int Col) {
  TColumnStats S;
  S.Name = zel::CP1252ToUTF8(T.GetColName(Col));
  const zel::TMScaleType Scale = T.GetMScaleType(Col);
  S.Scale = zel::MScaleTypeNames[static_cast<std::size_t>(Scale)];
  std::vector<double> X;
  X.reserve(static_cast<std::size_t>(T.NrOfRows()));
  for (int r = 1; r <= T.NrOfRows(); ++r)
    if (T.IsNumber(Col, r) && !std::isnan(T.GetElem(Col, r))) X.push_back(T.GetElem(Col, r));
  S.N = static_cast<int>(X.size());
  if (Scale == zel::stNominal || Scale == zel::stOrdinal) {
    S.Levels = T.CountNominalIDs(Col);
    return S;
  }
  if (X.empty()) return S;
  const std::span<const double> V(X);
  double Mean, Var, Min = HUGE_VAL, Max = -HUGE_VAL, Q1, Q2, Q3;
  int MinIx, MaxIx;
  zel::RangeMeanVar(V, Mean, Var);
  zel::RangeMinMax(V, Min, Max, MinIx, MaxIx);
  zel::RangeQuartiles(V, Q1, Q2, Q3);
  S.Mean = Mean;
  S.Min = Min;
  S.Max = Max;
  S.Median = Q2;
  // Below 4 values the shared quartile rule clips Q1 and Q3 to the ends
  // (Q3 of two values is the smaller one): no estimate worth printing.
  if (X.size() >= 4) {
    S.Q1 = Q1;
    S.Q3 = Q3;
  }
  // The shared variance is 1 below 3 values, a placeholder, not a statistic.
  if (X.size() >= 3) S.Sd = std::sqrt(Var);
  if (X.size() >= 4) {
    double Skew, Kurt;
    zel::RangeSkewKurtSample(V, Skew, Kurt);
    S.Skewness = Skew;
    S.Kurtosis = Kurt;
  }
  return S;
}

std::string Num(const std::optional<double>& X) {
  if (!X) return "-";
  if (!std::isfinite(*X)) return std::isnan(*X) ? "NAN" : *X > 0 ? "INF" : "-INF";
  char Buf[32];
  const auto R = std::to_chars(Buf, Buf + sizeof Buf, *X, std::chars_format::general, 6);
  return std::string(Buf, R.ptr);
}

// Display width of UTF-8 text: its code points.
int Width(const std::string& S) {
  return static_cast<int>(std::count_if(S.begin(), S.end(), [](char Ch) { return (Ch & 0xC0) != 0x80; }));
}

std::string Pad(const std::string& S, int W, bool Left) {
  const std::string Fill(static_cast<std::size_t>(std::max(0, W - Width(S))), ' ');
  return Left ? S + Fill : Fill + S;
}

void PrintText(const std::string& File, const zel::TDataTable& T, const std::vector<TColumnStats>& Cols) {
  std::printf("%s: %d rows, %d columns\n\n", File.c_str(), T.NrOfRows(), T.NrOfColumns());
  int NameW = 6;
  for (const auto& C : Cols) NameW = std::max(NameW, std::min(Width(C.Name), 40));
  const char* Heads[] = {"n", "mean", "sd", "min", "Q1", "median", "Q3", "max", "skewness", "kurtosis"};
  std::string Line = Pad("column", NameW, true) + " " + Pad("scale", 8, true);
  for (const char* H : Heads) Line += " " + Pad(H, 11, false);
  std::printf("%s\n", Line.c_str());
  for (const auto& C : Cols) {
    Line = Pad(C.Name, NameW, true) + " " + Pad(C.Scale, 8, true) + " " + Pad(std::to_string(C.N), 11, false);
    if (C.Levels >= 0) {
      Line += "  " + std::to_string(C.Levels) + " levels";
    } else {
      for (const auto* X : {&C.Mean, &C.Sd, &C.Min, &C.Q1, &C.Median, &C.Q3, &C.Max, &C.Skewness, &C.Kurtosis})
        Line += " " + Pad(Num(*X), 11, false);
    }
    std::printf("%s\n", Line.c_str());
  }
}

}  // namespace

int RunDescribe(const Args& args) {
  TOptions O;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& A = args[i];
    if (A == "--help" || A == "-h") {
      std::fputs(kDescribeUsage, stdout);
      return 0;
    }
    if (A == "--no-header") {
      O.Header = false;
    } else if (A == "--row-names") {
      O.RowNames = true;
    } else if (A == "--delimiter" || A == "--dataid") {
      if (i + 1 >= args.size()) return Usage(A + " needs a value");
      const std::string& V = args[++i];
      if (A == "--dataid") {
        O.DataID = zel::UTF8ToCP1252(V);
      } else if (V == ",") {
        O.Delimiter = zel::csvComma;
      } else if (V == ";") {
        O.Delimiter = zel::csvSemicolon;
      } else if (V == "tab" || V == "\t") {
        O.Delimiter = zel::csvTab;
      } else if (V == "blank" || V == " ") {
        O.Delimiter = zel::csvBlank;
      } else {
        return Usage("unknown delimiter \"" + V + "\"");
      }
    } else if (!A.empty() && A[0] == '-') {
      return Usage("unknown option \"" + A + "\"");
    } else if (O.File.empty()) {
      O.File = A;
    } else {
      return Usage("only one file");
    }
  }
  if (O.File.empty()) return Usage("no file");

  zel::TDataTable T;
  if (const std::string Why = LoadTable(O, T); !Why.empty()) {
    std::fprintf(stderr, "zel describe: %s: %s\n", O.File.c_str(), zel::CP1252ToUTF8(Why).c_str());
    return 1;
  }
  std::vector<TColumnStats> Cols;
  for (int c = 1; c <= T.NrOfColumns(); ++c) Cols.push_back(Describe(T, c));
  PrintText(O.File, T, Cols);
  return 0;
}

}  // namespace zeltool
