#!/usr/bin/python3
"""Reference data for the complex-number tests (tests/numerics/test_complex.cpp).

Run from the repository root with the system Python, which has numpy:
    /usr/bin/python3 tools/reference/make_complex_refs.py

Writes tests/data/complex_reference.tsv, one case per line:
  polar  re im     r phi    cmath.polar (double)
  rect   r phi     re im    cmath.rect (double)
  abs    re im     |z|      numpy.abs of numpy.clongdouble (80-bit)
  div    a.re a.im b.re b.im   re im   numpy.clongdouble division (80-bit)
Inputs are doubles written in hexadecimal (exact for strtold); double results
with repr(), extended results with numpy's shortest round-trip digits.
"""
import cmath
import math
import os

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.path.join(ROOT, "tests", "data", "complex_reference.tsv")

rng = np.random.default_rng(15)
lines = []


def ld(x):
    return np.format_float_scientific(x, unique=True)


def emit(*fields):
    lines.append("\t".join(fields))


def cld(re, im):
    return np.clongdouble(np.longdouble(re)) + np.clongdouble(1j) * np.longdouble(im)


edge_points = [(1.0, 0.0), (0.0, 1.0), (-1.0, 0.0), (0.0, -1.0), (3.0, 4.0), (-3.0, -4.0), (1e-300, 1e-300),
           (1e300, -1e300), (-2.5, 1e-17), (0.1, 0.2)]
points = edge_points + [tuple(float(x) for x in rng.normal(0, 10, 2)) for _ in range(12)]

for re, im in points:
    r, phi = cmath.polar(complex(re, im))
    emit("polar", re.hex(), im.hex(), repr(r), repr(phi))
    emit("abs", re.hex(), im.hex(), ld(np.abs(cld(re, im))))

for r, phi in [(1.0, math.pi), (2.0, -math.pi / 2), (0.0, 1.0), (5.0, 0.9272952180016122)] + \
              [(abs(float(rng.normal(0, 5))), float(rng.uniform(-math.pi, math.pi))) for _ in range(8)]:
    z = cmath.rect(r, phi)
    emit("rect", r.hex(), phi.hex(), repr(z.real), repr(z.imag))


for (ar, ai), (br, bi) in [((1.0, 0.0), (0.0, 1.0)), ((1.0, 2.0), (3.0, -1.0)), ((7.0, -3.0), (7.0, -3.0))] + \
        [(tuple(float(x) for x in rng.normal(0, 3, 2)), tuple(float(x) for x in rng.normal(0, 3, 2)))
         for _ in range(10)]:
    q = cld(ar, ai) / cld(br, bi)
    emit("div", ar.hex(), ai.hex(), br.hex(), bi.hex(), ld(q.real), ld(q.imag))

with open(OUT, "w", newline="\n") as f:
    f.write("# made by tools/reference/make_complex_refs.py\n")
    f.write("\n".join(lines) + "\n")
