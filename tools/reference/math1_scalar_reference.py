#!/usr/bin/env python3
"""Reference values for the scalar-mathematics tests (tests/numerics/test_math1_scalar*.cpp).

Run from the repository root:
    python3 tools/reference/math1_scalar_reference.py > tests/data/math1_scalar_reference.txt

Sources, each independent of the library:
  fact     exact n! (math.factorial), 30 significant digits
  factor   prime factors from coreutils `factor`
  cancel   a/b reduced by math.gcd (unchanged when min(|a|, |b|) < 2)
  poly     polynomial values in exact rational arithmetic (fractions), with
           the sum of |c_k x^k| as the scale of the rounding error
  sinh/cosh/tanh/lg/ld   decimal arithmetic at 700 digits (decimal.Decimal.exp/ln)
  r125     1-2-5 rounding decided on the exact decimal value of each double
  longrand the combined congruential generator in Python integers
Each line: a tag and blank-separated numbers.
"""
import decimal
import math
import random
import subprocess
from fractions import Fraction

D = decimal.Decimal
decimal.getcontext().prec = 50
rng = random.Random(20261207)
out = []


def emit(*items):
    out.append(" ".join(str(i) for i in items))


# ---- factorials --------------------------------------------------------------
for n in [0, 1, 2, 3, 10, 20, 25, 26, 30, 100, 170, 171, 500, 999, 1000]:
    emit("fact", n, "{:.29e}".format(D(math.factorial(n))))

# ---- prime factors -------------------------------------------------------------
numbers = [2, 3, 4, 360, 97, 1024, 65536, 2**30, 46337, 46337 * 46337, 46349, 2 * 46349,
           92681 * 23, 999999937, 2147483646, 2147483647, 2147483629, 1073741823, 1000000007]
numbers += [rng.randrange(2, 2**31) for _ in range(200)]
numbers += [rng.randrange(2, 10**5) for _ in range(50)]
text = subprocess.run(["factor"] + [str(n) for n in numbers], capture_output=True, text=True, check=True).stdout
for line in text.splitlines():
    n, fs = line.split(":")
    emit("factor", n, *fs.split())

# ---- fractions -----------------------------------------------------------------
pairs = [(12, 18), (0, 5), (5, 0), (4, 0), (1, 7), (-1, 7), (7, 1), (-12, 18), (12, -18), (-12, -18),
         (-2**31, 2), (-2**31, -2**31), (-2**31, 2**30), (2**31 - 1, 2**31 - 1), (1000000, 4096),
         (2147483646, 1073741823), (2 * 3 * 5 * 7 * 11 * 13, 3 * 7 * 13 * 17)]
pairs += [(rng.randrange(-2**31, 2**31), rng.randrange(-2**31, 2**31)) for _ in range(100)]
pairs += [(rng.randrange(-1000, 1000) * k, rng.randrange(-1000, 1000) * k) for k in (6, 30, 97, 65536) for _ in range(10)]
for a, b in pairs:
    if min(abs(a), abs(b)) < 2:
        ra, rb = a, b
    else:
        g = math.gcd(a, b)
        ra, rb = a // g, b // g
    emit("cancel", a, b, ra, rb)

# ---- polynomials -------------------------------------------------------------------
def poly_case(coeffs, x, centre=0.0):
    t = Fraction(x) - Fraction(centre)
    exact = sum(Fraction(c) * t**k for k, c in enumerate(coeffs))
    scale = sum(abs(Fraction(c)) * abs(t)**k for k, c in enumerate(coeffs))
    emit("poly", repr(centre), repr(x), len(coeffs) - 1, *map(repr, coeffs), repr(float(exact)), repr(float(scale)))

poly_case([3.0], 7.5)
poly_case([1.0, -3.0, 3.0, -1.0], 1.000001)          # (1 - x)^3 near its root
poly_case([0.5, 0.25, -2.0, 1e-3, 7.0], -1.75)
poly_case([1.0, 1.0, 0.5, 1 / 6, 1 / 24, 1 / 120], 0.3)
poly_case([2.0, -1.0, 4.0], 10.25, centre=10.0)
for _ in range(20):
    order = rng.randrange(0, 9)
    coeffs = [rng.uniform(-10, 10) for _ in range(order + 1)]
    poly_case(coeffs, rng.uniform(-3, 3), centre=rng.choice([0.0, rng.uniform(-2, 2)]))

# ---- elementary functions -------------------------------------------------------------
# 700 digits: e^x - e^-x for x = 1e-300 must keep its leading digits.
decimal.getcontext().prec = 700


