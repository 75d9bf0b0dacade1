#!/usr/bin/python3
"""Reference figures for the fit statistics, computed with scipy independently of Kinetra.

Writes beside this script one data file per case (CASE.txt, "concentration,rate" lines, every
value with at most four significant digits, as Kinetra keeps them) and references.json with,
per case, the baseline and what least squares says about the Hill law
v - baseline = V*S^n/(K^n+S^n) on those points:

  estimates      V, n, K, VK = V/K at the least-squares minimum (scipy.optimize.least_squares,
                 Levenberg-Marquardt from several starts, the lowest SSR kept)
  standardErrors from s^2 (J^T J)^-1, J the Jacobian in (V, n, K), s^2 = SSR/(m - 3);
                 VK by the delta method with the gradient (1/K, 0, -V/K^2)
  ci95           estimate -/+ t(0.975, m - 3) * SE (scipy.stats.t)
  profileCi95    where the profile SSR (the other two parameters re-minimised) reaches
                 SSR * (1 + t^2/df), found by scipy.optimize.brentq on a bracket from a
                 geometric scan out to 1e6 and 1e-6 times the estimate; None when not reached
  hyperbolic     the fit with n fixed at 1: V, K, SSR
  fTest          F = (SSR1 - SSR) / (SSR/df), p from scipy.stats.f(1, df) upper tail
  deltaAICc      AICc(n = 1) - AICc(Hill), AICc = m ln(SSR/m) + 2k + 2k(k+1)/(m-k-1),
                 k = 4 and 3; None where m - k - 1 <= 0
  syx, r2, residuals (y - f in point order)

A case whose minimum lies beyond 1e6 times the largest rate or concentration is written
with "determined": false and nothing else.

Run:  /usr/bin/python3 tests/data/stats/make_references.py
"""

import json
import math
import os
import sys

import numpy as np
from scipy import optimize, stats

HERE = os.path.dirname(os.path.abspath(__file__))
LIMIT = 1e6


def four_digits(x):
    return float(f"{x:.3e}")


def hill(theta, S):
    V, n, K = theta
    # V / (1 + (K/S)^n), written with logarithms so that 1e-30 and 1e30 stay in range
    return V / (1.0 + np.exp(n * (np.log(K) - np.log(S))))


def hill_jacobian(theta, S):
    V, n, K = theta
    p = 1.0 / (1.0 + np.exp(n * (np.log(K) - np.log(S))))
    q = p * (1.0 - p)
    return np.column_stack([p, V * q * np.log(S / K), -V * q * n / K])


def least_squares(fun, jac, x0, x_scale):
    r = optimize.least_squares(fun, x0, jac=jac, method="lm", x_scale=x_scale,
                               xtol=1e-15, ftol=1e-15, gtol=1e-15, max_nfev=20000)
    return r.x, float(np.sum(r.fun**2))


def fit_hill(S, y, starts):
    """Minimum of SSR over (V, n, log K) from each start; the best one."""
    best = None
    for V0, n0, K0 in starts:
        def res(q):
            return y - hill((q[0], q[1], math.exp(q[2])), S)

        def jac(q):
            J = hill_jacobian((q[0], q[1], math.exp(q[2])), S)
            J[:, 2] *= math.exp(q[2])
            return -J
        try:
            q, ssr = least_squares(res, jac, [V0, n0, math.log(K0)], [abs(V0), 1.0, 1.0])
        except (ValueError, FloatingPointError, OverflowError):
            continue
        if not np.all(np.isfinite(q)):
            continue
        if best is None or ssr < best[1]:
            best = ((q[0], q[1], math.exp(q[2])), ssr)
    return best


def fit_fixed(S, y, which, value, x0):
    """Profile: the minimum SSR with parameter `which` (0 V, 1 n, 2 K) held at `value`."""
    free = [i for i in range(3) if i != which]

    def full(q):
        theta = [0.0, 0.0, 0.0]
        theta[which] = value
        for i, qi in zip(free, q):
            theta[i] = math.exp(min(max(qi, -700.0), 700.0)) if i == 2 else qi
        return theta

    def res(q):
        return y - hill(full(q), S)

    def jac(q):
        theta = full(q)
        J = hill_jacobian(theta, S)
        J[:, 2] *= theta[2]
        return -J[:, free]
    q0 = [math.log(x0[i]) if i == 2 else x0[i] for i in free]
    scale = [abs(x0[i]) if i == 0 else 1.0 for i in free]
    q, ssr = least_squares(res, jac, q0, scale)
    return full(q), ssr


