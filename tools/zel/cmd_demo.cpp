// zel demo: describe and PCA on the bundled wine data, as a short report.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"
#include "toolkit.h"
#include "zel_math2.h"

namespace zeltool {

std::string DataDir() {
  namespace fs = std::filesystem;
  const fs::path source = ZEL_DATA_DIR;
  if (fs::exists(source / "wine.csv")) return source.string();
  // Installed layout: <prefix>/bin/zel and <prefix>/share/zel.
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path installed = exe.parent_path().parent_path() / "share" / "zel";
    if (fs::exists(installed / "wine.csv")) return installed.string();
  }
  return source.string();
}

namespace {

void Heading(const char* Text) { std::printf("\n== %s\n\n", Text); }

// The variables in order of their weight in loading vector L, largest first.
std::vector<std::size_t> ByWeight(const std::vector<double>& L) {
  std::vector<std::size_t> ix(L.size());
  for (std::size_t i = 0; i < ix.size(); ++i) ix[i] = i;
  std::stable_sort(ix.begin(), ix.end(), [&](std::size_t a, std::size_t b) { return std::fabs(L[a]) > std::fabs(L[b]); });
  return ix;
}

}  // namespace

int RunDemo(const Args& args) {
  if (!args.empty()) {
    std::fprintf(stderr, "zel demo: takes no arguments (\"%s\")\nusage: zel demo\n", args[0].c_str());
    return 2;
  }
  const std::string wine = DataDir() + "/wine.csv";
  zel::TDataTable T;
  TLoadOptions O;
  if (const std::string why = LoadTableFile(wine, O, T); !why.empty()) {
    std::fprintf(stderr, "zel demo: %s: %s\n", wine.c_str(), why.c_str());
    return 1;
  }
  const int nVars = T.NrOfColumns() - 1;  // the last column is the cultivar
  std::printf("zel demo: %d wines from three cultivars, %d measured constituents each\n", T.NrOfRows(), nVars);
  std::printf("(%s; source and licence in data/README.md)\n", wine.c_str());

  Heading("zel describe: statistics of every column");
  std::vector<TColumnStats> stats;
  for (int c = 1; c <= T.NrOfColumns(); ++c) stats.push_back(DescribeColumn(T, c));
  // A narrower table than describe's own: the full one is `zel describe FILE`.
  TReportTable brief;
  brief.Keys = {"column", "n", "mean", "sd", "min", "median", "max", "skewness"};
  for (const auto& s : stats)
    brief.Rows.push_back({TCell::Text(s.Name), TCell::Int(s.N), TCell::Num(s.Mean), TCell::Num(s.Sd),
                          TCell::Num(s.Min), TCell::Num(s.Median), TCell::Num(s.Max), TCell::Num(s.Skewness)});
  PrintAligned(brief, 4);

  Heading("zel pca --correlation --columns 1-13: principal components");
  std::vector<int> cols;
  for (int c = 1; c <= nVars; ++c) cols.push_back(c);
  TPcaResult pca;
  std::string why;
  if (ComputePca(T, cols, true, pca, why) != TPcaOutcome::Ok) {
    std::fprintf(stderr, "zel demo: %s: %s\n", wine.c_str(), why.c_str());
    return 1;
  }
  TReportTable eig;
  eig.Keys = {"component", "eigenvalue", "explained %", "cumulative %"};
  for (std::size_t k = 0; k < 5 && k < pca.Eigenvalues.size(); ++k)
    eig.Rows.push_back({TCell::Text("PC" + std::to_string(k + 1)), TCell::Num(pca.Eigenvalues[k]),
                        TCell::Num(pca.Explained[k]), TCell::Num(pca.Cumulative[k])});
  PrintAligned(eig, 3, true);
  std::printf("(%zu components in all; eigenvalues above 1 carry more than one variable's worth)\n",
              pca.Eigenvalues.size());

  std::printf("\nheaviest loadings\n");
  for (std::size_t k = 0; k < 2; ++k) {
    const auto order = ByWeight(pca.Loadings[k]);
    std::printf("  PC%zu:", k + 1);
    for (std::size_t i = 0; i < 4; ++i)
      std::printf(" %s %+.2f%s", pca.Variables[order[i]].c_str(), pca.Loadings[k][order[i]], i < 3 ? "," : "\n");
  }

  Heading("mean scores per cultivar: the first two components separate them");
  const auto scores = PcaScores(pca, 2, true);
  TReportTable groups;
  groups.Keys = {"cultivar", "wines", "PC1", "PC2"};
  for (int g = 1; g <= 3; ++g) {
    double s1 = 0, s2 = 0;
    int n = 0;
    for (int r = 1; r <= T.NrOfRows(); ++r)
      if (T.GetElem(T.NrOfColumns(), r) == g) {
        s1 += scores[0][static_cast<std::size_t>(r - 1)];
        s2 += scores[1][static_cast<std::size_t>(r - 1)];
        ++n;
      }
    groups.Rows.push_back({TCell::Int(g), TCell::Int(n), TCell::Num(n ? s1 / n : NAN), TCell::Num(n ? s2 / n : NAN)});
  }
  PrintAligned(groups, 2, true);

  std::printf("\nmore: zel describe FILE, zel pca FILE --format json, zel dist, zel num, zel convert;\n"
              "      zel --help lists every command.\n");
  return 0;
}

}  // namespace zeltool
