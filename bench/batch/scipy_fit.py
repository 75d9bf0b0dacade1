#!/usr/bin/env python3
"""The Python baseline of the batch speed comparison: scipy's curve_fit on data files.

Fits v - B = V*S^n/(K^n+S^n) to every file with scipy.optimize.curve_fit, method "lm"
(Levenberg-Marquardt), unweighted, B the baseline given with --baseline (default 0).
Reads the files as kinetra-fit does: fields separated by commas, blanks, tabs or line
ends, two consecutive fields a record, at most 200 records. Prints one line per file:

    FILE<TAB>V<TAB>n<TAB>K          the fit converged
    FILE<TAB>failed<TAB>REASON      it did not

Exit status 0 when every file was fitted, 1 otherwise.

    scipy_fit.py [--baseline B] DATAFILE...
"""

import argparse
import re
import sys
import warnings

import numpy as np
from scipy.optimize import OptimizeWarning, curve_fit

MAX_RECORDS = 200
SEPARATORS = re.compile(r"[,\s]+")


def read_points(path):
    with open(path, "r", newline="") as f:
        fields = [x for x in SEPARATORS.split(f.read()) if x]
    fields = fields[: 2 * MAX_RECORDS]
    if len(fields) % 2:
        raise ValueError("a record cut off by the end of the file")
    values = np.array([float(x) for x in fields]).reshape(-1, 2)
    order = np.argsort(values[:, 0], kind="stable")
    return values[order, 0], values[order, 1]


def hill(S, V, n, K):
    Sn = S**n
    return V * Sn / (K**n + Sn)


def starting_values(S, v):
    """V: a little above the highest rate; K: where the rates first pass half of it; n: 1."""
    V0 = 1.05 * float(np.max(v))
    above = np.nonzero(v >= 0.5 * V0)[0]
    K0 = float(S[above[0]]) if above.size else float(np.median(S))
    return V0, 1.0, K0


def fit(S, v):
    p0 = starting_values(S, v)
    with warnings.catch_warnings():
        warnings.simplefilter("error", OptimizeWarning)  # e.g. a covariance that cannot be estimated
        (V, n, K), _ = curve_fit(hill, S, v, p0=p0, method="lm", maxfev=2000)
    if not all(np.isfinite((V, n, K))) or V <= 0 or K <= 0:
        raise RuntimeError(f"no usable minimum (V={V}, n={n}, K={K})")
    return V, n, K


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--baseline", type=float, default=0.0)
    parser.add_argument("files", nargs="+", metavar="DATAFILE")
    args = parser.parse_args(argv)

    status = 0
    out = []
    for path in args.files:
        try:
            S, v = read_points(path)
            V, n, K = fit(S, v - args.baseline)
            out.append(f"{path}\t{V!r}\t{n!r}\t{K!r}\n")
        except (OSError, ValueError, RuntimeError, OptimizeWarning) as e:
            out.append(f"{path}\tfailed\t{e}\n".replace("\r", " "))
            status = 1
    sys.stdout.write("".join(out))
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
