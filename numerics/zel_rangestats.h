// Statistics over a contiguous run of elements, shared by the data components
// (vectors now, matrices and N-dimensional arrays later). Every routine works
// on a std::span that the component has already clipped with its range rule,
// so the span is never empty here unless a routine says what it does then.
//
// The conventions are the components' own, not the textbook ones: the
// variance of one or two values is 1, quartiles clip their position to n - 1,
// and the skewness/kurtosis use the n - 1 deviation. Integer and real
// elements share the templates; sums of integers are formed in double.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "zel_math1_sort.h"
#include "zel_types.h"

namespace zel {

/// Sum of X and of X squared, in double, in element order.
template <class T>
void RangeSums(std::span<const T> X, double& Sum, double& SumSq) noexcept {
  double s = 0, q = 0;
  for (const T v : X) {
    const double d = static_cast<double>(v);
    s += d;
    q += d * d;
  }
  Sum = s;
  SumSq = q;
}

/// Mean and variance: Variance = (Σx² − (Σx)²/n)/(n − 1) for n ≥ 3, 1 for
/// n of 1 or 2, and 0 when rounding makes the formula negative.
template <class T>
void RangeMeanVar(std::span<const T> X, double& Mean, double& Variance) noexcept {
  double s, q;
  RangeSums(X, s, q);
  const double n = static_cast<double>(X.size());
  Mean = X.empty() ? 0 : s / n;
  if (X.size() < 3) {
    Variance = 1;
    return;
  }
  Variance = (q - s * s / n) / (n - 1);
  if (Variance < 0) Variance = 0;
}

/// Smallest and largest value from the given start values: an element
/// replaces the minimum when it is not >= it and the maximum when it is
/// greater, so the first occurrence wins. Positions are 1-based within X,
/// 0 when the start value was never replaced.
template <class T>
void RangeMinMax(std::span<const T> X, T& Minimum, T& Maximum, int& MinIx, int& MaxIx) noexcept {
  MinIx = 0;
  MaxIx = 0;
  for (std::size_t i = 0; i < X.size(); ++i) {
    if (!(X[i] >= Minimum)) {
      Minimum = X[i];
      MinIx = static_cast<int>(i) + 1;
    }
    if (X[i] > Maximum) {
      Maximum = X[i];
      MaxIx = static_cast<int>(i) + 1;
    }
  }
}

/// 1-based position within X of the element closest to Value (first wins on
/// ties); 0 when no difference is below Start.
template <class T, class D>
int RangeFindClosest(std::span<const T> X, D Value, D Start) noexcept {
  int best = 0;
  D bestDiff = Start;
  for (std::size_t i = 0; i < X.size(); ++i) {
    const D a = static_cast<D>(X[i]), b = Value;
    const D diff = a > b ? a - b : b - a;
    if (diff < bestDiff) {
      bestDiff = diff;
      best = static_cast<int>(i) + 1;
    }
  }
  return best;
}

/// Binary search in sorted X (ascending or descending); 1-based position of
/// an exact match or of the closer of the two final neighbours (ties go to
/// the upper one).
template <class T>
int RangeFindInSorted(std::span<const T> X, bool Ascending, T Value) noexcept {
  std::size_t lo = 1, hi = X.size();
  while (hi - lo > 1 && hi > lo) {
    const std::size_t mid = (lo + hi) / 2;
    const T m = X[mid - 1];
    if (m == Value) return static_cast<int>(mid);
    if (Ascending ? (Value >= m) : (Value < m))
      lo = mid;
    else
      hi = mid;
  }
  const double dl = std::fabs(static_cast<double>(X[lo - 1]) - static_cast<double>(Value));
  const double dh = std::fabs(static_cast<double>(X[hi - 1]) - static_cast<double>(Value));
  return static_cast<int>(dl < dh ? lo : hi);
}

/// True when X holds at most two distinct values; V1 is the first element,
/// V2 the first one differing from it (V1 when none does). Fewer than two
/// elements: false with V1 = V2 = 0.
template <class T>
bool RangeIsDichotomous(std::span<const T> X, T& V1, T& V2) noexcept {
  V1 = 0;
  V2 = 0;
  if (X.size() < 2) return false;
  V1 = X[0];
  V2 = V1;
  bool haveV2 = false;
  for (const T v : X) {
    if (v == V1) continue;
    if (!haveV2) {
      V2 = v;
      haveV2 = true;
    } else if (!(v == V2)) {
      return false;
    }
  }
  return true;
}

/// Σx·y over two spans of equal length, in double.
template <class T>
void RangePearsonSums(std::span<const T> X, std::span<const T> Y, double& Sx, double& Sy, double& Sxx, double& Syy,
                      double& Sxy) noexcept {
  Sx = Sy = Sxx = Syy = Sxy = 0;
  for (std::size_t i = 0; i < X.size(); ++i) {
    const double x = static_cast<double>(X[i]), y = static_cast<double>(Y[i]);
    Sx += x;
    Sy += y;
    Sxx += x * x;
    Syy += y * y;
    Sxy += x * y;
  }
}

/// Pearson correlation with the components' conventions: 0 for fewer than
/// two pairs, for non-positive sums of squares and for a zero deviation.
template <class T>
double RangePearson(std::span<const T> X, std::span<const T> Y) noexcept {
  double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
  if (X.size() == Y.size() && X.size() > 1) RangePearsonSums(X, Y, sx, sy, sxx, syy, sxy);
  if (sxx <= 0 || syy <= 0) return 0;
  const double n = static_cast<double>(X.size());
  const double qx = sxx - sx * sx / n, qy = syy - sy * sy / n;
  if (qx == 0 || qy == 0) return 0;
  return (sxy - sx * sy / n) / std::sqrt(std::fabs(qx * qy));
}

/// Copy of X sorted ascending. Real copies are sorted with std::sort when
/// they hold no NaN and no negative zero: equal doubles are then
/// bit-identical, so the result equals the comb sort's; otherwise the
/// library's comb sort decides the order. Raises std::bad_alloc.
std::vector<double> SortedCopy(std::span<const double> X);
std::vector<double> SortedCopy(std::span<const int> X);

/// Percentile (Prob in percent, clipped to 0..100) by linear interpolation
/// between the order statistics at trunc/frac of Prob·(n − 1)/100. Only the
/// two order statistics are selected (O(n)). X must not be empty.
double RangePercentile(std::span<const double> X, double Prob);
double RangePercentile(std::span<const int> X, double Prob);

/// Quartiles at the positions (n + 1)·q, clipped to 1..n − 1 with fraction
/// 0 at the ends (so Q3 of [1, 2, 3] is 2). X must not be empty.
void RangeQuartiles(std::span<const double> X, double& Q1, double& Q2, double& Q3);
void RangeQuartiles(std::span<const int> X, double& Q1, double& Q2, double& Q3);

/// Value of the longest run of equal values of the sorted copy (strictly
/// longer runs win, so the smallest value wins ties). The copy is sorted with
/// SortArray, which advances the global progress counter.
double RangeMode(std::span<const double> X);
int RangeMode(std::span<const int> X);

/// Skewness and excess kurtosis from central sums and the n − 1 deviation;
/// both 0 for n < MinCount (the vector needs 4 values, the matrix 2) or a
/// zero deviation (then the result is false).
template <class T>
bool RangeSkewKurt(std::span<const T> X, double& Skewness, double& Kurtosis, std::size_t MinCount = 4) noexcept {
  Skewness = 0;
  Kurtosis = 0;
  const std::size_t n = X.size();
  if (n < MinCount || n < 2) return false;
  double s, q;
  RangeSums(X, s, q);
  const double dn = static_cast<double>(n);
  const double m = s / dn;
  double c1 = 0, c2 = 0, c3 = 0, c4 = 0;
  for (const T v : X) {
    const double c = static_cast<double>(v) - m;
    const double c2v = c * c;
    c1 += c;
    c2 += c2v;
    c3 += c2v * c;
    c4 += c2v * c2v;
  }
  const double sd = std::sqrt((c2 - c1 * c1 / dn) / (dn - 1));
  if (sd == 0 || std::isnan(sd)) return false;
  Skewness = c3 / dn / (sd * sd * sd);
  Kurtosis = c4 / dn / (sd * sd * sd * sd) - 3;
  return true;
}

/// The same corrected for sample size (the bias-free estimators). Data
/// without deviation keeps 0 and 0: correcting the placeholder K = 0 would
/// report a kurtosis (10.75 for five equal values) that the data do not have.
template <class T>
void RangeSkewKurtSample(std::span<const T> X, double& Skewness, double& Kurtosis) noexcept {
  if (!RangeSkewKurt(X, Skewness, Kurtosis)) return;
  const double n = static_cast<double>(X.size());
  Kurtosis =
      (Kurtosis + 3) * n * n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) - 3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3));
  Skewness = Skewness * n * n / ((n - 1) * (n - 2));
}

