// Interpolation in tables, histogram bins, bounds and plane geometry.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>
#include <utility>

#include "zel_math1_sort.h"

namespace zel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = std::numbers::pi;

// Value at X on the line through (Xa, Ya) and (Xb, Yb), anchored at Xa so
// that X = Xa gives Ya exactly. A segment of zero length has no slope; its
// ordinate is the only sensible answer.
double LineThrough(double X, double Xa, double Ya, double Xb, double Yb) noexcept {
  if (Xa == Xb) return Ya;
  const double slope = (Yb - Ya) / (Xb - Xa);
  return slope * (X - Xa) + Ya;
}

template <class T>
double InterpolEquallySpaced(double X, double X0, double X1, const std::vector<T>& Table) {
  const std::size_t n = Table.size();
  if (n < 2) throw EZELMath1Error("InterpolTable: pivot array must contain at least 2 values");
  if (X0 == X1) throw EZELMath1Error("InterpolTable: specified range of pivot array is zero");
  const auto at = [&Table](std::size_t i) { return static_cast<double>(Table[i]); };
  const double last = static_cast<double>(n - 1);
  const double pos = (X - X0) / ((X1 - X0) / last);  // position in steps from X0
  // "Outside" is decided on the real position, before any conversion to an
  // integer index (which NaN or a huge position would not survive).
  if (std::isnan(pos)) return kNaN;
  // The quotient above can miss n - 1 by an ulp at X1 itself, which would
  // blend in the last value's neighbour.
  if (X == X1) return at(n - 1);
  if (pos < 0) return at(0) + pos * (at(1) - at(0));
  if (pos >= last) return at(n - 1) + (pos - last) * (at(n - 1) - at(n - 2));
  const std::size_t i = std::min(static_cast<std::size_t>(pos), n - 2);
  return at(i) + (pos - static_cast<double>(i)) * (at(i + 1) - at(i));
}

}  // namespace

// ---- interpolation --------------------------------------------------------------

double InterpolTable(double X, double X0, double X1, const TDoubleArray& Table) {
  return InterpolEquallySpaced(X, X0, X1, Table);
}

double InterpolTable(double X, double X0, double X1, const TIntArray& Table) {
  return InterpolEquallySpaced(X, X0, X1, Table);
}

double InterpolXYTable(double X, const TDouble2DArray& Table, bool Extrapolate) {
  // The row check comes first, as callers expect, but only when there is a row to check.
  if (!Table.empty() && Table[0].size() < 2)
    throw EZELMath1Error("InterpolXYTable: pivot array must contain at least 2 rows");
  if (Table.size() != 2) throw EZELMath1Error("InterpolXYTable: pivot array must contain 2 columns");
  const TDoubleArray& xs = Table[0];
  const TDoubleArray& ys = Table[1];
  if (ys.size() != xs.size()) throw EZELMath1Error("InterpolXYTable: abscissas and ordinates differ in length");
  if (std::isnan(X)) return kNaN;

  const std::size_t n = xs.size();
  const double xFirst = xs[0];
  const double xLast = xs[n - 1];
  const bool ascending = !(xLast < xFirst);
  if (ascending ? X <= xFirst : X >= xFirst) return Extrapolate ? LineThrough(X, xFirst, ys[0], xs[1], ys[1]) : 0;
  if (ascending ? X >= xLast : X <= xLast)
    return Extrapolate ? LineThrough(X, xLast, ys[n - 1], xs[n - 2], ys[n - 2]) : 0;
  if (ascending) {
    std::size_t i = 0;  // xs[i] <= X < xs[i + 1]
    while (i + 2 < n && xs[i + 1] <= X) ++i;
    return LineThrough(X, xs[i], ys[i], xs[i + 1], ys[i + 1]);
  }
  std::size_t j = n - 1;  // from the end: xs[j] <= X < xs[j - 1]
  while (j > 1 && xs[j - 1] <= X) --j;
  return LineThrough(X, xs[j], ys[j], xs[j - 1], ys[j - 1]);
}

double InterpolZofXYRect(double Za, double Zb, double Zc, double Zd, double S, double T) noexcept {
  return (1 - T) * (Za + S * (Zc - Za)) + T * (Zb + S * (Zd - Zb));
}

double HistoBinRef(double X, double Origin, double Width, double& Offset) noexcept {
  if (Width == 0) {  // no bins: every value is its own edge
    Offset = 0;
    return X;
  }
  const double edge = Origin + Width * std::floor((X - Origin) / Width);
  Offset = X - edge;
  return edge;
}

// ---- bounds ---------------------------------------------------------------------

bool WithinBounds(double X, double B1, double B2) noexcept {
  return B1 <= B2 ? (B1 <= X && X <= B2) : (B2 <= X && X <= B1);
}