def dexp(x):
    return D(x).exp()

xs = [1e-300, 1e-12, 3.5e-9, -2e-6, 1e-4, 9.99e-4, 1e-3, -1.001e-3, 0.0123, 0.25, 0.5, -0.75, 1.0, 2.5, -7.25, 20.0,
      44.0, -300.5, 700.0]
for x in xs:
    e, em = dexp(x), dexp(-x)
    emit("sinh", repr(x), repr(float((e - em) / 2)))
    emit("cosh", repr(x), repr(float((e + em) / 2)))
    emit("tanh", repr(x), repr(float((e - em) / (e + em))))
for x in [1e-300, 1e-5, 0.3, 2.0, 3.0, 7.0, 12345.678, 1e300, 5e-324]:
    emit("lg", repr(x), repr(float(D(x).ln() / D(10).ln())))
    emit("ld", repr(x), repr(float(D(x).ln() / D(2).ln())))

decimal.getcontext().prec = 50

# ---- rounding to the 1-2-5 series -----------------------------------------------------------
# Values within 1e-12 relative of a series value count as on it; values near
# a decision threshold (1.5, 3, 8 of the mantissa) are skipped.
def series_pos(x):
    """(h, g) with |x| = m 10^g decided exactly, m snapped to the series."""
    a = abs(Fraction(x))
    g = math.floor(math.log10(a))
    while Fraction(10)**g > a:
        g -= 1
    while Fraction(10)**(g + 1) <= a:
        g += 1
    m = a / Fraction(10)**g
    for s in (1, 2, 5, 10):
        if abs(m - s) <= Fraction(1, 10**12) * s:
            m = Fraction(s)
    return m, g

def near_threshold(m):
    return any(abs(m - t) < Fraction(1, 10**9) for t in (Fraction(3, 2), 3, 8))

def fmt_series(h, g):
    return repr(float(Fraction(h) * Fraction(10)**g))

def up(m):
    return 10 if m > 5 else 5 if m > 2 else 2 if m > 1 else 1

def down(m):
    return 10 if m >= 10 else 5 if m >= 5 else 2 if m >= 2 else 1

def nearest(m):
    return 1 if m < Fraction(3, 2) else 2 if m < 3 else 5 if m < 8 else 10

values = [0.0042, -140.0, 1000.0, 2.1, -2.1, 3.0, 0.5, 0.2, 20.0, 5.0, 7.99, 8.01, 1.49, 1.51, 2.99, 9.9999]
values += [float(Fraction(h) * Fraction(10)**g) for g in range(-20, 21) for h in (1, 2, 5)]
values += [float(D(s) * D(10)**g) for g in (-310, -200, 150, 300) for s in ("1.2", "4.5", "9.1")]
values += [rng.choice((-1, 1)) * 10**rng.uniform(-300, 300) for _ in range(300)]
for x in values:
    m, g = series_pos(x)
    if near_threshold(m):
        continue
    sign = -1 if x < 0 else 1
    rnd = fmt_series(sign * nearest(m), g)
    pos = fmt_series(sign * (up(m) if x > 0 else down(m)), g)
    neg = fmt_series(sign * (down(m) if x > 0 else up(m)), g)
    emit("r125", repr(x), rnd, pos, neg)

# ---- LongRand ---------------------------------------------------------------------------------
def to_i32(v):
    v &= 0xFFFFFFFF
    return v - 2**32 if v >= 2**31 else v

def rem(a, m):  # remainder with the sign of a
    r = abs(a) % m
    return -r if a < 0 else r

def longrand_seq(seed, count):
    a = rem(seed, 990923)
    s1 = abs(a) or 1
    s2 = (abs(to_i32(a ^ (a << 8))) % 990923) or 1
    s3 = (abs(to_i32(a ^ (a << 16))) % 990923) or 1
    vals = []
    for _ in range(count):
        s1, s2, s3 = s1 * 1187 % 1001003, s2 * 983 % 990923, s3 * 1283 % 1400423
        t = float(Fraction(s1, 1001003) + Fraction(s2, 990923) + Fraction(s3, 1400423))
        vals.append(t - math.trunc(t))
    return vals

for seed in [1, -1, 7, 255, -123456789, 2**31 - 1, -2**31, 990923, -2 * 990923, 65536 * 15]:
    emit("longrand", seed, *map(repr, longrand_seq(seed, 6)))

print("# generated by tools/reference/math1_scalar_reference.py")
print("\n".join(out))
