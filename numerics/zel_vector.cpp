// The parts of the vector components that doubles and integers share.
#include "zel_vector.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <new>
#include <random>
#include <stdexcept>
#include <type_traits>
#include <typeinfo>

#include "zel_base.h"
#include "zel_numeric.h"
#include "zel_rangestats.h"

namespace zel {

template <class T>
TVectorOf<T>::TVectorOf(TComponent* AOwner) : TComponent(AOwner) {
  try {
    FVec.assign(1, T(0));
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
}

template <class T>
void TVectorOf<T>::Fail(const std::string& Text) const {
  throw EZELVectorError(ComponentMessage(Name(), Text));
}

template <class T>
void TVectorOf<T>::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TVectorOf<T>*>(Source);
  if (src == nullptr) {
    TComponent::Assign(Source);
    return;
  }
  if (src == this) return;
  FVec = src->FVec;
  FNElem = src->FNElem;
  FIsEmpty = src->FIsEmpty;
  OnChange = src->OnChange;
  OnSortExchange = src->OnSortExchange;
}

template <class T>
void TVectorOf<T>::AssignTo(TPersistent* Dest) const {
  auto* dst = dynamic_cast<TVectorOf<T>*>(Dest);
  if (dst != nullptr && typeid(*dst) == typeid(*this)) {
    dst->Assign(this);
    return;
  }
  TComponent::AssignTo(Dest);
}

template <class T>
void TVectorOf<T>::SetNrOfElem(int NE) {
  if (NE <= 0 || NE == FNElem) return;
  Resize(NE);
}

template <class T>
T TVectorOf<T>::GetVal(int Elem) const noexcept {
  if (Elem < 1 || Elem > FNElem) return T(0);
  return FVec[static_cast<std::size_t>(Elem - 1)];
}

template <class T>
void TVectorOf<T>::SetVal(int Elem, T Value) {
  if (Elem < 1 || Elem > FNElem) return;
  FVec[static_cast<std::size_t>(Elem - 1)] = Value;
  FIsEmpty = false;
  Changed();
}

template <class T>
bool TVectorOf<T>::Resize(int NE) {
  if (NE == FNElem) return true;
  if (NE <= 0) return false;
  try {
    FVec.resize(static_cast<std::size_t>(NE), T(0));
  } catch (const std::bad_alloc&) {
    Fail("not enough memory");
  } catch (const std::length_error&) {
    Fail("not enough memory");
  }
  FNElem = NE;
  Changed();
  return true;
}

template <class T>
void TVectorOf<T>::Changed() {
  if (OnChange) OnChange(this);
}

template <class T>
void TVectorOf<T>::MakeValidElemRange(int& LowElem, int& HighElem) const noexcept {
  MakeValidRange(LowElem, HighElem, FNElem);
}

template <class T>
std::span<const T> TVectorOf<T>::RangeSpan(int LowElem, int HighElem) const noexcept {
  MakeValidElemRange(LowElem, HighElem);
  return std::span<const T>(FVec).subspan(static_cast<std::size_t>(LowElem - 1),
                                          static_cast<std::size_t>(HighElem - LowElem + 1));
}

template <class T>
void TVectorOf<T>::MinMaxFrom(int LowElem, int HighElem, T StartMin, T StartMax, T& Minimum, T& Maximum, int& MinIx,
                              int& MaxIx) const {
  Minimum = StartMin;
  Maximum = StartMax;
  MakeValidElemRange(LowElem, HighElem);
  RangeMinMax(RangeSpan(LowElem, HighElem), Minimum, Maximum, MinIx, MaxIx);
  if (MinIx > 0) MinIx += LowElem - 1;
  if (MaxIx > 0) MaxIx += LowElem - 1;
}

template <class T>
void TVectorOf<T>::Clear() {
  std::fill(FVec.begin(), FVec.end(), T(0));
  FIsEmpty = true;
  Changed();
}

template <class T>
void TVectorOf<T>::Fill(T Value) {
  std::fill(FVec.begin(), FVec.end(), Value);
  FIsEmpty = false;
  Changed();
}

template <class T>
void TVectorOf<T>::AbsVal() {
  for (T& v : FVec) {
    if constexpr (std::is_integral_v<T>) {
      // The most negative integer has no positive twin; it stays as it is.
      if (v < 0 && v != std::numeric_limits<T>::min()) v = -v;
    } else {
      v = std::fabs(v);
    }
  }
  Changed();
}

template <class T>
void TVectorOf<T>::Mirror() {
  std::reverse(FVec.begin(), FVec.end());
  Changed();
}

template <class T>
void TVectorOf<T>::ShuffleElems() {
  // A private generator: an unpredictable seed per call, and the global
  // sequence (which tests pin) is left alone.
  std::random_device rd;
  std::mt19937 gen((static_cast<std::uint64_t>(rd()) << 32) ^ rd());
  std::uniform_int_distribution<int> pick(0, FNElem - 1);
  for (int k = 0; k < FNElem; ++k) {
    const int a = pick(gen), b = pick(gen);
    std::swap(FVec[static_cast<std::size_t>(a)], FVec[static_cast<std::size_t>(b)]);
  }
}

template <class T>
void TVectorOf<T>::SortElems(bool Ascending, int RangeFirst, int RangeLast) {
  // The sort's bounds follow the range rule (both 0: the whole vector).
  MakeValidElemRange(RangeFirst, RangeLast);
  if (RangeLast - RangeFirst < 1) return;
  TRangeExchange exchange;
  if (OnSortExchange) {
    // The sort works on the storage in place: a handler that resizes the
    // vector ends it with an error rather than letting it write into freed
    // storage. A copy of the handler survives one that reassigns itself.
    exchange = [this, handler = OnSortExchange, data = FVec.data(), size = FVec.size()](int i, int j) {
      handler(this, 0, i, j, 0, 0);
      if (FVec.data() != data || FVec.size() != size)
        throw EZELVectorError(ComponentMessage(Name(), "vector resized during sort"));
    };
  }
  RangeCombSort(std::span<T>(FVec), RangeFirst, RangeLast, Ascending, exchange);
  Changed();
}

template <class T>
int TVectorOf<T>::Find(int LowElem, int HighElem, T Value) const {
  MakeValidElemRange(LowElem, HighElem);
  const auto x = RangeSpan(LowElem, HighElem);
  int k;
  if constexpr (std::is_integral_v<T>)
    k = RangeFindClosest<T, std::int64_t>(x, Value, INT64_MAX);
  else
    k = RangeFindClosest<T, double>(x, Value, uc_MaxDouble);
  return k == 0 ? 0 : LowElem + k - 1;
}

template <class T>
int TVectorOf<T>::FindInSortedVector(bool Ascending, T Value) const noexcept {
  return RangeFindInSorted(std::span<const T>(FVec), Ascending, Value);
}

template <class T>
bool TVectorOf<T>::IsDichotomous(T& v1, T& v2) const noexcept {
  return RangeIsDichotomous(std::span<const T>(FVec), v1, v2);
}

template <class T>
double TVectorOf<T>::Leng() const noexcept {
  double s, q;
  RangeSums(std::span<const T>(FVec), s, q);
  return std::sqrt(q);
}

template <class T>
void TVectorOf<T>::MeanVar(int LowElem, int HighElem, double& Mean, double& Variance) const {
  RangeMeanVar(RangeSpan(LowElem, HighElem), Mean, Variance);
}

template <class T>
double TVectorOf<T>::GeometricMean(int LowElem, int HighElem) const {
  double r = 0;
  if (!RangeGeometricMean(RangeSpan(LowElem, HighElem), r)) Fail("negative argument passed to GeometricMean");
  return r;
}

template <class T>
double TVectorOf<T>::HarmonicMean(int LowElem, int HighElem) const {
  double r = 0;
  if (!RangeHarmonicMean(RangeSpan(LowElem, HighElem), r)) Fail("negative or zero argument passed to HarmonicMean");
  return r;
}

template <class T>
T TVectorOf<T>::Mode(int LowElem, int HighElem) const {
  try {
    return RangeMode(RangeSpan(LowElem, HighElem));
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
}

template <class T>
double TVectorOf<T>::Percentile(double prob, int LowElem, int HighElem) const {
  try {
    return RangePercentile(RangeSpan(LowElem, HighElem), prob);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
}

template <class T>
bool TVectorOf<T>::Quartiles(int LowElem, int HighElem, double& Q1, double& Q2, double& Q3) const {
  try {
    RangeQuartiles(RangeSpan(LowElem, HighElem), Q1, Q2, Q3);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
  return true;
}

template <class T>
void TVectorOf<T>::SkewKurt(int LowElem, int HighElem, double& Skewness, double& Kurtosis) const {
  RangeSkewKurt(RangeSpan(LowElem, HighElem), Skewness, Kurtosis);
}

template <class T>
void TVectorOf<T>::SkewKurtSample(int LowElem, int HighElem, double& Skewness, double& Kurtosis) const {
  RangeSkewKurtSample(RangeSpan(LowElem, HighElem), Skewness, Kurtosis);
}

template <class T>
double TVectorOf<T>::PearsonCorrCoeff(const TVectorOf* OtherVec) const noexcept {
  if (OtherVec == nullptr) return 0;
  return RangePearson(std::span<const T>(FVec), std::span<const T>(OtherVec->FVec));
}

template <class T>
double TVectorOf<T>::EuclideanDistance(const TVectorOf* OtherVec) const {
  if (OtherVec == nullptr) return 0;
  if (OtherVec->FNElem != FNElem) throw EZELVectorError("EuclideanDistance: dimensions of vectors do not match");
  double s = 0;
  for (std::size_t i = 0; i < FVec.size(); ++i) {
    // Differences of integers are formed in double: they may pass 2^31.
    const double d = static_cast<double>(FVec[i]) - static_cast<double>(OtherVec->FVec[i]);
    s += d * d;
  }
  return std::sqrt(s);
}

template <class T>
void TVectorOf<T>::Clone(const TVectorOf* VecSource) {
  if (VecSource == nullptr) return;
  Resize(VecSource->FNElem);
  // GetVal re-checks the source on every read: an OnChange handler may
  // resize either vector while the copy runs. A self-clone needs no
  // temporary, since each element is written back to its own position.
  for (int i = 1; i <= FNElem; ++i) SetVal(i, VecSource->GetVal(i));
  Changed();
}

template <class T>
void TVectorOf<T>::CopyFrom(const TVectorOf* VecSource, int SourceElemLo, int SourceElemHi, int DestElem) {
  if (VecSource == nullptr) return;
  const int n = VecSource->FNElem;
  SourceElemLo = std::clamp(SourceElemLo, 1, n);
  SourceElemHi = std::clamp(SourceElemHi, 1, n);
  if (SourceElemHi < SourceElemLo) std::swap(SourceElemLo, SourceElemHi);
  // A copy of the source range, so copying within this vector cannot smear.
  const std::vector<T> src(VecSource->FVec.begin() + (SourceElemLo - 1), VecSource->FVec.begin() + SourceElemHi);
  for (std::size_t k = 0; k < src.size(); ++k) {
    const std::int64_t dest = static_cast<std::int64_t>(DestElem) + static_cast<std::int64_t>(k);
    if (dest >= 1 && dest <= FNElem) SetVal(static_cast<int>(dest), src[k]);
  }
  Changed();
}

template <class T>
void TVectorOf<T>::CopyToArray(std::vector<T>& DestArray, int LowElem, int HighElem) const {
  const auto x = RangeSpan(LowElem, HighElem);
  DestArray.assign(x.begin(), x.end());
}

template <class T>
void TVectorOf<T>::CopyFromArray(const std::vector<T>& SrcArray, int Elem) {
  for (std::size_t k = 0; k < SrcArray.size(); ++k) {
    const std::int64_t dest = static_cast<std::int64_t>(Elem) + static_cast<std::int64_t>(k);
    if (dest > FNElem) break;
    if (dest >= 1) SetVal(static_cast<int>(dest), SrcArray[k]);
  }
}

template <class T>
std::string TVectorOf<T>::CRCofData() const {
  return RangeCRCFingerprint(FVec.data(), FVec.size(), sizeof(T));
}

template class TVectorOf<double>;
template class TVectorOf<int>;

}  // namespace zel
