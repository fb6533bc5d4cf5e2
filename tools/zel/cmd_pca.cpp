// zel pca: principal component analysis of a CSV or ASC data file.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "commands.h"
#include "zel_datatable.h"
#include "zel_format.h"
#include "zel_math2.h"

namespace zeltool {

namespace {

const char* const kPcaUsage =
    "usage: zel pca FILE [--correlation] [--components K] [--columns LIST] [--scores OUT.csv]\n"
    "Principal components of the numeric columns of FILE (one observation per\n"
    "row): a CSV file with a header line of column names (delimiter ',', ';'\n"
    "or TAB, found from the header), or an ASC file (*.asc).\n"
    "  --correlation   decompose the correlation matrix (standardised data);\n"
    "                  default: the covariance matrix (centred data)\n"
    "  --components K  loadings and scores of the first K components (default 3)\n"
    "  --columns LIST  the columns to use, 1-based, e.g. 1-13 or 2,4,7-9\n"
    "                  (default: every column without text values)\n"
    "  --scores FILE   writes the scores of the first K components as CSV\n"
    "Each eigenvector's largest component is made positive. A progress bar is\n"
    "shown on standard error when it is a terminal; Ctrl-C stops the run.\n";

int Usage(const std::string& Why) {
  if (!Why.empty()) std::fprintf(stderr, "zel pca: %s\n", Why.c_str());
  std::fputs(kPcaUsage, stderr);
  return 2;
}

bool ToInt(const std::string& S, int& N) {
  const char* last = S.data() + S.size();
  const auto [ptr, ec] = std::from_chars(S.data(), last, N);
  return ec == std::errc() && ptr == last && !S.empty();
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

bool EndsWithNoCase(const std::string& S, const std::string& Tail) {
  if (S.size() < Tail.size()) return false;
  for (std::size_t i = 0; i < Tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(S[S.size() - Tail.size() + i])) != Tail[i]) return false;
  return true;
}

// The delimiter of a CSV file from its first line: ';' or TAB when the
// line has them and no comma.
zel::TCSVDelimiters SniffDelimiter(const std::string& FName) {
  std::ifstream in(FName, std::ios::binary);
  std::string line;
  std::getline(in, line);
  if (line.find(',') != std::string::npos) return zel::csvComma;
  if (line.find(';') != std::string::npos) return zel::csvSemicolon;
  if (line.find('\t') != std::string::npos) return zel::csvTab;
  return zel::csvComma;
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

// Scores of the first K components (with the printed signs) for every
// observation into a CSV file written through the data table, which
// replaces a file only by a complete one.
std::string WriteScores(const std::string& FName, const zel::TMatrix& Data, int K, bool Standardise,
                        const std::vector<double>& Sign) {
  const int p = Data.NrOfColumns(), n = Data.NrOfRows();
  std::vector<double> mean(p), scale(p, 1.0);
  for (int c = 1; c <= p; ++c) {
    double m, v;
    Data.MeanVar(c, 1, c, n, m, v);
    mean[c - 1] = m;
    if (Standardise && v > 0) scale[c - 1] = std::sqrt(v);
  }
  zel::TDataTable out(nullptr);
  out.Resize(K, n);
  for (int k = 1; k <= K; ++k) out.SetColName(k, "PC" + std::to_string(k));
  for (int r = 1; r <= n; ++r)
    for (int k = 1; k <= K; ++k) {
      double s = 0;
      for (int c = 1; c <= p; ++c) s += zel::GetEigenResult(k, c) * (Data.GetVal(c, r) - mean[c - 1]) / scale[c - 1];
      out.SetElem(k, r, Sign[static_cast<std::size_t>(k)] * s);
    }
  return out.ExportAsCSV(FName, 10, zel::csvComma, true, false);
}

}  // namespace

int RunPca(const Args& args) {
  std::string file, scores;
  bool correlation = false;
  int K = 3;
  std::vector<int> cols;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--correlation") {
      correlation = true;
    } else if (a == "--components" && hasValue) {
      if (!ToInt(args[++i], K) || K < 1) return Usage("--components wants a positive integer");
    } else if (a == "--columns" && hasValue) {
      if (!ParseColumns(args[++i], cols)) return Usage("--columns wants a list such as 1-13 or 2,4,7-9");
    } else if (a == "--scores" && hasValue) {
      scores = args[++i];
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
  const bool asc = EndsWithNoCase(file, ".asc");
  const int rc = asc ? table.ImportASC(file) : table.ImportFromCSV(file, SniffDelimiter(file), true, false);
  if (rc != 0) {
    std::string why = table.LastIOError();
    if (why.empty()) why = "code " + std::to_string(rc);
    std::fprintf(stderr, "zel pca: cannot read \"%s\": %s\n", file.c_str(), why.c_str());
    return 1;
  }
  const int nRows = table.NrOfRows();
  if (cols.empty()) {
    for (int c = 1; c <= table.NrOfColumns(); ++c) {
      const zel::TMScaleType st = table.GetMScaleType(c);
      if (st != zel::stNominal && st != zel::stOrdinal) cols.push_back(c);
    }
  }
  for (const int c : cols) {
    if (c > table.NrOfColumns()) {
      std::fprintf(stderr, "zel pca: the file has only %d columns\n", table.NrOfColumns());
      return 1;
    }
    for (int r = 1; r <= nRows; ++r)
      if (!table.IsNumber(c, r)) {
        std::fprintf(stderr, "zel pca: column %d (%s) has no number in data row %d\n", c,
                     table.GetColName(c).c_str(), r);
        return 1;
      }
  }
  const int p = static_cast<int>(cols.size());
  if (p < 1 || nRows < 2) {
    std::fprintf(stderr, "zel pca: need at least one numeric column and two rows\n");
    return 1;
  }
  if (p > zel::MaxEigenOrder) {
    std::fprintf(stderr, "zel pca: more than %d columns\n", zel::MaxEigenOrder);
    return 1;
  }
  K = std::min(K, p);

  zel::TMatrix data(nullptr);
  data.Resize(p, nRows);
  for (int j = 0; j < p; ++j)
    for (int r = 1; r <= nRows; ++r) data.ColumnData(j + 1)[r - 1] = table.GetElem(cols[static_cast<std::size_t>(j)], r);

  // An interrupt while reading is seen here (the computation clears
  // AbortMathProc when it starts).
  if (gInterrupted) return Interrupted();
  gCovarSteps = static_cast<double>(nRows) * (1.0 + p * (p + 1) / 2.0);
  gPassSteps = 1.0 + p * (p - 1) / 2.0;
  zel::ProcStat = 0;
  zel::MathFeedBackProc = isatty(fileno(stderr)) ? DrawProgress : nullptr;
  const bool ok = zel::CalcPrincComp(&data, 0, 0, 0, 0, correlation ? 2 : 1, false);
  zel::MathFeedBackProc = nullptr;
  EndProgress();
  if (gInterrupted) return Interrupted();
  if (!ok) {
    std::fprintf(stderr, "zel pca: the eigen decomposition did not converge\n");
    return 1;
  }

  // Sign convention: the largest component of each vector positive.
  std::vector<double> sign(static_cast<std::size_t>(p) + 1, 1.0);
  double total = 0;
  for (int k = 1; k <= p; ++k) {
    total += std::fabs(zel::GetEigenResult(k, 0));
    int big = 1;
    for (int c = 2; c <= p; ++c)
      if (std::fabs(zel::GetEigenResult(k, c)) > std::fabs(zel::GetEigenResult(k, big))) big = c;
    if (zel::GetEigenResult(k, big) < 0) sign[static_cast<std::size_t>(k)] = -1;
  }

  std::printf("PCA of %s: %d observations, %d variables, %s matrix\n\n", file.c_str(), nRows, p,
              correlation ? "correlation" : "covariance");
  std::printf("  k      eigenvalue   explained %%  cumulative %%\n");
  double cum = 0;
  for (int k = 1; k <= p; ++k) {
    const double lambda = zel::GetEigenResult(k, 0);
    const double pct = total > 0 ? 100.0 * std::fabs(lambda) / total : 0.0;
    cum += pct;
    std::printf("%3d %15s %13s %13s\n", k, zel::FormatScientific(lambda, 8).c_str(), zel::FormatFixed(pct, 2).c_str(),
                zel::FormatFixed(cum, 2).c_str());
  }
  std::printf("\nloadings of the first %d component%s\n%-22s", K, K == 1 ? "" : "s", "variable");
  for (int k = 1; k <= K; ++k) std::printf("%10s", ("PC" + std::to_string(k)).c_str());
  std::printf("\n");
  for (int j = 0; j < p; ++j) {
    std::string name = table.GetColName(cols[static_cast<std::size_t>(j)]);
    if (name.size() > 21) name.resize(21);
    std::printf("%-22s", name.c_str());
    for (int k = 1; k <= K; ++k)
      std::printf("%10s", zel::FormatFixed(sign[static_cast<std::size_t>(k)] * zel::GetEigenResult(k, j + 1), 4).c_str());
    std::printf("\n");
  }
  if (!scores.empty()) {
    const std::string err = WriteScores(scores, data, K, correlation, sign);
    if (!err.empty()) {
      std::fprintf(stderr, "zel pca: cannot write \"%s\": %s\n", scores.c_str(), err.c_str());
      return 1;
    }
    std::printf("\nscores of %d component%s written to %s\n", K, K == 1 ? "" : "s", scores.c_str());
  }
  return 0;
}

}  // namespace zeltool
