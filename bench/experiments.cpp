// Speed of what lies between curves: the comparison of 8 data sets of 24 points (each
// fitted alone, then V, n and K shared in turn and one curve for all, with their F tests),
// weighted and not; and the 95 % bands of one curve at 100 concentrations.
// Goals: the comparison within 2 ms, the bands within 20 us.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "NoisyHill.h"
#include "stats/Bands.h"
#include "stats/Comparison.h"

namespace {

using namespace kinetra;

// 8 sets of 24 points from 0.05 to 20 on a log scale, V and K a little different in each,
// 3 % multiplicative noise from a fixed generator.
std::vector<DataSetPoints> eightSets()
{
    std::uint64_t seed = 2026;
    auto uniform = [&seed] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(seed >> 11) / 9007199254740992.0;
    };
    std::vector<DataSetPoints> sets;
    for (int j = 0; j < 8; ++j) {
        DataSetPoints d;
        d.name = "set " + std::to_string(j + 1);
        const double V = 100.0 + 4.0 * j, K = 0.8 + 0.05 * j, n = 1.6;
        for (int i = 0; i < 24; ++i) {
            const double s = 0.05 * std::pow(400.0, i / 23.0);
            d.concentration.push_back(s);
            d.rate.push_back(V / (1.0 + std::pow(K / s, n)) * (1.0 + 0.03 * (2.0 * uniform() - 1.0)));
        }
        sets.push_back(std::move(d));
    }
    return sets;
}

void runComparison(benchmark::State& state, Weighting weighting)
{
    const std::vector<DataSetPoints> sets = eightSets();
    for (auto _ : state) {
        Comparison c = compareDataSets(sets, weighting);
        benchmark::DoNotOptimize(c);
        for (const SharedTest& t : c.tests)
            if (!t.fit) state.SkipWithError(t.reason.c_str());
    }
}

void BM_CompareEightSets(benchmark::State& state) { runComparison(state, Weighting::None); }
void BM_CompareEightSetsRelativeWeights(benchmark::State& state) { runComparison(state, Weighting::Relative); }

void BM_Bands100(benchmark::State& state)
{
    bench::HillPoints p = bench::noisyHill(0);
    const CurveStatistics st = computeCurveStatistics(StatisticsInput{p.conc, p.rate, std::nullopt});
    for (auto _ : state) {
        CurveBands b = curveBands(st, p.conc.front(), p.conc.back(), 100);
        benchmark::DoNotOptimize(b);
        if (b.points.empty()) state.SkipWithError(b.reason.c_str());
    }
}

}  // namespace

BENCHMARK(BM_CompareEightSets)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompareEightSetsRelativeWeights)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Bands100)->Unit(benchmark::kMicrosecond);
