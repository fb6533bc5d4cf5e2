// Statistics of TMatrix over rectangles, per column and per row, the
// normalisations and the fingerprint. Rectangles are walked column by column
// (the storage order), so every sum runs in that order.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <new>
#include <random>
#include <type_traits>

#include "zel_base.h"
#include "zel_math1_sort.h"
#include "zel_matrix.h"
#include "zel_numeric.h"
#include "zel_rangestats.h"

namespace zel {

namespace {

[[noreturn]] void NoMemory(const TMatrix& M) {
  throw EZELMatrixError(ComponentMessage(M.Name(), "not enough memory on heap"));
}

// Mean and variance with the components' conventions; 0 and 0 for no values.
void LineMeanVar(std::span<const double> X, double& Mean, double& Variance) noexcept {
  if (X.empty()) {
    Mean = 0;
    Variance = 0;
    return;
  }
  RangeMeanVar(X, Mean, Variance);
}

// The matrix percentile: the k-th smallest of Copy (which is reordered),
// k = round(n·prob/100) at most n − 1, prob clipped to 0..100 with NaN as 0;
// 0 for no values.
double SelectPercentile(TDoubleArray& Copy, double prob) {
  const std::size_t n = Copy.size();
  if (n == 0) return 0;
  if (!(prob > 0)) prob = 0;
  if (prob > 100) prob = 100;
  const double pos = RoundHalfEven(static_cast<double>(n) * prob / 100);
  const std::size_t k = std::min(static_cast<std::size_t>(pos), n - 1);
  if (n - 1 <= static_cast<std::size_t>(INT_MAX))
    return QuickSelect(Copy, static_cast<int>(k), 0, static_cast<int>(n - 1));
  // Beyond QuickSelect's positions: the same order, NaN above every number.
  std::nth_element(Copy.begin(), Copy.begin() + static_cast<std::ptrdiff_t>(k), Copy.end(),
                   [](double a, double b) { return a < b || (!std::isnan(a) && std::isnan(b)); });
  return Copy[k];
}

// Dst[j·DstLd + i] := Src[i·SrcLd + j] for i < N, j < M, in tiles so that
// both sides stay in cache.
void Transpose(const double* Src, std::size_t SrcLd, double* Dst, std::size_t DstLd, std::size_t N, std::size_t M) {
  constexpr std::size_t kTile = 32;
  for (std::size_t i0 = 0; i0 < N; i0 += kTile)
    for (std::size_t j0 = 0; j0 < M; j0 += kTile)
      for (std::size_t i = i0; i < std::min(N, i0 + kTile); ++i)
        for (std::size_t j = j0; j < std::min(M, j0 + kTile); ++j) Dst[j * DstLd + i] = Src[i * SrcLd + j];
}

// Calls Fn(line, index) for every column (dimColumns) or row of the
// elements, each as a contiguous span: columns are the storage itself, rows
// come from a transposed copy, written back afterwards when the matrix is
// not const. Fn must not call out of the matrix (no events): results go to
// the caller's vectors after the walk.
template <class Matrix, class Fn>
void ForEachLine(Matrix& M, TDims Dim, Fn fn) {
  constexpr bool kWrite = !std::is_const_v<Matrix>;
  using Elem = std::conditional_t<kWrite, double, const double>;
  const auto nc = static_cast<std::size_t>(M.NrOfColumns()), nr = static_cast<std::size_t>(M.NrOfRows());
  const std::size_t ld = M.LeadingDim();
  auto* data = M.Data().data();
  if (Dim == dimColumns) {
    for (std::size_t c = 0; c < nc; ++c) fn(std::span<Elem>(data + c * ld, nr), static_cast<int>(c) + 1);
    return;
  }
  std::vector<double> t;
  try {
    t.resize(nc * nr);
  } catch (const std::bad_alloc&) {
    NoMemory(M);
  }
  Transpose(data, ld, t.data(), nc, nc, nr);
  for (std::size_t r = 0; r < nr; ++r) fn(std::span<Elem>(t.data() + r * nc, nc), static_cast<int>(r) + 1);
  if constexpr (kWrite) Transpose(t.data(), nc, data, ld, nr, nc);
}

// Values[i] to element i + 1 of V through SetVal (beyond its size: skipped).
void WriteToVector(TVector* V, const std::vector<double>& Values) {
  if (V == nullptr) return;
  for (std::size_t i = 0; i < Values.size(); ++i) V->SetVal(static_cast<int>(i) + 1, Values[i]);
}

double EdgeValue(std::span<const double> X, TEdgeOp Op) noexcept {
  if (Op == eoMin || Op == eoMax) {
    double mn = uc_MaxDouble, mx = -uc_MaxDouble;
    int mi, ma;
    RangeMinMax(X, mn, mx, mi, ma);
    return Op == eoMin ? mn : mx;
  }
  double s, q;
  RangeSums(X, s, q);
  if (Op == eoSum) return s;
  return X.empty() ? 0.0 : s / static_cast<double>(X.size());
}

void StandardizeLines(TMatrix& M, TDims Dim, TVector* Means, TVector* StdDevs) {
  std::vector<double> means, sds;
  ForEachLine(M, Dim, [&](std::span<double> x, int) {
    double mean, var;
    LineMeanVar(x, mean, var);
    const double sd = std::sqrt(var);
    if (var > 0)
      for (double& v : x) v = (v - mean) / sd;
    means.push_back(mean);
    sds.push_back(sd);
  });
  WriteToVector(Means, means);
  WriteToVector(StdDevs, sds);
  M.Changed();
}

void MeanCenterLines(TMatrix& M, TDims Dim, TVector* Means) {
  if (Means != nullptr) Means->Resize(Dim == dimColumns ? M.NrOfColumns() : M.NrOfRows());
  std::vector<double> means;
  ForEachLine(M, Dim, [&](std::span<double> x, int) {
    double mean, var;
    LineMeanVar(x, mean, var);
    for (double& v : x) v -= mean;
    means.push_back(mean);
  });
  WriteToVector(Means, means);
  M.Changed();
}

void QNormalizeLines(TMatrix& M, TDims Dim, double RefQuant, TVector* Medians, TVector* QuantDiffs) {
  std::vector<double> medians, diffs;
  TDoubleArray copy;
  try {
    ForEachLine(M, Dim, [&](std::span<double> x, int) {
      // Each percentile selects from a fresh copy, as Percentile does: the
      // sign of a selected zero depends on the order it selects from.
      copy.assign(x.begin(), x.end());
      const double p = SelectPercentile(copy, RefQuant);
      copy.assign(x.begin(), x.end());
      const double median = SelectPercentile(copy, 50);
      const double d = std::fabs(median - p);
      if (d > 0)
        for (double& v : x) v = (v - median) / d;
      medians.push_back(median);
      diffs.push_back(d);
    });
  } catch (const std::bad_alloc&) {
    NoMemory(M);
  }
  WriteToVector(Medians, medians);
  WriteToVector(QuantDiffs, diffs);
  M.Changed();
}

}  // namespace

std::span<const double> TMatrix::ClippedRect(int LowCol, int LowRow, int HighCol, int HighRow,
                                             std::vector<double>& Scratch) const {
  if (!ValidRect(LowCol, LowRow, HighCol, HighRow)) return {};
  return RectSpan(LowCol, LowRow, HighCol, HighRow, Scratch);
}

// ---- over a rectangle -------------------------------------------------------------

void TMatrix::MinMax(int LowCol, int LowRow, int HighCol, int HighRow, double& Minimum, double& Maximum) const {
  std::vector<double> scratch;
  Minimum = uc_MaxReal;
  Maximum = -uc_MaxReal;
  int minIx, maxIx;
  RangeMinMax(ClippedRect(LowCol, LowRow, HighCol, HighRow, scratch), Minimum, Maximum, minIx, maxIx);
}

void TMatrix::MeanVar(int LowCol, int LowRow, int HighCol, int HighRow, double& Mean, double& Variance) const {
  std::vector<double> scratch;
  LineMeanVar(ClippedRect(LowCol, LowRow, HighCol, HighRow, scratch), Mean, Variance);
}

double TMatrix::Sum(int LoC, int LoR, int HiC, int HiR) const {
  std::vector<double> scratch;
  double s, q;
  RangeSums(ClippedRect(LoC, LoR, HiC, HiR, scratch), s, q);
  return s;
}

double TMatrix::Trace() const {
  if (FNCol != FNRow) return 0;
  double s = 0;
  for (int i = 1; i <= FNCol; ++i) s += At(i, i);
  return s;
}

double TMatrix::GeometricMean(int LowCol, int LowRow, int HighCol, int HighRow) const {
  std::vector<double> scratch;
  const auto x = ClippedRect(LowCol, LowRow, HighCol, HighRow, scratch);
  double r = 0;
  if (!x.empty() && !RangeGeometricMean(x, r)) Fail("negative argument passed to GeometricMean");
  return r;
}

double TMatrix::HarmonicMean(int LowCol, int LowRow, int HighCol, int HighRow) const {
  std::vector<double> scratch;
  const auto x = ClippedRect(LowCol, LowRow, HighCol, HighRow, scratch);
  double r = 0;
  if (!x.empty() && !RangeHarmonicMean(x, r)) Fail("negative or zero argument passed to HarmonicMean");
  return r;
}

void TMatrix::SkewKurt(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness, double& Kurtosis) const {
  std::vector<double> scratch;
  RangeSkewKurt(ClippedRect(LowCol, LowRow, HighCol, HighRow, scratch), Skewness, Kurtosis, 2);
}

void TMatrix::SkewKurtSample(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness,
                             double& Kurtosis) const {
  std::vector<double> scratch;
  RangeSkewKurtSample(ClippedRect(LowCol, LowRow, HighCol, HighRow, scratch), Skewness, Kurtosis);
}

bool TMatrix::Quartiles(int LowCol, int LowRow, int HighCol, int HighRow, double& Q1, double& Q2, double& Q3) const {
  Q1 = Q2 = Q3 = 0;
  try {
    std::vector<double> scratch;
    const auto x = ClippedRect(LowCol, LowRow, HighCol, HighRow, scratch);
    if (x.empty()) return false;
    RangeQuartiles(x, Q1, Q2, Q3);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
  return true;
}

double TMatrix::Percentile(double prob, int LowCol, int LowRow, int HighCol, int HighRow) const {
  try {
    TDoubleArray copy;
    if (ValidRect(LowCol, LowRow, HighCol, HighRow)) copy = GatherRange(LowCol, HighCol, LowRow, HighRow);
    return SelectPercentile(copy, prob);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
}

double TMatrix::Percentile(double prob, int LowCol, int LowRow, int HighCol, int HighRow, int SampleSize) const {
  if (!ValidRect(LowCol, LowRow, HighCol, HighRow)) return 0;
  const std::int64_t n =
      static_cast<std::int64_t>(HighCol - LowCol + 1) * static_cast<std::int64_t>(HighRow - LowRow + 1);
  if (SampleSize <= 0 || SampleSize >= n) return Percentile(prob, LowCol, LowRow, HighCol, HighRow);
  if (!(prob > 0)) prob = 0;
  if (prob > 100) prob = 100;
  try {
    // A private generator: an unpredictable seed per call, and the global
    // sequence (which tests pin) is left alone.
    std::random_device rd;
    std::mt19937 gen((static_cast<std::uint64_t>(rd()) << 32) ^ rd());
    std::uniform_int_distribution<int> pickCol(LowCol, HighCol), pickRow(LowRow, HighRow);
    TDoubleArray sample(static_cast<std::size_t>(SampleSize));
    int zeros = 0, negatives = 0;
    for (double& v : sample) {
      const int c = pickCol(gen);
      v = At(c, pickRow(gen));
      zeros += v == 0 ? 1 : 0;
      negatives += v < 0 ? 1 : 0;
    }
    // A percentile that falls among the sampled zeros needs no selection.
    const double s = SampleSize, p = prob / 100;
    if (p > negatives / s && p < (zeros + negatives) / s) return 0;
    return SelectPercentile(sample, prob);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
}

bool TMatrix::Histogram(int LoX, int LoY, int HiX, int HiY, double FirstBin, double LastBin, double BinWidth,
                        TIntVector* Histo, int& Underflow, int& Overflow, int& MaxCnt) const {
  std::vector<double> scratch;
  const auto x = ClippedRect(LoX, LoY, HiX, HiY, scratch);
  return HistogramIntoVector(x, 1, static_cast<std::int64_t>(x.size()), FirstBin, LastBin, BinWidth, Histo, Underflow,
                             Overflow, MaxCnt);
}

// ---- per column and per row ---------------------------------------------------------

void TMatrix::MeanVec(TDims Dim, TVector* Means) const {
  if (Means == nullptr) return;
  std::vector<double> means;
  ForEachLine(*this, Dim, [&](std::span<const double> x, int) {
    double mean, var;
    LineMeanVar(x, mean, var);
    means.push_back(mean);
  });
  Means->Resize(static_cast<int>(means.size()));
  WriteToVector(Means, means);
}

void TMatrix::EdgeVector(TOrientation Orient, TEdgeOp EdgeOp, TVector* DestVec) const {
  if (DestVec == nullptr) return;
  std::vector<double> edge;
  ForEachLine(*this, Orient == orRowWise ? dimRows : dimColumns,
              [&](std::span<const double> x, int) { edge.push_back(EdgeValue(x, EdgeOp)); });
  DestVec->Resize(static_cast<int>(edge.size()));
  WriteToVector(DestVec, edge);
}

void TMatrix::StandardizeColumns(TVector* Means, TVector* StdDevs) {
  StandardizeLines(*this, dimColumns, Means, StdDevs);
}

void TMatrix::StandardizeRows(TVector* Means, TVector* StdDevs) { StandardizeLines(*this, dimRows, Means, StdDevs); }

void TMatrix::MeanCenterColumns(TVector* Means) { MeanCenterLines(*this, dimColumns, Means); }

void TMatrix::MeanCenterRows(TVector* Means) { MeanCenterLines(*this, dimRows, Means); }

void TMatrix::QNormalizeColumns(double RefQuant, TVector* Medians, TVector* QuantDiffs) {
  QNormalizeLines(*this, dimColumns, RefQuant, Medians, QuantDiffs);
}

void TMatrix::QNormalizeRows(double RefQuant, TVector* Medians, TVector* QuantDiffs) {
  QNormalizeLines(*this, dimRows, RefQuant, Medians, QuantDiffs);
}

std::string TMatrix::CRCofData() const {
  // With both extents at least 1 the storage holds exactly the elements,
  // column by column; otherwise there are none.
  if (FNCol < 1 || FNRow < 1) return RangeCRCFingerprint(nullptr, 0, sizeof(double));
  return RangeCRCFingerprint(FMat.data(), FMat.size(), sizeof(double));
}

}  // namespace zel
