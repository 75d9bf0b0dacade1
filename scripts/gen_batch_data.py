#!/usr/bin/env python3
"""Writes data files of (concentration, rate) records for batch runs of kinetra-fit.

Each file holds POINTS records of the Hill rate law v = base + V*S^n/(K^n + S^n) over a
logarithmic range of concentrations, with a little multiplicative noise; V, n, K and the
baseline differ from file to file. The files are reproducible for a given seed.

    scripts/gen_batch_data.py OUTDIR [--files 1000] [--points 200] [--seed 1]
"""
import argparse
import os
import random


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir")
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--points", type=int, default=200)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    os.makedirs(args.outdir, exist_ok=True)
    for f in range(1, args.files + 1):
        v = rng.uniform(20, 200)
        n = rng.uniform(0.6, 3.0)
        k = 10 ** rng.uniform(-2, 2)
        base = rng.uniform(0, 10)
        lines = []
        for i in range(args.points):
            s = k * 10 ** (-1.5 + 3.0 * i / (args.points - 1))
            rate = base + v * s**n / (k**n + s**n)
            rate *= 1 + rng.gauss(0, 0.005)
            lines.append("%.6g,%.6g\r\n" % (s, rate))
        name = os.path.join(args.outdir, "set_%04d.txt" % f)
        with open(name, "w", newline="") as out:
            out.write("".join(lines))


if __name__ == "__main__":
    main()
