// zel pca: principal component analysis of a CSV or ASC data file.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "commands.h"
#include "toolkit.h"
#include "zel_datatable.h"
#include "zel_format.h"
#include "zel_math2.h"
#include "zel_strutils.h"

namespace zeltool {

namespace {

const char* const kPcaUsage =
    "usage: zel pca FILE [--correlation] [--components K] [--columns LIST]\n"
    "                    [--scores OUT.csv] [--format text|csv|json]\n"
    "Principal components of the numeric columns of FILE (one observation per\n"
    "row): a CSV file with a header line of column names (delimiter ',', ';'\n"
    "or TAB, whichever the header has most of), an ASC file (*.asc) or an XML\n"
    "datatable element (*.xml).\n"
    "  --correlation   decompose the correlation matrix (standardised data);\n"
    "                  default: the covariance matrix (centred data)\n"
    "  --components K  loadings and scores of the first K components (default 3)\n"
    "  --columns LIST  the columns to use, 1-based, e.g. 1-13 or 2,4,7-9\n"
    "                  (default: every column without text values)\n"
    "  --scores FILE   writes the scores of the first K components as CSV\n"
    "  --format F      text (aligned, the default), csv (one line per component:\n"
    "                  k, eigenvalue, explained and cumulative percent, then the\n"
    "                  loadings of the first K components) or json\n"
    "Each eigenvector's largest component is made positive. A progress bar is\n"
    "shown on standard error when it is a terminal; Ctrl-C stops the run.\n"
    "Exit status: 0 done, 1 the file cannot be read or analysed, 2 wrong usage,\n"
    "130 interrupted.\n";

int Usage(const std::string& Why) {
  if (!Why.empty()) std::fprintf(stderr, "zel pca: %s\n", Why.c_str());
  std::fputs(kPcaUsage, stderr);
  return 2;
}


// "2,4,7-9" into column numbers (1-based, in the order given).
bool ParseColumns(const std::string& List, std::vector<int>& Cols) {
  std::size_t pos = 0;
  while (pos <= List.size()) {
    const std::size_t comma = std::min(List.find(',', pos), List.size());
    const std::string item = List.substr(pos, comma - pos);
    const std::size_t dash = item.find('-');
    int a, b;
    if (dash == std::string::npos) {
      if (!ToInt(item, a)) return false;
      b = a;
    } else if (!ToInt(item.substr(0, dash), a) || !ToInt(item.substr(dash + 1), b)) {
      return false;
    }
    if (a < 1 || b < a || b - a > 100000) return false;
    for (int c = a; c <= b; ++c) Cols.push_back(c);
    pos = comma + 1;
  }
  return !Cols.empty();
}

// ---- progress and interruption ------------------------------------------------------

std::atomic<bool> gInterrupted{false};
double gCovarSteps = 0;  // steps of the covariance phase
double gPassSteps = 1;   // steps of one Jacobi pass
int gShown = -1;         // last state drawn (percent, or 1000 + sweep)

void OnSigInt(int) {
  gInterrupted.store(true);
  zel::AbortMathProc.store(true);
}

void DrawProgress(double Stat) {
  int state;
  char text[80];
  if (Stat <= gCovarSteps) {
    state = static_cast<int>(100.0 * Stat / gCovarSteps);
    if (state == gShown) return;
    const int width = 30, filled = state * width / 100;
    std::snprintf(text, sizeof text, "\rpca: covariance [%.*s%*s] %3d%%", filled, "##############################",
                  width - filled, "", state);
  } else {
    state = 1000 + static_cast<int>((Stat - gCovarSteps) / gPassSteps);
    if (state == gShown) return;
    std::snprintf(text, sizeof text, "\rpca: eigenvectors, Jacobi pass %d%-20s", state - 999, "");
  }
  gShown = state;
  std::fputs(text, stderr);
  std::fflush(stderr);
}

// SIGINT handling for the duration of the command.
class TSigIntGuard {
 public:
  TSigIntGuard() : FOld(std::signal(SIGINT, OnSigInt)) { gInterrupted = false; }
  ~TSigIntGuard() { std::signal(SIGINT, FOld); }
  TSigIntGuard(const TSigIntGuard&) = delete;
  TSigIntGuard& operator=(const TSigIntGuard&) = delete;

