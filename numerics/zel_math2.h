// Multivariate analysis unit: covariance and correlation matrices, the
// eigen decomposition of symmetric matrices by cyclic Jacobi rotations,
// principal components, the singular value decomposition, least squares
// through it, the pseudo-inverse and vertex component analysis.
//
// Data matrices hold one variable per column and one observation per row
// (TMatrix elements are (column, row), 1-based). Long loops take part in the
// global progress and abort protocol (zel_base.h): each outer step adds to
// ProcStat and calls MathFeedBackProc; an AbortMathProc set by the feedback
// or by another thread stops the routine at its next step with a false
// result. Every entry point clears AbortMathProc when it starts.
//
// The eigen results are kept in one process-wide state, read with
// GetEigenResult. It is not guarded: run eigen computations from one thread
// at a time. A decomposition that fails or is aborted leaves the previously
// held result untouched; the state changes only on success, size and arrays
// together.
//
// Null component arguments make a routine return false (0) without effect.
#pragma once

#include <cstddef>

#include "zel_base.h"
#include "zel_matrix.h"
#include "zel_vector.h"

namespace zel {

/// Error raised by the multivariate routines.
ZEL_DECLARE_EXCEPTION(EZELMath2Error, EZELError)

/// Largest order CalcEigVec accepts.
inline constexpr int MaxEigenOrder = 10000;

/// Statistic of columns LoC..HiC (variables) over rows LoR..HiR
/// (observations) of DataMat into the top-left p × p of CovarMat (p the
/// number of columns used): Mode 0 raw cross products Σxᵢxⱼ, 1 covariance,
/// 2 correlation (unit diagonal), 3 squared correlation (coefficient of
/// determination), 4 squared differences Σ(xᵢ − xⱼ)², each divided by N − 1
/// (N the number of rows); any other Mode gives 0. Ranges follow the range
/// rule (both bounds 0: everything; clipped; reversed bounds exchanged). A
/// variable without spread correlates 0 with the others. Steps: one per row
/// of the mean pass (Mode > 0), then N per pair (i, j ≤ i). False, with
/// CovarMat untouched, when it is smaller than p × p, when fewer than two
/// rows are used (N − 1 = 0 has no defined result) or for an empty range;
/// false on abort, CovarMat then partly written. CovarMat's OnChange fires
/// once after writing.
bool CalcCovar(const TMatrix* DataMat, TMatrix* CovarMat, int LoC, int HiC, int LoR, int HiR, int Mode);

/// Eigenvalues and eigenvectors of the symmetric n × n matrix Mat (n its
/// number of columns; only the part above the diagonal, row < column, and
/// the diagonal are read) by the cyclic Jacobi method: sweeps over the
/// pairs p < q in row order, thresholds 0.2·Σ|a_pq|/n² in sweeps 1 to 3,
/// negligible elements dropped from sweep 5 on (tested in extended
/// precision), at most 100 passes. Steps: one per pass and one per pair
/// visited. On success the result replaces the unit state (eigenvalues in
/// the order of the diagonal, unsorted; eigenvectors of length 1) and Mat's
/// off-diagonal elements receive the rotated remainder, symmetrically.
/// False, with state and Mat unchanged, for a non-square Mat, n > 10000,
/// non-finite elements, no convergence or an abort. Raises EZELMath2Error
/// "CalcEigVec: not enough memory" when the work arrays cannot be allocated.
bool CalcEigVec(TMatrix* Mat);

/// c = 0: eigenvalue k; c = 1..n: component c of eigenvector k. 0 when no
/// result is held or k ∉ 1..n or c ∉ 0..n.
double GetEigenResult(int k, int c) noexcept;

/// Order n of the last successful decomposition (0 before the first).
int GetEigenSize() noexcept;

/// Releases the held eigenvalues and eigenvectors: GetEigenResult gives 0
/// from then on; GetEigenSize keeps its value.
void RemoveEigenMatrix() noexcept;

/// Principal components of a data block: CalcCovar (Mode as there) on the
/// block, CalcEigVec of the result; with Normalize each eigenvalue is
/// divided by the sum of their absolute values (fractions of the total
/// variance); then the positive eigenvalues are brought into descending
/// order in front (selection of the first largest, with its eigenvector),
/// values ≤ 0 staying behind them. Results in the unit state. False when
/// either step fails (the state is then unchanged).
bool CalcPrincComp(const TMatrix* DataMat, int LoC, int HiC, int LoR, int HiR, int Mode, bool Normalize);
/// The same with Normalize true.
bool CalcPrincComp(const TMatrix* DataMat, int LoC, int HiC, int LoR, int HiR, int Mode);

/// Singular value decomposition A = U·diag(W)·Vᵀ of the m × n matrix A (n
/// columns, m rows; m < n allowed) by Golub–Reinsch (see zel_svd.h): A is
/// overwritten by U (m × n), V (at least n × n, written in its top-left
/// n × n) and W (at least n elements, written in 1..n) must be sized by the
/// caller. Singular values are ≥ 0 and not sorted. OnChange of A, V and W
/// fires once each when the decomposition ran. False, with nothing changed,
/// when V or W is too small; false on abort or when a singular value does
/// not converge in 30 QR iterations (contents then undefined).
bool SingValDecomp(TMatrix* A, TMatrix* V, TVector* W);

/// Least-squares solution of A·X = B from a decomposition U, V, W of A
/// (n = U's columns, m = U's rows): t_j = (Σ_i U_ij·B_i)/W_j for W_j ≠ 0,
/// else 0; X = V·t. StdErr (may be null) receives √(Σ_j V_ij²/W_j²) over
/// W_j ≠ 0. X and StdErr are resized to n. False when V, W or B is too
/// small for n and m.
bool SingValEquSolve(const TMatrix* U, const TMatrix* V, const TVector* W, const TVector* B, TVector* X,
                     TVector* StdErr);

/// The SVD least-squares solve used by the regression, curve fitting and
/// clustering routines: A (design matrix, n columns = unknowns, m rows =
/// equations) is destroyed; B holds the m right-hand sides; X (resized to
/// n) receives the solution and StdErr (optional, resized to n) the
/// unscaled standard errors √diag((AᵀA)⁺). Singular values below 1e-14 of
/// the largest are dropped and RankDeficient is set (also for an all-zero
/// A, whose largest singular value is 0). RankDeficient is false on entry.
/// The result is the success of the decomposition (false also for a B
/// shorter than m).
bool SVDLeastSquares(TMatrix* A, const TVector* B, TVector* X, TVector* StdErr, bool& RankDeficient);

/// Moore–Penrose pseudo-inverse of Mat into PInv, which is resized to the
/// transposed shape (columns = Mat's rows, rows = Mat's columns). Singular
/// values up to Threshold are dropped; a Threshold of 0 or less (or NaN)
/// stands for max(columns, rows)·max(W)·1.2e-16. False when the
/// decomposition fails (PInv's content then undefined).
bool PseudoInverse(const TMatrix* Mat, TMatrix* PInv, double Threshold);

/// Vertex component analysis (Nascimento and Bioucas-Dias, 2005): picks
/// NumEndmembers observations (rows) of Data that span the vertices of the
/// data simplex. The data are projected onto their principal subspace:
/// with Centered false (high signal-to-noise) onto the first NumEndmembers
/// eigenvectors of the raw cross-product matrix, each projection scaled to
/// unit length along the mean direction; with Centered true (noisy data)
/// onto the first NumEndmembers − 1 principal components of the mean-centred
/// data plus a constant coordinate. Then, NumEndmembers times, the data are
/// projected on a random direction (RandG) orthogonal to the endmembers
/// found so far and the observation with the largest absolute projection
/// becomes the next endmember. Endmembers (NumEndmembers rows × the columns
/// of Data) receives the chosen rows of Data, Indices their row numbers
/// (1-based, in the order found), Projected the projected data (NumEndmembers
/// columns × the rows of Data). The unit's eigen state is not touched.
/// False for NumEndmembers < 1, more endmembers than columns or rows, null
/// results, a failed decomposition or an abort.
bool VertexCompAnalysis(const TMatrix* Data, int NumEndmembers, bool Centered, TMatrix* Endmembers,
                        TIntVector* Indices, TMatrix* Projected);

namespace detail {

/// Status of the Jacobi iteration.
enum class TJacobiStatus { Converged, NoConvergence, Aborted };

/// Leading dimension of the work arrays of JacobiEigen for order n: n
/// rounded up to a multiple of 8.
constexpr std::size_t JacobiLd(int n) noexcept { return (static_cast<std::size_t>(n > 0 ? n : 0) + 7) / 8 * 8; }

/// The Jacobi iteration of CalcEigVec on plain arrays, without touching the
/// unit state. Sym holds the n × n symmetric matrix column-major with
/// leading dimension Ld = JacobiLd(n); only its upper triangle is read, and
/// it is used as work space (destroyed). D
/// receives the n eigenvalues, Vec (Ld × n, same layout) the eigenvectors,
/// vector k at Vec + k·Ld, padding rows 0. Takes the progress steps of
/// CalcEigVec; non-finite elements give NoConvergence at once. Raises
/// std::bad_alloc.
TJacobiStatus JacobiEigen(int n, std::size_t Ld, double* Sym, double* D, double* Vec);

/// Adds to S(i, j), for I0 ≤ i < I1 and 0 ≤ j ≤ i, the sums over k < N of
/// T[k][i]·T[k][j] (Diff: (T[k][i] − T[k][j])²), each in increasing k. T is
/// row-major with leading dimension Ldt, a multiple of 8, zero-padded; row i
/// of S starts at S + (i − I0)·Lds (Lds ≥ Ldt) and receives values past
/// column i, up to the next multiple of 8 past the last row of i's group of
/// four rows (never beyond Ldt), that callers ignore.
void CrossProductRows(const double* T, std::size_t Ldt, std::size_t N, std::size_t I0, std::size_t I1, bool Diff,
                      double* S, std::size_t Lds) noexcept;

/// T[k][i] := Cols[i][k] for k < N and i < P; T row-major with leading
/// dimension Ldt (a multiple of 8). When Sum is not null, also adds Cols[i][k]
/// to Sum[i] and its square to SumSq[i] in increasing k: the sums of
/// RangeSums, column by column.
void RowsFromColumns(const double* const* Cols, std::size_t P, std::size_t N, double* T, std::size_t Ldt, double* Sum,
                     double* SumSq) noexcept;

/// T[k][i] −= Mean[i] for k < N and i < Ldt (a multiple of 8).
void CentreRows(double* T, std::size_t Ldt, std::size_t N, const double* Mean) noexcept;

}  // namespace detail

}  // namespace zel
