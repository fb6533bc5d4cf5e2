// Covariance and correlation matrices, the process-wide eigen state,
// CalcEigVec and the principal components.
#include "zel_math2.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

#include "zel_numeric.h"
#include "zel_rangestats.h"

namespace zel {

namespace {

// The eigen result of the last successful decomposition.
struct TEigenState {
  int Size = 0;
  std::size_t Stride = 0;       // distance between two eigenvectors
  std::vector<double> Values;   // eigenvalue k at k − 1
  TRealStorage Vectors;         // eigenvector k contiguous from (k − 1)·Stride
};

TEigenState gEigen;

// A progress step worth Amount: ProcStat += Amount, feedback, abort test.
bool ProgressStep(double Amount) {
  const double stat = ProcStat.fetch_add(Amount) + Amount;
  if (TMathFeedBackProc proc = MathFeedBackProc.load()) proc(stat);
  return !AbortMathProc.load();
}

constexpr std::size_t RoundUp8(std::size_t n) noexcept { return (n + 7) / 8 * 8; }

// Final value of one element of CalcCovar from its sum s.
double CovarValue(int Mode, double s, double Nm1, double VarI, double VarJ, bool Diagonal) {
  switch (Mode) {
    case 0:
    case 1:
    case 4:
      return s / Nm1;
    case 2:
    case 3: {
      if (Mode == 2 && Diagonal) return 1;
      // A variable without spread gets correlation 0: its centred values are
      // rounding noise, which the framework's 1e-38 divisor would blow up.
      const double f = std::sqrt(VarI * VarJ);
      if (f == 0) return 0;
      const double r = s / f / Nm1;
      return Mode == 2 ? r : r * r;
    }
    default:
      return 0;
  }
}

}  // namespace

bool CalcCovar(const TMatrix* DataMat, TMatrix* CovarMat, int LoC, int HiC, int LoR, int HiR, int Mode) {
  AbortMathProc = false;
  if (DataMat == nullptr || CovarMat == nullptr) return false;
  if (!MakeValidRange(LoC, HiC, DataMat->NrOfColumns()) || !MakeValidRange(LoR, HiR, DataMat->NrOfRows()))
    return false;
  const int p = HiC - LoC + 1;
  const int n = HiR - LoR + 1;
  if (CovarMat->NrOfColumns() < p || CovarMat->NrOfRows() < p || n < 2) return false;
  const std::size_t up = static_cast<std::size_t>(p), un = static_cast<std::size_t>(n);
  const double dn = n, nm1 = n - 1;

  const std::size_t ldt = RoundUp8(up);
  std::vector<double> mean(ldt, 0.0), var(up, 0.0), T, S;
  constexpr int kBlock = 16;  // rows of S per block: the unit of progress and abort
  try {
    if (Mode >= 0 && Mode <= 4) T.assign(un * ldt, 0.0);
    S.assign(static_cast<std::size_t>(kBlock) * ldt, 0.0);
  } catch (const std::bad_alloc&) {
    throw EZELMath2Error("CalcCovar: not enough memory");
  } catch (const std::length_error&) {
    throw EZELMath2Error("CalcCovar: not enough memory");
  }

  // Row-major copy of the block, so that the sums for all j of one i run
  // over contiguous memory; the column sums are taken on the way.
  std::vector<double> sums(ldt, 0.0), sumSqs(ldt, 0.0);
  if (!T.empty()) {
    std::vector<const double*> cols(up);
    for (std::size_t i = 0; i < up; ++i) cols[i] = DataMat->ColumnData(LoC + static_cast<int>(i)) + (LoR - 1);
    detail::RowsFromColumns(cols.data(), up, un, T.data(), ldt, Mode > 0 ? sums.data() : nullptr, sumSqs.data());
  }
  if (Mode > 0) {
    if (T.empty()) {
      for (int i = 0; i < p; ++i)
        RangeSums(std::span<const double>(DataMat->ColumnData(LoC + i) + (LoR - 1), un), sums[i], sumSqs[i]);
    }
    for (int i = 0; i < p; ++i) {
      const double sum = sums[i], sumSq = sumSqs[i];
      mean[i] = sum / dn;
      // One-pass variance; rounding can push it below 0 for constant data.
      var[i] = std::max(0.0, (sumSq - sum * sum / dn) / nm1);
    }
    for (int k = 0; k < n; ++k)
      if (!MathProcStep()) return false;
  }
  // Centred for the moment modes.
  if (!T.empty() && Mode >= 1 && Mode <= 3) detail::CentreRows(T.data(), ldt, un, mean.data());

  const std::size_t ldc = CovarMat->LeadingDim();
  double* out = CovarMat->Data().data();
  bool completed = true;
  for (int i0 = 0; i0 < p && completed; i0 += kBlock) {
    const int i1 = std::min(p, i0 + kBlock);
    std::fill(S.begin(), S.end(), 0.0);
    // S row i − i0 holds the sums of row i.
    if (!T.empty())
      detail::CrossProductRows(T.data(), ldt, un, static_cast<std::size_t>(i0), static_cast<std::size_t>(i1),
                               Mode == 4, S.data(), ldt);
    for (int i = i0; i < i1 && completed; ++i) {
      const double* si = S.data() + static_cast<std::size_t>(i - i0) * ldt;
      for (int j = 0; j <= i; ++j) {
        if (!ProgressStep(dn)) {
          completed = false;
          break;
        }
        const double v = CovarValue(Mode, si[j], nm1, var[i], var[j], i == j);
        out[static_cast<std::size_t>(j) * ldc + i] = v;
        out[static_cast<std::size_t>(i) * ldc + j] = v;
      }
    }
  }
  CovarMat->Changed();
  return completed;
}

// ---- eigen state ------------------------------------------------------------------

bool CalcEigVec(TMatrix* Mat) {
  AbortMathProc = false;
  if (Mat == nullptr) return false;
  const int n = Mat->NrOfColumns();
  if (n > MaxEigenOrder || Mat->NrOfRows() != n) return false;
  const std::size_t un = static_cast<std::size_t>(n), ld = detail::JacobiLd(n);
  std::vector<double> values;
  TRealStorage sym, vectors;  // aligned columns: see JacobiLd
  try {
    sym.assign(ld * un, 0.0);
    values.resize(un);
    vectors.resize(ld * un);
  } catch (const std::bad_alloc&) {
    throw EZELMath2Error("CalcEigVec: not enough memory");
  }
  // The part above the diagonal (row < column) and the diagonal.
  for (std::size_t c = 0; c < un; ++c) std::copy_n(Mat->ColumnData(static_cast<int>(c) + 1), c + 1, sym.begin() + c * ld);
  detail::TJacobiStatus status;
  try {
    status = detail::JacobiEigen(n, ld, sym.data(), values.data(), vectors.data());
  } catch (const std::bad_alloc&) {
    throw EZELMath2Error("CalcEigVec: not enough memory");
  }
  if (status != detail::TJacobiStatus::Converged) return false;
  gEigen.Values = std::move(values);
  gEigen.Vectors = std::move(vectors);
  gEigen.Stride = ld;
  gEigen.Size = n;
  // Converged means every off-diagonal element has been rotated to 0.
  for (int c = 1; c <= n; ++c) {
    double* col = Mat->ColumnData(c);
    for (int r = 0; r < n; ++r)
      if (r != c - 1) col[r] = 0;
  }
  Mat->Changed();
  return true;
}

double GetEigenResult(int k, int c) noexcept {
  const int n = gEigen.Size;
  if (gEigen.Values.empty() || k < 1 || k > n || c < 0 || c > n) return 0;
  if (c == 0) return gEigen.Values[static_cast<std::size_t>(k - 1)];
  return gEigen.Vectors[static_cast<std::size_t>(k - 1) * gEigen.Stride + static_cast<std::size_t>(c - 1)];
}

int GetEigenSize() noexcept { return gEigen.Size; }

void RemoveEigenMatrix() noexcept {
  gEigen.Values = std::vector<double>();
  gEigen.Vectors = TRealStorage();
}

// ---- principal components ------------------------------------------------------------

bool CalcPrincComp(const TMatrix* DataMat, int LoC, int HiC, int LoR, int HiR, int Mode, bool Normalize) {
  AbortMathProc = false;
  if (DataMat == nullptr) return false;
  // The range rule first: "all columns" (0, 0) must size the temporary too.
  if (!MakeValidRange(LoC, HiC, DataMat->NrOfColumns()) || !MakeValidRange(LoR, HiR, DataMat->NrOfRows()))
    return false;
  const int p = HiC - LoC + 1;
  if (p > MaxEigenOrder) return false;
  {
    TMatrix covar(nullptr);
    covar.Resize(p, p);
    if (!CalcCovar(DataMat, &covar, LoC, HiC, LoR, HiR, Mode) || !CalcEigVec(&covar)) return false;
  }
  std::vector<double>& val = gEigen.Values;
  TRealStorage& vec = gEigen.Vectors;
  const std::size_t n = val.size(), ld = gEigen.Stride;
  if (Normalize) {
    double sum = 0;
    for (const double v : val) sum += std::fabs(v);
    if (sum != 0)
      for (double& v : val) v /= sum;
  }
  // Selection of the first largest positive value for each position.
  for (std::size_t i = 0; i < n; ++i) {
    double best = 0;
    std::size_t at = n;
    for (std::size_t k = i; k < n; ++k)
      if (val[k] > best) {
        best = val[k];
        at = k;
      }
    if (at == n || at == i) continue;
    std::swap(val[i], val[at]);
    std::swap_ranges(vec.begin() + static_cast<std::ptrdiff_t>(i * ld), vec.begin() + static_cast<std::ptrdiff_t>(i * ld + n),
                     vec.begin() + static_cast<std::ptrdiff_t>(at * ld));
  }
  return true;
}

bool CalcPrincComp(const TMatrix* DataMat, int LoC, int HiC, int LoR, int HiR, int Mode) {
  return CalcPrincComp(DataMat, LoC, HiC, LoR, HiR, Mode, true);
}

}  // namespace zel
