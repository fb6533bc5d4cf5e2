// Shared parts of the zel tool's commands (see toolkit.h).
#include "toolkit.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <span>
#include <system_error>

#include "zel_base.h"
#include "zel_format.h"
#include "zel_math2.h"
#include "zel_rangestats.h"
#include "zel_strutils.h"

namespace zeltool {

bool ToInt(const std::string& S, int& N) {
  const char* first = S.data();
  const char* last = S.data() + S.size();
  if (first != last && *first == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, last, N);
  return ec == std::errc() && ptr == last && first != last;
}

// ---- reading ---------------------------------------------------------------------------

zel::TCSVDelimiters SniffDelimiter(const std::string& FName) {
  std::ifstream in(FName, std::ios::binary);
  std::string line;
  std::getline(in, line);
  // Count the candidates outside quotes. A decimal comma puts up to one
  // comma in each field, so semicolons win a tie.
  std::size_t commas = 0, semis = 0, tabs = 0;
  bool quoted = false;
  for (const char ch : line) {
    if (ch == '"') quoted = !quoted;
    if (quoted) continue;
    commas += ch == ',';
    semis += ch == ';';
    tabs += ch == '\t';
  }
  if (tabs > 0 && tabs >= commas && tabs >= semis) return zel::csvTab;
  if (semis > 0 && semis >= commas) return zel::csvSemicolon;
  return zel::csvComma;
}

std::string LoadTableFile(const std::string& FName, const TLoadOptions& O, zel::TDataTable& T) {
  if (!zel::FileExists(FName)) return "no such file";
  const std::string ext = zel::LowerCase(zel::ExtractFileExt(FName));
  bool ok;
  if (ext == ".asc") {
    ok = T.ImportASC(FName) == 0;
  } else if (ext == ".xml") {
    ok = T.LoadFromXMLFile(FName, O.DataID);
  } else {
    ok = T.ImportFromCSV(FName, O.Delimiter ? *O.Delimiter : SniffDelimiter(FName), O.Header, O.RowNames) == 0;
  }
  if (ok) return std::string();
  std::string why = zel::CP1252ToUTF8(T.LastIOError());
  if (why.empty()) why = "not a readable table";
  return why;
}

// ---- output ----------------------------------------------------------------------------

bool ParseOutFormat(const std::string& S, TOutFormat& F) {
  if (S == "text") F = TOutFormat::Text;
  else if (S == "csv") F = TOutFormat::Csv;
  else if (S == "json") F = TOutFormat::Json;
  else return false;
  return true;
}

bool TakeFormatOption(std::vector<std::string>& A, TOutFormat& F, std::string& Why) {
  for (std::size_t i = 0; i < A.size(); ++i) {
    if (A[i] != "--format") continue;
    if (i + 1 >= A.size()) {
      Why = "--format needs a value (text, csv or json)";
      return false;
    }
    if (!ParseOutFormat(A[i + 1], F)) {
      Why = "unknown format \"" + A[i + 1] + "\" (text, csv or json)";
      return false;
    }
    A.erase(A.begin() + static_cast<std::ptrdiff_t>(i), A.begin() + static_cast<std::ptrdiff_t>(i + 2));
    --i;
  }
  return true;
}

namespace {

std::string NumberText(double X) {
  if (std::isnan(X)) return "NAN";
  if (std::isinf(X)) return X > 0 ? "INF" : "-INF";
  return zel::FloatToStrShortest(X);
}

// Display width of UTF-8 text: its code points.
int Width(const std::string& S) {
  return static_cast<int>(std::count_if(S.begin(), S.end(), [](char Ch) { return (Ch & 0xC0) != 0x80; }));
}

std::string Pad(const std::string& S, int W, bool Left) {
  const std::string fill(static_cast<std::size_t>(std::max(0, W - Width(S))), ' ');
  return Left ? S + fill : fill + S;
}

}  // namespace

std::string CsvCell(const TCell& C) {
  switch (C.K) {
    case TCell::Kind::None: return std::string();
    case TCell::Kind::Integer: return std::to_string(static_cast<long long>(C.X));
    case TCell::Kind::Number: return NumberText(C.X);
    case TCell::Kind::Text: break;
  }
  if (C.S.find_first_of(",\"\r\n") == std::string::npos && (C.S.empty() || (C.S.front() != ' ' && C.S.back() != ' ')))
    return C.S;
  std::string out = "\"";
  for (const char ch : C.S) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + '"';
}

namespace {

// Whether S is well-formed UTF-8 (no overlong forms, surrogates or values
// past U+10FFFF).
bool IsUtf8(std::string_view S) {
  for (std::size_t i = 0; i < S.size();) {
    const auto b = static_cast<unsigned char>(S[i]);
    const int len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + static_cast<std::size_t>(len) > S.size()) return false;
    std::uint32_t cp = len == 1 ? b : b & (0x7Fu >> len);
    for (int k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(S[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3Fu);
    }
    static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(len);
  }
  return true;
}

}  // namespace

std::string JsonString(std::string_view S) {
  // A JSON document is UTF-8; bytes that are not (a file name in another
  // encoding) are taken as the library's single-byte code page.
  const std::string text = IsUtf8(S) ? std::string(S) : zel::CP1252ToUTF8(S);
  std::string out = "\"";
  for (const char ch : text) {
    const auto u = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", u);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  return out + '"';
}

std::string JsonCell(const TCell& C) {
  switch (C.K) {
    case TCell::Kind::None: return "null";
    case TCell::Kind::Integer: return std::to_string(static_cast<long long>(C.X));
    case TCell::Kind::Number: return std::isfinite(C.X) ? zel::FloatToStrShortest(C.X) : "null";
    case TCell::Kind::Text: return JsonString(C.S);
  }
  return "null";
}

void PrintCsv(const TReportTable& T) {
  std::string line;
  for (std::size_t i = 0; i < T.Keys.size(); ++i) line += (i ? "," : "") + CsvCell(TCell::Text(T.Keys[i]));
  std::printf("%s\n", line.c_str());
  for (const auto& row : T.Rows) {
    line.clear();
    for (std::size_t i = 0; i < row.size(); ++i) line += (i ? "," : "") + CsvCell(row[i]);
    std::printf("%s\n", line.c_str());
  }
}

std::string JsonObject(const std::vector<std::string>& Keys, const std::vector<TCell>& Row) {
  std::string out = "{";
  for (std::size_t i = 0; i < Keys.size() && i < Row.size(); ++i)
    out += (i ? ", " : "") + JsonString(Keys[i]) + ": " + JsonCell(Row[i]);
  return out + "}";
}

std::string JsonRows(const TReportTable& T, int Indent) {
  const std::string pad(static_cast<std::size_t>(Indent), ' ');
  std::string out = "[";
  for (std::size_t r = 0; r < T.Rows.size(); ++r)
    out += (r ? ",\n" : "\n") + pad + "  " + JsonObject(T.Keys, T.Rows[r]);
  return out + (T.Rows.empty() ? "]" : "\n" + pad + "]");
}

void PrintAligned(const TReportTable& T, int Digits, bool Fixed, const std::vector<std::string>& Heads) {
  const std::vector<std::string>& heads = Heads.empty() ? T.Keys : Heads;
  const std::size_t n = heads.size();
  std::vector<std::vector<std::string>> text(T.Rows.size(), std::vector<std::string>(n));
  std::vector<int> width(n);
  std::vector<bool> left(n, false);
  for (std::size_t i = 0; i < n; ++i) width[i] = Width(heads[i]);
  for (std::size_t r = 0; r < T.Rows.size(); ++r)
    for (std::size_t i = 0; i < n && i < T.Rows[r].size(); ++i) {
      const TCell& c = T.Rows[r][i];
      std::string& s = text[r][i];
      switch (c.K) {
        case TCell::Kind::None: s = "-"; break;
        case TCell::Kind::Integer: s = std::to_string(static_cast<long long>(c.X)); break;
        case TCell::Kind::Text:
          s = c.S;
          left[i] = true;
          break;
        case TCell::Kind::Number:
          if (std::isfinite(c.X)) {
            char buf[40];
            std::snprintf(buf, sizeof buf, Fixed ? "%.*f" : "%.*g", Digits, c.X);
            s = buf;
            // 13.0006 to 4 digits is "13", which reads as exact: keep the
            // zeros of a value that only rounds to an integer ("13.00").
            if (!Fixed && c.X != std::trunc(c.X) && s.find_first_of(".e") == std::string::npos) {
              std::snprintf(buf, sizeof buf, "%#.*g", Digits, c.X);
              s = buf;
            }
          } else {
            s = NumberText(c.X);
          }
          break;
      }
      width[i] = std::max(width[i], Width(s));
    }
  const auto emit = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < n; ++i) line += (i ? "  " : "") + Pad(cells[i], width[i], left[i]);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  };
  emit(heads);
  for (const auto& row : text) emit(row);
}

