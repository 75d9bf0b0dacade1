#!/usr/bin/env python3
"""Compares kinetra-fit's results with the Python baseline's, file by file.

    compare.py KINETRA_JSONL SCIPY_OUTPUT [--tolerance T]

KINETRA_JSONL is the output of `kinetra-fit --json DATAFILE...` (one object per file, in
the order of the files), SCIPY_OUTPUT that of `scipy_fit.py DATAFILE...` with the same
files in the same order. A file counts as fitted by kinetra-fit when its curve has
results (a warning of the search may come with them: such files are counted and compared
too), by scipy when a line of three numbers was printed. Where both
converged, V, n and K agree when their relative difference |a-b|/max(|a|,|b|) is at most T
(default 1e-3). Prints a summary; exit status 0 when every file both fitted agrees, 1 when
some do not, 2 when the two outputs do not cover the same files.
"""

import argparse
import json
import math
import sys

PARAMETERS = ("V", "n", "K")


def relative_difference(a, b):
    scale = max(abs(a), abs(b))
    return 0.0 if scale == 0.0 else abs(a - b) / scale


def kinetra_results(path):
    """(one entry per file: (V, n, K) or None when the calculation ended, files with a warning)."""
    results, warned = [], 0
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.strip():
                continue
            obj = json.loads(line)
            curves = obj.get("curves") or []
            if obj.get("end") is None and len(curves) == 1:
                results.append(tuple(float(curves[0][p]) for p in PARAMETERS))
                warned += bool(curves[0]["warnings"])
            else:
                results.append(None)
    return results, warned


def scipy_results(path):
    """(file names, one entry per file: (V, n, K) or None)."""
    names, results = [], []
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            names.append(fields[0])
            if len(fields) == 4 and fields[1] != "failed":
                results.append(tuple(float(x) for x in fields[1:]))
            else:
                results.append(None)
    return names, results


def percentile(sorted_values, q):
    if not sorted_values:
        return math.nan
    return sorted_values[min(len(sorted_values) - 1, int(q * len(sorted_values)))]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("kinetra")
    parser.add_argument("scipy")
    parser.add_argument("--tolerance", type=float, default=1e-3)
    parser.add_argument("--show", type=int, default=5, help="disagreeing files to list (default 5)")
    args = parser.parse_args(argv)

    k, warned = kinetra_results(args.kinetra)
    names, s = scipy_results(args.scipy)
    if len(k) != len(s):
        print(f"compare: kinetra-fit reported {len(k)} files, scipy {len(s)}", file=sys.stderr)
        return 2

    both = [(name, a, b) for name, a, b in zip(names, k, s) if a is not None and b is not None]
    differences = {p: [] for p in PARAMETERS}
    disagreeing = []
    for name, a, b in both:
        d = [relative_difference(x, y) for x, y in zip(a, b)]
        for p, dp in zip(PARAMETERS, d):
            differences[p].append(dp)
        if max(d) > args.tolerance:
            disagreeing.append((max(d), name, a, b))

    print(f"files: {len(k)}; fitted by kinetra-fit: {sum(x is not None for x in k)}; "
          f"by scipy: {sum(x is not None for x in s)}; by both: {len(both)}")
    print(f"kinetra-fit fits that came with a warning (compared too): {warned}")
    for p in PARAMETERS:
        d = sorted(differences[p])
        print(f"  {p}: relative difference median {percentile(d, 0.5):.2e}, "
              f"95th percentile {percentile(d, 0.95):.2e}, largest {d[-1] if d else math.nan:.2e}")
    print(f"agree within {args.tolerance:g} relative: {len(both) - len(disagreeing)} of {len(both)}")
    for diff, name, a, b in sorted(disagreeing, reverse=True)[: args.show]:
        print(f"  {name}: kinetra-fit V n K = {a[0]:.6g} {a[1]:.6g} {a[2]:.6g}; "
              f"scipy = {b[0]:.6g} {b[1]:.6g} {b[2]:.6g} (largest difference {diff:.2e})")
    return 1 if disagreeing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