/// Geometric mean; false (Result untouched) when an element is negative.
/// Any zero element makes the result 0.
template <class T>
bool RangeGeometricMean(std::span<const T> X, double& Result) noexcept {
  double sumLn = 0;
  bool zero = false;
  for (const T v : X) {
    if (v < 0) return false;
    if (v == 0)
      zero = true;
    else
      sumLn += std::log(static_cast<double>(v));
  }
  Result = zero ? 0.0 : std::exp(sumLn / static_cast<double>(X.size()));
  return true;
}

/// Harmonic mean n / Σ(1/x); false (Result untouched) when an element is 0
/// or less.
template <class T>
bool RangeHarmonicMean(std::span<const T> X, double& Result) noexcept {
  double s = 0;
  for (const T v : X) {
    if (v <= 0) return false;
    s += 1.0 / static_cast<double>(v);
  }
  Result = static_cast<double>(X.size()) / s;
  return true;
}

/// Histogram counts of the components. Positions First..Last are 1-based
/// into X; positions outside X read as 0 and are counted in one step, so the
/// work is bounded by the size of X, not by the position range. Bins are
/// 1-based; Counts gets NBins entries. A value below FirstBin is underflow;
/// one below LastBin + BinWidth whose bin lies beyond NBins is overflow
/// (the bin formula can reach one past the count), as is anything else.
/// Counts saturate at INT32_MAX.
struct THistoResult {
  std::vector<int> Counts;
  int Underflow = 0;
  int Overflow = 0;
  int MaxCnt = 0;
};
/// Real bins of width BinWidth: bin floor((x − FirstBin)/BinWidth) + 1.
/// NBins must be 1..500 and BinWidth > 0 (checked by the caller).
THistoResult RangeHistogram(std::span<const double> X, std::int64_t First, std::int64_t Last, double FirstBin,
                            double LastBin, double BinWidth, int NBins);
