// Speed of the sigmoid fit of one curve: the worked case, a noisy 200-point curve and a
// 200-point step that keeps the search going for all its 100 passes.
// Goals: worked case under 10 us, noisy curve under 60 us, worst case under 2 ms.

#include <benchmark/benchmark.h>

#include <cmath>
#include <optional>
#include <string>
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

// A step over 200 points: `low` rates at 0 from concentration 1, then the rest at `high`
// from concentration 1 + gap.
Curve stepCurve(int low, double gap, double high)
{
    Curve c;
    for (int i = 0; i < 200; ++i) {
        c.conc.push_back(i < low ? 1 + 0.001 * i : 1 + gap + 0.001 * (i - low));
        c.rate.push_back(i < low ? 0 : high);
    }
    return c;
}

Outcome<CurveFit> fitWhole(const DataSet& data, double baseline)
{
    return fitCurve(data, 1, CurveChoice{1, data.pointCount(), baseline});
}

int searchPassesOf(const Curve& c)
{
    const Outcome<CurveFit> out = fitWhole(DataSet{c.conc, c.rate, "", "", ""}, c.baseline);
    return out ? out->searchPasses : 0;
}

// A step on which the probes never agree, so the search uses all its 100 passes. Whether a
// given step does depends on the last bits of the sums (150 rates at 0 then 50 at 20 once
// did, and no longer does), so the first step of a family that does is taken.
std::optional<Curve> worstStep()
{
    for (int low = 150; low < 200; low += 10) {
        for (double gap : {2.0, 0.5}) {
            for (double high : {20.0, 100.0}) {
                Curve c = stepCurve(low, gap, high);
                if (searchPassesOf(c) == 100) return c;
            }
        }
    }
    return std::nullopt;
}

void runFit(benchmark::State& state, const Curve& c, int expectedPasses)
{
    const DataSet data{c.conc, c.rate, "", "", ""};
    int passes = 0;
    for (auto _ : state) {
        Outcome<CurveFit> out = fitWhole(data, c.baseline);
        if (!out) {
            state.SkipWithError(("the fit ended early: " + failureMessage(out.failure())).c_str());
            return;
        }
        passes = out->searchPasses;
        benchmark::DoNotOptimize(out);
    }
    state.counters["searchPasses"] = passes;
    if (expectedPasses && passes != expectedPasses) state.SkipWithError("unexpected pass count");
}

void BM_WorkedCase(benchmark::State& state) { runFit(state, workedCase(), 19); }
void BM_Noisy200(benchmark::State& state) { runFit(state, noisyCurve(), 0); }
void BM_Step200Worst(benchmark::State& state)
{
    const std::optional<Curve> c = worstStep();
    if (!c) {
        state.SkipWithError("no step of the family uses every search pass");
        return;
    }
    runFit(state, *c, 100);
}

BENCHMARK(BM_WorkedCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Noisy200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Step200Worst)->Unit(benchmark::kMicrosecond);

}  // namespace
