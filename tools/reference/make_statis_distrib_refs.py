#!/usr/bin/python3
"""Reference data for the distribution tests (tests/numerics/test_statis_distrib.cpp).

Run from anywhere with the system Python, which has numpy and scipy:
    /usr/bin/python3 tools/reference/make_statis_distrib_refs.py

Writes tests/data/statis_distrib_reference.tsv, one case per line:
    kind <TAB> arguments... <TAB> expected value
Kinds and their oracle:
  lngamma x                 scipy.special.gammaln
  igamma x a                scipy.special.gammainc(a, x); from a = 1e4 on the decimal incomplete gamma
  igamma_big x a            P(a, x) for a = 1e7..1e9 by 60-digit decimal series / continued fraction
  erf x                     scipy.special.erf
  ibeta x a b               scipy.special.betainc(a, b, x); from a or b = 1e4 on a decimal continued fraction
  norm_pdf|norm_cdf x, norm_ppf p            scipy.stats.norm
  t_pdf|t_cdf x f, t_ppf p f                 scipy.stats.t
  (densities of t, F, chi2 and binom: closed forms in 60-digit decimals with a
  Stirling ln Gamma, since scipy's lose up to 1e-8 at 1e5 to 1e7 degrees of
  freedom; quantiles: scipy's ppf refined by brentq on scipy's cdf / sf, since
  scipy's t.ppf is off by up to 2e-9, e.g. t.ppf(0.01, 2))
  f_pdf|f_cdf x f1 f2, f_ppf p f1 f2         scipy.stats.f
  chi2_pdf|chi2_cdf x f, chi2_ppf p f        scipy.stats.chi2 (chi2_ppf at 1e5 and more degrees
                                             of freedom: secant on a decimal incomplete gamma)
  binom_pmf|binom_cdf n p k, binom_ppf n p q scipy.stats.binom (binom_cdf from 1e5 trials on:
                                             decimal sums of the pmf)
  hyper_pmf p npop nsample k                 scipy.stats.hypergeom.pmf(k, npop, round(p*npop), nsample)
  weibull_pdf x shape scale                  scipy.stats.weibull_min
  u_pmf|u_cdf n1 n2 u       exact Mann-Whitney null law from integer counts
  binomcoeff n k            math.comb (exact integer)
Floats are written with repr() (shortest round trip). Reference values below
1e-300 are left out: their relative error is not meaningful in doubles.
"""
import math
import os
from decimal import Decimal, getcontext
from fractions import Fraction

import numpy as np
from scipy import optimize, special, stats

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.path.join(ROOT, "tests", "data", "statis_distrib_reference.tsv")

lines = []
getcontext().prec = 60


def dec_lngamma(z):
    """ln Gamma(z) in 60-digit decimals: Stirling series after shifting z above 40."""
    z = Decimal(z)
    shift = Decimal(0)
    while z < 40:
        shift += z.ln()
        z += 1
    bern = [Fraction(1, 6), Fraction(-1, 30), Fraction(1, 42), Fraction(-1, 30), Fraction(5, 66),
            Fraction(-691, 2730), Fraction(7, 6), Fraction(-3617, 510), Fraction(43867, 798)]
    s = (z - Decimal("0.5")) * z.ln() - z + PI_HALF_LN
    for k, b in enumerate(bern, start=1):
        s += Decimal(b.numerator) / Decimal(b.denominator) / (2 * k * (2 * k - 1) * z ** (2 * k - 1))
    return s - shift


PI = Decimal("3.14159265358979323846264338327950288419716939937510582097494459")
PI_HALF_LN = (2 * PI).ln() / 2


def dec(x):
    """The exact value of a double (the tests read the same double back from its
    repr), or of an integer."""
    return Decimal(float(x)) if isinstance(x, float) else Decimal(x)


def t_pdf(x, f):
    x, f = dec(x), Decimal(f)
    ln = dec_lngamma((f + 1) / 2) - dec_lngamma(f / 2) - (f * PI).ln() / 2 - (f + 1) / 2 * (1 + x * x / f).ln()
    return ln.exp()


