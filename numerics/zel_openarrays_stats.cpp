// Extreme values, means, deviations, counts, dichotomies and percentiles.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "zel_base.h"
#include "zel_math1_sort.h"
#include "zel_numeric.h"
#include "zel_openarrays.h"

namespace zel {

using oa::Arr1;
using oa::Arr2;
using oa::Arr3;
using oa::Arr4;

namespace {

// Start values of the extreme searches: what an array without (non-NaN)
// elements reports.
template <class E>
constexpr E Highest() noexcept {
  if constexpr (std::is_same_v<E, double>) {
    return uc_MaxDouble;
  } else if constexpr (std::is_same_v<E, float>) {
    return uc_MaxSingle;
  } else {
    return INT_MAX;
  }
}

template <class E>
constexpr E Lowest() noexcept {
  if constexpr (std::is_same_v<E, int>) {
    return INT_MIN;
  } else {
    return -Highest<E>();
  }
}

template <class E>
bool IsNaN(E X) noexcept {
  if constexpr (std::is_floating_point_v<E>) {
    return std::isnan(X);
  } else {
    return false;
  }
}

template <int Dims>
constexpr std::array<int, Dims> NoPosition() noexcept {
  std::array<int, Dims> p{};
  p.fill(-1);
  return p;
}

// Running minimum and maximum with the position of their first occurrence.
// Floating-point searches start from the largest value of the type and take
// only strictly better elements, so NaN never enters and an array of -inf
// reports the start value as its maximum; positions stay -1 until an
// element is taken. Integer searches start from the first element.
template <class E, int Dims>
struct TExtremes {
  E Min = Highest<E>();
  E Max = Lowest<E>();
  std::array<int, Dims> MinPos = NoPosition<Dims>();
  std::array<int, Dims> MaxPos = NoPosition<Dims>();
  bool Found = false;

  void Add(E X, const std::array<int, Dims>& Pos) noexcept {
    if constexpr (std::is_floating_point_v<E>) {
      if (X < Min) {
        Min = X;
        MinPos = Pos;
        Found = true;
      }
      if (X > Max) {
        Max = X;
        MaxPos = Pos;
        Found = true;
      }
      return;
    }
    if (!Found) {
      Min = Max = X;
      MinPos = MaxPos = Pos;
      Found = true;
    } else if (X < Min) {
      Min = X;
      MinPos = Pos;
    } else if (X > Max) {
      Max = X;
      MaxPos = Pos;
    }
  }

