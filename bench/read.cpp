// Reading a data file of 200 records, from a file on disk and from memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "entry/DataFileReader.h"

namespace {

std::string twoHundredRecords()
{
    std::string text;
    for (int k = 1; k <= 200; ++k) {
        const double s = 0.001 * k * 1.0371;
        const double v = 100.0 * s / (0.05 + s) + 0.123456;
        text += std::to_string(s) + "," + std::to_string(v) + "\r\n";
    }
    return text;
}

void BM_ReadFile200(benchmark::State& state)
{
    const std::filesystem::path p = std::filesystem::temp_directory_path() /
                                    ("kinetra_bench_read_" + std::to_string(::getpid()) + ".txt");
    std::ofstream(p, std::ios::binary) << twoHundredRecords();
    for (auto _ : state) {
        auto records = kinetra::readDataFile(p.string());
        benchmark::DoNotOptimize(records.data());
    }
    std::filesystem::remove(p);
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_ReadFile200);

void BM_ReadStream200(benchmark::State& state)
{
    const std::string text = twoHundredRecords();
    for (auto _ : state) {
        std::istringstream in(text);
        auto records = kinetra::readDataFile(in);
        benchmark::DoNotOptimize(records.data());
    }
    state.SetItemsProcessed(state.iterations() * 200);
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(text.size()));
}
BENCHMARK(BM_ReadStream200);

}  // namespace