def chi2_pdf(x, f):
    x, h = dec(x), Decimal(f) / 2
    return ((h - 1) * x.ln() - x / 2 - h * Decimal(2).ln() - dec_lngamma(h)).exp()


def f_pdf(x, f1, f2):
    x, a, b = dec(x), Decimal(f1) / 2, Decimal(f2) / 2
    d = f1 * x + f2
    lnb = dec_lngamma(a) + dec_lngamma(b) - dec_lngamma(a + b)
    return (a * (f1 * x / d).ln() + b * (f2 / d).ln() - x.ln() - lnb).exp()


def binom_pmf(n, p, k):
    p = dec(p)
    if k == 0:
        return (n * (1 - p).ln()).exp()
    if k == n:
        return (n * p.ln()).exp()
    lnc = dec_lngamma(n + 1) - dec_lngamma(k + 1) - dec_lngamma(n - k + 1)
    return (lnc + k * p.ln() + (n - k) * (1 - p).ln()).exp()


def dec_ibeta(x, a, b):
    """I_x(a, b) in 60-digit decimals: x^a (1-x)^b / (a B(a, b)) times the
    classic continued fraction (modified Lentz), on the side
    x < (a+1)/(a+b+2) where it converges in O(sqrt(max(a, b))) steps, the
    other side by symmetry. The prefactor uses the decimal Stirling ln Gamma."""
    x, a, b = dec(x), Decimal(a), Decimal(b)
    if x > (a + 1) / (a + b + 2):
        return 1 - dec_ibeta(1 - x, b, a)
    pre = (a * x.ln() + b * (1 - x).ln() - dec_lngamma(a) - dec_lngamma(b) + dec_lngamma(a + b)).exp() / a
    tiny, eps = Decimal("1e-300"), Decimal("1e-45")
    c, d = Decimal(1), 1 - (a + b) * x / (a + 1)
    d = 1 / d
    h, m = d, 0
    while True:
        m += 1
        aa = m * (b - m) * x / ((a - 1 + 2 * m) * (a + 2 * m))
        d = 1 / (1 + aa * d)
        c = 1 + aa / c
        h *= d * c
        aa = -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 1 + 2 * m))
        d = 1 / (1 + aa * d)
        c = 1 + aa / c
        h *= d * c
        if abs(d * c - 1) < eps:
            return pre * h


def binom_cdf(n, p, k):
    """P(X <= k) by summing the pmf in decimals over the smaller side: downward
    from k below the mean, as 1 - the sum upward from k + 1 above it, until the
    terms are negligible. scipy's binom.cdf is off by 2.9e-10 at
    (k, n, p) = (1, 1e7, 1e-6)."""
    if k >= n:
        return Decimal(1)
    pd = dec(p)
    r = (1 - pd) / pd  # pmf(j - 1) / pmf(j) = j / (n - j + 1) * r
    eps = Decimal("1e-45")
    if k <= n * p:
        term = s = binom_pmf(n, p, k)
        j = k
        while j > 0 and term > s * eps:
            term = term * j / (n - j + 1) * r
            s += term
            j -= 1
        return s
    term = s = binom_pmf(n, p, k + 1)
    j = k + 1
    while j < n and term > s * eps:
        term = term * (n - j) / (j + 1) / r
        s += term
        j += 1
    return 1 - s


def refine(cdf, sf, p, x0, lo, hi):
    """The root of cdf(x) = p (sf(x) = 1 - p above the median) near scipy's ppf x0, by brentq."""
    g = (lambda x: math.log(cdf(x)) - math.log(p)) if p <= 0.5 else (lambda x: math.log(1 - p) - math.log(sf(x)))
    a, b = max(lo, x0 - 1e-6 * abs(x0) - 1e-300), min(hi, x0 + 1e-6 * abs(x0) + 1e-300)
    try:
        if g(a) * g(b) > 0:
            return math.nan  # scipy's ppf is not within 1e-6 of its own cdf's root: no reference
        return optimize.brentq(g, a, b, xtol=1e-300, rtol=8.9e-16, maxiter=500)
    except ValueError:  # a tail that underflows at the bracket ends
        return math.nan