  template <class Row>
  void AddRow(const Row& R) noexcept {
    for (E x : R) Add(x, {});
  }
};

template <class A>
TExtremes<oa::ElemOf<A>, 0> ExtremesOf(const A& Data) {
  TExtremes<oa::ElemOf<A>, 0> ex;
  oa::ShapeOf<A> shape;
  if (oa::GetShape(Data, shape) == 0) {
    auto scan = [&ex](const auto& Row) { ex.AddRow(Row); };
    oa::ForEachRow(scan, Data);
  }
  return ex;
}

// Sum in the exact type of the elements' sums: 64-bit integers for integer
// arrays, so means of integers are exact up to the final division.
template <class E>
using SumType = std::conditional_t<std::is_same_v<E, int>, std::int64_t, double>;

// Mean and, when Variance is given, the sample variance of the elements
// inside Bounds. Two passes: the deviations from the mean of the first pass
// cannot cancel as the sum-of-squares formula can (which may even go
// negative).
template <class A>
int MeanVarOf(const A& Data, const std::array<int, 2 * oa::RankOf<A>>& Bounds, double& Mean, double* Variance) {
  using E = oa::ElemOf<A>;
  Mean = 0;
  if (Variance) *Variance = 0;
  oa::ShapeOf<A> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  if (!oa::ValidBounds(shape.data(), oa::RankOf<A>, Bounds.data())) return -2;
  double count = 1;
  for (int d = 0; d < oa::RankOf<A>; ++d) count *= Bounds[2 * d + 1] - Bounds[2 * d] + 1;
  SumType<E> sum{0};
  auto add = [&sum](const auto& Row, int Lo, int Hi) {
    for (int i = Lo; i <= Hi; ++i) sum += Row[static_cast<std::size_t>(i)];
  };
  oa::ForEachSegment(add, Data, Bounds.data());
  const double mean = static_cast<double>(sum) / count;
  if (Variance && count > 1) {
    double squares = 0;
    auto addSquares = [&squares, mean](const auto& Row, int Lo, int Hi) {
      for (int i = Lo; i <= Hi; ++i) {
        const double d = static_cast<double>(Row[static_cast<std::size_t>(i)]) - mean;
        squares += d * d;
      }
    };
    oa::ForEachSegment(addSquares, Data, Bounds.data());
    *Variance = squares / (count - 1);
  }
  Mean = mean;
  return 0;
}

template <class A>
int MeanOf(const A& Data, const std::array<int, 2 * oa::RankOf<A>>& Bounds, double& Mean) {
  return MeanVarOf(Data, Bounds, Mean, nullptr);
}

template <class A>
int StdDevOf(const A& Data, const std::array<int, 2 * oa::RankOf<A>>& Bounds, double& StdDev) {
  double mean, variance;
  const int rc = MeanVarOf(Data, Bounds, mean, &variance);
  StdDev = std::sqrt(variance);
  return rc;
}

template <class A>
int CountOf(const A& Data, const std::array<int, 2 * oa::RankOf<A>>& Bounds, double Low, double High) {
  oa::ShapeOf<A> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  if (!oa::ValidBounds(shape.data(), oa::RankOf<A>, Bounds.data()) || Low > High) return -2;
  int count = 0;
  auto add = [&count, Low, High](const auto& Row, int Lo, int Hi) {
    for (int i = Lo; i <= Hi; ++i) {
      const double x = Row[static_cast<std::size_t>(i)];
      if (x >= Low && x <= High) ++count;
    }
  };
  oa::ForEachSegment(add, Data, Bounds.data());
  return count;
}

template <class E>
void SetFailedExtremes(E& Min, E& Max, int* MinPos, int* MaxPos, int Dims) {
  Min = Highest<E>();
  Max = Lowest<E>();
  for (int d = 0; d < Dims; ++d) MinPos[d] = MaxPos[d] = -1;
}

}  // namespace

// ---- extremes ----------------------------------------------------------------------

template <class A>
  requires oa::NumArray<A>
oa::ElemOf<A> MaxArray(const A& Data) {
  return ExtremesOf(Data).Max;
}

template <class A>
  requires oa::NumArray<A>
oa::ElemOf<A> MinArray(const A& Data) {
  return ExtremesOf(Data).Min;
}

namespace {

// Extremes of an integer 1-D or 2-D array with positions; -1 positions when
// the array is empty or ragged.
TExtremes<int, 2> IntExtremes(const TInt2DArray& Data) {
  TExtremes<int, 2> ex;
  oa::ShapeOf<TInt2DArray> shape;
  if (oa::GetShape(Data, shape) == 0) {
    for (std::size_t i = 0; i < shape[0]; ++i)
      for (std::size_t j = 0; j < shape[1]; ++j) ex.Add(Data[i][j], {static_cast<int>(i), static_cast<int>(j)});
  }
  if (!ex.Found) ex.MinPos = ex.MaxPos = {-1, -1};
  return ex;
}

TExtremes<int, 1> IntExtremes(const TIntArray& Data) {
  TExtremes<int, 1> ex;
  for (std::size_t i = 0; i < Data.size(); ++i) ex.Add(Data[i], {static_cast<int>(i)});
  if (!ex.Found) ex.MinPos = ex.MaxPos = {-1};
  return ex;
}

}  // namespace

int MaxArray(const TIntArray& Data, int& Ix) {
  const auto ex = IntExtremes(Data);
  Ix = ex.MaxPos[0];
  return ex.Max;
}

int MaxArray(const TInt2DArray& Data, int& Ix1, int& Ix2) {
  const auto ex = IntExtremes(Data);
  Ix1 = ex.MaxPos[0];
  Ix2 = ex.MaxPos[1];
  return ex.Max;
}

int MinArray(const TIntArray& Data, int& Ix) {
  const auto ex = IntExtremes(Data);
  Ix = ex.MinPos[0];
  return ex.Min;
}

int MinArray(const TInt2DArray& Data, int& Ix1, int& Ix2) {
  const auto ex = IntExtremes(Data);
  Ix1 = ex.MinPos[0];
  Ix2 = ex.MinPos[1];
  return ex.Min;
}

template <class A>
  requires(oa::NumArray<A> || oa::ArrayUpTo<A, float, 4>)
void MinMaxArray(const A& Data, oa::ElemOf<A>& Min, oa::ElemOf<A>& Max) {
  const auto ex = ExtremesOf(Data);
  Min = ex.Min;
  Max = ex.Max;
}

namespace {

template <class E>
void MinMaxOfPointer(const E* Data, int Count, E& Min, E& Max) {
  TExtremes<E, 0> ex;
  if (Data != nullptr)
    for (int i = 0; i < Count; ++i) ex.Add(Data[i], {});
  Min = ex.Min;
  Max = ex.Max;
}

}  // namespace

void MinMaxArray(const double* Data, int Count, double& Min, double& Max) { MinMaxOfPointer(Data, Count, Min, Max); }
void MinMaxArray(const int* Data, int Count, int& Min, int& Max) { MinMaxOfPointer(Data, Count, Min, Max); }
void MinMaxArray(const float* Data, int Count, float& Min, float& Max) { MinMaxOfPointer(Data, Count, Min, Max); }

template <oa::MinMaxElem E>
int MinMaxArray(const Arr1<E>& Data, int Lo, int Hi, E& Min, int& MinIx, E& Max, int& MaxIx) {
  SetFailedExtremes(Min, Max, &MinIx, &MaxIx, 1);
  if (Data.empty()) return -1;
  const std::size_t size = Data.size();
  if (!oa::ValidBounds(&size, 1, std::array<int, 2>{Lo, Hi}.data())) return -2;
  TExtremes<E, 1> ex;
  for (int i = Lo; i <= Hi; ++i) ex.Add(Data[static_cast<std::size_t>(i)], {i});
  if (ex.Found) {
    Min = ex.Min;
    Max = ex.Max;
    MinIx = ex.MinPos[0];
    MaxIx = ex.MaxPos[0];
  }
  return 0;
}

template <oa::NumElem E>
int MinMaxArray(const Arr2<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, E& Min, int& MinIx1, int& MinIx2, E& Max,
                int& MaxIx1, int& MaxIx2) {
  int minPos[2], maxPos[2];
  SetFailedExtremes(Min, Max, minPos, maxPos, 2);
  MinIx1 = MinIx2 = MaxIx1 = MaxIx2 = -1;
  oa::ShapeOf<Arr2<E>> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  if (!oa::ValidBounds(shape.data(), 2, std::array<int, 4>{Lo1, Hi1, Lo2, Hi2}.data())) return -2;
  TExtremes<E, 2> ex;
  for (int i = Lo1; i <= Hi1; ++i)
    for (int j = Lo2; j <= Hi2; ++j) ex.Add(Data[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)], {i, j});
  if (ex.Found) {
    Min = ex.Min;
    Max = ex.Max;
    MinIx1 = ex.MinPos[0];
    MinIx2 = ex.MinPos[1];
    MaxIx1 = ex.MaxPos[0];
    MaxIx2 = ex.MaxPos[1];
  }
  return 0;
}

