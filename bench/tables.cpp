// Reading a plate reader's wide table from memory: a concentration column and 96 rate
// columns (32 conditions in triplicate) by 12 rows. Goal: at most 100 us a table.
// Reading table files of 50 MB (long, 20 named data sets; wide, 96 rate columns) and a table
// of 10,000 columns. Goals: at most 0.3 s a 50 MB file, at most 50 ms the 10,000 columns,
// the process's peak resident memory (peakRssMB) under 20 MB.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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

// A temporary file of about `bytes` bytes: `header`, then `row(i)` for i = 0, 1, ...
template <class Row>
std::string tableFile(const char* name, const std::string& header, std::size_t bytes, Row row)
{
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("kinetra_bench_" + std::to_string(::getpid()) + "_" + name))
                                 .string();
    std::ofstream out(path, std::ios::binary);
    out << header;
    std::size_t written = header.size();
    for (int i = 0; written < bytes; ++i) {
        const std::string line = row(i);
        out << line;
        written += line.size();
    }
    return path;
}

std::string fixed(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    return buf;
}

double hill(double s, double vmax) { return vmax * s / (0.8 + s); }

void readFile(benchmark::State& state, const std::string& path, std::size_t sets)
{
    for (auto _ : state) {
        const kinetra::TableRead r = kinetra::readTableFile(path);
        if (r.dataSets.size() != sets) state.SkipWithError(("not read: " + r.failure).c_str());
        benchmark::DoNotOptimize(r.dataSets.data());
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peakRssMB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}

void BM_LongFile50MB(benchmark::State& state)
{
    const std::string path = tableFile("long.csv", "set,S (mM),v\n", 50u << 20, [](int i) {
        const double s = 0.01 * (1 + i % 997);
        return "cond" + std::to_string(i % 20) + "," + fixed(s) + "," + fixed(hill(s, 50)) + "\n";
    });
    readFile(state, path, 20);
}
BENCHMARK(BM_LongFile50MB)->Unit(benchmark::kMillisecond);

void BM_WideFile50MB(benchmark::State& state)
{
    std::string header = "S (mM)";
    for (int c = 0; c < 96; ++c) header += ",C" + std::to_string(c / 3 + 1);
    const std::string path = tableFile("wide.csv", header + "\n", 50u << 20, [](int i) {
        const double s = 0.01 * (1 + i % 997);
        std::string line = fixed(s);
        for (int c = 0; c < 96; ++c) line += "," + fixed(hill(s, 50 + c / 3));
        return line + "\n";
    });
    readFile(state, path, 32);
}
BENCHMARK(BM_WideFile50MB)->Unit(benchmark::kMillisecond);

void BM_TenThousandColumns(benchmark::State& state)
{
    std::string header = "S";
    for (int c = 1; c < kinetra::kMaxTableColumns; ++c) header += ",R" + std::to_string(c);
    const std::string path = tableFile("columns.csv", header + "\n", 1u << 20, [](int i) {
        const double s = 0.05 * (i + 1) * (i + 1);
        std::string line = fixed(s);
        for (int c = 1; c < kinetra::kMaxTableColumns; ++c) line += "," + fixed(hill(s, 50 + c % 7));
        return line + "\n";
    });
    readFile(state, path, kinetra::kMaxTableColumns - 1);
}
BENCHMARK(BM_TenThousandColumns)->Unit(benchmark::kMillisecond);

}  // namespace