def dec_gamma_tail(a, x, upper):
    """P(a, x) (upper=False) or Q(a, x) in 60-digit decimals: the series for x < a,
    the Legendre continued fraction (modified Lentz) otherwise; both tails from
    the one that converges, by complement (harmless at 60 digits)."""
    a, x = Decimal(a), Decimal(x)
    pre = (a * x.ln() - x - dec_lngamma(a)).exp()
    eps = Decimal("1e-45")
    if x < a:
        term = s = 1 / a
        n = 0
        while term > s * eps:
            n += 1
            term = term * x / (a + n)
            s += term
        lower = pre * s
        return 1 - lower if upper else lower
    tiny = Decimal("1e-300")
    b = x + 1 - a
    c, d = 1 / tiny, 1 / b
    h, i = d, 0
    while True:
        i += 1
        an = -i * (i - a)
        b += 2
        d = 1 / (an * d + b)
        c = b + an / c
        h *= d * c
        if abs(d * c - 1) < eps:
            break
    return pre * h if upper else 1 - pre * h


def dec_chi2_ppf(p, f, x0):
    """The chi-square quantile by secant steps on ln(tail) - ln(q) in decimals,
    from a start x0 near the root. For 1e5 and more degrees of freedom scipy's
    chi2.cdf is itself off (by 7e-7 in x at f = 1e7, p = 1e-6), so brentq on it
    does not give a reference there."""
    upper = p > 0.5
    # The double p exactly (not its shortest decimal text): 1 - p of the double
    # 0.999999999 is 1.0000000827e-9, which moves the quantile by 6e-11.
    lnq = (1 - Decimal(float(p))).ln() if upper else Decimal(float(p)).ln()

    def g(x):
        return dec_gamma_tail(Decimal(f) / 2, x / 2, upper).ln() - lnq

    xa = dec(x0)
    xb = xa * (1 + Decimal("1e-9"))
    ga, gb = g(xa), g(xb)
    for _ in range(30):
        if gb == ga:
            break
        xa, ga, xb = xb, gb, xb - gb * (xb - xa) / (gb - ga)
        gb = g(xb)
        if abs(xb - xa) <= abs(xb) * Decimal("1e-30"):
            break
    return float(xb)


def emit(kind, args, value):
    value = float(value)
    if not math.isfinite(value) or (value != 0 and abs(value) < 1e-300):
        return
    lines.append("\t".join([kind] + [repr(a) if isinstance(a, float) else str(a) for a in args] + [repr(value)]))


def grid(lo, hi, n):
    return [float(v) for v in np.logspace(lo, hi, n)]


# --- special functions
for x in grid(-4, 8, 61) + [0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 10.0]:
    emit("lngamma", [x], special.gammaln(x))

for a in grid(-2, 6, 33):
    s = math.sqrt(a)
    xs = {a * f for f in (1e-3, 0.1, 0.5, 0.9, 1.0, 1.1, 2.0, 5.0)}
    xs |= {a + k * s for k in (-8, -3, -1, 1, 1.5, 3, 8)}
    xs |= {a + 1.5}
    for x in sorted(xs):
        # From a = 1e4 on the decimal series / fraction: scipy's gammainc is off
        # by 1.1e-8 at P(1e6, 992000) = 5.2401228154e-16.
        if x > 0:
            emit("igamma", [float(x), a], special.gammainc(a, x) if a < 1e4 else dec_gamma_tail(a, float(x), False))

# Large shape parameters, where scipy's own accuracy is not documented: the
# decimal series / continued fraction (about 1e6 terms at a = 1e9).
for a in [1e7, 1e8, 1e9]:
    s = math.sqrt(a)
    for k in (-8, -3, -1, 0, 0.5, 1, 3, 8):
        x = float(a + k * s)
        emit("igamma_big", [x, a], dec_gamma_tail(a, x, False))
# Far tails at a = 1e7 (P down to 1e-220), either side of |x/a - 1| = 0.01.
for r in (0.9899, 0.9901):
    emit("igamma_big", [1e7 * r, 1e7], dec_gamma_tail(1e7, 1e7 * r, False))

