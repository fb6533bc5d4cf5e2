#!/usr/bin/python3
# Reference values for the rectangle statistics of the matrix component.
# Run: /usr/bin/python3 tools/reference/matrix_stats.py > tests/data/matrix_stats.tsv
#
# A matrix with c columns and r rows is a numpy array M of shape (r, c), with
# M[row - 1, col - 1] the element (col, row); a rectangle's elements are taken
# column by column (ravel order 'F'). Oracles: numpy mean, var(ddof=1),
# mean(axis=0/1); the percentile rule np.sort(a)[min(int(np.rint(n*p/100)), n-1)];
# numpy.quantile(method='weibull') with the components' clipping of the
# position to n - 1; skewness/kurtosis from central moments over the n - 1
# deviation and scipy.stats skew/kurtosis with bias=False for the sample
# form; zlib.crc32 over byte lane j of the little-endian element bytes.
#
# Line layout (tab-separated):
#   mat   name  ncol  nrow  values column by column (repr, round-trip)
#   op    name  rect  arg   expected (comma-separated repr; hex for crc)
# rect is "LowCol,LowRow,HighCol,HighRow" as passed to the component (the
# range rule still applies); arg is the percent for pct, else '-'.
import zlib

import numpy as np
from scipy import stats

rng = np.random.default_rng(20261209)


def valid_range(lo, hi, count):
    if lo == 0 and hi == 0:
        return 1, count
    if lo > hi:
        lo, hi = hi, lo
    return min(max(lo, 1), count), min(max(hi, 1), count)


def rect_values(m, rect):
    lc, lr, hc, hr = rect
    lc, hc = valid_range(lc, hc, m.shape[1])
    lr, hr = valid_range(lr, hr, m.shape[0])
    return m[lr - 1:hr, lc - 1:hc].ravel(order='F')


def meanvar(x):
    return [x.mean(), x.var(ddof=1) if len(x) >= 3 else 1.0]


def percentile(x, p):
    n = len(x)
    return np.sort(x)[min(int(np.rint(n * p / 100)), n - 1)]


def quartiles(x):
    s = np.sort(x)
    n = len(s)
    if n == 1:
        return [s[0]] * 3
    out = []
    for q in (0.25, 0.5, 0.75):
        if int(np.floor((n + 1) * q)) > n - 1:
            out.append(s[n - 2])  # position clipped to n - 1 with fraction 0
        else:
            out.append(float(np.quantile(s, q, method='weibull')))
    return out


def skewkurt(x):
    if len(x) < 2:
        return [0.0, 0.0]
    c = x - x.mean()
    sd = x.std(ddof=1)
    if sd == 0:
        return [0.0, 0.0]
    return [np.mean(c ** 3) / sd ** 3, np.mean(c ** 4) / sd ** 4 - 3]


def skewkurt_sample(x):
    if len(x) < 4 or x.std() == 0:
        return [0.0, 0.0]
    return [stats.skew(x, bias=False), stats.kurtosis(x, bias=False)]


def crc_lanes(m):
    b = m.ravel(order='F').astype('<f8').tobytes()
    return ''.join('%08X' % zlib.crc32(b[j::8]) for j in range(8))


def out(*fields):
    print('\t'.join(str(f) for f in fields))


def values(v):
    return ','.join(repr(float(e)) for e in v)


matrices = {
    'normal7x9': rng.normal(3.0, 2.0, (9, 7)),
    'ties5x12': np.round(rng.normal(0.0, 3.0, (12, 5))) / 2,
    'lognormal1x15': rng.lognormal(0.0, 1.0, (15, 1)),
    'row6x1': rng.normal(-1.0, 5.0, (1, 6)),
    'wide11x4': rng.uniform(-10.0, 10.0, (4, 11)),
}

print('# made by tools/reference/matrix_stats.py')
for name, m in matrices.items():
    nrow, ncol = m.shape
    out('mat', name, ncol, nrow, values(m.ravel(order='F')))
    rects = [
        (0, 0, 0, 0),                     # everything
        (2, 1, min(4, ncol), nrow),       # whole columns
        (2, 3, 5, 7),                     # inner rectangle
        (5, 7, 2, 3),                     # the same reversed
        (-2, 0, 99, 4),                   # bounds clipped
        (1, 1, 1, 2),                     # two elements
        (1, 1, 3, 1),                     # a piece of the first row
        (ncol, nrow, ncol, nrow),         # one element
    ]
    for rect in rects:
        r = ','.join(str(v) for v in rect)
        x = rect_values(m, rect)
        out('meanvar', name, r, '-', values(meanvar(x)))
        for p in (0, 10, 25, 37.5, 50, 62.5, 90, 100):
            out('pct', name, r, repr(p), values([percentile(x, p)]))
        out('quart', name, r, '-', values(quartiles(x)))
        out('skewkurt', name, r, '-', values(skewkurt(x)))
        out('skewkurtsample', name, r, '-', values(skewkurt_sample(x)))
    out('colmeans', name, '-', '-', values(m.mean(axis=0)))
    out('rowmeans', name, '-', '-', values(m.mean(axis=1)))
    out('crc', name, '-', '-', crc_lanes(m))
