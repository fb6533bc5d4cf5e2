#!/usr/bin/python3
# Reference values for the eigen/PCA/SVD unit (zel_math2).
# Run: /usr/bin/python3 tools/reference/math2.py > tests/data/math2_reference.tsv
#
# Oracles: numpy.cov / numpy.corrcoef (covariance and correlation, divisor
# N - 1); numpy.linalg.eigh (eigenvalues ascending, eigenvectors up to
# sign); numpy.linalg.svd; numpy.linalg.pinv with the unit's default cut
# max(m, n) * s_max * 1.2e-16; numpy.linalg.lstsq with rcond = 1e-14 and the
# unscaled standard errors sqrt(diag(V diag(1/s^2) V^T)) over the kept
# singular values.
#
# The unit's conventions where numpy differs: a variable without spread
# correlates 0 (numpy: nan), its own Mode 3 value is 0, Mode 2 diagonals are
# exactly 1; Mode 0 is X^T X / (N - 1), Mode 4 sum (x_i - x_j)^2 / (N - 1).
#
# Line layout (tab-separated), matrices row-major in the mathematical sense
# (row = observation or equation), inputs as float.hex, results as repr:
#   data   ID  N  P  values            a data block (N observations, P variables)
#   covar  ID  MODE  P  values         CalcCovar of data ID
#   pca    ID  MODE  P  values  vecs   normalized eigenvalues (descending) and
#                                      eigenvectors (row k = vector k)
#   sym    ID  N  values               a symmetric matrix
#   eig    ID  values  vecs            ascending eigenvalues, row k = vector k
#   mat    ID  M  N  values            a matrix for the SVD routines
#   sv     ID  values                  singular values, descending
#   pinv   ID  N  M  values            pseudo-inverse (N x M)
#   lstsq  ID  b  x  stderr  rankdef   least squares of mat ID against b
import numpy as np

rng = np.random.default_rng(20261211)


def hexs(a):
    return ','.join(float(v).hex() for v in np.ravel(a))


def reps(a):
    return ','.join(repr(float(v)) for v in np.ravel(a))


def covar(x, mode):
    n, p = x.shape
    out = np.zeros((p, p))
    m = x.mean(axis=0)
    c = x - m
    var = np.maximum(0.0, (np.sum(x * x, axis=0) - np.sum(x, axis=0) ** 2 / n) / (n - 1))
    for i in range(p):
        for j in range(i + 1):
            if mode == 0:
                s = np.dot(x[:, i], x[:, j]) / (n - 1)
            elif mode == 1:
                s = np.dot(c[:, i], c[:, j]) / (n - 1)
            elif mode in (2, 3):
                f = np.sqrt(var[i] * var[j])
                if mode == 2 and i == j:
                    s = 1.0
                elif f == 0:
                    s = 0.0
                else:
                    r = np.dot(c[:, i], c[:, j]) / f / (n - 1)
                    s = r if mode == 2 else r * r
            elif mode == 4:
                s = np.sum((x[:, i] - x[:, j]) ** 2) / (n - 1)
            out[i, j] = out[j, i] = s
    return out


def check_against_numpy(x):
    # The hand-written statistics above must agree with numpy's own (the
    # one-pass variance behind the correlation loses up to about 1e-12
    # relative on offset data).
    c1 = covar(x, 1)
    assert np.allclose(c1, np.cov(x, rowvar=False), rtol=1e-12, atol=1e-14)
    if np.all(x.std(axis=0) > 0):
        assert np.allclose(covar(x, 2), np.corrcoef(x, rowvar=False), rtol=1e-10, atol=1e-12)


def emit_data(name, x, modes):
    check_against_numpy(x)
    n, p = x.shape
    print(f'data\t{name}\t{n}\t{p}\t{hexs(x)}')
    for mode in modes:
        print(f'covar\t{name}\t{mode}\t{p}\t{reps(covar(x, mode))}')
    for mode in (1, 2):
        w, v = np.linalg.eigh(covar(x, mode))
        w = w / np.sum(np.abs(w))
        order = np.argsort(-w, kind='stable')
        print(f'pca\t{name}\t{mode}\t{p}\t{reps(w[order])}\t{reps(v[:, order].T)}')


print('# made by tools/reference/math2.py')