for x in [0.0, 1e-300, 1e-10, 1e-3] + [float(v) for v in np.linspace(-6, 6, 49)] + [10.0, 26.0]:
    emit("erf", [x], special.erf(x))

for a in [0.1, 0.5, 1.0, 2.5, 10.0, 100.0, 1e4, 1e6]:
    for b in [0.2, 0.5, 1.0, 3.0, 30.0, 1e3, 1e5, 1e6]:
        mean = a / (a + b)
        sd = math.sqrt(a * b / ((a + b) ** 2 * (a + b + 1)))
        xs = {1e-6, 0.01, 0.3, 0.5, 0.7, 0.99, 1 - 1e-6}
        xs |= {mean + k * sd for k in (-6, -2, -0.5, 0, 0.5, 2, 6)}
        for x in sorted(xs):
            # scipy's betainc is off by up to 8e-7 when both a and b are 1e5 or more
            # (betainc(1e6, 1e6, 0.5) = 0.49999961) and by 2e-9 at
            # I_1.7e-6(2.5, 1e6): decimals from a or b = 1e4 on.
            if 0 < x < 1:
                x = float(x)
                emit("ibeta", [x, a, b], special.betainc(a, b, x) if max(a, b) < 1e4 else dec_ibeta(x, a, b))

# --- normal
for x in [float(v) for v in np.linspace(-37, 8, 91)] + [1.959964, 0.0, -1e-8]:
    emit("norm_pdf", [x], stats.norm.pdf(x))
    emit("norm_cdf", [x], stats.norm.cdf(x))
PS = [1e-300, 1e-100, 1e-20, 1e-12, 1e-9, 1e-6, 1e-3, 0.01, 0.025, 0.05, 0.1, 0.25, 0.4, 0.5, 0.6, 0.75, 0.9,
      0.95, 0.975, 0.99, 0.999, 1 - 1e-6, 1 - 1e-9, 1 - 1e-12]
for p in PS:
    emit("norm_ppf", [p], stats.norm.ppf(p))

# --- t, F, chi-square (integer degrees of freedom, up to 1e7)
DF = [1, 2, 3, 5, 10, 30, 100, 1000, 10**5, 10**7]
for f in DF:
    for x in [-1e10, -1e4, -300.0, -30.0, -5.0, -2.0, -0.5, -1e-3, 0.0, 0.3, 1.0, 1.96, 3.0, 8.0, 40.0, 1e3]:
        emit("t_pdf", [x, f], t_pdf(x, f))
        emit("t_cdf", [x, f], stats.t.cdf(x, f))
    for p in PS[2:-1]:
        if p != 0.5:
            emit("t_ppf", [p, f], refine(lambda x: stats.t.cdf(x, f), lambda x: stats.t.sf(x, f), p,
                                         stats.t.ppf(p, f), -1e300, 1e300))
    for x in [1e-8, 1e-3, 0.1, 0.5, 1.0]:
        xx = x * f
        for v in {x, xx, f - 3 * math.sqrt(2 * f), f + 0.5, f + 3 * math.sqrt(2 * f), 5.0 * f + 50}:
            if v > 0:
                emit("chi2_pdf", [float(v), f], chi2_pdf(float(v), f))
                emit("chi2_cdf", [float(v), f], stats.chi2.cdf(v, f))
    for p in PS[2:-1]:
        if f >= 10**5:
            emit("chi2_ppf", [p, f], dec_chi2_ppf(p, f, stats.chi2.ppf(p, f)))
        else:
            emit("chi2_ppf", [p, f], refine(lambda x: stats.chi2.cdf(x, f), lambda x: stats.chi2.sf(x, f), p,
                                            stats.chi2.ppf(p, f), 0.0, 1e300))
FDF = [1, 2, 5, 20, 100, 10**4, 10**5]
for f1 in FDF:
    for f2 in FDF:
        for x in [1e-6, 0.01, 0.2, 0.7, 1.0, 1.01, 1.5, 3.0, 10.0, 1e3]:
            emit("f_pdf", [x, f1, f2], f_pdf(x, f1, f2))
            emit("f_cdf", [x, f1, f2], stats.f.cdf(x, f1, f2))
        for p in [1e-9, 1e-3, 0.05, 0.5, 0.95, 0.999, 1 - 1e-9]:
            emit("f_ppf", [p, f1, f2], refine(lambda x: stats.f.cdf(x, f1, f2), lambda x: stats.f.sf(x, f1, f2), p,
                                              stats.f.ppf(p, f1, f2), 0.0, 1e300))