// ---- means, deviations and counts ----------------------------------------------

template <oa::NumElem E>
int MeanArray(const Arr1<E>& Data, int Lo1, int Hi1, double& Mean) {
  return MeanOf(Data, {Lo1, Hi1}, Mean);
}
template <oa::NumElem E>
int MeanArray(const Arr2<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, double& Mean) {
  return MeanOf(Data, {Lo1, Hi1, Lo2, Hi2}, Mean);
}
template <oa::NumElem E>
int MeanArray(const Arr3<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, double& Mean) {
  return MeanOf(Data, {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3}, Mean);
}
template <oa::NumElem E>
int MeanArray(const Arr4<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, int Lo4, int Hi4,
              double& Mean) {
  return MeanOf(Data, {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3, Lo4, Hi4}, Mean);
}

template <oa::NumElem E>
int StdDevArray(const Arr1<E>& Data, int Lo1, int Hi1, double& StdDev) {
  return StdDevOf(Data, {Lo1, Hi1}, StdDev);
}
template <oa::NumElem E>
int StdDevArray(const Arr2<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, double& StdDev) {
  return StdDevOf(Data, {Lo1, Hi1, Lo2, Hi2}, StdDev);
}
template <oa::NumElem E>
int StdDevArray(const Arr3<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, double& StdDev) {
  return StdDevOf(Data, {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3}, StdDev);
}
template <oa::NumElem E>
int StdDevArray(const Arr4<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, int Lo4, int Hi4,
                double& StdDev) {
  return StdDevOf(Data, {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3, Lo4, Hi4}, StdDev);
}

