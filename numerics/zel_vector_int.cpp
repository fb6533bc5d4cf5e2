// TIntVector: wrapping 32-bit arithmetic, extremes and integer histogram.
#include <climits>

#include "zel_numeric.h"
#include "zel_rangestats.h"
#include "zel_vector.h"

namespace zel {

void TIntVector::SMult(int Scalar) {
  for (int& v : FVec) v = WrapMul32(v, Scalar);
  Changed();
}

void TIntVector::Add(const TIntVector* OtherVec) {
  if (OtherVec == nullptr) return;
  if (OtherVec->FNElem != FNElem) Fail("vectors have different dimensions");
  for (std::size_t i = 0; i < FVec.size(); ++i) FVec[i] = WrapAdd32(FVec[i], OtherVec->FVec[i]);
  Changed();
}

void TIntVector::Subtract(const TIntVector* OtherVec) {
  if (OtherVec == nullptr) return;
  if (OtherVec->FNElem != FNElem) Fail("vectors have different dimensions");
  for (std::size_t i = 0; i < FVec.size(); ++i) FVec[i] = WrapSub32(FVec[i], OtherVec->FVec[i]);
  Changed();
}

int TIntVector::DotProduct(const TIntVector* OtherVec) const {
  if (OtherVec == nullptr) return 0;
  if (OtherVec->FNElem != FNElem) Fail("vectors have different dimensions");
  int s = 0;
  for (std::size_t i = 0; i < FVec.size(); ++i) s = WrapAdd32(s, WrapMul32(FVec[i], OtherVec->FVec[i]));
  return s;
}

int TIntVector::Correlate(const TIntVector* OtherVec, int ElemShift) const {
  if (OtherVec == nullptr) return 0;
  int s = 0;
  for (int i = 1; i <= FNElem; ++i) {
    const std::int64_t j = std::int64_t(ElemShift) + i;
    if (j >= 1 && j <= OtherVec->FNElem)
      s = WrapAdd32(s,
                    WrapMul32(FVec[static_cast<std::size_t>(i - 1)], OtherVec->FVec[static_cast<std::size_t>(j - 1)]));
  }
  return s;
}

int TIntVector::FindExact(int LowElem, int HighElem, int Value) const {
  MakeValidElemRange(LowElem, HighElem);
  for (int i = LowElem; i <= HighElem; ++i)
    if (FVec[static_cast<std::size_t>(i - 1)] == Value) return i;
  return 0;
}

void TIntVector::MinMax(int LowElem, int HighElem, int& Minimum, int& Maximum) const {
  int a, b;
  MinMax(LowElem, HighElem, Minimum, Maximum, a, b);
}

void TIntVector::MinMax(int LowElem, int HighElem, int& Minimum, int& Maximum, int& MinIx, int& MaxIx) const {
  // The maximum starts at −2147483647, so a vector of INT_MIN alone reports
  // no maximum (index 0).
  MinMaxFrom(LowElem, HighElem, INT32_MAX, -INT32_MAX, Minimum, Maximum, MinIx, MaxIx);
}

int TIntVector::Sum(int LowElem, int HighElem) const {
  int s = 0;
  for (const int v : RangeSpan(LowElem, HighElem)) s = WrapAdd32(s, v);
  return s;
}

bool TIntVector::Histogram(int FirstElem, int LastElem, int FirstBin, int LastBin, int BinWidth, TIntVector* Histo,
                           int& Underflow, int& Overflow, int& MaxCnt) const {
  if (BinWidth <= 0) BinWidth = 1;
  const std::int64_t span = static_cast<std::int64_t>(LastBin) - FirstBin;
  const std::int64_t bins = (span < 0 ? -span : span) / BinWidth + 1;
  if (bins <= 0 || bins > 500) throw EZELVectorError("Component \"" + Name() + ".Histogram\": invalid number of bins");
  if (Histo == nullptr) return false;
  const int nbins = static_cast<int>(bins);
  THistoResult r = RangeHistogram(std::span<const int>(FVec), FirstElem, LastElem, FirstBin, LastBin, BinWidth, nbins);
  return StoreHistogram(r, nbins, *Histo, Underflow, Overflow, MaxCnt);
}

}  // namespace zel
