// Speed of the fit statistics of one curve: estimates refined from the described fit's
// values, standard errors, t and profile limits, the fit with n = 1 and its tests.
// Goal: a 200-point curve under 300 us; the 12 points of Puromycin (treated) for scale.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "NoisyHill.h"
#include "stats/CurveStatistics.h"

namespace {

using namespace kinetra;

// Hill data, V 100, n 1.8, K 0.8, 3 % multiplicative noise from a fixed generator, started
// from values off by about as much as the described fit's tolerance allows.
StatisticsInput noisyCurve()
{
    bench::HillPoints p = bench::noisyHill(0);
    StatisticsInput in;
    in.concentration = std::move(p.conc);
    in.rate = std::move(p.rate);
    in.start = HillEstimates{100.2, 1.801, 0.799};
    return in;
}

StatisticsInput puromycinTreated()
{
    StatisticsInput in;
    in.concentration = {0.02, 0.02, 0.06, 0.06, 0.11, 0.11, 0.22, 0.22, 0.56, 0.56, 1.10, 1.10};
    in.rate = {76, 47, 97, 107, 123, 139, 159, 152, 191, 201, 207, 200};
    in.start = HillEstimates{237.9475, 0.7393948, 0.08588256};
    return in;
}

void runStatistics(benchmark::State& state, const StatisticsInput& in)
{
    for (auto _ : state) {
        CurveStatistics st = computeCurveStatistics(in);
        benchmark::DoNotOptimize(st);
        if (!st.determined) state.SkipWithError("not determined");
    }
}

void BM_Statistics200Points(benchmark::State& state) { runStatistics(state, noisyCurve()); }
void BM_StatisticsPuromycin(benchmark::State& state) { runStatistics(state, puromycinTreated()); }
void BM_Statistics200PointsAutomaticStarts(benchmark::State& state)
{
    StatisticsInput in = noisyCurve();
    in.start.reset();
    runStatistics(state, in);
}

}  // namespace

BENCHMARK(BM_Statistics200Points)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Statistics200PointsAutomaticStarts)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StatisticsPuromycin)->Unit(benchmark::kMicrosecond);
