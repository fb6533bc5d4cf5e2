#!/usr/bin/python3
# Reference values for the range statistics of the vector components.
# Run: /usr/bin/python3 tools/reference/make_vector_refs.py > tests/data/vector_stats.tsv
#
# Oracles: numpy.percentile(method='linear'); numpy.quantile(method='weibull')
# with the components' clipping (a position (n+1)q at or beyond n takes
# s[n-2], not numpy's s[n-1]); skewness/kurtosis from central moments over
# the n-1 deviation (GSL's definition) and scipy.stats skew/kurtosis with
# bias=False for the sample form; scipy.stats gmean, hmean, mode;
# numpy.corrcoef; numpy var(ddof=1); zlib.crc32 over byte lane j of the
# little-endian element bytes; int32 sums and dot products in numpy's
# wrapping int32 arithmetic.
#
# Line layout (tab-separated): kind, op, x, arg, expected
#   kind  real | int; x comma-separated (reals as float.hex)
#   arg   percent for pct; the second vector for pearson/dot; else '-'
#   expected comma-separated repr values (hex digits for crc)
import zlib

import numpy as np
from scipy import stats

rng = np.random.default_rng(20261208)


def fmt_x(kind, x):
    if kind == 'real':
        return ','.join(float(v).hex() for v in x)
    return ','.join(str(int(v)) for v in x)


def quartiles(x):
    s = np.sort(np.asarray(x, dtype=float))
    n = len(s)
    if n == 1:
        return [s[0]] * 3
    out = []
    for q in (0.25, 0.5, 0.75):
        k = int(np.floor((n + 1) * q))
        if k > n - 1:
            out.append(s[n - 2])  # clipped to n - 1 with fraction 0
        else:
            out.append(float(np.quantile(s, q, method='weibull')))
    return out


def skewkurt(x):
    x = np.asarray(x, dtype=float)
    n = len(x)
    if n < 4:
        return [0.0, 0.0]
    c = x - x.mean()
    sd = x.std(ddof=1)
    return [np.mean(c ** 3) / sd ** 3, np.mean(c ** 4) / sd ** 4 - 3]


def crc_lanes(x, dtype):
    b = np.asarray(x, dtype=dtype).tobytes()
    w = np.dtype(dtype).itemsize
    return ''.join('%08X' % zlib.crc32(b[j::w]) for j in range(w))


def emit(kind, op, x, arg, expected):
    if isinstance(expected, str):
        e = expected
    else:
        e = ','.join(repr(float(v)) for v in expected)
    print('\t'.join([kind, op, fmt_x(kind, x), arg, e]))


real_sets = [
    rng.normal(3.0, 2.0, 7),
    rng.normal(-1.0, 5.0, 20),
    rng.lognormal(0.0, 1.0, 101),
    np.round(rng.normal(0.0, 3.0, 40)) / 2,  # many repeats
    np.array([4.0, 1.0, 3.0, 2.0]),
    np.array([1e10, 1e10 + 1, 1e10 + 2, 1e10 + 4, 1e10 + 8]),
]
int_sets = [
    rng.integers(-50, 50, 15),
    rng.integers(0, 6, 31),
    np.array([2147483647, 2147483647, 5, -2147483648, 9], dtype=np.int64),
]

print('# made by tools/reference/make_vector_refs.py')
for kind, sets in (('real', real_sets), ('int', int_sets)):
    for x in sets:
        xf = np.asarray(x, dtype=float)
        for p in (0, 10, 25, 33.3, 50, 90, 99.9, 100):
            emit(kind, 'pct', x, repr(p), [np.percentile(xf, p, method='linear')])
        emit(kind, 'quart', x, '-', quartiles(xf))
        emit(kind, 'skewkurt', x, '-', skewkurt(xf))
        emit(kind, 'skewkurtsample', x, '-',
             [stats.skew(xf, bias=False), stats.kurtosis(xf, bias=False)])
        # The components' one-pass variance and correlation lose digits when
        # the mean is large against the spread; such sets get no reference
        # for them.
        onepass_ok = abs(xf.mean()) < 1e3 * xf.std(ddof=1)
        if onepass_ok:
            emit(kind, 'meanvar', x, '-', [xf.mean(), xf.var(ddof=1)])
        emit(kind, 'mode', x, '-', [stats.mode(xf, keepdims=False).mode])
        if xf.min() > 0:
            emit(kind, 'gmean', x, '-', [stats.gmean(xf)])
            emit(kind, 'hmean', x, '-', [stats.hmean(xf)])
        y = xf * 0.5 + rng.normal(0, 1.0, len(xf))
        if kind == 'int':
            y = np.round(y)
        if onepass_ok:
            emit(kind, 'pearson', x, fmt_x(kind, y), [np.corrcoef(xf, y)[0, 1]])
        if kind == 'real':
            emit(kind, 'crc', x, '-', crc_lanes(xf, '<f8'))
        else:
            xi = np.asarray(x).astype(np.int32)
            yi = np.asarray(y).astype(np.int32)
            emit(kind, 'crc', x, '-', crc_lanes(xi, '<i4'))
            emit(kind, 'sum', x, '-', [int(np.sum(xi, dtype=np.int32))])
            emit(kind, 'dot', x, fmt_x(kind, yi), [int(np.dot(xi, yi))])
