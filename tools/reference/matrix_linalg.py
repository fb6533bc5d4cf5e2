#!/usr/bin/python3
"""Reference values of the matrix linear algebra (inverse, determinant,
Cholesky factor, norms, row distances, differences) from numpy and scipy.

    /usr/bin/python3 tools/reference/matrix_linalg.py

writes tests/data/matrix_linalg_decomp.tsv and tests/data/matrix_linalg_dist.tsv.
Each line is: case, field, columns, rows, then the values column by column
(the matrix element in column c and row r of the library is numpy's M[r, c]).
Values are written with repr, which reads back to the same double.
"""
import os

import numpy as np
from scipy.spatial.distance import pdist

OUT = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "data")


def line(case, field, m):
    m = np.atleast_2d(np.asarray(m, dtype=float))
    vals = " ".join(repr(float(x)) for x in m.flatten(order="F"))
    return f"{case}\t{field}\t{m.shape[1]}\t{m.shape[0]}\t{vals}\n"


def decomp(rng):
    out = []
    # Square matrices for inverse and determinant: random, random with a wide
    # range of scales, a Hilbert matrix (cond ~1e10) and a permutation-heavy one.
    squares = {
        "rand1": rng.uniform(-5, 5, (1, 1)),
        "rand3": rng.uniform(-1, 1, (3, 3)),
        "rand8": rng.normal(size=(8, 8)),
        "rand37": rng.normal(size=(37, 37)),
        "rand40": rng.uniform(-1, 1, (40, 40)),
        "scaled12": rng.normal(size=(12, 12)) * np.logspace(-6, 6, 12)[:, None],
        "hilbert8": 1.0 / (np.arange(8)[:, None] + np.arange(8)[None, :] + 1.0),
        "antidiag5": np.fliplr(np.diag(np.arange(1.0, 6.0))) + 1e-3 * rng.normal(size=(5, 5)),
    }
    for name, a in squares.items():
        out.append(line(name, "A", a))
        out.append(line(name, "inv", np.linalg.inv(a)))
        out.append(line(name, "det", [[np.linalg.det(a)]]))
        out.append(line(name, "cond", [[np.linalg.cond(a)]]))
    # Symmetric positive definite matrices for Cholesky.
    for name, n in (("spd4", 4), ("spd30", 30)):
        x = rng.normal(size=(n + 3, n))
        a = x.T @ x + n * np.eye(n)
        out.append(line(name, "A", a))
        out.append(line(name, "chol", np.linalg.cholesky(a)))
        out.append(line(name, "cond", [[np.linalg.cond(a)]]))
    # Rectangular matrices for the norms, wide ones included.
    for name, shape in (("n1x1", (1, 1)), ("n3x5", (3, 5)), ("n5x3", (5, 3)), ("n40x7", (40, 7)),
                        ("n7x40", (7, 40)), ("n30x30", (30, 30))):
        a = rng.normal(size=shape)
        out.append(line(name, "A", a))
        norms = [np.linalg.norm(a, 1), np.linalg.norm(a, np.inf), np.linalg.norm(a, 2), np.linalg.norm(a, "fro")]
        out.append(line(name, "norms", [norms]))
    # A rank-deficient matrix: the smallest singular value is 0.
    u = rng.normal(size=(9, 2))
    a = u @ rng.normal(size=(2, 6))
    out.append(line("rank2", "A", a))
    out.append(line("rank2", "norms", [[np.linalg.norm(a, 1), np.linalg.norm(a, np.inf),
                                        np.linalg.norm(a, 2), np.linalg.norm(a, "fro")]]))
    return out


def dist(rng):
    out = []
    # Rows are the objects; the distances are pdist's condensed vectors (pairs
    # (0, 1), (0, 2), …, (1, 2), …) as one column. Sizes cross the register
    # tiles and row blocks of the kernels.
    for name, shape in (("real5x3", (5, 3)), ("real29x11", (29, 11)), ("real41x6", (41, 6))):
        x = rng.normal(size=shape)
        out.append(line(name, "A", x))
        for metric in ("cityblock", "euclidean", "sqeuclidean"):
            out.append(line(name, metric, pdist(x, metric)[:, None]))
    # 0/1 data: Tanimoto and Dice similarities are 1 − scipy's dissimilarities.
    # No row is all zero (that pair is 0/0 in scipy).
    b = (rng.uniform(size=(23, 16)) < 0.4).astype(float)
    b[b.sum(axis=1) == 0, 0] = 1.0
    out.append(line("bits23x16", "A", b))
    out.append(line("bits23x16", "tanimoto", 1 - pdist(b.astype(bool), "jaccard")[:, None]))
    out.append(line("bits23x16", "dice", 1 - pdist(b.astype(bool), "dice")[:, None]))
    # Differences down the columns.
    x = rng.normal(size=(13, 4))
    out.append(line("diff13x4", "A", x))
    for order in (1, 2, 5):
        out.append(line("diff13x4", f"diff{order}", np.diff(x, n=order, axis=0)))
    return out


def main():
    rng = np.random.default_rng(20261207)
    with open(os.path.join(OUT, "matrix_linalg_decomp.tsv"), "w") as f:
        f.writelines(decomp(rng))
    with open(os.path.join(OUT, "matrix_linalg_dist.tsv"), "w") as f:
        f.writelines(dist(rng))


if __name__ == "__main__":
    main()