/// Integer bins: bin (x − FirstBin) div BinWidth + 1, BinWidth ≥ 1.
THistoResult RangeHistogram(std::span<const int> X, std::int64_t First, std::int64_t Last, int FirstBin, int LastBin,
                            int BinWidth, int NBins);

/// Called for every exchange of the comb sort with the two 1-based positions.
using TRangeExchange = std::function<void(int Pos1, int Pos2)>;

/// Comb sort of the 1-based positions First..Last of Data (First < Last
/// within Data): the gap starts at Last − First and shrinks with
/// CombSortNextGap before each pass; a pass exchanges each out-of-order pair
/// (i, i + gap) in increasing i; equal values and NaNs are never exchanged.
/// Ends after a gap-1 pass without exchange. Without an exchange handler the
/// outcome is fixed by the values alone (where no NaN or negative zero is
/// present), so std::sort produces it faster.
void RangeCombSort(std::span<double> Data, int First, int Last, bool Ascending, const TRangeExchange& OnExchange);
void RangeCombSort(std::span<int> Data, int First, int Last, bool Ascending, const TRangeExchange& OnExchange);

/// Multi-lane CRC fingerprint: ElemSize CRC-32 accumulators start at all
/// ones; byte j of every element (in memory order, little-endian) is folded
/// into accumulator j. Each complemented accumulator gives 8 hex digits, in
/// accumulator order (ElemSize·8 characters).
std::string RangeCRCFingerprint(const void* Data, std::size_t Count, std::size_t ElemSize);

}  // namespace zel
