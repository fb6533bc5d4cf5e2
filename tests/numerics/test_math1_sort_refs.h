// Reader of tests/data/math1_sort_refs.tsv (numpy and scipy reference values,
// made by tools/reference/make_math1_sort_refs.py).
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "zel_test_env.h"

namespace zel::test {

/// One line of the file split at TABs; the first field is the kind.
using SortRefRow = std::vector<std::string>;

/// All rows of the given kind (empty when the file is missing).
inline std::vector<SortRefRow> SortRefs(const std::string& Kind) {
  std::ifstream in(DataPath("math1_sort_refs.tsv"));
  std::vector<SortRefRow> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    SortRefRow row;
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, '\t');) row.push_back(f);
    if (row[0] == Kind) rows.push_back(row);
  }
  return rows;
}

inline double RefNum(const std::string& S) { return std::strtod(S.c_str(), nullptr); }

/// A comma-separated list of numbers.
inline std::vector<double> RefList(const std::string& S) {
  std::vector<double> v;
  std::istringstream in(S);
  for (std::string f; std::getline(in, f, ',');) v.push_back(RefNum(f));
  return v;
}

}  // namespace zel::test
