#pragma once
// Data sets and small helpers shared by the kinetics tests.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "kinetics/SigmoidFit.h"

namespace kinetra::test {

// The worked case: 13 concentrations, rates 5 + 100 S / (0.5 + S) above a baseline of 5.
inline const std::vector<double> kWorkedConc = {0.025, 0.05, 0.1, 0.15, 0.25, 0.35, 0.5,
                                               0.75,  1,    1.5, 2.5,  4,    6};

// baseline + V S^n / (K^n + S^n) at every concentration.
inline std::vector<double> hillRates(const std::vector<double>& conc, double V, double n, double K,
                                     double baseline)
{
    std::vector<double> v;
    for (double s : conc) v.push_back(baseline + V * std::pow(s, n) / (std::pow(K, n) + std::pow(s, n)));
    return v;
}

inline std::vector<double> workedRates() { return hillRates(kWorkedConc, 100, 1, 0.5, 5); }

// Puts the points into a fresh record as the hand-off leaves them (point 1 first).
inline void loadPoints(SharedState& st, const std::vector<double>& conc, const std::vector<double>& rate)
{
    st.pointCount = static_cast<std::int16_t>(conc.size());
    for (std::size_t i = 0; i < conc.size(); ++i) {
        st.concentration[static_cast<long long>(i + 1)] = conc[i];
        st.rate[static_cast<long long>(i + 1)] = rate[i];
    }
}

// What the fit of one curve needs from the curve loop: scaled concentrations, the curve's
// points and baseline, the net rates.
inline std::optional<CalculationEnd> prepareCurve(SharedState& st, FitWork& work, int curve,
                                                  int first, int last, double baseline)
{
    if (curve == 1) {
        if (auto end = scaleConcentrations(st)) return end;
    }
    st.curveFirstPoint[curve] = first;
    st.curveLastPoint[curve] = last;
    st.curveBaseline[curve] = baseline;
    for (int i = first; i <= last; ++i) work.netRate[i] = st.rate[i] - baseline;
    return std::nullopt;
}

// A whole one-curve fit over all the points, as a user would run it.
struct OneCurve {
    SharedState st;
    FitWork work;
    FitOutcome outcome;
    std::vector<std::string> warningsSeen;  // through the callback, in order
};

inline OneCurve fitAll(const std::vector<double>& conc, const std::vector<double>& rate,
                       double baseline = 0.0)
{
    OneCurve run;
    loadPoints(run.st, conc, rate);
    const int last = static_cast<int>(conc.size());
    if (auto end = prepareCurve(run.st, run.work, 1, 1, last, baseline)) {
        run.outcome.end = end;
        return run;
    }
    run.outcome = fitCurve(run.st, run.work, 1,
                           [&run](const std::string& m) { run.warningsSeen.push_back(m); });
    return run;
}

inline double relativeError(double actual, double expected)
{
    return std::fabs(actual - expected) / std::fabs(expected);
}

#define EXPECT_RELATIVE(actual, expected, tol) \
    EXPECT_LE(::kinetra::test::relativeError((actual), (expected)), (tol)) \
        << #actual " = " << (actual) << ", expected " << (expected)

}  // namespace kinetra::test
