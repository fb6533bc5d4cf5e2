// The cyclic Jacobi method written the plain way (upper triangle of a
// row-major array, the three row/column ranges of the textbook loop): the
// reference that CalcEigVec must match bit for bit, shared by the tests and
// the benchmark.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace zel::test {

struct TextbookJacobi {
  std::vector<double> d, v;  // eigenvalues; v[c·n + k] = component c of vector k
  int passes = 0;            // passes made (the last one found sm = 0)
  bool converged = false;

  TextbookJacobi(int n, std::vector<double> a) {
    const auto A = [&](int i, int j) -> double& { return a[static_cast<std::size_t>(i) * n + j]; };
    v.assign(static_cast<std::size_t>(n) * n, 0.0);
    for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i) * n + i] = 1;
    std::vector<double> b(n), z(n, 0.0);
    d.resize(n);
    for (int i = 0; i < n; ++i) b[i] = d[i] = A(i, i);
    const auto rot = [](double& g, double& h, double s, double tau) {
      const double x = g, y = h;
      g = x - s * (y + x * tau);
      h = y + s * (x - y * tau);
    };
    for (int pass = 1; pass <= 100; ++pass) {
      passes = pass;
      double sm = 0;
      for (int p = 0; p < n - 1; ++p)
        for (int q = p + 1; q < n; ++q) sm += std::fabs(A(p, q));
      if (sm == 0) {
        converged = true;
        return;
      }
      const double thresh = pass < 4 ? 0.2 * sm / (static_cast<double>(n) * n) : 0.0;
      for (int p = 0; p < n - 1; ++p)
        for (int q = p + 1; q < n; ++q) {
          const double g = 200.0 * std::fabs(A(p, q));
          const long double lg = g, dp = std::fabs(d[p]), dq = std::fabs(d[q]);
          if (pass > 4 && dp + lg == dp && dq + lg == dq) {
            A(p, q) = 0;
          } else if (std::fabs(A(p, q)) > thresh) {
            double h = d[q] - d[p], t;
            if (std::fabs(h) + g == std::fabs(h)) {
              t = A(p, q) / h;
            } else {
              const double theta = h / (2.0 * A(p, q));
              t = 1.0 / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
              if (theta < 0) t = -t;
            }
            const double c = 1.0 / std::sqrt(t * t + 1), s = t * c, tau = s / (1.0 + c);
            h = t * A(p, q);
            z[p] -= h;
            z[q] += h;
            d[p] -= h;
            d[q] += h;
            A(p, q) = 0;
            for (int j = 0; j < p; ++j) rot(A(j, p), A(j, q), s, tau);
            for (int j = p + 1; j < q; ++j) rot(A(p, j), A(j, q), s, tau);
            for (int j = q + 1; j < n; ++j) rot(A(p, j), A(q, j), s, tau);
            for (int j = 0; j < n; ++j) rot(v[static_cast<std::size_t>(j) * n + p], v[static_cast<std::size_t>(j) * n + q], s, tau);
          }
        }
      for (int k = 0; k < n; ++k) {
        b[k] += z[k];
        d[k] = b[k];
        z[k] = 0;
      }
    }
  }
};

}  // namespace zel::test
