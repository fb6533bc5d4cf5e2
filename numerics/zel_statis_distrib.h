// Special functions (log-gamma, incomplete gamma and beta, error function,
// binomial coefficients) and the densities, lower-tail integrals and
// quantiles of the normal, Student t, F, chi-square, binomial,
// Mann-Whitney U, hypergeometric and Weibull distributions.
//
// Conventions shared by every routine here:
// - "Integral" is the lower-tail probability P(X <= x), "Quantile" its
//   inverse, "Density" the density (for discrete laws the probability of the
//   value).
// - Invalid parameters (degrees of freedom < 1, probabilities outside [0, 1],
//   sample sizes < 1) give the fixed result documented with each routine,
//   mostly -1; only HyperGeoDistriDensity raises.
// - A NaN argument gives a NaN result; infinite arguments give the limit.
// - Every iteration is bounded. Where a series or continued fraction would
//   need more terms than the bound, the result is NaN rather than an
//   unconverged value.
// - Large parameters: the incomplete gamma function switches to a uniform
//   asymptotic expansion from a = 1e7 on, and the incomplete beta function
//   forms its prefactor without terms of order a ln a from a or b = 1e4 on,
//   so neither loses digits as the parameters grow (checked against decimal
//   references up to a = 1e9, and by exact symmetries up to 1e16).
#pragma once

#include <cstdint>

#include "zel_statis.h"

namespace zel {

// ---------------------------------------------------------------- special

/// ln Gamma(x) by the six-term Lanczos series (absolute error about 2e-10).
/// 0 for x <= 0.
double LnGamma(double x);

/// Regularised lower incomplete gamma function P(a, x). 0 for x <= 0 or
/// a <= 0; 1 for x = +inf and finite a.
double IncompleteGamma(double x, double a);

/// Error function, computed as P(1/2, x^2) with the sign of x.
double Erf(double x);

/// Error function by a Chebyshev fit of erfc (fractional error < 1.2e-7).
double ErfApprox(double x);

/// Regularised incomplete beta function I_x(a, b). 0 for x <= 0, 1 for x >= 1;
/// otherwise 0 when a <= 0 or b <= 0, NaN when both a and b are infinite.
double IncompleteBeta(double x, double a, double b);

/// ln Gamma(a) + ln Gamma(b) - ln Gamma(a + b). 0 when a < 0 or b < 0.
double LnBeta(double a, double b);

/// Binomial coefficient n over k, exact in 64-bit integers. 0 when n < 0,
/// k < 0 or n < k; -1 when the value exceeds the 64-bit range (n > 66).
std::int64_t BinomCoeff(int n, int k);

/// ln of the binomial coefficient n over k via LnGamma. -1 when n < 0,
/// k < 0 or n < k.
double LnBinomCoeff(int n, int k);

// ---------------------------------------------------------------- normal

/// Standard normal density exp(-x^2/2) / sqrt(2 pi).
double nDistriDensity(double x);

/// Standard normal lower-tail probability Phi(x), from P(1/2, x^2/2); the
/// tail x < 0 is evaluated as Q(1/2, x^2/2) / 2 so it keeps its relative
/// accuracy down to the underflow limit.
double nDistriIntegral(double x);

/// Standard normal quantile for 0 < p < 1; 0 for p <= 0, p >= 1 or NaN.
double nDistriQuantile(double p);

// ----------------------------------------------------- t, F, chi-square
// Degrees of freedom are integers >= 1; fewer give -1.

/// Density of Student's t with f degrees of freedom at x.
double tDistriDensity(double x, int f);
/// Lower-tail probability of Student's t with f degrees of freedom.
double tDistriIntegral(double x, int f);
/// Quantile of Student's t: the x with tDistriIntegral(x, f) = p.
/// 0 for p <= 0, p >= 1, NaN p or f < 1.
double tDistriQuantile(double p, int f);

/// Density of the F distribution with (f1, f2) degrees of freedom; 0 for
/// x < 0. At x = 0 it is +inf for f1 = 1, 1 for f1 = 2, else 0.
double FDistriDensity(double x, int f1, int f2);
/// Lower-tail probability of F(f1, f2); 0 for x <= 0.
double FDistriIntegral(double x, int f1, int f2);
/// Quantile of F(f1, f2). -1 for invalid degrees of freedom, -2 for p
/// outside (0, 1) or NaN.
double FDistriQuantile(double p, int f1, int f2);

/// Density of chi-square with f degrees of freedom; 0 for x < 0. At x = 0
/// it is +inf for f = 1, 0.5 for f = 2, else 0.
double Chi2DistriDensity(double x, int f);
/// Lower-tail probability of chi-square with f degrees of freedom; 0 for
/// x <= 0.
double chi2DistriIntegral(double x, int f);
/// Quantile of chi-square. -1 for f < 1, -2 for p outside (0, 1) or NaN.
double chi2DistriQuantile(double p, int f);

// -------------------------------------------------------------- discrete

/// Probability of exactly k successes in n trials of success probability p.
/// 0 for k outside 0..n; -1 for n < 0 or p outside [0, 1] (or NaN).
double BinomDistriDensity(int n, double p, int k);
/// Probability of at most k successes in n trials of success probability p.
/// 0 for k < 0, 1 for k >= n; -1 for n < 0 or p outside [0, 1].
double BinomDistriIntegral(int n, double p, int k);
/// Smallest k with BinomDistriIntegral(n, p, k) >= prob, in k (as a Double).
/// Returns 0 on success, -1 for n < 0 or p outside [0, 1], -2 for prob
/// outside [0, 1] or NaN; k is then left at 0.
int BinomDistriQuantile(int n, double p, double prob, double& k);

/// Largest n1 * n2 for which the exact U distribution is computed (its cost
/// grows as (n1 n2)^2).
inline constexpr std::int64_t UDistriMaxProduct = 10000;

/// Probability that the Mann-Whitney statistic U of samples of sizes n1 and
/// n2 (no ties) equals u under the null hypothesis. 0 for u outside
/// 0..n1*n2; -1 for n1 < 1 or n2 < 1; -2 when n1 * n2 > UDistriMaxProduct.
double UDistriDensity(int n1, int n2, int u);
/// Probability that U <= u. 0 for u < 0, 1 for u >= n1*n2; -1 and -2 as for
/// UDistriDensity.
double UDistriIntegral(int n1, int n2, int u);
/// Smallest u with UDistriIntegral(n1, n2, u) >= p. -1 and -2 as for
/// UDistriDensity, -3 for p outside [0, 1] or NaN.
int UDistriQuantile(int n1, int n2, double p);

/// Probability of k successes in a sample of nsample drawn without
/// replacement from npop items, round(p * npop) of which are successes.
/// 0 for impossible k. Raises EZELStatisError for p outside [0, 1],
/// npop <= 0, nsample > npop or nsample <= 0 (checked in this order).
double HyperGeoDistriDensity(double p, int npop, int nsample, int k);

/// Weibull density shape * x^(shape-1) / scale^shape * exp(-(x/scale)^shape);
/// 0 for x <= 0, scale <= 0 or shape <= 0.
double WeibullDensity(double x, double shape, double scale);

}  // namespace zel
