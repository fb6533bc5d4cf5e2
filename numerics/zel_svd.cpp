// Golub–Reinsch singular value decomposition (Golub and Reinsch, Numer.
// Math. 14 (1970) 403–420, in the one-sided form with the work vector of
// super-diagonal elements). Indices are 0-based; a(i, j) is row i, column j.
//
// Row operations on column-major storage are strided, so the right-hand
// Householder update is done column by column: first every row's dot
// product is accumulated over k (each still summed in increasing k), then
// every row is updated. Each element sees the same operations in the same
// order as in the row-by-row form.
#include "zel_svd.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "zel_base.h"

namespace zel {

namespace {

// sqrt(a² + b²) without destructive overflow or underflow.
double Pythag(double a, double b) noexcept {
  const double absa = std::fabs(a), absb = std::fabs(b);
  if (absa > absb) {
    const double r = absb / absa;
    return absa * std::sqrt(1.0 + r * r);
  }
  if (absb == 0) return 0;
  const double r = absa / absb;
  return absb * std::sqrt(1.0 + r * r);
}

// |a| with the sign of b, where b = −0 counts as positive.
double SignOf(double a, double b) noexcept { return b >= 0 ? std::fabs(a) : -std::fabs(a); }

// Plane rotation of two columns: x := x·c + y·s, y := y·c − x·s.
void RotateColumns(double* x, double* y, int n, double c, double s) noexcept {
  for (int j = 0; j < n; ++j) {
    const double u = x[j], v = y[j];
    x[j] = u * c + v * s;
    y[j] = v * c - u * s;
  }
}

class TGolubReinsch {
 public:
  TGolubReinsch(int M, int N, double* A, std::size_t LdA, double* W, double* V, std::size_t LdV)
      : m(M), n(N), a(A), lda(LdA), w(W), v(V), ldv(LdV), rv1(static_cast<std::size_t>(N)), rowDot(Mx()) {}

  bool Bidiagonalize();
  bool AccumulateRight();
  bool AccumulateLeft();
  bool Diagonalize(bool WantUV);

 private:
  std::size_t Mx() const noexcept { return static_cast<std::size_t>(std::max(m, 0)); }
  double& A(int i, int j) noexcept { return a[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * lda]; }
  double& Vm(int i, int j) noexcept { return v[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * ldv]; }
  double* ACol(int j) noexcept { return a + static_cast<std::size_t>(j) * lda; }
  double* VCol(int j) noexcept { return v + static_cast<std::size_t>(j) * ldv; }