template <oa::NumElem E>
int MeanVarArray(const Arr1<E>& Data, int Lo1, int Hi1, double& Mean, double& Variance) {
  return MeanVarOf(Data, {Lo1, Hi1}, Mean, &Variance);
}
template <oa::NumElem E>
int MeanVarArray(const Arr2<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, double& Mean, double& Variance) {
  return MeanVarOf(Data, {Lo1, Hi1, Lo2, Hi2}, Mean, &Variance);
}

template <oa::NumElem E>
int CountValues(const Arr1<E>& Data, int Lo1, int Hi1, double Low, double High) {
  return CountOf(Data, {Lo1, Hi1}, Low, High);
}
template <oa::NumElem E>
int CountValues(const Arr2<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, double Low, double High) {
  return CountOf(Data, {Lo1, Hi1, Lo2, Hi2}, Low, High);
}
template <oa::NumElem E>
int CountValues(const Arr3<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, double Low,
                double High) {
  return CountOf(Data, {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3}, Low, High);
}
template <oa::NumElem E>
int CountValues(const Arr4<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, int Lo4, int Hi4,
                double Low, double High) {
  return CountOf(Data, {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3, Lo4, Hi4}, Low, High);
}

template <class A>
  requires oa::ArrayUpTo<A, bool, 2>
int CountTrueCellsOfArray(const A& Data) {
  oa::ShapeOf<A> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc == -1) return 0;
  if (rc != 0) return rc;
  int count = 0;
  auto add = [&count](const TBoolArray& Row) { count += static_cast<int>(std::count(Row.begin(), Row.end(), true)); };
  oa::ForEachRow(add, Data);
  return count;
}

// ---- dichotomies -------------------------------------------------------------------

template <oa::NumElem E>
bool IsDichotomous(const Arr1<E>& Data, E& Value1, E& Value2) {
  Value1 = Value2 = 0;
  if (Data.size() < 2) return false;
  const E first = Data[0];
  Value1 = Value2 = first;
  bool haveSecond = false;
  E second{};
  for (const E x : Data) {
    // NaN matches no value, not even another NaN.
    if (IsNaN(x)) return false;
    if (x == first || (haveSecond && x == second)) continue;
    if (haveSecond) return false;
    second = x;
    haveSecond = true;
  }
  if (!haveSecond) return false;
  Value1 = std::min(first, second);
  Value2 = std::max(first, second);
  return true;
}

namespace {

template <class E, class F>
int Dichotomize(const Arr2<E>& Data, TBool2DArray& Dest, F Test) {
  oa::ShapeOf<Arr2<E>> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  TBool2DArray result(shape[0], TBoolArray(shape[1]));
  for (std::size_t i = 0; i < shape[0]; ++i)
    for (std::size_t j = 0; j < shape[1]; ++j) result[i][j] = Test(static_cast<double>(Data[i][j]));
  Dest = std::move(result);
  return 0;
}

}  // namespace

template <oa::NumElem E>
int DichotomizeArray(const Arr2<E>& Data, double Threshold, TBool2DArray& Dest) {
  return Dichotomize(Data, Dest, [Threshold](double x) { return x > Threshold; });
}

template <oa::NumElem E>
int DichotomizeArray(const Arr2<E>& Data, double Low, double High, TBool2DArray& Dest) {
  if (Low > High) return Data.empty() ? -1 : -2;
  return Dichotomize(Data, Dest, [Low, High](double x) { return x >= Low && x <= High; });
}

// ---- percentiles -------------------------------------------------------------------

double PercentileArray(double P, const TDoubleArray& Data) {
  if (Data.empty()) return 0;
  const double p = std::isnan(P) ? 0.0 : std::clamp(P, 0.0, 100.0);
  const int last = static_cast<int>(Data.size()) - 1;
  const int k = std::min(RoundToInt(static_cast<double>(Data.size()) * p / 100.0), last);
  // Selection reorders its range; the caller's array is not ours to reorder.
  TDoubleArray work = Data;
  return QuickSelect(work, k, 0, last);
}

