// TVector: arithmetic, extremes, histogram and integration of doubles.
#include <cmath>

#include "zel_base.h"
#include "zel_math1_scalar.h"
#include "zel_numeric.h"
#include "zel_random.h"
#include "zel_rangestats.h"
#include "zel_vector.h"

namespace zel {

void TVector::SetLeng(double Value) {
  const double len = Leng();
  if (!(len > 0)) return;
  const double f = Value / len;
  for (double& v : FVec) v *= f;
  Changed();
}

void TVector::FillRandomUniform(double RangeLow, double RangeHigh) {
  for (double& v : FVec) v = RangeLow + Random() * (RangeHigh - RangeLow);
  FIsEmpty = false;
  Changed();
}

void TVector::FillRandomGauss(double Mean, double StdDev) {
  for (double& v : FVec) v = GRandom() * StdDev + Mean;
  FIsEmpty = false;
  Changed();
}

void TVector::SMult(double Scalar) {
  for (double& v : FVec) v *= Scalar;
  Changed();
}

void TVector::Add(const TVector* OtherVec) {
  if (OtherVec == nullptr) return;
  if (OtherVec->FNElem != FNElem) Fail("vectors have different dimensions");
  for (std::size_t i = 0; i < FVec.size(); ++i) FVec[i] += OtherVec->FVec[i];
  Changed();
}

void TVector::Subtract(const TVector* OtherVec) {
  if (OtherVec == nullptr) return;
  if (OtherVec->FNElem != FNElem) Fail("vectors have different dimensions");
  for (std::size_t i = 0; i < FVec.size(); ++i) FVec[i] -= OtherVec->FVec[i];
  Changed();
}

double TVector::DotProduct(const TVector* OtherVec) const {
  if (OtherVec == nullptr) return 0;
  if (OtherVec->FNElem != FNElem) Fail("vectors have different dimensions");
  double s = 0;
  for (std::size_t i = 0; i < FVec.size(); ++i) s += FVec[i] * OtherVec->FVec[i];
  return s;
}

double TVector::Correlate(const TVector* OtherVec, int ElemShift) const {
  if (OtherVec == nullptr) return 0;
  const std::int64_t lo = std::max<std::int64_t>(1, std::int64_t(ElemShift) + 1);
  const std::int64_t hi = std::min<std::int64_t>(FNElem, std::int64_t(ElemShift) + OtherVec->FNElem);
  if (lo >= hi) return 0;
  double s = 0;
  for (std::int64_t i = lo; i <= hi; ++i)
    s += FVec[static_cast<std::size_t>(i - 1)] * OtherVec->FVec[static_cast<std::size_t>(i - ElemShift - 1)];
  return s;
}

void TVector::MinMax(int LowElem, int HighElem, double& Minimum, double& Maximum) const {
  int a, b;
  MinMax(LowElem, HighElem, Minimum, Maximum, a, b);
}

void TVector::MinMax(int LowElem, int HighElem, double& Minimum, double& Maximum, int& MinIx, int& MaxIx) const {
  // The start values are the historical ±1.7E308, not ±DBL_MAX.
  MinMaxFrom(LowElem, HighElem, 1.7e308, -1.7e308, Minimum, Maximum, MinIx, MaxIx);
}

double TVector::Sum(int LowElem, int HighElem) const {
  double s = 0;
  for (const double v : RangeSpan(LowElem, HighElem)) s += v;
  return s;
}

double TVector::MeanCenter() {
  double mean, var;
  MeanVar(1, FNElem, mean, var);
  for (double& v : FVec) v -= mean;
  return mean;
}

void TVector::Standardize(double& mean, double& stddev) {
  double var;
  MeanVar(1, FNElem, mean, var);
  stddev = std::sqrt(var);
  if (!(stddev > 0)) return;
  for (double& v : FVec) v = (v - mean) / stddev;
}

void TVector::QNormalize(double RefQuant, double& Median, double& QuantDiff) {
  const double p = Percentile(RefQuant, 1, FNElem);
  Median = Percentile(50, 1, FNElem);
  QuantDiff = std::fabs(Median - p);
  if (!(QuantDiff > 0)) return;
  for (double& v : FVec) v = (v - Median) / QuantDiff;
}

bool StoreHistogram(const THistoResult& R, int NBins, TIntVector& Histo, int& Underflow, int& Overflow, int& MaxCnt) {
  if (Histo.NrOfElem() != NBins) Histo.Resize(NBins);
  Histo.Clear();
  for (int b = 1; b <= NBins; ++b)
    if (R.Counts[static_cast<std::size_t>(b - 1)] != 0) Histo.SetVal(b, R.Counts[static_cast<std::size_t>(b - 1)]);
  Underflow = R.Underflow;
  Overflow = R.Overflow;
  MaxCnt = R.MaxCnt;
  return true;
}

bool HistogramIntoVector(std::span<const double> X, std::int64_t First, std::int64_t Last, double FirstBin,
                         double LastBin, double BinWidth, TIntVector* Histo, int& Underflow, int& Overflow,
                         int& MaxCnt) {
  if (Histo == nullptr || !(BinWidth > 0)) return false;
  const double bins = RoundHalfEven(std::fabs(LastBin - FirstBin) / BinWidth) + 1;
  if (!(bins <= 500)) return false;  // also NaN bounds
  const int nbins = static_cast<int>(bins);
  THistoResult r = RangeHistogram(X, First, Last, FirstBin, LastBin, BinWidth, nbins);
  return StoreHistogram(r, nbins, *Histo, Underflow, Overflow, MaxCnt);
}

bool TVector::Histogram(int FirstElem, int LastElem, double FirstBin, double LastBin, double BinWidth,
                        TIntVector* Histo, int& Underflow, int& Overflow, int& MaxCnt) const {
  return HistogramIntoVector(std::span<const double>(FVec), FirstElem, LastElem, FirstBin, LastBin, BinWidth, Histo,
                             Underflow, Overflow, MaxCnt);
}

double TVector::Integrate(double BoundLow, double BoundHigh, TIntegMethod Method) const {
  const double n = FNElem;
  if (!(BoundLow >= 1)) BoundLow = 1;  // NaN bounds go to the ends
  if (!(BoundLow <= n)) BoundLow = n;
  if (!(BoundHigh >= 1)) BoundHigh = 1;
  if (!(BoundHigh <= n)) BoundHigh = n;
  if (BoundHigh < BoundLow) std::swap(BoundLow, BoundHigh);
  const double w = BoundHigh - BoundLow;
  const int lo = static_cast<int>(std::ceil(BoundLow));
  const int hi = static_cast<int>(std::trunc(BoundHigh));
  auto e = [this](int k) { return FVec[static_cast<std::size_t>(k - 1)]; };
  // Linear interpolation; at an integral position the element itself, so
  // nothing beyond the ends is read.
  auto y = [&](double p) {
    const int k = static_cast<int>(std::floor(p));
    const double f = p - k;
    return f == 0 ? e(k) : e(k) + (e(k + 1) - e(k)) * f;
  };
  const double tlow = lo > BoundLow ? (lo - BoundLow) * (y(BoundLow) + e(lo)) / 2 : 0.0;
  const double thigh = BoundHigh > hi ? (BoundHigh - hi) * (e(hi) + y(BoundHigh)) / 2 : 0.0;
  auto trapezoid = [&] {
    if (hi == lo - 1) return w * (y(BoundLow) + y(BoundHigh)) / 2;
    double s = tlow + thigh;
    for (int k = lo; k < hi; ++k) s += (e(k) + e(k + 1)) / 2;
    return s;
  };
  switch (Method) {
    case imSimple: {
      if (hi < lo) return w * (e(hi) + e(lo)) / 2;
      double s = 0;
      for (int k = lo; k <= hi; ++k) s += e(k);
      return w * s / (hi - lo + 1);
    }
    case imTrapezoidal:
      return trapezoid();
    case imSimpson: {
      const int d = hi - lo;
      auto f = [&](int j) { return e(lo + j); };
      switch (d) {
        case -1:
          return trapezoid();
        case 0:
          return tlow + thigh;
        case 1:
          return tlow + thigh + (f(0) + f(1)) / 2;
        case 2:
          return tlow + thigh + (f(0) + 4 * f(1) + f(2)) / 3;
        case 3:
          return tlow + thigh + 3 * (f(0) + 3 * f(1) + 3 * f(2) + f(3)) / 8;
        case 4:
          return tlow + thigh + 2 * (7 * f(0) + 32 * f(1) + 12 * f(2) + 32 * f(3) + 7 * f(4)) / 45;
        default: {
          // Extended Simpson rule with end corrections: the weights
          // 3/8, 7/6, 23/24 at both ends, 1 in between.
          double s = 3.0 / 8 * f(0) + 7.0 / 6 * f(1) + 23.0 / 24 * f(2);
          for (int j = 3; j <= d - 3; ++j) s += f(j);
          s += 23.0 / 24 * f(d - 2) + 7.0 / 6 * f(d - 1) + 3.0 / 8 * f(d);
          return tlow + thigh + s;
        }
      }
    }
  }
  return 0;
}

}  // namespace zel