bool WithinBounds(double X, double B1, double B2, double Margin) noexcept {
  const double lo = std::min(B1, B2) - Margin;
  const double hi = std::max(B1, B2) + Margin;
  return lo <= X && X <= hi;
}

namespace {
template <class T>
T Confine(T X, T B1, T B2) noexcept {
  const T lo = B1 < B2 ? B1 : B2;
  const T hi = B1 < B2 ? B2 : B1;
  return X < lo ? lo : (hi < X ? hi : X);
}
}  // namespace

double ConfineValue(double X, double B1, double B2) noexcept { return Confine(X, B1, B2); }
float ConfineValue(float X, float B1, float B2) noexcept { return Confine(X, B1, B2); }
int ConfineValue(int X, int B1, int B2) noexcept { return Confine(X, B1, B2); }

bool WithinRect(const TPointDouble& P, const TRectDouble& R) noexcept {
  return WithinBounds(P.x, R.Left, R.Right) && WithinBounds(P.y, R.Top, R.Bottom);
}

bool ConfinePointToRect(TPointDouble& P, const TRectDouble& R) noexcept {
  bool changed = false;
  const auto clampAxis = [&changed](double& V, double B1, double B2) {
    const double lo = std::min(B1, B2);
    const double hi = std::max(B1, B2);
    if (V < lo) {
      V = lo;
      changed = true;
    } else if (V > hi) {
      V = hi;
      changed = true;
    }
  };
  clampAxis(P.x, R.Left, R.Right);
  clampAxis(P.y, R.Top, R.Bottom);
  return changed;
}

// ---- plane geometry -------------------------------------------------------------

double EuclideanDistance(const TPointDouble& P1, const TPointDouble& P2) noexcept {
  return std::hypot(P2.x - P1.x, P2.y - P1.y);
}

double EuclideanDistance(double X1, double Y1, double X2, double Y2) noexcept { return std::hypot(X2 - X1, Y2 - Y1); }

double AngleToXAxis(double Dx, double Dy) noexcept {
  if (Dx == 0) return Dy > 0 ? kPi / 2 : 3 * kPi / 2;
  double a = std::atan(Dy / Dx);
  if (Dx < 0) a += kPi;
  if (a < 0) a += 2 * kPi;
  return a;
}

namespace {
double CanonicalAngle(double X, double Full, double Half) noexcept {
  // An infinite angle has no direction (the fractional part of inf is 0).
  if (std::isinf(X)) return kNaN;
  if (X > Full || X < -Full) {
    double whole;
    X = std::modf(X / Full, &whole) * Full;
  }
  if (X > Half)
    X -= Full;
  else if (X < -Half)
    X += Full;
  return X;
}
}  // namespace

double CanonicalAngleRadians(double X) noexcept { return CanonicalAngle(X, 2 * kPi, kPi); }
double CanonicalAngleDegrees(double X) noexcept { return CanonicalAngle(X, 360.0, 180.0); }

int CcwTriangle(const TPointDouble& P1, const TPointDouble& P2, const TPointDouble& P3) noexcept {
  const double cross = (P2.x - P1.x) * (P3.y - P1.y) - (P2.y - P1.y) * (P3.x - P1.x);
  return cross > 0 ? 1 : (cross < 0 ? -1 : 0);
}

bool SegmentsIntersect(const TPointDouble& A1, const TPointDouble& A2, const TPointDouble& B1,
                       const TPointDouble& B2) noexcept {
  if (CcwTriangle(A1, A2, B1) * CcwTriangle(A1, A2, B2) > 0) return false;
  return CcwTriangle(B1, B2, A1) * CcwTriangle(B1, B2, A2) <= 0;
}

double DistanceToSegment(const TPointDouble& P, const TPointDouble& S1, const TPointDouble& S2) noexcept {
  const double dx = S2.x - S1.x;
  const double dy = S2.y - S1.y;
  const double len2 = dx * dx + dy * dy;
  const double t = len2 == 0 ? -1 : ((P.x - S1.x) * dx + (P.y - S1.y) * dy) / len2;
  TPointDouble nearest = S1;
  if (t > 1)
    nearest = S2;
  else if (t >= 0)
    nearest = {S1.x + t * dx, S1.y + t * dy};
  return EuclideanDistance(P, nearest);
}

namespace {

int SaturateToInt(std::int64_t V) noexcept { return V > INT_MAX ? INT_MAX : static_cast<int>(V); }

// The integer nearest to sqrt(Sq), exactly (no ties exist for integer Sq:
// (r + 1/2)^2 is never an integer). Sq < 2^63.
std::uint64_t RoundedSqrt(std::uint64_t Sq) noexcept {
  auto r = static_cast<std::uint64_t>(std::llround(std::sqrt(static_cast<long double>(Sq))));
  while (r * r + r < Sq) ++r;              // sqrt(Sq) > r + 1/2
  while (r > 0 && Sq <= r * r - r) --r;    // sqrt(Sq) < r - 1/2
  return r;
}

}  // namespace