# --- discrete
for n in [1, 5, 20, 100, 1000, 10**5, 10**7]:
    for p in [1e-6, 0.01, 0.3, 0.5, 0.77, 0.999]:
        mean = n * p
        sd = math.sqrt(n * p * (1 - p))
        ks = {0, 1, n - 1, n, int(mean), int(mean - 3 * sd), int(mean + 3 * sd), int(mean + 10 * sd), n // 2}
        for k in sorted(ks):
            if 0 <= k <= n:
                emit("binom_pmf", [n, p, k], binom_pmf(n, p, k))
                emit("binom_cdf", [n, p, k], stats.binom.cdf(k, n, p) if n < 10**5 else binom_cdf(n, p, k))
        for q in [1e-6, 0.05, 0.5, 0.95, 0.999]:
            k = int(stats.binom.ppf(q, n, p))
            # Skip probabilities within 1e-9 of a step: double rounding decides those.
            near = [stats.binom.cdf(j, n, p) for j in (k - 1, k) if j >= 0]
            if all(abs(c - q) > 1e-9 * q for c in near):
                lines.append(f"binom_ppf\t{n}\t{p!r}\t{q!r}\t{k}")

for npop in [1, 10, 50, 1000, 10**5]:
    for m in sorted({0, 1, npop // 3, npop // 2, npop}):
        p = m / npop
        for ns in sorted({1, max(1, npop // 4), npop // 2 or 1, npop}):
            for k in sorted({0, 1, ns * m // npop, ns, m}):
                emit("hyper_pmf", [p, npop, ns, k], stats.hypergeom.pmf(k, npop, m, ns))

for shape in [0.5, 1.0, 1.5, 3.0, 10.0]:
    for scale in [0.01, 1.0, 250.0]:
        for x in [1e-3, 0.1, 1.0, 2.0, 10.0, 300.0]:
            emit("weibull_pdf", [x, shape, scale], stats.weibull_min.pdf(x, shape, scale=scale))


def u_counts(m, n):
    """Frequencies of U among the C(m+n, m) orderings: f(i,j) = q^j f(i-1,j) + f(i,j-1)."""
    f = [[[1] for _ in range(n + 1)]]
    for i in range(1, m + 1):
        row = [[1]]
        for j in range(1, n + 1):
            a = [0] * j + f[i - 1][j]
            b = row[j - 1]
            size = max(len(a), len(b))
            row.append([(a[u] if u < len(a) else 0) + (b[u] if u < len(b) else 0) for u in range(size)])
        f.append(row)
    return f[m][n]


for m, n in [(1, 1), (1, 7), (2, 3), (3, 3), (4, 9), (8, 8), (10, 15), (20, 20), (7, 60), (40, 50), (100, 100)]:
    c = u_counts(m, n)
    total = math.comb(m + n, m)
    assert sum(c) == total
    cum = 0
    us = sorted({0, 1, 2, m * n // 4, m * n // 2, m * n // 2 + 1, 3 * m * n // 4, m * n - 1, m * n})
    cums = []
    for u in range(m * n + 1):
        cum += c[u]
        cums.append(cum)
    for u in (u for u in us if u <= m * n):
        emit("u_pmf", [m, n, u], Fraction(c[u], total))
        emit("u_cdf", [m, n, u], Fraction(cums[u], total))

for n in [0, 1, 5, 20, 33, 34, 50, 60, 62, 66]:
    for k in sorted({0, 1, 2, n // 3, n // 2, n}):
        lines.append(f"binomcoeff\t{n}\t{k}\t{math.comb(n, k)}")

with open(OUT, "w", newline="\n") as out:
    out.write("\n".join(lines) + "\n")
print(f"{len(lines)} records written to {OUT}")
