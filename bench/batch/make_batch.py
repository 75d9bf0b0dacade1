#!/usr/bin/env python3
"""Writes data files for the batch speed comparison of kinetra-fit.

Each file holds POINTS (default 200) records "concentration,rate" with CR LF line ends,
the rates following the Hill rate law v = V*S^n/(K^n+S^n) with measurement scatter:
a proportional part (2 to 4 % of the rate) and a constant part (0.5 % of V). Every value
is written with four significant digits, which is what kinetra-fit keeps of a record,
so both fitters see exactly the same numbers. The exponents and half-saturation
constants cycle through a fixed table, so a batch holds every kind of curve in equal
shares; the seed is fixed, so the same command writes the same files.

    make_batch.py DIRECTORY [--count N] [--points P] [--seed S]
"""

import argparse
import math
import os
import random
import sys

# Hill exponents and half-saturation constants the batch cycles through.
EXPONENTS = (0.8, 1.0, 1.5, 2.0, 2.7, 3.5)
HALF_SATURATIONS = (0.05, 0.8, 12.0, 150.0)


def four_digits(x):
    """The value as written in the file: four significant digits."""
    return f"{x:.4g}"


def curve(rng, index, points):
    """Concentrations and rates of the file with number `index`."""
    n = EXPONENTS[index % len(EXPONENTS)]
    K = HALF_SATURATIONS[(index // len(EXPONENTS)) % len(HALF_SATURATIONS)]
    V = math.exp(rng.uniform(math.log(5.0), math.log(500.0)))
    # The experiment spans from well below K to near saturation; how far varies.
    low = K / rng.uniform(4.0, 20.0)
    high = K * rng.uniform(5.0, 25.0)
    proportional = rng.uniform(0.02, 0.04)
    constant = 0.005 * V
    records = []
    step = (math.log(high) - math.log(low)) / (points - 1)
    for i in range(points):
        s = float(four_digits(math.exp(math.log(low) + i * step)))
        v = V * s**n / (K**n + s**n)
        while True:  # a measured rate is positive
            measured = v + rng.gauss(0.0, proportional * v) + rng.gauss(0.0, constant)
            if float(four_digits(measured)) > 0.0:
                break
        records.append((four_digits(s), four_digits(measured)))
    return records


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("directory")
    parser.add_argument("--count", type=int, default=1000, help="number of files (default 1000)")
    parser.add_argument("--points", type=int, default=200, help="points per file (default 200)")
    parser.add_argument("--seed", type=int, default=20240611)
    args = parser.parse_args(argv)
    if args.count < 1 or not 2 <= args.points <= 200:
        parser.error("--count must be at least 1 and --points between 2 and 200")

    os.makedirs(args.directory, exist_ok=True)
    rng = random.Random(args.seed)
    width = len(str(args.count - 1))
    for index in range(args.count):
        path = os.path.join(args.directory, f"hill_{index:0{width}d}.txt")
        with open(path, "w", newline="") as f:
            for s, v in curve(rng, index, args.points):
                f.write(f"{s},{v}\r\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
