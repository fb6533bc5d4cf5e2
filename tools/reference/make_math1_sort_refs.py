#!/usr/bin/python3
# Run from the repository root (needs numpy and scipy): /usr/bin/python3 tools/reference/make_math1_sort_refs.py
"""Reference data for the sorting, selection, interpolation and ellipse tests
(tests/numerics/test_math1_sort*.cpp), written to tests/data/math1_sort_refs.tsv.

One case per line, TAB-separated, the first field naming the kind; lists are
comma-separated; numbers are Python's shortest round-trip repr.

  gaps      n  gap sequence of the comb sort: g = n; while g > 1: g = max(1, int(g / 1.3))
  sort      type(d|f|i)  ascending(0|1)  values  numpy.sort (reversed for descending)
  select    k  first  last  values  numpy.partition(a[first:last+1], k-first)[k-first]
  interpxy  x  abscissas  ordinates  scipy interp1d(kind='linear', fill_value='extrapolate')
  interptab type(d|i)  x  x0  x1  values  the same on numpy.linspace(x0, x1, n)
  ellipse   px  py  cx  cy  ax  ay  distance  closest_x  closest_y
            minimum of |p - (cx + ax cos t, cy + ay sin t)| over t: a grid of
            20000 steps, refined by scipy.optimize.minimize_scalar (bounded)
"""
import math
import os

import numpy as np
from scipy.interpolate import interp1d
from scipy.optimize import minimize_scalar

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.path.join(ROOT, "tests", "data", "math1_sort_refs.tsv")

rng = np.random.default_rng(20261207)
rows = []


def num(x):
    return repr(float(x))


def nums(a):
    return ",".join(num(x) for x in a)


def gaps():
    for n in (2, 3, 10, 100, 1000, 1000000):
        seq = []
        g = n
        while g > 1:
            g = max(1, int(g / 1.3))
            seq.append(g)
        rows.append(["gaps", str(n), ",".join(str(g) for g in seq)])


def sorts():
    for n in (1, 2, 7, 33, 200):
        d = np.round(rng.normal(0, 10, n), 1)  # rounding makes ties
        d[rng.random(n) < 0.1] = 0.0
        d[rng.random(n) < 0.05] = -0.0
        f = d.astype(np.float32)
        i = rng.integers(-50, 50, n).astype(np.int32)
        for t, a in (("d", d), ("f", f), ("i", i)):
            s = np.sort(a)
            rows.append(["sort", t, "1", nums(a), nums(s)])
            rows.append(["sort", t, "0", nums(a), nums(s[::-1])])


def selects():
    def add(a, k, first, last):
        exp = np.partition(a[first:last + 1], k - first)[k - first]
        rows.append(["select", str(k), str(first), str(last), nums(a), num(exp)])

    add(np.array([1.0, 9, 2, 0]), 2, 0, 3)
    for n in (5, 50, 300):
        a = rng.normal(size=n)
        for k in (0, n // 3, n - 1):
            add(a, k, 0, n - 1)
        add(a, n // 2, n // 4, n - 2)
        z = np.where(rng.random(n) < 0.9, 0.0, np.round(rng.normal(size=n), 2))
        for k in (0, n // 2, n - 1, int(n * 0.95)):
            add(z, k, 0, n - 1)
        w = a.copy()
        w[rng.random(n) < 0.2] = np.nan  # numpy orders NaN last
        for k in (0, n // 2, n - 1):
            add(w, k, 0, n - 1)


def interps():
    for n in (2, 3, 8):
        xs = np.sort(rng.uniform(-5, 5, n))
        ys = rng.normal(0, 3, n)
        f = interp1d(xs, ys, kind="linear", fill_value="extrapolate")
        probes = list(rng.uniform(xs[0] - 3, xs[-1] + 3, 6)) + [xs[0] - 1, xs[-1] + 2]
        for desc in (False, True):
            ax, ay = (xs[::-1], ys[::-1]) if desc else (xs, ys)
            for x in probes:
                rows.append(["interpxy", num(x), nums(ax), nums(ay), num(f(x))])
    for n in (2, 3, 9):
        for t in ("d", "i"):
            vals = rng.normal(0, 5, n) if t == "d" else rng.integers(-20, 20, n).astype(float)
            for x0, x1 in ((-2.0, 3.5), (4.0, -1.0)):
                f = interp1d(np.linspace(x0, x1, n), vals, kind="linear", fill_value="extrapolate")
                lo, hi = min(x0, x1), max(x0, x1)
                for x in list(rng.uniform(lo - 2, hi + 2, 5)) + [x0, x1]:
                    rows.append(["interptab", t, num(x), num(x0), num(x1), nums(vals), num(f(x))])


def ellipses():
    def add(px, py, cx, cy, a, b):
        def d2(t):
            return (cx + a * math.cos(t) - px) ** 2 + (cy + b * math.sin(t) - py) ** 2

        step = 2 * math.pi / 20000
        t0 = min((i * step for i in range(20000)), key=d2)
        r = minimize_scalar(d2, bounds=(t0 - step, t0 + step), method="bounded",
                            options={"xatol": 1e-14, "maxiter": 2000})
        t = r.x if d2(r.x) <= d2(t0) else t0
        rows.append(["ellipse", num(px), num(py), num(cx), num(cy), num(a), num(b),
                     num(math.sqrt(d2(t))), num(cx + a * math.cos(t)), num(cy + b * math.sin(t))])

    cases = [(1.0, 2.0, 0.0, 0.0, 3.0, 1.5), (-4.0, 3.0, 1.0, -1.0, 2.0, 5.0), (0.3, -0.2, 0.0, 0.0, 3.0, 1.0),
             (10.0, 0.5, 0.0, 0.0, 1.0, 1.0), (2.0, 1.0, 0.0, 0.0, -3.0, 2.0), (5.0, 0.7, 0.0, 0.0, 3.0, 0.0),
             (1.0, -2.0, 0.5, 0.0, 2.0, 0.0)]
    for c in cases:
        add(*c)
    for _ in range(24):
        a, b = rng.uniform(0.2, 5, 2)
        cx, cy = rng.uniform(-3, 3, 2)
        scale = rng.choice([0.3, 1.0, 3.0])  # inside, near and outside
        px = cx + rng.uniform(-1, 1) * a * scale
        py = cy + rng.uniform(-1, 1) * b * scale
        add(px, py, cx, cy, a, b)


gaps()
sorts()
selects()
interps()
ellipses()
with open(OUT, "w", newline="\n") as f:
    f.write("# made by tools/reference/make_math1_sort_refs.py\n")
    for r in rows:
        f.write("\t".join(r) + "\n")
print(f"{len(rows)} cases written to {OUT}")