# Correlated variables on a large offset (the one-pass variance loses about
# 1e-12 relative there), a small block with a constant variable, a wider one.
base = rng.standard_normal((40, 6))
mix = np.array([[1, 0.5, 0, 0, 0.2, 0], [0, 1, 0.3, 0, 0, 0], [0, 0, 1, 0.8, 0, 0],
                [0, 0, 0, 1, 0, 0.1], [0, 0, 0, 0, 1, 0], [0, 0, 0, 0, 0, 2]])
emit_data('corr40', base @ mix + 100.0, range(5))
small = np.column_stack([rng.standard_normal(7), np.full(7, 2.0), rng.uniform(0, 5, 7)])
print(f'data\tconst7\t7\t3\t{hexs(small)}')
for mode in range(5):
    print(f'covar\tconst7\t{mode}\t3\t{reps(covar(small, mode))}')
emit_data('wide200', rng.standard_normal((200, 20)) @ rng.standard_normal((20, 20)), (1, 2))

# Symmetric matrices: small random, a covariance of 50 variables, an
# indefinite one with well separated eigenvalues.
for name, a in [('rand6', rng.standard_normal((6, 6))),
                ('cov50', np.cov(rng.standard_normal((120, 50)), rowvar=False)),
                ('indef12', np.diag(np.arange(-6.0, 6.0) * 3) + 0.5 * rng.standard_normal((12, 12)))]:
    s = (a + a.T) / 2 if name != 'cov50' else a
    w, v = np.linalg.eigh(s)
    print(f'sym\t{name}\t{s.shape[0]}\t{hexs(s)}')
    print(f'eig\t{name}\t{reps(w)}\t{reps(v.T)}')

# Matrices for the SVD routines: tall, wide, square of rank 3, single row
# and column, all zero.
u3 = rng.standard_normal((6, 3))
mats = [('tall8x5', rng.standard_normal((8, 5))),
        ('wide4x7', rng.standard_normal((4, 7))),
        ('rank3', u3 @ rng.standard_normal((3, 6))),
        ('row1x4', rng.standard_normal((1, 4))),
        ('col5x1', rng.standard_normal((5, 1))),
        ('zero3x3', np.zeros((3, 3)))]
for name, a in mats:
    m, n = a.shape
    print(f'mat\t{name}\t{m}\t{n}\t{hexs(a)}')
    s = np.linalg.svd(a, compute_uv=False)
    full = np.zeros(n)
    full[:len(s)] = s
    print(f'sv\t{name}\t{reps(np.sort(full)[::-1])}')
    smax = full.max()
    cut = max(m, n) * smax * 1.2e-16
    pinv = np.linalg.pinv(a, rcond=(cut / smax) if smax > 0 else 0.0) if smax > 0 else np.zeros((n, m))
    print(f'pinv\t{name}\t{n}\t{m}\t{reps(pinv)}')
    b = rng.standard_normal(m)
    x = np.linalg.lstsq(a, b, rcond=1e-14)[0] if smax > 0 else np.zeros(n)
    _, sv, vt = np.linalg.svd(a, full_matrices=True)
    kept = sv > 1e-14 * smax if smax > 0 else np.zeros(len(sv), bool)
    se = np.sqrt(np.sum((vt[:len(sv)][kept].T / sv[kept]) ** 2, axis=1)) if kept.any() else np.zeros(n)
    rankdef = int(smax == 0 or np.sum(kept) < n)
    print(f'lstsq\t{name}\t{hexs(b)}\t{reps(x)}\t{reps(se)}\t{rankdef}')

# The tool's example: the 13 measured columns of data/wine.csv, correlation
# matrix; eigenvalues descending, and the scores of the first observation on
# the first three components (standardised with the n - 1 deviation, each
# vector's largest component positive).
#   wine  eigenvalues  scores-of-row-1
import csv
import os

with open(os.path.join(os.path.dirname(__file__), '..', '..', 'data', 'wine.csv')) as f:
    rows = list(csv.reader(f))
wine = np.array([[float(v) for v in r[:13]] for r in rows[1:]])
w, v = np.linalg.eigh(np.corrcoef(wine, rowvar=False))
order = np.argsort(-w)
w, v = w[order], v[:, order]
for k in range(v.shape[1]):
    if v[np.argmax(np.abs(v[:, k])), k] < 0:
        v[:, k] = -v[:, k]
z = (wine - wine.mean(axis=0)) / wine.std(axis=0, ddof=1)
print(f'wine\t{reps(w)}\t{reps((z @ v)[0, :3])}')