def profile_limit(S, y, theta, ssr, which, target, direction):
    """The value beyond the estimate where the profile SSR reaches `target`, or None."""
    est = theta[which]
    warm = {"x": list(theta)}

    def g(value):
        # the lower minimum of two starts: the last profile point and the estimates
        best = None
        for x0 in (warm["x"], theta):
            x0 = list(x0)
            x0[which] = value
            try:
                t, s = fit_fixed(S, y, which, value, x0)
            except (ValueError, OverflowError):
                continue
            if best is None or s < best[1]:
                best = (t, s)
        warm["x"] = best[0]
        return best[1] - target

    factor = 1.02
    prev = est
    value = est
    while True:
        value = value * factor if direction > 0 else value / factor
        end = est * LIMIT if direction > 0 else est / LIMIT
        if (direction > 0 and value >= end) or (direction < 0 and value <= end):
            value = end
        gv = g(value)
        if gv >= 0:
            if g(prev) >= 0:
                raise RuntimeError(f"profile of parameter {which} not monotone near {prev}")
            return optimize.brentq(g, prev, value, xtol=1e-14 * abs(est), rtol=1e-13, maxiter=500)
        if value == end:
            return None
        prev = value
        factor = min(factor * 1.3, 4.0)


def aicc(ssr, m, k):
    if m - k - 1 <= 0 or ssr <= 0:
        return None
    return m * math.log(ssr / m) + 2 * k + 2 * k * (k + 1) / (m - k - 1)


def references(S, y, baseline):
    m = len(S)
    Vmax = float(np.max(y))
    half = int(np.argmin(np.abs(y - Vmax / 2)))
    starts = [(Vmax, n0, float(S[half])) for n0 in (1.0, 0.5, 2.0, 4.0)]
    starts += [(2 * Vmax, 1.0, float(S[-1]))]
    best = fit_hill(S, y, starts)
    if best is None:
        return {"determined": False}
    theta, ssr = best
    V, n, K = theta
    if not (abs(V) <= LIMIT * np.max(np.abs(y)) and K <= LIMIT * np.max(S)):
        return {"determined": False}
    # K -> infinity turns the Hill law into the power law c*S^n; when that fits at least as
    # well, SSR has no finite minimum (the search stops only on its tolerances)
    def pow_res(q):
        return y - np.exp(q[0] + q[1] * np.log(S))
    slope, icpt = np.polyfit(np.log(S), np.log(np.maximum(y, 1e-300)), 1)
    power_law = optimize.least_squares(pow_res, [icpt, slope], method="lm",
                                       xtol=1e-15, ftol=1e-15, gtol=1e-15)
    ssr_pow = float(np.sum(power_law.fun**2))
    if ssr_pow <= ssr * (1 + 1e-9):
        return {"determined": False}
    df = m - 3
    res = y - hill(theta, S)
    out = {"determined": True, "points": m, "degreesOfFreedom": df,
           "estimates": {"V": V, "n": n, "K": K, "VK": V / K},
           "ssr": ssr, "residuals": [float(r) for r in res]}
    sst = float(np.sum((y - np.mean(y))**2))
    out["r2"] = 1 - ssr / sst if sst > 0 else None

    def hyp_res(q):
        return y - hill((q[0], 1.0, math.exp(q[1])), S)
    def hyp_jac(q):
        J = hill_jacobian((q[0], 1.0, math.exp(q[1])), S)
        return -np.column_stack([J[:, 0], J[:, 2] * math.exp(q[1])])
    q1, ssr1 = least_squares(hyp_res, hyp_jac, [V, math.log(K)], [abs(V), 1.0])
    out["hyperbolic"] = {"V": q1[0], "K": math.exp(q1[1]), "ssr": ssr1}

    if df <= 0:
        for key in ("standardErrors", "ci95", "profileCi95", "syx", "fTest", "deltaAICc"):
            out[key] = None
        return out

    J = hill_jacobian(theta, S)
    s2 = ssr / df
    cov = s2 * np.linalg.inv(J.T @ J)
    se = np.sqrt(np.diag(cov))
    grad = np.array([1 / K, 0.0, -V / K**2])
    se_vk = math.sqrt(grad @ cov @ grad)
    t = stats.t.ppf(0.975, df)
    out["syx"] = math.sqrt(s2)
    out["standardErrors"] = {"V": se[0], "n": se[1], "K": se[2], "VK": se_vk}
    ests = [V, n, K, V / K]
    ses = [se[0], se[1], se[2], se_vk]
    out["ci95"] = {name: [e - t * s, e + t * s] for name, e, s in zip(("V", "n", "K", "VK"), ests, ses)}
    target = ssr * (1 + t * t / df)
    out["profileCi95"] = {
        name: [profile_limit(S, y, theta, ssr, i, target, -1), profile_limit(S, y, theta, ssr, i, target, +1)]
        for i, name in enumerate(("V", "n", "K"))}
    F = (ssr1 - ssr) / (ssr / df)
    out["fTest"] = {"F": F, "p": float(stats.f.sf(F, 1, df))}
    a_hill, a_hyp = aicc(ssr, m, 4), aicc(ssr1, m, 3)
    out["deltaAICc"] = a_hyp - a_hill if a_hill is not None and a_hyp is not None else None
    return out


