// Reading a plate reader's wide table from memory: a concentration column and 96 rate
// columns (32 conditions in triplicate) by 12 rows. Goal: at most 100 us a table.
#include <benchmark/benchmark.h>

#include <string>

#include "entry/TableReader.h"

namespace {

std::string plateTable(char sep, char point)
{
    std::string text = "S (mM)";
    for (int c = 0; c < 96; ++c) text += sep + ("Condition " + std::to_string(c / 3 + 1));
    text += "\r\n";
    for (int row = 1; row <= 12; ++row) {
        const double s = 0.05 * row * row;
        text += std::to_string(s);
        for (int c = 0; c < 96; ++c) {
            const double vmax = 50.0 + c / 3;
            text += sep + std::to_string(vmax * s / (0.8 + s) + 0.01 * (c % 3));
        }
        text += "\r\n";
    }
    if (point != '.')
        for (char& ch : text)
            if (ch == '.') ch = point;
    return text;
}

void readPlate(benchmark::State& state, char sep, char point)
{
    const std::string text = plateTable(sep, point);
    for (auto _ : state) {
        const kinetra::TableRead r = kinetra::readTable(text);
        if (r.dataSets.size() != 32) state.SkipWithError(("not read: " + r.failure).c_str());
        benchmark::DoNotOptimize(r.dataSets.data());
    }
    state.SetItemsProcessed(state.iterations() * 96 * 12);
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(text.size()));
}

void BM_WidePlateCommas(benchmark::State& state) { readPlate(state, ',', '.'); }
BENCHMARK(BM_WidePlateCommas);

void BM_WidePlateSemicolonsDecimalComma(benchmark::State& state) { readPlate(state, ';', ','); }
BENCHMARK(BM_WidePlateSemicolonsDecimalComma);

}  // namespace