  int m, n;
  double* a;
  std::size_t lda;
  double* w;
  double* v;
  std::size_t ldv;
  std::vector<double> rv1;     // super-diagonal of the bidiagonal form
  std::vector<double> rowDot;  // per-row dot products of the right-hand update
  double anorm = 0;            // scale of the negligibility tests
  double g = 0;                // carried from the reduction into the accumulation
};

bool TGolubReinsch::Bidiagonalize() {
  double scale = 0;
  g = 0;
  anorm = 0;
  for (int i = 0; i < n; ++i) {
    if (!MathProcStep()) return false;
    const int l = i + 1;
    rv1[i] = scale * g;
    g = 0;
    scale = 0;
    double s = 0;
    if (i < m) {
      // Left Householder reflection: zero column i below the diagonal.
      double* ci = ACol(i);
      for (int k = i; k < m; ++k) scale += std::fabs(ci[k]);
      if (scale != 0) {
        for (int k = i; k < m; ++k) {
          ci[k] /= scale;
          s += ci[k] * ci[k];
        }
        double f = ci[i];
        g = -SignOf(std::sqrt(s), f);
        const double h = f * g - s;
        ci[i] = f - g;
        for (int j = l; j < n; ++j) {
          double* cj = ACol(j);
          double d = 0;
          for (int k = i; k < m; ++k) d += ci[k] * cj[k];
          f = d / h;
          for (int k = i; k < m; ++k) cj[k] += f * ci[k];
        }
        for (int k = i; k < m; ++k) ci[k] *= scale;
      }
    }
    w[i] = scale * g;
    g = 0;
    s = 0;
    scale = 0;
    if (i < m && i != n - 1) {
      // Right Householder reflection: zero row i right of the super-diagonal.
      for (int k = l; k < n; ++k) scale += std::fabs(A(i, k));
      if (scale != 0) {
        for (int k = l; k < n; ++k) {
          A(i, k) /= scale;
          s += A(i, k) * A(i, k);
        }
        const double f = A(i, l);
        g = -SignOf(std::sqrt(s), f);
        const double h = f * g - s;
        A(i, l) = f - g;
        for (int k = l; k < n; ++k) rv1[k] = A(i, k) / h;
        std::fill(rowDot.begin() + l, rowDot.end(), 0.0);
        for (int k = l; k < n; ++k) {
          const double aik = A(i, k);
          const double* ck = ACol(k);
          for (int j = l; j < m; ++j) rowDot[j] += ck[j] * aik;
        }
        for (int k = l; k < n; ++k) {
          double* ck = ACol(k);
          const double r = rv1[k];
          for (int j = l; j < m; ++j) ck[j] += rowDot[j] * r;
        }
        for (int k = l; k < n; ++k) A(i, k) *= scale;
      }
    }
    anorm = std::max(anorm, std::fabs(w[i]) + std::fabs(rv1[i]));
  }
  return true;
}

bool TGolubReinsch::AccumulateRight() {
  int l = n;
  for (int i = n - 1; i >= 0; --i) {
    if (!MathProcStep()) return false;
    if (i < n - 1) {
      if (g != 0) {
        // Division by A(i, l) first, then by g: guards against underflow.
        double* vi = VCol(i);
        for (int j = l; j < n; ++j) vi[j] = (A(i, j) / A(i, l)) / g;
        for (int j = l; j < n; ++j) {
          double* vj = VCol(j);
          double s = 0;
          for (int k = l; k < n; ++k) s += A(i, k) * vj[k];
          for (int k = l; k < n; ++k) vj[k] += s * vi[k];
        }
      }
      for (int j = l; j < n; ++j) {
        Vm(i, j) = 0;
        Vm(j, i) = 0;
      }
    }
    Vm(i, i) = 1;
    g = rv1[i];
    l = i;
  }
  return true;
}

bool TGolubReinsch::AccumulateLeft() {
  for (int i = std::min(m, n) - 1; i >= 0; --i) {
    if (!MathProcStep()) return false;
    const int l = i + 1;
    double gi = w[i];
    for (int j = l; j < n; ++j) A(i, j) = 0;
    double* ci = ACol(i);
    if (gi != 0) {
      gi = 1.0 / gi;
      for (int j = l; j < n; ++j) {
        double* cj = ACol(j);
        double s = 0;
        for (int k = l; k < m; ++k) s += ci[k] * cj[k];
        const double f = (s / ci[i]) * gi;
        for (int k = i; k < m; ++k) cj[k] += f * ci[k];
      }
      for (int j = i; j < m; ++j) ci[j] *= gi;
    } else {
      for (int j = i; j < m; ++j) ci[j] = 0;
    }
    ci[i] += 1;
  }
  return true;
}

bool TGolubReinsch::Diagonalize(bool WantUV) {
  for (int k = n - 1; k >= 0; --k) {
    if (!MathProcStep()) return false;
    for (int its = 1;; ++its) {
      // Split test: find l such that rv1[l] is negligible (rv1[0] always
      // is), or w[l − 1] is, which lets rv1[l] be cancelled first.
      bool cancel = true;
      int l = k;
      for (; l >= 0; --l) {
        if (l == 0 || std::fabs(rv1[l]) + anorm == anorm) {
          cancel = false;
          break;
        }
        if (std::fabs(w[l - 1]) + anorm == anorm) break;
      }
      if (cancel) {
        const int nm = l - 1;
        double c = 0, s = 1;
        for (int i = l; i <= k; ++i) {
          const double f = s * rv1[i];
          rv1[i] = c * rv1[i];
          if (std::fabs(f) + anorm == anorm) break;
          const double gg = w[i];
          double h = Pythag(f, gg);
          w[i] = h;
          h = 1.0 / h;
          c = gg * h;
          s = -f * h;
          if (WantUV) RotateColumns(ACol(nm), ACol(i), m, c, s);
        }
      }
      double z = w[k];
      if (l == k) {
        if (z < 0) {
          w[k] = -z;
          if (WantUV) {
            double* vk = VCol(k);
            for (int j = 0; j < n; ++j) vk[j] = -vk[j];
          }
        }
        break;
      }
      if (its == 30) return false;
      // Shift from the bottom 2 × 2 minor.
      double x = w[l];
      const int nm = k - 1;
      double y = w[nm];
      double gg = rv1[nm];
      double h = rv1[k];
      double f = ((y - z) * (y + z) + (gg - h) * (gg + h)) / (2.0 * h * y);
      gg = Pythag(f, 1.0);
      f = ((x - z) * (x + z) + h * ((y / (f + SignOf(gg, f))) - h)) / x;
      // Next QR transformation (a chase of the bulge down the diagonal).
      double c = 1, s = 1;
      for (int j = l; j <= nm; ++j) {
        const int i = j + 1;
        gg = rv1[i];
        y = w[i];
        h = s * gg;
        gg = c * gg;
        z = Pythag(f, h);
        rv1[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + gg * s;
        gg = gg * c - x * s;
        h = y * s;
        y *= c;
        if (WantUV) RotateColumns(VCol(j), VCol(i), n, c, s);
        z = Pythag(f, h);
        w[j] = z;
        // With z = 0 the rotation is arbitrary; the previous one is kept.
        if (z != 0) {
          z = 1.0 / z;
          c = f * z;
          s = h * z;
        }
        f = c * gg + s * y;
        x = c * y - s * gg;
        if (WantUV) RotateColumns(ACol(j), ACol(i), m, c, s);
      }
      rv1[l] = 0;
      rv1[k] = f;
      w[k] = x;
    }
  }
  return true;
}

}  // namespace

bool SingValDecompRaw(int M, int N, double* A, std::size_t LdA, double* W, double* V, std::size_t LdV,
                      bool WantUV) {
  if (N <= 0) return true;
  if (M < 0) M = 0;
  TGolubReinsch svd(M, N, A, LdA, W, V, LdV);
  if (!svd.Bidiagonalize()) return false;
  if (WantUV && !(svd.AccumulateRight() && svd.AccumulateLeft())) return false;
  return svd.Diagonalize(WantUV);
}

}  // namespace zel
