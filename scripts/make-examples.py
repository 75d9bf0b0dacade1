#!/usr/bin/env python3
"""Writes the example data files of examples/ from the Hill rate law with a little noise.

Each file holds one record per line, "concentration,rate", CR LF, no header: the layout
the data file reader expects. The seed is fixed, so running the script again gives the
same files.

    python3 scripts/make-examples.py [output folder]   (default: examples/ next to scripts/)
"""
import math
import os
import random
import sys


def hill(s, v, n, k):
    return v * s ** n / (k ** n + s ** n)


def geometric(low, high, count):
    ratio = (high / low) ** (1.0 / (count - 1))
    return [low * ratio ** i for i in range(count)]


def noisy(rng, value, relative, absolute):
    # relative scatter of a rate measurement plus a small constant reading error
    return value * (1.0 + rng.gauss(0.0, relative)) + rng.gauss(0.0, absolute)


def number(x):
    # four significant digits, plain notation, point as decimal mark
    text = f"{x:.4g}"
    if "e" in text:
        text = f"{x:.6f}".rstrip("0").rstrip(".")
    return text


def write(folder, name, pairs):
    path = os.path.join(folder, name)
    with open(path, "w", newline="") as f:
        for s, v in pairs:
            if s <= 0 or v <= 0:
                raise SystemExit(f"{name}: a point not above 0 ({s}, {v})")
            f.write(f"{number(s)},{number(v)}\r\n")
    print(f"wrote {path} ({len(pairs)} points)")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "examples")
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(1877)

    # One curve, n = 1: V = 100 U/mg, K = 0.5 mM, no baseline.
    conc = geometric(0.02, 20.0, 12)
    write(folder, "michaelis_menten.txt",
          [(s, noisy(rng, hill(s, 100.0, 1.0, 0.5), 0.02, 0.3)) for s in conc])

    # One curve, n = 2.5: V = 80 U/mg, K = 2 mM, above a baseline of 3 U/mg.
    conc = geometric(0.2, 20.0, 14)
    write(folder, "sigmoidal.txt",
          [(s, noisy(rng, 3.0 + hill(s, 80.0, 2.5, 2.0), 0.02, 0.3)) for s in conc])

    # Two curves: a high-affinity site (V = 40, K = 0.02 mM, n = 1) above a baseline of
    # 2 U/mg, and a low-affinity site (V = 60, K = 40 mM, n = 2) that rises from the
    # plateau of the first. Points 1-10 carry the first curve, points 11-20 the second.
    conc = geometric(0.002, 1.0, 10) + geometric(10.0, 500.0, 10)
    write(folder, "two_curves.txt",
          [(s, noisy(rng, 2.0 + hill(s, 40.0, 1.0, 0.02) + hill(s, 60.0, 2.0, 40.0), 0.01, 0.2))
           for s in conc])


if __name__ == "__main__":
    main()
