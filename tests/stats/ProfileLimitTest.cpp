// The profile limits where they are defined: with the parameter held at its limit and the
// other two minimised, SSR reaches SSR * (1 + t^2/df); and the sums of a search with one
// parameter held, two points at a time, against the test's own sum over the points.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "stats/CurveStatistics.h"
#include "stats/HillLeastSquares.h"

namespace kinetra::test {
namespace {

using stats::Held;
using stats::HillLeastSquares;
using stats::Precision;
using stats::ScaledParameters;

// A Hill curve V = 50, K = 3 with a scatter of a few per cent that repeats every 7 points.
StatisticsInput hillPoints(int count, double n)
{
    const double scatter[7] = {0.03, -0.02, 0.045, -0.035, 0.01, -0.05, 0.025};
    StatisticsInput in;
    for (int i = 0; i < count; ++i) {
        const double S = 0.2 * std::pow(1.35, i);
        in.concentration.push_back(S);
        in.rate.push_back(50.0 / (1.0 + std::pow(3.0 / S, n)) * (1.0 + scatter[i % 7]));
    }
    return in;
}

// SSR in the scaled units at q, summed here over the points.
double scaledSsr(const HillLeastSquares& ls, const ScaledParameters& q)
{
    double sum = 0.0;
    for (int i = 0; i < ls.points(); ++i) {
        const auto j = static_cast<std::size_t>(i);
        const double f = q.a / (1.0 + std::exp(q.n * (q.k - ls.logConcentration()[j])));
        const double r = (f - ls.scaledRate()[j]) * ls.rootWeight()[j];
        sum += r * r;
    }
    return sum;
}

double& part(ScaledParameters& q, int index) { return index == 0 ? q.a : index == 1 ? q.n : q.k; }

TEST(ProfileLimit, TheProfileReachesItsTargetAtEachLimit)
{
    for (const Weighting weighting : {Weighting::None, Weighting::Relative})
        for (const auto& [count, n] : {std::pair{9, 1.0}, std::pair{14, 2.5}, std::pair{31, 0.7}}) {
            SCOPED_TRACE(std::to_string(count) + " points, n = " + std::to_string(n) + ", weighting " +
                         weightingName(weighting));
            StatisticsInput in = hillPoints(count, n);
            in.weighting = weighting;
            const CurveStatistics st = computeCurveStatistics(in);
            ASSERT_TRUE(st.determined) << st.reason;
            const HillLeastSquares ls(in.concentration, in.rate, weighting);
            const double t = (st.V.ci95->high.value() - st.V.estimate) / st.V.standardError.value();
            const double excess = st.ssr * t * t / st.degreesOfFreedom;
            const ParameterStatistics* params[3] = {&st.V, &st.n, &st.K};
            for (int h = 0; h < 3; ++h)
                for (const auto& limit : {params[h]->profileCi95->low, params[h]->profileCi95->high}) {
                    ASSERT_TRUE(limit) << "parameter " << h;
                    double plain[3] = {st.V.estimate, st.n.estimate, st.K.estimate};
                    plain[h] = *limit;
                    const auto m = ls.fitHolding(static_cast<Held>(h), ls.toScaled(plain[0], plain[1], plain[2]));
                    const double ssr = m.ssr * ls.ssrRoot() * ls.ssrRoot();
                    EXPECT_NEAR(ssr, st.ssr + excess, 1e-6 * excess) << "parameter " << h << " at " << *limit;
                }
        }
}

TEST(ProfileLimit, HeldSearchSumsEveryPointOnceWithItsSlope)
{
    // an odd count leaves a point outside the pairs
    for (const int count : {7, 8})
        for (const Weighting weighting : {Weighting::None, Weighting::Poisson})
            for (const Precision precision : {Precision::Estimate, Precision::Profile})
                for (int h = 0; h < 3; ++h) {
                    SCOPED_TRACE(std::to_string(count) + " points, held " + std::to_string(h));
                    const StatisticsInput in = hillPoints(count, 1.8);
                    const HillLeastSquares ls(in.concentration, in.rate, weighting);
                    ScaledParameters start = ls.toScaled(52.0, 1.7, 2.8);
                    part(start, h) *= 1.05;
                    const auto m = ls.fitHolding(static_cast<Held>(h), start, precision);
                    ASSERT_EQ(m.end, stats::SearchEnd::Converged);
                    ScaledParameters found = m.q;
                    EXPECT_EQ(part(found, h), part(start, h));
                    EXPECT_NEAR(m.ssr, scaledSsr(ls, m.q), 1e-12 * m.ssr);
                    // dSSR/d(held) by central differences of the sum above
                    ScaledParameters up = m.q, down = m.q;
                    const double step = 1e-6 * std::fabs(part(up, h));
                    part(up, h) += step;
                    part(down, h) -= step;
                    const double slope = (scaledSsr(ls, up) - scaledSsr(ls, down)) / (2.0 * step);
                    EXPECT_NEAR(m.gradient[static_cast<std::size_t>(h)], slope, 1e-6 * std::fabs(slope) + 1e-12);
                }
}

}  // namespace
}  // namespace kinetra::test
