#pragma once
// Data sets and small helpers shared by the kinetics tests.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
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

// The points as the hand-off leaves them (point 1 first).
inline DataSet dataSetOf(std::vector<double> conc, std::vector<double> rate, std::string rateUnit = "",
                         std::string concUnit = "")
{
    return DataSet{std::move(conc), std::move(rate), std::move(rateUnit), std::move(concUnit), ""};
}

inline CurveChoice allPoints(const DataSet& data, double baseline)
{
    return CurveChoice{1, data.pointCount(), baseline};
}

// A whole one-curve fit over all the points, as a user would run it.
struct OneCurve {
    Outcome<CurveFit> outcome;
    std::vector<std::string> warningsSeen;  // through the callback, in order
};

inline OneCurve fitAll(const std::vector<double>& conc, const std::vector<double>& rate,
                       double baseline = 0.0)
{
    const DataSet data = dataSetOf(conc, rate);
    std::vector<std::string> seen;
    Outcome<CurveFit> fit =
        fitCurve(data, 1, allPoints(data, baseline), [&seen](const std::string& m) { seen.push_back(m); });
    return OneCurve{std::move(fit), std::move(seen)};
}

inline double relativeError(double actual, double expected)
{
    return std::fabs(actual - expected) / std::fabs(expected);
}

#define EXPECT_RELATIVE(actual, expected, tol) \
    EXPECT_LE(::kinetra::test::relativeError((actual), (expected)), (tol)) \
        << #actual " = " << (actual) << ", expected " << (expected)

}  // namespace kinetra::test
