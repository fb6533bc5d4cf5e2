// Helpers of the eigen/PCA/SVD tests: reference records of
// tests/data/math2_reference.tsv (made by tools/reference/math2.py) and
// conversions between their row-major lists and TMatrix.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "openarrays_reference.h"
#include "zel_math2.h"

namespace zel::test {

inline std::vector<std::vector<std::string>> Math2Refs(const std::string& Kind) {
  return RefRecords("math2_reference.tsv", Kind);
}

/// A comma-separated list of numbers (decimal or hexadecimal floating point).
inline std::vector<double> CommaList(const std::string& S) {
  std::vector<double> out;
  std::istringstream in(S);
  for (std::string w; std::getline(in, w, ',');) out.push_back(std::strtod(w.c_str(), nullptr));
  return out;
}

/// The record of Kind whose first field is Id.
inline std::vector<std::string> Math2Ref(const std::string& Kind, const std::string& Id) {
  for (auto& r : Math2Refs(Kind))
    if (!r.empty() && r[0] == Id) return r;
  ADD_FAILURE() << "no record " << Kind << " " << Id;
  return {};
}

/// A TMatrix of Rows × Cols from row-major values (element (c, r) = value
/// of row r, column c).
inline void FillFromRows(TMatrix& M, int Rows, int Cols, const std::vector<double>& V) {
  M.Resize(Cols, Rows);
  for (int r = 0; r < Rows; ++r)
    for (int c = 0; c < Cols; ++c) M.ColumnData(c + 1)[r] = V.at(static_cast<std::size_t>(r) * Cols + c);
}

/// Step at which AbortAtStep sets AbortMathProc.
inline int gAbortAt = 0;
/// A feedback procedure that aborts once ProcStat reaches gAbortAt.
inline void AbortAtStep(double Stat) {
  if (Stat >= gAbortAt) AbortMathProc = true;
}

/// The largest absolute value of a list.
inline double MaxAbs(const std::vector<double>& V) {
  double m = 0;
  for (const double x : V) m = std::max(m, std::fabs(x));
  return m;
}

}  // namespace zel::test