 private:
  void (*FOld)(int);
};

int Interrupted() {
  std::fprintf(stderr, "zel pca: interrupted\n");
  return 130;
}

void EndProgress() {
  if (gShown >= 0) std::fputs("\r                                                          \r", stderr);
  gShown = -1;
}

// Scores of the first K components of every observation into a CSV file
// written through the data table, which replaces a file only by a complete
// one.
std::string WriteScores(const std::string& FName, const TPcaResult& R, int K, bool Correlation) {
  const auto scores = PcaScores(R, K, Correlation);
  zel::TDataTable out(nullptr);
  out.Resize(K, R.Observations);
  for (int k = 1; k <= K; ++k) {
    out.SetColName(k, "PC" + std::to_string(k));
    const auto& col = scores[static_cast<std::size_t>(k - 1)];
    for (int r = 1; r <= R.Observations; ++r) out.SetElem(k, r, col[static_cast<std::size_t>(r - 1)]);
  }
  return out.ExportAsCSV(FName, 10, zel::csvComma, true, false);
}

// The report of the first K components' loadings and every eigenvalue.
TReportTable ComponentTable(const TPcaResult& R, int K) {
  TReportTable t;
  t.Keys = {"k", "eigenvalue", "explained_pct", "cumulative_pct"};
  for (const auto& v : R.Variables) t.Keys.push_back(v);
  for (std::size_t k = 0; k < R.Eigenvalues.size(); ++k) {
    std::vector<TCell> row = {TCell::Int(static_cast<long long>(k + 1)), TCell::Num(R.Eigenvalues[k]),
                              TCell::Num(R.Explained[k]), TCell::Num(R.Cumulative[k])};
    for (const double x : R.Loadings[k]) row.push_back(k < static_cast<std::size_t>(K) ? TCell::Num(x) : TCell{});
    t.Rows.push_back(std::move(row));
  }
  return t;
}

void PrintJson(const std::string& File, const TPcaResult& R, int K, bool Correlation) {
  std::printf("{\n  \"file\": %s,\n  \"observations\": %d,\n  \"variables\": %zu,\n  \"matrix\": \"%s\",\n",
              JsonString(File).c_str(), R.Observations, R.Variables.size(), Correlation ? "correlation" : "covariance");
  std::printf("  \"components\": [");
  for (std::size_t k = 0; k < R.Eigenvalues.size(); ++k) {
    std::printf("%s\n    {\"k\": %zu, \"eigenvalue\": %s, \"explained_pct\": %s, \"cumulative_pct\": %s", k ? "," : "",
                k + 1, JsonCell(TCell::Num(R.Eigenvalues[k])).c_str(), JsonCell(TCell::Num(R.Explained[k])).c_str(),
                JsonCell(TCell::Num(R.Cumulative[k])).c_str());
    if (k < static_cast<std::size_t>(K)) {
      std::printf(", \"loadings\": {");
      for (std::size_t j = 0; j < R.Variables.size(); ++j)
        std::printf("%s%s: %s", j ? ", " : "", JsonString(R.Variables[j]).c_str(),
                    JsonCell(TCell::Num(R.Loadings[k][j])).c_str());
      std::printf("}");
    }
    std::printf("}");
  }
  std::printf("\n  ]\n}\n");
}

void PrintText(const std::string& File, const TPcaResult& R, int K, bool Correlation) {
  const std::size_t p = R.Variables.size();
  std::printf("PCA of %s: %d observations, %zu variable%s, %s matrix\n\n", File.c_str(), R.Observations, p,
              p == 1 ? "" : "s", Correlation ? "correlation" : "covariance");
  std::printf("  k      eigenvalue   explained %%  cumulative %%\n");
  for (std::size_t k = 0; k < p; ++k)
    std::printf("%3zu %15s %13s %13s\n", k + 1, zel::FormatScientific(R.Eigenvalues[k], 8).c_str(),
                zel::FormatFixed(R.Explained[k], 2).c_str(), zel::FormatFixed(R.Cumulative[k], 2).c_str());
  std::printf("\nloadings of the first %d component%s\n", K, K == 1 ? "" : "s");
  TReportTable t;
  t.Keys = {"variable"};
  for (int k = 1; k <= K; ++k) t.Keys.push_back("PC" + std::to_string(k));
  for (std::size_t j = 0; j < p; ++j) {
    std::vector<TCell> row = {TCell::Text(R.Variables[j])};
    for (int k = 0; k < K; ++k) row.push_back(TCell::Num(R.Loadings[static_cast<std::size_t>(k)][j]));
    t.Rows.push_back(std::move(row));
  }
  PrintAligned(t, 4, true);
}

}  // namespace

int RunPca(const Args& args) {
  std::string file, scores;
  bool correlation = false;
  int K = 3;
  TOutFormat format = TOutFormat::Text;
  std::vector<int> cols;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    const bool wantsValue = a == "--components" || a == "--columns" || a == "--scores" || a == "--format";
    if (wantsValue && !hasValue) return Usage(a + " needs a value");
    if (a == "--correlation") {
      correlation = true;
    } else if (a == "--components" && hasValue) {
      if (!ToInt(args[++i], K) || K < 1) return Usage("--components wants a positive integer");
    } else if (a == "--columns" && hasValue) {
      if (!ParseColumns(args[++i], cols)) return Usage("--columns wants a list such as 1-13 or 2,4,7-9");
    } else if (a == "--scores" && hasValue) {
      scores = args[++i];
    } else if (a == "--format" && hasValue) {
      if (!ParseOutFormat(args[++i], format)) return Usage("--format wants text, csv or json");
    } else if (a == "--help" || a == "-h") {
      std::fputs(kPcaUsage, stdout);
      return 0;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option \"" + a + "\"");
    } else if (file.empty()) {
      file = a;
    } else {
      return Usage("more than one file");
    }
  }
  if (file.empty()) return Usage("no file given");

  const TSigIntGuard sigint;
  zel::TDataTable table(nullptr);
  if (const std::string why = LoadTableFile(file, TLoadOptions{}, table); !why.empty()) {
    if (gInterrupted) return Interrupted();
    std::fprintf(stderr, "zel pca: %s: %s\n", file.c_str(), why.c_str());
    return 1;
  }
  // An interrupt while reading is seen here (the computation clears
  // AbortMathProc when it starts).
  if (gInterrupted) return Interrupted();
  // Without --columns the text columns are left out: say so, since the
  // analysis then differs from what the file's width suggests.
  int pAll = static_cast<int>(cols.size());
  if (cols.empty())
    for (int c = 1; c <= table.NrOfColumns(); ++c) {
      if (!IsTextColumn(table, c)) {
        ++pAll;
        continue;
      }
      std::fprintf(stderr, "zel pca: %s: column %d (%s) holds %s values, left out\n", file.c_str(), c,
                   zel::CP1252ToUTF8(table.GetColName(c)).c_str(),
                   table.GetMScaleType(c) == zel::stNominal ? "nominal" : "ordinal");
    }
  const int nRows = table.NrOfRows();
  gCovarSteps = static_cast<double>(nRows) * (1.0 + pAll * (pAll + 1) / 2.0);
  gPassSteps = 1.0 + pAll * (pAll - 1) / 2.0;
  zel::ProcStat = 0;
  zel::MathFeedBackProc = isatty(fileno(stderr)) ? DrawProgress : nullptr;
  TPcaResult result;
  std::string why;
  const TPcaOutcome outcome = ComputePca(table, cols, correlation, result, why);
  zel::MathFeedBackProc = nullptr;
  EndProgress();
  if (gInterrupted || outcome == TPcaOutcome::Interrupted) return Interrupted();
  if (outcome != TPcaOutcome::Ok) {
    std::fprintf(stderr, "zel pca: %s: %s\n", file.c_str(), why.c_str());
    return 1;
  }
  K = std::min(K, static_cast<int>(result.Variables.size()));
  switch (format) {
    case TOutFormat::Csv: PrintCsv(ComponentTable(result, K)); break;
    case TOutFormat::Json: PrintJson(file, result, K, correlation); break;
    case TOutFormat::Text: PrintText(file, result, K, correlation); break;
  }
  if (!scores.empty()) {
    const std::string err = WriteScores(scores, result, K, correlation);
    if (!err.empty()) {
      std::fprintf(stderr, "zel pca: cannot write \"%s\": %s\n", scores.c_str(), err.c_str());
      return 1;
    }
    // Keep standard output a clean document in the script formats.
    if (format == TOutFormat::Text)
      std::printf("\nscores of %d component%s written to %s\n", K, K == 1 ? "" : "s", scores.c_str());
  }
  return 0;
}

}  // namespace zeltool