// ---- statistics ------------------------------------------------------------------------

TColumnStats DescribeColumn(const zel::TDataTable& T, int Col) {
  TColumnStats S;
  S.Name = zel::CP1252ToUTF8(T.GetColName(Col));
  const zel::TMScaleType scale = T.GetMScaleType(Col);
  S.Scale = zel::MScaleTypeNames[static_cast<std::size_t>(scale)];
  std::vector<double> x;
  x.reserve(static_cast<std::size_t>(T.NrOfRows()));
  for (int r = 1; r <= T.NrOfRows(); ++r)
    if (T.IsNumber(Col, r) && !std::isnan(T.GetElem(Col, r))) x.push_back(T.GetElem(Col, r));
  S.N = static_cast<int>(x.size());
  if (scale == zel::stNominal || scale == zel::stOrdinal) {
    S.Levels = T.CountNominalIDs(Col);
    return S;
  }
  if (x.empty()) return S;
  const std::span<const double> v(x);
  double mean, var, lo = HUGE_VAL, hi = -HUGE_VAL, q1, q2, q3;
  int loIx, hiIx;
  zel::RangeMeanVar(v, mean, var);
  zel::RangeMinMax(v, lo, hi, loIx, hiIx);
  zel::RangeQuartiles(v, q1, q2, q3);
  S.Mean = mean;
  S.Min = lo;
  S.Max = hi;
  S.Median = q2;
  // Below 4 values the shared quartile rule clips Q1 and Q3 to the ends
  // (Q3 of two values is the smaller one): no estimate worth printing.
  if (x.size() >= 4) {
    S.Q1 = q1;
    S.Q3 = q3;
  }
  // The shared variance is 1 below 3 values, a placeholder, not a statistic.
  if (x.size() >= 3) S.Sd = std::sqrt(var);
  if (x.size() >= 4) {
    double skew, kurt;
    zel::RangeSkewKurtSample(v, skew, kurt);
    S.Skewness = skew;
    S.Kurtosis = kurt;
  }
  return S;
}

