// Helpers of the TMatrix tests.
#pragma once

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "zel_matrix.h"

namespace zel::test {

/// An NCol × NRow matrix named "M" holding Values column by column.
inline std::unique_ptr<TMatrix> MakeMatrix(int NCol, int NRow, const std::vector<double>& Values) {
  auto m = std::make_unique<TMatrix>();
  m->SetName("M");
  m->Resize(NCol, NRow);
  for (std::size_t k = 0; k < Values.size() && k < m->Data().size(); ++k) m->Data()[k] = Values[k];
  return m;
}

/// The elements column by column (matrix) or in order (vector), through GetVal.
inline std::vector<double> Elements(const TMatrix& M) {
  std::vector<double> v;
  for (int c = 1; c <= M.NrOfColumns(); ++c)
    for (int r = 1; r <= M.NrOfRows(); ++r) v.push_back(M.GetVal(c, r));
  return v;
}
template <class V>
std::vector<double> Elements(const V& Vec) {
  std::vector<double> v;
  for (int i = 1; i <= Vec.NrOfElem(); ++i) v.push_back(Vec.GetVal(i));
  return v;
}

/// Bit-for-bit equality: tells −0 from +0 and compares NaNs.
inline bool SameBits(const std::vector<double>& A, const std::vector<double>& B) {
  return A.size() == B.size() && (A.empty() || std::memcmp(A.data(), B.data(), A.size() * sizeof(double)) == 0);
}

/// Counts the OnChange events of a matrix; Take() returns and resets the count.
struct ChangeCounter {
  int Count = 0;
  explicit ChangeCounter(TMatrix& M) {
    M.OnChange = [this](TObject*) { ++Count; };
  }
  int Take() { return std::exchange(Count, 0); }
};

}  // namespace zel::test
