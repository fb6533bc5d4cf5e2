// Singular value decomposition on plain column-major arrays: the one
// Golub–Reinsch implementation of the library. The eigen/PCA unit builds
// SingValDecomp, the SVD least-squares solve and the pseudo-inverse on it;
// the matrix unit's spectral norm needs only the singular values and calls
// it without accumulating U and V.
#pragma once

#include <cstddef>

namespace zel {

/// Golub–Reinsch decomposition A = U·diag(W)·Vᵀ of the M × N matrix A
/// (M rows, N columns; M < N is allowed), stored column-major with leading
/// dimension LdA ≥ max(M, 1): element (row i, column j) at A[i + j·LdA].
///
/// Householder reduction to bidiagonal form, accumulation of the right-hand
/// transformations into V and of the left-hand ones into A, then implicit
/// shifted QR from the last singular value to the first, at most 30
/// iterations per singular value. W receives the N singular values, made
/// non-negative (a negative one flips its column of V) and not sorted.
///
/// WantUV: A is overwritten by U (M × N; the columns belonging to the
/// N − M surplus zero singular values are 0 when M < N) and V (N × N,
/// leading dimension LdV ≥ N) receives V. Without it only W is computed: A
/// is destroyed, V is not touched and may be null.
///
/// Each outer step of every phase (N reduction steps, N + min(M, N)
/// accumulation steps when WantUV, N diagonalisation steps) is one
/// MathProcStep. Returns false at once when AbortMathProc is set, and false
/// when a singular value has not converged after 30 iterations (NaN input
/// ends there). Raises std::bad_alloc for its work array of N doubles.
bool SingValDecompRaw(int M, int N, double* A, std::size_t LdA, double* W, double* V, std::size_t LdV, bool WantUV);

}  // namespace zel
