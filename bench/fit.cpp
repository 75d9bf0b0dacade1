// Speed of the sigmoid fit of one curve: the worked case, a noisy 200-point curve and a
// 200-point step that keeps the search going for all its 100 passes.
// Goals: worked case under 10 us, noisy curve under 60 us, worst case under 2 ms.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "NoisyHill.h"
#include "kinetics/SigmoidFit.h"

namespace {

using namespace kinetra;

struct Curve {
    std::vector<double> conc, rate;
    double baseline = 0.0;
};

Curve workedCase()
{
    Curve c;
    c.conc = {0.025, 0.05, 0.1, 0.15, 0.25, 0.35, 0.5, 0.75, 1, 1.5, 2.5, 4, 6};
    for (double s : c.conc) c.rate.push_back(5 + 100 * s / (0.5 + s));
    c.baseline = 5;
    return c;
}

// The noisy 200-point curve above a baseline of 2.
Curve noisyCurve()
{
    bench::HillPoints p = bench::noisyHill(2);
    Curve c;
    c.conc = std::move(p.conc);
    c.rate = std::move(p.rate);
    c.baseline = 2;
    return c;
}

// 150 rates at 0, then 50 at 20: the probes never agree on V.
Curve stepCurve()
{
    Curve c;
    for (int i = 0; i < 200; ++i) {
        c.conc.push_back(i < 150 ? 1 + 0.001 * i : 3 + 0.001 * (i - 150));
        c.rate.push_back(i < 150 ? 0 : 20);
    }
    return c;
}

void runFit(benchmark::State& state, const Curve& c, int expectedPasses)
{
    SharedState st;
    FitWork work;
    st.pointCount = static_cast<std::int16_t>(c.conc.size());
    for (std::size_t i = 0; i < c.conc.size(); ++i) {
        st.concentration[static_cast<long long>(i + 1)] = c.conc[i];
        st.rate[static_cast<long long>(i + 1)] = c.rate[i];
    }
    if (scaleConcentrations(st)) {
        state.SkipWithError("scaling failed");
        return;
    }
    st.curveFirstPoint[1] = 1;
    st.curveLastPoint[1] = static_cast<double>(c.conc.size());
    st.curveBaseline[1] = c.baseline;
    for (std::size_t i = 1; i <= c.conc.size(); ++i)
        work.netRate[static_cast<long long>(i)] = st.rate[static_cast<long long>(i)] - c.baseline;

    int passes = 0;
    for (auto _ : state) {
        FitOutcome out = fitCurve(st, work, 1);
        if (!out.results) {
            state.SkipWithError("the fit ended early");
            return;
        }
        passes = out.results->searchPasses;
        benchmark::DoNotOptimize(out);
    }
    state.counters["searchPasses"] = passes;
    if (expectedPasses && passes != expectedPasses) state.SkipWithError("unexpected pass count");
}

void BM_WorkedCase(benchmark::State& state) { runFit(state, workedCase(), 19); }
void BM_Noisy200(benchmark::State& state) { runFit(state, noisyCurve(), 0); }
void BM_Step200Worst(benchmark::State& state) { runFit(state, stepCurve(), 100); }

BENCHMARK(BM_WorkedCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Noisy200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Step200Worst)->Unit(benchmark::kMicrosecond);

}  // namespace