def hill_data(S, V, n, K, baseline, noise):
    return [four_digits(baseline + V / (1 + (K / s)**n) + e) for s, e in zip(S, noise)]


def cases():
    rng = np.random.RandomState(20261209)
    out = {}
    # Puromycin, treated (R's datasets package): conc in ppm, rate in counts/min/min
    out["puromycin_treated"] = (
        [0.02, 0.02, 0.06, 0.06, 0.11, 0.11, 0.22, 0.22, 0.56, 0.56, 1.10, 1.10],
        [76, 47, 97, 107, 123, 139, 159, 152, 191, 201, 207, 200], 0.0)
    S = [four_digits(x) for x in np.geomspace(0.05, 20, 12)]
    out["hyperbolic"] = (S, hill_data(S, 100, 1.0, 1.0, 0, rng.normal(0, 2.0, len(S))), 0.0)
    S = [four_digits(x) for x in np.geomspace(0.2, 20, 14)]
    out["cooperative_baseline"] = (S, hill_data(S, 80, 2.6, 2.0, 5.0, rng.normal(0, 0.8, len(S))), 5.0)
    out["four_points"] = ([0.5, 1, 2, 4], [21.3, 32.4, 51.1, 65.9], 0.0)
    out["three_points"] = ([0.5, 1, 4], [20.4, 34.1, 66.3], 0.0)
    # rates still rising at the highest concentration: V's upper profile limit is not reached
    S = [four_digits(x) for x in np.geomspace(0.1, 4, 9)]
    out["short_of_saturation"] = (S, hill_data(S, 100, 1.0, 8.0, 0, rng.normal(0, 1.5, len(S))), 0.0)
    # the golden-section fit ends with "Error: Data can't be fitted by a sigmoid"
    out["described_fit_ends"] = ([0.025, 0.03835, 0.05884, 0.09027, 0.1385, 0.2124, 0.3259, 0.5],
                                 [9.78, 13.16, 15.94, 19.47, 24.36, 28.58, 33.17, 39.39], 0.0)
    # ... and here with "Error n.13: Division by zero"
    out["division_by_zero_ends"] = ([0.1, 0.1821, 0.3314, 0.6034, 1.099, 2.0],
                                    [8.526, 16.41, 24.58, 37.11, 52.45, 66.23], 0.0)
    # a straight line through the origin: no plateau, no finite optimum
    S = [1, 2, 3, 4, 5, 6, 7, 8]
    out["no_plateau"] = (S, [four_digits(2.5 * s) for s in S], 0.0)
    S = [four_digits(x) for x in np.geomspace(1e-31, 1e-29, 10)]
    out["tiny_concentrations"] = (S, hill_data(S, 50, 1.4, 1e-30, 0, rng.normal(0, 0.5, len(S))), 0.0)
    S = [four_digits(x) for x in np.geomspace(1e29, 1e31, 10)]
    out["huge_concentrations"] = (S, hill_data(S, 50, 0.8, 1e30, 0, rng.normal(0, 0.5, len(S))), 0.0)
    return out


def main():
    np.seterr(all="ignore")
    refs = {}
    for name, (S, v, baseline) in cases().items():
        print(name, file=sys.stderr)
        S = np.array([four_digits(x) for x in S], dtype=float)
        v = np.array([four_digits(x) for x in v], dtype=float)
        with open(os.path.join(HERE, name + ".txt"), "w", newline="") as f:
            f.write("".join(f"{s:.4g},{r:.4g}\n" for s, r in zip(S, v)))
        order = np.argsort(S, kind="stable")
        entry = references(S[order], v[order] - baseline, baseline)
        entry["baseline"] = baseline
        refs[name] = entry
    with open(os.path.join(HERE, "references.json"), "w") as f:
        json.dump(refs, f, indent=1, sort_keys=True)
        f.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
