#!/usr/bin/python3
"""Reference data for the array-routine tests (tests/numerics/test_openarrays*.cpp).

Run from the repository root with the system Python, which has numpy:
    /usr/bin/python3 tools/reference/make_openarrays_refs.py

Writes tests/data/openarrays_reference.tsv. Each line is a record kind and
TAB-separated fields; a field holds one number or a space-separated list.
Doubles are written with repr() (they read back exactly with strtod).

  stats   rank  shape  values  bounds(lo hi per dimension)  mean  std
          numpy.mean and numpy.std(ddof=1) of the block (nan std for one
          element is written as 0, the routines' value)
  istats  the same for integer values
  extr    shape  values  min  argmin  max  argmax
          argmin/argmax are flat indices of the first occurrence
  iextr   the same for integer values (2-D)
  round   values  ints     numpy.clip(numpy.rint(x), -2^31, 2^31 - 1)
  unique  values  sorted   numpy.unique (ascending) of integer values
  pct     values  p  k  value   k = min(rint(n p / 100), n - 1) and
          numpy.partition(values, k)[k]
  argsort values  index    numpy.argsort(kind='stable') + 1, tie-free data,
          ascending; 'argsortd' likewise for descending order
  count   values  lo hi  low high  count   elements of values[lo..hi] in [low, high]
  matmul  n m p  A  B  A @ B   (double; 'imatmul' integer)
"""
import os

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.path.join(ROOT, "tests", "data", "openarrays_reference.tsv")

rng = np.random.default_rng(20261207)
lines = []


def nums(a):
    return " ".join(repr(float(x)) for x in np.ravel(a))


def ints(a):
    return " ".join(str(int(x)) for x in np.ravel(a))


def emit(*fields):
    lines.append("\t".join(str(f) for f in fields))


def stats(kind, a, bounds):
    block = a[tuple(slice(lo, hi + 1) for lo, hi in bounds)]
    mean = float(np.mean(block))
    std = float(np.std(block, ddof=1)) if block.size > 1 else 0.0
    fmt = ints if kind == "istats" else nums
    emit(kind, a.ndim, ints(a.shape), fmt(a), " ".join(f"{lo} {hi}" for lo, hi in bounds), repr(mean), repr(std))


# Means and deviations of blocks, every rank; a large offset shows that the
# deviations are taken from the mean (the one-pass formula loses every digit).
for shape, bounds in [((12,), [(0, 11)]), ((12,), [(3, 7)]), ((9,), [(4, 4)]),
                      ((5, 7), [(0, 4), (0, 6)]), ((5, 7), [(1, 3), (2, 5)]),
                      ((3, 4, 5), [(0, 2), (1, 3), (0, 4)]), ((3, 3, 2, 4), [(1, 2), (0, 2), (1, 1), (0, 3)])]:
    stats("stats", rng.normal(3.0, 2.0, shape), bounds)
stats("stats", 1e9 + rng.normal(0.0, 1e-3, (40,)), [(0, 39)])
stats("stats", np.full((6,), 0.1), [(0, 5)])
for shape, bounds in [((15,), [(2, 14)]), ((4, 6), [(0, 3), (1, 4)]), ((2, 3, 4), [(0, 1), (0, 2), (1, 3)])]:
    stats("istats", rng.integers(-1000, 1000, shape), bounds)
stats("istats", rng.integers(2**31 - 100, 2**31 - 1, (20,)), [(0, 19)])

# Extremes with ties: the first occurrence counts.
for shape in [(20,), (4, 5), (2, 3, 4)]:
    a = np.round(rng.normal(0, 3, shape))
    emit("extr", ints(a.shape), nums(a), repr(float(a.min())), int(np.argmin(a)), repr(float(a.max())), int(np.argmax(a)))
for shape in [(5, 6), (1, 7)]:
    a = rng.integers(-5, 5, shape)
    emit("iextr", ints(a.shape), ints(a), int(a.min()), int(np.argmin(a)), int(a.max()), int(np.argmax(a)))

# Double to integer: ties to even, clamped to the 32-bit range.
r = np.array([0.5, 1.5, 2.5, -0.5, -1.5, -2.5, 3.4999999999999996, 1e12, -1e12, 2147483646.5, 2147483647.5,
              -2147483648.5, -2147483647.5, 2147483647.4, 1e300, -1e300, np.inf, -np.inf, -0.0, 7.0])
r = np.concatenate([r, rng.normal(0, 1e6, 10)])
emit("round", nums(r), ints(np.clip(np.rint(r), -2.0**31, 2.0**31 - 1)))

for a in [np.array([3, 1, 3, 2]), rng.integers(-6, 6, 30), np.array([5, 5, 5]), np.array([2147483647, -2147483648, 0, 0])]:
    emit("unique", ints(a), ints(np.unique(a)))

for n, p in [(10, 50.0), (10, 25.0), (10, 0.0), (10, 100.0), (7, 50.0), (8, 31.25), (8, 18.75), (1, 40.0), (25, 90.0)]:
    a = np.round(rng.normal(0, 10, n), 1)
    k = min(int(np.rint(n * p / 100.0)), n - 1)
    emit("pct", nums(a), repr(p), k, repr(float(np.partition(a, k)[k])))

for n in [2, 9, 31]:
    a = rng.permutation(n * 3)[:n].astype(float) / 4.0
    emit("argsort", nums(a), ints(np.argsort(a, kind="stable") + 1))
    emit("argsortd", nums(a), ints(np.argsort(-a, kind="stable") + 1))

a = np.round(rng.normal(0, 2, 25), 1)
for lo, hi, low, high in [(0, 24, -1.0, 1.0), (5, 19, 0.0, 0.0), (0, 24, -10.0, 10.0), (3, 3, -100.0, 100.0)]:
    block = a[lo:hi + 1]
    emit("count", nums(a), f"{lo} {hi}", f"{low!r} {high!r}", int(np.count_nonzero((block >= low) & (block <= high))))

for n, m, p in [(3, 4, 2), (1, 5, 3), (6, 1, 4)]:
    A = rng.normal(0, 1, (n, m))
    B = rng.normal(0, 1, (m, p))
    emit("matmul", f"{n} {m} {p}", nums(A), nums(B), nums(A @ B))
    A = rng.integers(-50, 50, (n, m))
    B = rng.integers(-50, 50, (m, p))
    emit("imatmul", f"{n} {m} {p}", ints(A), ints(B), ints(A @ B))

with open(OUT, "w", newline="\n") as f:
    f.write("# made by tools/reference/make_openarrays_refs.py\n")
    f.write("\n".join(lines) + "\n")