TReportTable DescribeTable(const std::vector<TColumnStats>& Cols) {
  TReportTable t;
  t.Keys = {"column", "scale", "n", "levels", "mean", "sd", "min", "q1", "median", "q3", "max", "skewness", "kurtosis"};
  for (const auto& c : Cols) {
    t.Rows.push_back({TCell::Text(c.Name), TCell::Text(c.Scale), TCell::Int(c.N),
                      c.Levels >= 0 ? TCell::Int(c.Levels) : TCell{}, TCell::Num(c.Mean), TCell::Num(c.Sd),
                      TCell::Num(c.Min), TCell::Num(c.Q1), TCell::Num(c.Median), TCell::Num(c.Q3), TCell::Num(c.Max),
                      TCell::Num(c.Skewness), TCell::Num(c.Kurtosis)});
  }
  return t;
}

bool IsTextColumn(const zel::TDataTable& T, int Col) {
  const zel::TMScaleType st = T.GetMScaleType(Col);
  return st == zel::stNominal || st == zel::stOrdinal;
}

TPcaOutcome ComputePca(const zel::TDataTable& T, std::vector<int> Cols, bool Correlation, TPcaResult& R,
                       std::string& Why) {
  const int nRows = T.NrOfRows();
  if (Cols.empty())
    for (int c = 1; c <= T.NrOfColumns(); ++c)
      if (!IsTextColumn(T, c)) Cols.push_back(c);
  for (const int c : Cols) {
    if (c > T.NrOfColumns()) {
      Why = "the file has only " + std::to_string(T.NrOfColumns()) + " columns";
      return TPcaOutcome::Failed;
    }
    if (T.GetMScaleType(c) == zel::stNominal) {
      Why = "column " + std::to_string(c) + " (" + zel::CP1252ToUTF8(T.GetColName(c)) + ") holds text, not numbers";
      return TPcaOutcome::Failed;
    }
    for (int r = 1; r <= nRows; ++r)
      if (!T.IsNumber(c, r) || !std::isfinite(T.GetElem(c, r))) {
        Why = "column " + std::to_string(c) + " (" + zel::CP1252ToUTF8(T.GetColName(c)) + ") has no number in data row " +
              std::to_string(r);
        return TPcaOutcome::Failed;
      }
  }
  const int p = static_cast<int>(Cols.size());
  if (p < 1 || nRows < 2) {
    Why = "need at least one numeric column and two rows";
    return TPcaOutcome::Failed;
  }
  if (p > zel::MaxEigenOrder) {
    Why = "more than " + std::to_string(zel::MaxEigenOrder) + " columns";
    return TPcaOutcome::Failed;
  }
  R.Observations = nRows;
  R.Variables.clear();
  R.Data.Resize(p, nRows);
  for (int j = 0; j < p; ++j) {
    const int c = Cols[static_cast<std::size_t>(j)];
    R.Variables.push_back(zel::CP1252ToUTF8(T.GetColName(c)));
    for (int r = 1; r <= nRows; ++r) R.Data.ColumnData(j + 1)[r - 1] = T.GetElem(c, r);
  }
  if (zel::AbortMathProc.load()) return TPcaOutcome::Interrupted;
  if (!zel::CalcPrincComp(&R.Data, 0, 0, 0, 0, Correlation ? 2 : 1, false)) {
    if (zel::AbortMathProc.load()) return TPcaOutcome::Interrupted;
    Why = "the eigen decomposition did not converge";
    return TPcaOutcome::Failed;
  }
  // Eigenvalues of a covariance matrix are not negative; rounding can make
  // the smallest slightly so, hence the absolute values in the shares.
  double total = 0;
  for (int k = 1; k <= p; ++k) total += std::fabs(zel::GetEigenResult(k, 0));
  R.Eigenvalues.assign(static_cast<std::size_t>(p), 0);
  R.Explained.assign(static_cast<std::size_t>(p), 0);
  R.Cumulative.assign(static_cast<std::size_t>(p), 0);
  R.Loadings.assign(static_cast<std::size_t>(p), std::vector<double>(static_cast<std::size_t>(p)));
  double cum = 0;
  for (int k = 1; k <= p; ++k) {
    const auto K = static_cast<std::size_t>(k - 1);
    R.Eigenvalues[K] = zel::GetEigenResult(k, 0);
    R.Explained[K] = total > 0 ? 100.0 * std::fabs(R.Eigenvalues[K]) / total : 0.0;
    cum += R.Explained[K];
    R.Cumulative[K] = cum;
    // Sign convention: the largest component of each vector positive.
    int big = 1;
    for (int c = 2; c <= p; ++c)
      if (std::fabs(zel::GetEigenResult(k, c)) > std::fabs(zel::GetEigenResult(k, big))) big = c;
    const double sign = zel::GetEigenResult(k, big) < 0 ? -1.0 : 1.0;
    for (int c = 1; c <= p; ++c) R.Loadings[K][static_cast<std::size_t>(c - 1)] = sign * zel::GetEigenResult(k, c);
  }
  return TPcaOutcome::Ok;
}