int DistFromRect(const TPoint& P, const TRect& R) noexcept {
  // Differences of two ints need 33 bits, their squares up to 64: int64
  // differences, squares only where they cannot overflow.
  const std::int64_t x = P.X, y = P.Y;
  const std::int64_t left = R.Left, top = R.Top, right = R.Right, bottom = R.Bottom;
  if (x > left && x < right && y >= top && y <= bottom) return 0;
  if (y > top && y < bottom) return SaturateToInt(x >= right ? x - right : left - x);
  if (x > left && x < right) return SaturateToInt(y < top ? top - y : y - bottom);
  constexpr std::int64_t kLimit = INT_MAX;  // a corner this far away saturates anyway
  std::uint64_t best = UINT64_MAX;
  for (const std::int64_t cx : {left, right}) {
    for (const std::int64_t cy : {top, bottom}) {
      const std::int64_t dx = x - cx, dy = y - cy;
      if (dx > kLimit || dx < -kLimit || dy > kLimit || dy < -kLimit) continue;
      best = std::min(best, static_cast<std::uint64_t>(dx * dx + dy * dy));
    }
  }
  if (best == UINT64_MAX) return INT_MAX;
  return SaturateToInt(static_cast<std::int64_t>(RoundedSqrt(best)));
}

namespace {

// Root of F(t) = (r0 z0 / (t + r0))^2 + (z1 / (t + 1))^2 - 1 by bisection.
// The bracket [z1 - 1, |(r0 z0, z1)| - 1] (outside) or [z1 - 1, 0] (inside)
// contains exactly one root; bisection is slower than Newton but cannot
// leave it, and 1075 halvings exhaust any double interval.
double EllipseRoot(double R0, double Z0, double Z1, double G) noexcept {
  const double n0 = R0 * Z0;
  double s0 = Z1 - 1;
  double s1 = G < 0 ? 0 : std::hypot(n0, Z1) - 1;
  double s = 0;
  for (int i = 0; i < 1075; ++i) {
    s = (s0 + s1) / 2;
    if (s == s0 || s == s1) break;
    const double ratio0 = n0 / (s + R0);
    const double ratio1 = Z1 / (s + 1);
    const double g = ratio0 * ratio0 + ratio1 * ratio1 - 1;
    if (g > 0)
      s0 = s;
    else if (g < 0)
      s1 = s;
    else
      break;
  }
  return s;
}

// Closest point (X0, X1) of the ellipse with semi-axes E0 >= E1 >= 0 to the
// point (Y0, Y1) of the first quadrant.
void ClosestOnQuadrant(double E0, double E1, double Y0, double Y1, double& X0, double& X1) noexcept {
  if (Y1 > 0) {
    if (Y0 > 0) {
      if (E1 == 0) {  // flat ellipse: the segment [-E0, E0] on the first axis
        X0 = std::min(Y0, E0);
        X1 = 0;
        return;
      }
      const double z0 = Y0 / E0;
      const double z1 = Y1 / E1;
      const double g = z0 * z0 + z1 * z1 - 1;
      if (g == 0) {
        X0 = Y0;
        X1 = Y1;
        return;
      }
      const double r0 = (E0 / E1) * (E0 / E1);
      const double t = EllipseRoot(r0, z0, z1, g);
      X0 = r0 * Y0 / (t + r0);
      X1 = Y1 / (t + 1);
    } else {
      X0 = 0;
      X1 = E1;
    }
    return;
  }
  const double numer0 = E0 * Y0;
  const double denom0 = E0 * E0 - E1 * E1;
  if (numer0 < denom0) {
    const double q = numer0 / denom0;
    X0 = E0 * q;
    X1 = E1 * std::sqrt(1 - q * q);
  } else {
    X0 = E0;
    X1 = 0;
  }
}

}  // namespace

double DistFromEllipse(const TPointDouble& P, double Cx, double Cy, double Ax, double Ay,
                       TPointDouble& Closest) noexcept {
  double e0 = std::fabs(Ax), e1 = std::fabs(Ay);
  double u = P.x - Cx, w = P.y - Cy;
  const bool swapped = e0 < e1;  // the algorithm wants the larger semi-axis first
  if (swapped) {
    std::swap(e0, e1);
    std::swap(u, w);
  }
  const double y0 = std::fabs(u), y1 = std::fabs(w);
  double x0 = 0, x1 = 0;
  ClosestOnQuadrant(e0, e1, y0, y1, x0, x1);
  // Measured in the first quadrant, before the translation back can round.
  const double dist = std::hypot(x0 - y0, x1 - y1);
  if (u < 0) x0 = -x0;
  if (w < 0) x1 = -x1;
  if (swapped) std::swap(x0, x1);
  Closest = {Cx + x0, Cy + x1};
  return dist;
}

}  // namespace zel