double PercentileArray(double P, const TDouble2DArray& Data, int LoRow, int HiRow, int LoCol, int HiCol) {
  oa::ShapeOf<TDouble2DArray> shape;
  if (oa::GetShape(Data, shape) != 0) return 0;
  auto clampIndex = [](int I, std::size_t Size) { return std::clamp(I, 0, static_cast<int>(Size) - 1); };
  LoRow = clampIndex(LoRow, shape[0]);
  HiRow = clampIndex(HiRow, shape[0]);
  LoCol = clampIndex(LoCol, shape[1]);
  HiCol = clampIndex(HiCol, shape[1]);
  if (HiRow < LoRow) std::swap(LoRow, HiRow);
  if (HiCol < LoCol) std::swap(LoCol, HiCol);
  TDoubleArray block;
  block.reserve(static_cast<std::size_t>(HiRow - LoRow + 1) * static_cast<std::size_t>(HiCol - LoCol + 1));
  for (int i = LoRow; i <= HiRow; ++i) {
    const auto& row = Data[static_cast<std::size_t>(i)];
    block.insert(block.end(), row.begin() + LoCol, row.begin() + HiCol + 1);
  }
  return PercentileArray(P, block);
}

// ---- instantiations ----------------------------------------------------------------

#define ZEL_EXTREMES(A)                                                       \
  template oa::ElemOf<A> MaxArray<A>(const A&);                               \
  template oa::ElemOf<A> MinArray<A>(const A&);                               \
  template void MinMaxArray<A>(const A&, oa::ElemOf<A>&, oa::ElemOf<A>&);
ZEL_EXTREMES(TDoubleArray)
ZEL_EXTREMES(TDouble2DArray)
ZEL_EXTREMES(TDouble3DArray)
ZEL_EXTREMES(TDouble4DArray)
ZEL_EXTREMES(TIntArray)
ZEL_EXTREMES(TInt2DArray)
ZEL_EXTREMES(TInt3DArray)
ZEL_EXTREMES(TInt4DArray)
template void MinMaxArray<TSingleArray>(const TSingleArray&, float&, float&);
template void MinMaxArray<Arr2<float>>(const Arr2<float>&, float&, float&);
template void MinMaxArray<Arr3<float>>(const Arr3<float>&, float&, float&);
template void MinMaxArray<Arr4<float>>(const Arr4<float>&, float&, float&);
template int MinMaxArray<float>(const Arr1<float>&, int, int, float&, int&, float&, int&);

#define ZEL_STATS(E)                                                                                      \
  template int MinMaxArray<E>(const Arr1<E>&, int, int, E&, int&, E&, int&);                              \
  template int MinMaxArray<E>(const Arr2<E>&, int, int, int, int, E&, int&, int&, E&, int&, int&);        \
  template int MeanArray<E>(const Arr1<E>&, int, int, double&);                                           \
  template int MeanArray<E>(const Arr2<E>&, int, int, int, int, double&);                                 \
  template int MeanArray<E>(const Arr3<E>&, int, int, int, int, int, int, double&);                       \
  template int MeanArray<E>(const Arr4<E>&, int, int, int, int, int, int, int, int, double&);             \
  template int StdDevArray<E>(const Arr1<E>&, int, int, double&);                                         \
  template int StdDevArray<E>(const Arr2<E>&, int, int, int, int, double&);                               \
  template int StdDevArray<E>(const Arr3<E>&, int, int, int, int, int, int, double&);                     \
  template int StdDevArray<E>(const Arr4<E>&, int, int, int, int, int, int, int, int, double&);           \
  template int MeanVarArray<E>(const Arr1<E>&, int, int, double&, double&);                               \
  template int MeanVarArray<E>(const Arr2<E>&, int, int, int, int, double&, double&);                     \
  template int CountValues<E>(const Arr1<E>&, int, int, double, double);                                  \
  template int CountValues<E>(const Arr2<E>&, int, int, int, int, double, double);                        \
  template int CountValues<E>(const Arr3<E>&, int, int, int, int, int, int, double, double);              \
  template int CountValues<E>(const Arr4<E>&, int, int, int, int, int, int, int, int, double, double);    \
  template bool IsDichotomous<E>(const Arr1<E>&, E&, E&);                                                 \
  template int DichotomizeArray<E>(const Arr2<E>&, double, TBool2DArray&);                                \
  template int DichotomizeArray<E>(const Arr2<E>&, double, double, TBool2DArray&);
ZEL_STATS(double)
ZEL_STATS(int)

template int CountTrueCellsOfArray<TBoolArray>(const TBoolArray&);
template int CountTrueCellsOfArray<TBool2DArray>(const TBool2DArray&);

}  // namespace zel
