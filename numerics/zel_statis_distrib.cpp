// Special functions and probability distributions.
//
// The incomplete gamma and beta functions are evaluated once, in extended
// precision, by a core that returns both tails; each public function takes
// the tail that is small so that it keeps its relative accuracy (the other is
// 1 minus it, which is then harmless). The routines fixed by name and formula
// (LnGamma, IncompleteGamma, IncompleteBeta, the normal law, the
// hypergeometric density) use the six-term Lanczos LnGamma; the t, F,
// chi-square and binomial laws use the extended-precision lgammal, because
// at large degrees of freedom the prefactor a ln x - x - ln Gamma(a) is a
// difference of numbers of order a ln a and a double LnGamma would lose
// about a ln a * 1e-16 of it. For large parameters (see kUniformMinA and
// kBetaStirlingMinAB) no ln Gamma difference is formed at all; the results
// there differ from the Lanczos-based formulas by at most that
// approximation's own error.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>
#include <vector>

#include "zel_numeric.h"
#include "zel_statis.h"

namespace zel {

namespace {

using LD = long double;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Stop when a relative change falls below this: a few units of the double
// epsilon, well above the extended epsilon (1.1e-19) that the sums carry.
constexpr LD kRelTol = 1e-17L;
// Lentz's guard against a zero denominator.
constexpr LD kTiny = 1e-4000L;

// Both regularised tails of a distribution function; a NaN pair reports
// that the series or fraction did not converge within its bound.
struct Tails {
  LD lower;
  LD upper;
};

constexpr Tails kFailed{std::numeric_limits<LD>::quiet_NaN(), std::numeric_limits<LD>::quiet_NaN()};

// Series and continued fractions of the incomplete gamma and beta functions
// need O(sqrt(a)) terms near the mean (the terms decay like exp(-n^2 / 2a)):
// 40 sqrt(a) covers more than 8 standard deviations. The absolute cap keeps a
// call below about 50 ms; parameters that need more (about 1e9 and up near
// the mean) fail.
long IterationBound(LD a) {
  const LD n = 200 + 40 * std::sqrt(a);
  return n > 5e6L ? 5000000L : static_cast<long>(n);
}

double ToDouble(LD v) { return static_cast<double>(v); }

// The unit's LnGamma (six-term Lanczos series, error about 2e-10), evaluated
// in extended precision: its own error is then the only one, and the
// differences ln Gamma(a+b) - ln Gamma(a) - ln Gamma(b) of the incomplete
// gamma and beta prefactors, of order a ln a, do not add double rounding.
LD LanczosLnGamma(LD x) {
  static constexpr LD c[6] = {76.18009173L, -86.50532033L, 24.01409822L, -1.231739516L, 0.00120858003L, -0.00000536382L};
  LD s = 1;
  for (int i = 0; i < 6; ++i) s += c[i] / (x + i);
  return (x - 0.5L) * std::log(x + 4.5L) - (x + 4.5L) + std::log(2.5066282746310005L * s);
}

LD LnGammaL(LD x) {
  int sign = 0;
  return lgammal_r(x, &sign);
}

// From this shape parameter on, the incomplete gamma function is evaluated by
// Temme's uniform asymptotic expansion instead of the series and continued
// fraction. Two reasons: those need O(sqrt(a)) terms, and their prefactor
// a ln x - x - ln Gamma(a) is a difference of numbers of order a ln a, whose
// rounding in extended precision (a ln a * 5e-20) reaches 1e-9 at a = 1e9 and
// makes results plausible but wrong beyond 1e10 (P(1e16, 1e16 + 1e8) came out
// 0.8416 instead of 0.84134). The expansion's first omitted term is of order
// C2(eta) / a^2 relative to a correction that is itself O(a^-1/2), below 1e-17
// here; at 1e7 both methods are available and agree (see the tests).
constexpr LD kUniformMinA = 1e7L;

// mu - ln(1 + mu) for 1 + mu = v / v0 > 0, given d = v - v0 (mu = d / v0),
// without the cancellation of the two terms near mu = 0: the Taylor series
// mu^2/2 - mu^3/3 + ... for |mu| < 0.1 (40 terms leave 0.1^40, far below the
// extended epsilon). Elsewhere ln(v / v0) from v itself, because 1 + d / v0
// loses v entirely when v is below v0 * 1e-19.
LD MuMinusLog1p(LD d, LD v, LD v0) {
  const LD mu = d / v0;
  if (std::fabs(mu) >= 0.1L) return mu - std::log(v / v0);
  LD s = 0;
  LD pw = mu;
  for (int k = 2; k <= 40; ++k) {
    pw *= -mu;    // -(-mu)^k
    s -= pw / k;  // + (-mu)^k / k
  }
  return s;
}

// delta(z) = ln Gamma(z) - ((z - 1/2) ln z - z + ln(2 pi) / 2), Stirling's
// remainder. Its asymptotic series 1/(12z) - 1/(360z^3) + ... from z = 20 on
// (the first omitted term, 691 / (360360 z^11), is below 1e-17 there);
// below, the difference directly, whose terms are too small to cancel badly.
LD StirlingRest(LD z) {
  if (z < 20) return LnGammaL(z) - ((z - 0.5L) * std::log(z) - z + std::log(2 * std::numbers::pi_v<LD>) / 2);
  const LD w = 1 / (z * z);
  return (1.0L / 12 + w * (-1.0L / 360 + w * (1.0L / 1260 + w * (-1.0L / 1680 + w * (1.0L / 1188))))) / z;
}

// Both tails of the incomplete gamma function for large a by Temme's uniform
// expansion (N. M. Temme, SIAM J. Math. Anal. 10 (1979) 757; the form of
// DiDonato and Morris, ACM TOMS 12 (1986) 377):
//   Q(a, x) = erfc(eta sqrt(a/2)) / 2 + R,  P(a, x) = erfc(-eta sqrt(a/2)) / 2 - R,
//   R = exp(-a eta^2 / 2) / sqrt(2 pi a) * (C0(eta) + C1(eta) / a + ...),
// with lambda = x / a, eta^2 / 2 = lambda - 1 - ln lambda, eta of the sign of
// lambda - 1. Only a and x - a enter, both exact, so nothing of order a ln a
// has to cancel. C0 = 1/(lambda-1) - 1/eta and C1 = 1/eta^3 - 1/(lambda-1)^3
// - 1/(lambda-1)^2 - 1/(12 (lambda-1)) cancel near eta = 0, where their
// Taylor series in eta take over.
Tails TemmeTails(LD x, LD a) {
  const LD mu = (x - a) / a;  // x - a exact in extended precision for double a, x
  const LD half2 = MuMinusLog1p(x - a, x, a);  // eta^2 / 2
  const LD eta = std::copysign(std::sqrt(2 * half2), mu);
  LD c0;
  LD c1;
  if (std::fabs(eta) < 0.01L) {
    // Truncation after eta^4: |eta|^5 * 139/777600 < 2e-14 of C0.
    c0 = -1.0L / 3 + eta * (1.0L / 12 + eta * (-2.0L / 135 + eta * (1.0L / 864 + eta * (1.0L / 2835))));
  } else {
    c0 = 1 / mu - 1 / eta;
  }
  if (std::fabs(eta) < 0.1L) {
    // C1 enters divided by a >= 1e7: three terms are plenty.
    c1 = -1.0L / 540 + eta * (-1.0L / 288 + eta * (1.0L / 378));
  } else {
    c1 = 1 / (eta * eta * eta) - 1 / (mu * mu * mu) - 1 / (mu * mu) - 1 / (12 * mu);
  }
  const LD r = std::exp(-a * half2) / std::sqrt(2 * std::numbers::pi_v<LD> * a) * (c0 + c1 / a);
  const LD w = eta * std::sqrt(a / 2);
  if (eta > 0) {
    const LD q = std::erfc(w) / 2 + r;
    return {1 - q, q};
  }
  const LD p = std::erfc(-w) / 2 - r;
  return {p, 1 - p};
}

// P(a, x) and Q(a, x) for finite a > 0, x > 0, given ln Gamma(a) (unused
// from kUniformMinA on). Series for x < a + 1 (where it converges
// geometrically), otherwise the Legendre continued fraction for Q by the
// modified Lentz method.
Tails GammaTails(LD x, LD a, LD lnGammaA) {
  if (a >= kUniformMinA) return TemmeTails(x, a);
  const LD lnPre = a * std::log(x) - x - lnGammaA;
  const long bound = IterationBound(a);
  if (x < a + 1) {
    LD term = 1 / a;
    LD sum = term;
    for (long n = 1;; ++n) {
      if (n > bound) return kFailed;
      term *= x / (a + static_cast<LD>(n));  // a + n, not a running b += 1: exact for a up to 2^64
      sum += term;
      if (std::fabs(term) < std::fabs(sum) * kRelTol) break;
    }
    const LD p = std::exp(lnPre) * sum;
    return {p, 1 - p};
  }
  LD b = x + 1 - a;
  LD c = 1 / kTiny;
  LD d = 1 / b;
  LD h = d;
  for (long i = 1;; ++i) {
    if (i > bound) return kFailed;
    const LD an = -static_cast<LD>(i) * (static_cast<LD>(i) - a);
    b += 2;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    const LD del = d * c;
    h *= del;
    if (std::fabs(del - 1) < kRelTol) break;
  }
  const LD q = std::exp(lnPre) * h;
  return {1 - q, q};
}

// Continued fraction of I_x(a, b) (even and odd steps as in the classic
// formulation), by modified Lentz; NaN when it does not converge.
LD BetaFraction(LD x, LD a, LD b) {
  const LD qab = a + b;
  const LD qap = a + 1;
  const LD qam = a - 1;
  LD c = 1;
  LD d = 1 - qab * x / qap;
  if (std::fabs(d) < kTiny) d = kTiny;
  d = 1 / d;
  LD h = d;
  const long bound = IterationBound(a > b ? a : b);
  for (long m = 1;; ++m) {
    if (m > bound) return std::numeric_limits<LD>::quiet_NaN();
    const LD lm = static_cast<LD>(m);
    const LD m2 = 2 * lm;
    LD aa = lm * (b - lm) * x / ((qam + m2) * (a + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    h *= d * c;
    aa = -(a + lm) * (qab + lm) * x / ((a + m2) * (qap + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    const LD del = d * c;
    h *= del;
    if (std::fabs(del - 1) < kRelTol) break;
  }
  return h;
}

// I_x(a, b) and 1 - I_x(a, b) for 0 < x < 1 with y = 1 - x given separately
// (callers compute it without cancellation, e.g. f / (f + t^2)).
//
// From a or b = kBetaStirlingMinAB on, the prefactor x^a y^b / B(a, b) is not taken
// from lnBetaAB: a ln x + b ln y - ln B(a, b) is then a difference of terms of
// order a ln a whose rounding grows like a * 5e-20 (I_0.5(a, a) was off by
// 2.5e-8 at a = 1e10 and 2e-4 at 1e14). Writing x = x0 (1 + mu1), y = y0 (1 +
// mu2) about the mean x0 = a / (a + b), and ln Gamma by Stirling's formula
// plus its remainder delta, the large terms cancel analytically
// (a mu1 + b mu2 = 0):
//   ln(x^a y^b / B) = -a (mu1 - ln(1 + mu1)) - b (mu2 - ln(1 + mu2))
//                     + ln(a b / (2 pi (a + b))) / 2 + delta(a + b) - delta(a) - delta(b).
constexpr LD kBetaStirlingMinAB = 1e4L;

Tails BetaTails(LD x, LD y, LD a, LD b, LD lnBetaAB) {
  LD lnPre;
  if (a >= kBetaStirlingMinAB || b >= kBetaStirlingMinAB) {
    const LD x0 = a / (a + b);
    const LD y0 = b / (a + b);
    const LD d = x < 0.5L ? x - x0 : y0 - y;  // x - x0 from the smaller of x and y
    lnPre = -a * MuMinusLog1p(d, x, x0) - b * MuMinusLog1p(-d, y, y0) +
            std::log(a * b / (2 * std::numbers::pi_v<LD> * (a + b))) / 2 + StirlingRest(a + b) - StirlingRest(a) -
            StirlingRest(b);
  } else {
    lnPre = a * std::log(x) + b * std::log(y) - lnBetaAB;
  }
  if (x < (a + 1) / (a + b + 2)) {
    const LD p = std::exp(lnPre) * BetaFraction(x, a, b) / a;
    return {p, 1 - p};
  }
  const LD q = std::exp(lnPre) * BetaFraction(y, b, a) / b;
  return {1 - q, q};
}

LD LnBetaL(LD a, LD b) { return LnGammaL(a) + LnGammaL(b) - LnGammaL(a + b); }

// Both tails of the standard normal law at z, from the incomplete gamma
// function with the Lanczos LnGamma(1/2).
Tails NormalTails(double z) {
  if (z == 0) return {0.5L, 0.5L};
  if (std::isinf(z)) return z > 0 ? Tails{1, 0} : Tails{0, 1};
  const Tails g = GammaTails(static_cast<LD>(z) * z / 2, 0.5L, LanczosLnGamma(0.5L));
  // Phi(-|z|) = Q(1/2, z^2/2) / 2
  const LD small = g.upper / 2;
  return z > 0 ? Tails{1 - small, small} : Tails{small, 1 - small};
}

}  // namespace

// ================================================================ special

double LnGamma(double x) {
  if (std::isnan(x)) return x;
  if (x <= 0) return 0;
  if (std::isinf(x)) return x;
  return ToDouble(LanczosLnGamma(x));
}

double IncompleteGamma(double x, double a) {
  if (std::isnan(x) || std::isnan(a)) return kNaN;
  if (x <= 0 || a <= 0) return 0;
  if (std::isinf(a)) return std::isinf(x) ? kNaN : 0;
  if (std::isinf(x)) return 1;
  return ToDouble(GammaTails(x, a, LanczosLnGamma(a)).lower);
}

double Erf(double x) {
  if (std::isnan(x)) return x;
  if (x == 0) return 0;
  if (std::isinf(x)) return x > 0 ? 1 : -1;
  // x^2 in extended precision: in double it underflows below 1e-162 (and
  // Erf would be 0 where it is 2x/sqrt(pi)) and overflows above 1e154.
  const LD p = GammaTails(static_cast<LD>(x) * x, 0.5L, LanczosLnGamma(0.5L)).lower;
  return ToDouble(x > 0 ? p : -p);
}

double ErfApprox(double x) {
  if (std::isnan(x)) return x;
  const double z = std::fabs(x);
  const double t = 1 / (1 + z / 2);
  const double erfc =
      t * std::exp(-z * z - 1.26551223 +
                   t * (1.00002368 +
                        t * (0.37409196 +
                             t * (0.09678418 +
                                  t * (-0.18628806 +
                                       t * (0.27886807 +
                                            t * (-1.13520398 + t * (1.48851587 + t * (-0.82215223 + t * 0.17087277)))))))));
  return x >= 0 ? 1 - erfc : erfc - 1;
}

double IncompleteBeta(double x, double a, double b) {
  if (std::isnan(x) || std::isnan(a) || std::isnan(b)) return kNaN;
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  if (a <= 0 || b <= 0) return 0;
  // Limits for one infinite parameter: the mass moves to 1 (a) or 0 (b).
  if (std::isinf(a) || std::isinf(b)) return std::isinf(a) && std::isinf(b) ? kNaN : std::isinf(a) ? 0 : 1;
  // The prefactor bt uses LnGamma as the unit defines it (error ~2e-10).
  const LD lnB = LanczosLnGamma(a) + LanczosLnGamma(b) - LanczosLnGamma(static_cast<LD>(a) + b);
  return ToDouble(BetaTails(x, 1 - static_cast<LD>(x), a, b, lnB).lower);
}

double LnBeta(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return kNaN;
  if (a < 0 || b < 0) return 0;
  if (a == 0 || b == 0) return 0;  // LnGamma(0) = 0 makes the two other terms cancel
  return ToDouble(LanczosLnGamma(a) + LanczosLnGamma(b) - LanczosLnGamma(static_cast<LD>(a) + b));
}

std::int64_t BinomCoeff(int n, int k) {
  if (n < 0 || k < 0 || n < k) return 0;
  if (k > n - k) k = n - k;
  // C(n, i+1) = C(n, i) (n - i) / (i + 1), exactly: with g = gcd(C, i + 1),
  // (i + 1) / g divides n - i, so no intermediate exceeds the result.
  std::int64_t c = 1;
  for (int i = 0; i < k; ++i) {
    std::int64_t num = n - i;
    std::int64_t den = i + 1;
    std::int64_t g = std::gcd(c, den);
    const std::int64_t cg = c / g;
    den /= g;
    num /= den;
    if (__builtin_mul_overflow(cg, num, &c)) return -1;
  }
  return c;
}

double LnBinomCoeff(int n, int k) {
  if (n < 0 || k < 0 || n < k) return -1;
  return ToDouble(LanczosLnGamma(n + 1.0L) - LanczosLnGamma(k + 1.0L) - LanczosLnGamma(n - k + 1.0L));
}

// ================================================================ normal

double nDistriDensity(double x) {
  if (std::isnan(x)) return x;
  return uc_sqrt2pitom1 * std::exp(-x * x / 2);
}

double nDistriIntegral(double x) {
  if (std::isnan(x)) return x;
  return ToDouble(NormalTails(x).lower);
}

double nDistriQuantile(double p) {
  if (!(p > 0 && p < 1)) return 0;
  // Solve Phi(z) = q on the lower tail z <= 0, q = min(p, 1 - p) (exact for
  // p >= 1/2): there Phi keeps full relative accuracy, whereas near 1 a
  // relative test on p is met long before z is right.
  const double q = p < 0.5 ? p : 1 - p;
  if (q == 0.5) return 0;
  // Rational start value (Abramowitz & Stegun 26.2.23, |error| < 4.5e-4).
  const double t = std::sqrt(-2 * std::log(q));
  const double z0 = -(t - (2.515517 + 0.802853 * t + 0.010328 * t * t) /
                              (1 + 1.432788 * t + 0.189269 * t * t + 0.001308 * t * t * t));
  const double w = 0.1 * std::max(std::fabs(z0), 0.1);
  double lo = z0 - w;
  double hi = std::min(z0 + w, 0.0);
  // The start value's error keeps the root inside; widen (boundedly) anyway.
  for (int i = 0; i < 60 && NormalTails(lo).lower > q; ++i) lo -= w * (1 << std::min(i, 20));
  // Bisect until the bracket stops shrinking: about 55 steps, capped.
  for (int i = 0; i < 200; ++i) {
    const double z = lo + (hi - lo) / 2;
    if (z <= lo || z >= hi) break;
    const LD f = NormalTails(z).lower;
    if (f == q) {
      lo = hi = z;
      break;
    }
    if (f < q) {
      lo = z;
    } else {
      hi = z;
    }
  }
  const double z = lo + (hi - lo) / 2;
  return p < 0.5 ? z : -z;
}

// ==================================================== t, F and chi-square

namespace {

// Finds x > 0 with Tail(x) = q, where Tail is the lower (increasing) or upper
// (decreasing) tail of a continuous law on x > 0 and Dens its density.
// Newton steps on g(y) = ln Tail(e^y) - ln q: in y = ln x power-law tails
// become straight lines and exponential ones convex, so Newton converges
// from far away; any step that leaves the bracket is replaced by bisection.
// Returns +inf when the root lies beyond the double range, 0 when below it,
// NaN when the tail itself fails.
template <class TailFn, class DensFn>
double SolveTail(TailFn Tail, DensFn Dens, bool Upper, LD q, double Guess) {
  constexpr LD kYMin = -745.2L;  // ln of the smallest double
  constexpr LD kYMax = 709.78L;  // ln of the largest double
  const LD lnq = std::log(q);
  const LD s = Upper ? -1 : 1;  // s * g increases with y
  auto g = [&](LD y) -> LD {
    const LD t = Tail(std::exp(y));
    if (std::isnan(t)) return t;
    return t > 0 ? std::log(t) - lnq : -std::numeric_limits<LD>::infinity();
  };
  LD y = std::log(static_cast<LD>(Guess > 0 && std::isfinite(Guess) ? Guess : 1.0));
  LD gy = g(y);
  if (std::isnan(gy)) return kNaN;
  LD lo = kYMin;
  LD hi = kYMax;
  // Bracket by steps 1, 2, 4, ... away from the guess (at most 11 steps).
  if (s * gy < 0) {
    lo = y;
    for (LD step = 1;; step *= 2) {
      const LD yn = std::min(y + step, kYMax);
      const LD gn = g(yn);
      if (std::isnan(gn)) return kNaN;
      if (s * gn >= 0) {
        hi = yn;
        break;
      }
      lo = yn;
      if (yn >= kYMax) return kInf;
    }
  } else if (s * gy > 0) {
    hi = y;
    for (LD step = 1;; step *= 2) {
      const LD yn = std::max(y - step, kYMin);
      const LD gn = g(yn);
      if (std::isnan(gn)) return kNaN;
      if (s * gn <= 0) {
        lo = yn;
        break;
      }
      hi = yn;
      if (yn <= kYMin) return 0;
    }
  } else {
    return ToDouble(std::exp(y));
  }
  // Newton from the end nearer the guess, safeguarded; 200 steps is far more
  // than the ~10 Newton or ~60 bisection steps that full precision needs.
  y = std::clamp(y, lo, hi);
  for (int it = 0; it < 200; ++it) {
    gy = g(y);
    if (std::isnan(gy)) return kNaN;
    if (gy == 0) break;
    if (s * gy < 0) {
      lo = y;
    } else {
      hi = y;
    }
    const LD x = std::exp(y);
    const LD t = Tail(x);
    const LD dg = (Upper ? -1 : 1) * Dens(x) * x / t;
    LD yn = y - gy / dg;
    if (!std::isfinite(yn) || yn <= lo || yn >= hi) yn = lo + (hi - lo) / 2;
    const LD dy = std::fabs(yn - y);
    y = yn;
    if (dy <= 1e-16L * std::max<LD>(1, std::fabs(y)) || hi - lo <= 1e-16L * std::max<LD>(1, std::fabs(y))) break;
  }
  return ToDouble(std::exp(y));
}

LD ChiLnDensity(LD x, int f) {
  const LD h = f / 2.0L;
  return (h - 1) * std::log(x) - x / 2 - h * std::log(2.0L) - LnGammaL(h);
}

Tails ChiTails(LD x, int f) { return GammaTails(x / 2, f / 2.0L, LnGammaL(f / 2.0L)); }

// Upper tail P(T > t) of Student's t for t > 0: I_{f/(f+t^2)}(f/2, 1/2) / 2,
// with both beta arguments formed directly so neither is 1 - (nearly 1).
LD TUpper(LD t, int f) {
  if (std::isinf(t)) return 0;
  const LD t2 = t * t;
  const LD a = f / 2.0L;
  return BetaTails(f / (f + t2), t2 / (f + t2), a, 0.5L, LnBetaL(a, 0.5L)).lower / 2;
}

LD TDensity(LD t, int f) {
  const LD lnc = LnGammaL((f + 1) / 2.0L) - LnGammaL(f / 2.0L) - std::log(f * std::numbers::pi_v<LD>) / 2;
  return std::exp(lnc - (f + 1) / 2.0L * std::log1p(t * t / f));
}

Tails FTails(LD x, int f1, int f2) {
  const LD d = f1 * x + f2;
  const LD a = f1 / 2.0L;
  const LD b = f2 / 2.0L;
  return BetaTails(f1 * x / d, f2 / d, a, b, LnBetaL(a, b));
}

LD FDensity(LD x, int f1, int f2) {
  const LD d = f1 * x + f2;
  const LD a = f1 / 2.0L;
  const LD b = f2 / 2.0L;
  // ln of w^a (1-w)^b / (x B(a, b)) with w = f1 x / d: no term of order
  // f ln f that would have to cancel.
  return std::exp(a * std::log(f1 * x / d) + b * std::log(f2 / d) - std::log(x) - LnBetaL(a, b));
}

}  // namespace

double tDistriDensity(double x, int f) {
  if (f < 1) return -1;
  if (std::isnan(x)) return x;
  if (std::isinf(x)) return 0;
  return ToDouble(TDensity(x, f));
}

double tDistriIntegral(double x, int f) {
  if (f < 1) return -1;
  if (std::isnan(x)) return x;
  if (x == 0) return 0.5;
  const LD up = TUpper(std::fabs(static_cast<LD>(x)), f);
  return ToDouble(x < 0 ? up : 1 - up);
}

double tDistriQuantile(double p, int f) {
  if (f < 1 || !(p > 0 && p < 1)) return 0;
  const double q = p < 0.5 ? p : 1 - p;
  if (q == 0.5) return 0;
  const double t = SolveTail([f](LD x) { return TUpper(x, f); }, [f](LD x) { return TDensity(x, f); }, true, q,
                             std::fabs(nDistriQuantile(q)));
  return p < 0.5 ? -t : t;
}

double FDistriDensity(double x, int f1, int f2) {
  if (f1 < 1 || f2 < 1) return -1;
  if (std::isnan(x)) return x;
  if (x < 0 || std::isinf(x)) return 0;
  if (x == 0) return f1 == 1 ? kInf : f1 == 2 ? 1 : 0;
  return ToDouble(FDensity(x, f1, f2));
}

double FDistriIntegral(double x, int f1, int f2) {
  if (f1 < 1 || f2 < 1) return -1;
  if (std::isnan(x)) return x;
  if (x <= 0) return 0;
  if (std::isinf(x)) return 1;
  return ToDouble(FTails(x, f1, f2).lower);
}

double FDistriQuantile(double p, int f1, int f2) {
  if (f1 < 1 || f2 < 1) return -1;
  if (!(p > 0 && p < 1)) return -2;
  const bool upper = p > 0.5;
  const LD q = upper ? 1 - static_cast<LD>(p) : p;
  return SolveTail([=](LD x) { return upper ? FTails(x, f1, f2).upper : FTails(x, f1, f2).lower; },
                   [=](LD x) { return FDensity(x, f1, f2); }, upper, q, 1.0);
}

double Chi2DistriDensity(double x, int f) {
  if (f < 1) return -1;
  if (std::isnan(x)) return x;
  if (x < 0 || std::isinf(x)) return 0;
  if (x == 0) return f == 1 ? kInf : f == 2 ? 0.5 : 0;
  return ToDouble(std::exp(ChiLnDensity(x, f)));
}

double chi2DistriIntegral(double x, int f) {
  if (f < 1) return -1;
  if (std::isnan(x)) return x;
  if (x <= 0) return 0;
  if (std::isinf(x)) return 1;
  return ToDouble(ChiTails(x, f).lower);
}

double chi2DistriQuantile(double p, int f) {
  if (f < 1) return -1;
  if (!(p > 0 && p < 1)) return -2;
  const bool upper = p > 0.5;
  const LD q = upper ? 1 - static_cast<LD>(p) : p;
  // Wilson-Hilferty start; Newton in ln x does the rest.
  const double k = 2.0 / (9.0 * f);
  const double c = 1 - k + (upper ? -1 : 1) * nDistriQuantile(static_cast<double>(q)) * std::sqrt(k);
  const double guess = c > 0 ? f * c * c * c : f;
  return SolveTail([=](LD x) { return upper ? ChiTails(x, f).upper : ChiTails(x, f).lower; },
                   [=](LD x) { return std::exp(ChiLnDensity(x, f)); }, upper, q, guess);
}

// ================================================================ discrete

namespace {

bool ValidBinom(int n, double p) { return n >= 0 && p >= 0 && p <= 1; }

// P(X <= k) for 0 <= k < n and 0 < p < 1: I_{1-p}(n - k, k + 1).
LD BinomLower(int n, LD p, int k) {
  const LD a = n - k;
  const LD b = k + 1;
  return BetaTails(1 - p, p, a, b, LnBetaL(a, b)).lower;
}

// Frequencies of U = 0..UMax among the C(m+n, m) orderings of two samples of
// sizes m and n, by f(i, j; u) = f(i-1, j; u-j) + f(i, j-1; u) (the largest
// value belongs to the second or to the first sample). Counts are all
// positive sums, so the relative rounding stays below (m+n) eps.
// One row per i = 0..m of the smaller size m, updated in place for j = 1..n:
// row i holds f(i, j - 1; .) before and f(i, j; .) after step j, so the
// memory is (min + 1) (UMax + 1) values, not (max + 1) (UMax + 1).
std::vector<LD> UFrequencies(int m, int n, int UMax) {
  if (m > n) std::swap(m, n);
  const std::size_t w = static_cast<std::size_t>(UMax) + 1;
  std::vector<LD> row((static_cast<std::size_t>(m) + 1) * w, 0.0L);
  for (int i = 0; i <= m; ++i) row[static_cast<std::size_t>(i) * w] = 1;  // j = 0: only U = 0
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i <= m; ++i) {
      LD* cur = &row[static_cast<std::size_t>(i) * w];                   // f(i, j - 1; .)
      const LD* below = &row[static_cast<std::size_t>(i - 1) * w];       // f(i - 1, j; .)
      for (int u = UMax; u >= j; --u) cur[u] += below[u - j];
    }
  }
  return std::vector<LD>(row.end() - static_cast<std::ptrdiff_t>(w), row.end());
}

LD UTotal(int m, int n) {
  LD c = 1;
  for (int i = 1; i <= m; ++i) c = c * (n + i) / i;
  return c;
}

// -1 / -2 for sizes the U functions do not handle, 0 when they do.
int UCheck(int n1, int n2) {
  if (n1 < 1 || n2 < 1) return -1;
  if (static_cast<std::int64_t>(n1) * n2 > UDistriMaxProduct) return -2;
  return 0;
}

}  // namespace

double BinomDistriDensity(int n, double p, int k) {
  if (!ValidBinom(n, p)) return -1;
  if (k < 0 || k > n) return 0;
  if (p == 0) return k == 0 ? 1 : 0;
  if (p == 1) return k == n ? 1 : 0;
  const LD lnC = LnGammaL(n + 1.0L) - LnGammaL(k + 1.0L) - LnGammaL(n - k + 1.0L);
  return ToDouble(std::exp(lnC + k * std::log(static_cast<LD>(p)) + (n - k) * std::log1p(-static_cast<LD>(p))));
}

double BinomDistriIntegral(int n, double p, int k) {
  if (!ValidBinom(n, p)) return -1;
  if (k < 0) return 0;
  if (k >= n || p == 0) return 1;
  if (p == 1) return 0;
  return ToDouble(BinomLower(n, p, k));
}

int BinomDistriQuantile(int n, double p, double prob, double& k) {
  k = 0;
  if (!ValidBinom(n, p)) return -1;
  if (!(prob >= 0 && prob <= 1)) return -2;
  // Bisection on the integers: F(lo) < prob <= F(hi), at most 32 steps
  // (64-bit: hi - lo is n + 1 at the start).
  std::int64_t lo = -1;
  std::int64_t hi = n;
  while (hi - lo > 1) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    if (BinomDistriIntegral(n, p, static_cast<int>(mid)) >= prob) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  k = hi;
  return 0;
}

double UDistriDensity(int n1, int n2, int u) {
  if (const int c = UCheck(n1, n2)) return c;
  const int mn = n1 * n2;
  if (u < 0 || u > mn) return 0;
  const int v = std::min(u, mn - u);  // the law is symmetric about mn / 2
  return ToDouble(UFrequencies(n1, n2, v)[static_cast<std::size_t>(v)] / UTotal(n1, n2));
}

double UDistriIntegral(int n1, int n2, int u) {
  if (const int c = UCheck(n1, n2)) return c;
  const int mn = n1 * n2;
  if (u < 0) return 0;
  if (u >= mn) return 1;
  // Sum the smaller tail: P(U <= u) = 1 - P(U <= mn - u - 1).
  const bool direct = 2 * u < mn;
  const int v = direct ? u : mn - u - 1;
  const std::vector<LD> f = UFrequencies(n1, n2, v);
  LD s = 0;
  for (LD x : f) s += x;
  s /= UTotal(n1, n2);
  return ToDouble(direct ? s : 1 - s);
}

int UDistriQuantile(int n1, int n2, double p) {
  if (const int c = UCheck(n1, n2)) return c;
  if (!(p >= 0 && p <= 1)) return -3;
  const int mn = n1 * n2;
  const std::vector<LD> half = UFrequencies(n1, n2, mn / 2);
  const LD total = UTotal(n1, n2);
  LD cum = 0;
  for (int u = 0; u < mn; ++u) {
    cum += half[static_cast<std::size_t>(std::min(u, mn - u))];
    if (cum / total >= p) return u;
  }
  return mn;
}

double HyperGeoDistriDensity(double p, int npop, int nsample, int k) {
  if (!(p >= 0 && p <= 1))
    throw EZELStatisError("HyperGeoDistriDensity: probability p must be between 0.0 and 1.0");
  if (npop <= 0) throw EZELStatisError("HyperGeoDistriDensity: npop must be greater than 0");
  if (nsample > npop) throw EZELStatisError("HyperGeoDistriDensity: nsample must not be greater than npop");
  if (nsample <= 0) throw EZELStatisError("HyperGeoDistriDensity: nsample must not be less than 1");
  const int m = RoundToInt(static_cast<long double>(p) * npop);
  if (k < 0 || k > m || k > nsample || k < nsample - (npop - m)) return 0;  // no int overflow
  auto lf = [](int n) { return LanczosLnGamma(n + 1.0L); };
  return ToDouble(std::exp(lf(m) - lf(k) - lf(m - k) + lf(npop - m) - lf(nsample - k) - lf(npop - m - nsample + k) - lf(npop) +
                  lf(nsample) + lf(npop - nsample)));
}

double WeibullDensity(double x, double shape, double scale) {
  if (std::isnan(x) || std::isnan(shape) || std::isnan(scale)) return kNaN;
  if (x <= 0 || scale <= 0 || shape <= 0) return 0;
  if (std::isinf(x)) return 0;
  // One exponential for x^(shape-1) / scale^shape, so neither power can
  // overflow on its own when the quotient is finite.
  const double z = std::exp(shape * std::log(x / scale));
  return shape * std::exp((shape - 1) * std::log(x) - shape * std::log(scale) - z);
}

}  // namespace zel
