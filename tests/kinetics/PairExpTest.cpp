#include "kinetics/PairExp.h"

#include <cmath>
#include <cstdint>
#include <random>

#include <gtest/gtest.h>

namespace kinetra {
namespace {

// Units in the last place between two positive doubles.
std::int64_t ulps(double a, double b)
{
    const auto ia = std::bit_cast<std::int64_t>(a), ib = std::bit_cast<std::int64_t>(b);
    return ia > ib ? ia - ib : ib - ia;
}

// Both lanes of a pair against the C library's exp, which is within half a unit or so: the
// pair's exp may differ from it by one unit at the most.
TEST(PairExp, WithinOneUnitOfExpOverItsWholeRange)
{
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> wide(kPairExpLow, kPairExpHigh);
    std::uniform_real_distribution<double> near(-2.0, 2.0);  // where the fit's powers lie
    std::int64_t worst = 0;
    for (int i = 0; i < 200000; ++i) {
        const double a = i % 2 ? wide(random) : near(random);
        const double b = i % 3 ? near(random) : wide(random);
        const Pair e = pairExp(Pair{a, b});
        worst = std::max({worst, ulps(e[0], std::exp(a)), ulps(e[1], std::exp(b))});
    }
    EXPECT_LE(worst, 1);
}

TEST(PairExp, EdgesOfTheRangeAndExactValues)
{
    struct Case {
        double x, expected;
    };
    const Case cases[] = {
        {0.0, 1.0},
        {-0.0, 1.0},
        {std::log(2.0), 2.0},
        {kPairExpHigh, std::exp(kPairExpHigh)},   // 2^1023 scale, still finite
        {kPairExpLow, std::exp(kPairExpLow)},     // the smallest scale, still a normal double
        {0.5 * std::log(2.0), std::sqrt(2.0)},    // where x / ln 2 rounds either way
        {-0.5 * std::log(2.0), std::sqrt(0.5)},
        {1e-300, 1.0},
    };
    for (const Case& c : cases) {
        const double got = pairExp(Pair{c.x, 0.0})[0];
        EXPECT_TRUE(std::isnormal(got)) << c.x;
        EXPECT_LE(ulps(got, c.expected), 1) << c.x << ": " << got << " against " << c.expected;
    }
    EXPECT_TRUE(pairExpInRange(kPairExpLow) && pairExpInRange(kPairExpHigh));
    EXPECT_FALSE(pairExpInRange(std::nextafter(kPairExpHigh, 1e9)));
    EXPECT_FALSE(pairExpInRange(-std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(pairExpInRange(std::nan("")));
}

}  // namespace
}  // namespace kinetra