std::vector<std::vector<double>> PcaScores(const TPcaResult& R, int K, bool Correlation) {
  const int p = R.Data.NrOfColumns(), n = R.Data.NrOfRows();
  std::vector<double> mean(static_cast<std::size_t>(p)), scale(static_cast<std::size_t>(p), 1.0);
  for (int c = 1; c <= p; ++c) {
    double m, v;
    R.Data.MeanVar(c, 1, c, n, m, v);
    mean[static_cast<std::size_t>(c - 1)] = m;
    if (Correlation && v > 0) scale[static_cast<std::size_t>(c - 1)] = std::sqrt(v);
  }
  std::vector<std::vector<double>> s(static_cast<std::size_t>(K), std::vector<double>(static_cast<std::size_t>(n)));
  for (int k = 0; k < K; ++k)
    for (int r = 0; r < n; ++r) {
      double sum = 0;
      for (int c = 0; c < p; ++c)
        sum += R.Loadings[static_cast<std::size_t>(k)][static_cast<std::size_t>(c)] *
               (R.Data.ColumnData(c + 1)[r] - mean[static_cast<std::size_t>(c)]) / scale[static_cast<std::size_t>(c)];
      s[static_cast<std::size_t>(k)][static_cast<std::size_t>(r)] = sum;
    }
  return s;
}

}  // namespace zeltool
