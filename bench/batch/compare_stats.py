#!/usr/bin/env python3
"""Compares the fit statistics of two kinetra-fit --json --stats outputs of the same files.

    compare_stats.py BEFORE.jsonl AFTER.jsonl [--tolerance T]

Every number of every "statistics" object (of each curve and of an ended calculation) is
compared relatively, |a - b| / max(|a|, |b|); a residual relative to the largest residual of
its curve, since a residual near 0 is the difference of two near numbers and keeps only their
absolute digits. A figure that is null on one side only, or another structure, counts as a
difference. Prints the largest relative change of each kind of figure and where it is.

Exit status: 0 every figure within the tolerance (default 1e-9), 1 not, 2 usage error.
"""

import argparse
import json
import sys


def statistics_objects(path):
    """(file, curve, statistics) for every statistics object of the output, in order."""
    out = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line:
                continue
            record = json.loads(line)
            name = record.get("file", "?")
            for curve in record.get("curves", []):
                if "statistics" in curve:
                    out.append((name, curve.get("curve"), curve["statistics"]))
            end = record.get("end")
            if isinstance(end, dict) and "statistics" in end:
                out.append((name, "end", end["statistics"]))
    return out


def compare(a, b, where, scale, found):
    """Walks two figures together, recording the largest change per kind in `found`."""
    kind = where[0] if where else "?"
    if isinstance(a, dict) and isinstance(b, dict):
        if a.keys() != b.keys():
            found.setdefault("structure", []).append((float("inf"), where))
            return
        for key in a:
            compare(a[key], b[key], where + [key], scale, found)
        return
    if isinstance(a, list) and isinstance(b, list):
        if len(a) != len(b):
            found.setdefault("structure", []).append((float("inf"), where))
            return
        for i, (x, y) in enumerate(zip(a, b)):
            compare(x, y, where + [i], scale, found)
        return
    if isinstance(a, bool) or isinstance(b, bool) or isinstance(a, str) or a is None or b is None:
        if a != b:
            found.setdefault(kind, []).append((float("inf"), where))
        return
    size = scale if kind == "residuals" else max(abs(a), abs(b))
    change = abs(a - b) / size if size > 0 else 0.0
    found.setdefault(kind, []).append((change, where))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("before")
    parser.add_argument("after")
    parser.add_argument("--tolerance", type=float, default=1e-9)
    args = parser.parse_args(argv)
    before, after = statistics_objects(args.before), statistics_objects(args.after)
    if len(before) != len(after) or not before:
        print(f"{len(before)} statistics objects before, {len(after)} after")
        return 1
    found = {}
    for (name, curve, a), (name2, curve2, b) in zip(before, after):
        if (name, curve) != (name2, curve2):
            print(f"the outputs list other curves: {name} {curve} against {name2} {curve2}")
            return 1
        residuals = (a.get("residuals") or []) + (b.get("residuals") or [])
        scale = max((abs(r) for r in residuals), default=0.0)
        compare(a, b, [], scale, {})  # structure first
        local = {}
        compare(a, b, [], scale, local)
        for kind, changes in local.items():
            for change, where in changes:
                found.setdefault(kind, []).append((change, [name, curve] + where))
    worst = 0.0
    print(f"{len(before)} statistics objects; largest relative change of each figure:")
    for kind in sorted(found):
        change, where = max(found[kind], key=lambda c: c[0])
        worst = max(worst, change)
        print(f"  {kind:18} {change:.3e}  at {' '.join(str(w) for w in where)}")
    print(f"largest: {worst:.3e} (tolerance {args.tolerance:g})")
    return 0 if worst <= args.tolerance else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
