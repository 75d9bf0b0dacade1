#pragma once
// A comparison of data sets as texts: the table of the data sets (each fitted alone) and
// the table of the four tests, with the figures in a form the caller chooses (the window's
// six digits, the clipboard's every digit), the two tables as tab-separated text, and the
// CSV file of the tests. Plain C++: nothing here draws or asks.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "stats/Comparison.h"

namespace kinetra {

// A figure as text; none stands for a figure that does not exist.
using FigureForm = std::function<std::string(std::optional<double>)>;

struct ComparisonTable {
    std::vector<std::string> setHeader;
    // One row per data set: name, points, V, SE of V, n, SE of n, K, SE of K; a set left out
    // or not fitted has its name, its points and why.
    std::vector<std::vector<std::string>> sets;
    std::vector<std::string> testHeader;
    // One row per test (V, n, K shared, then all three): what is shared, the shared value,
    // SSR, df, F, p, deltaAICc and the verdict; a test not computed has why in place of its
    // figures.
    std::vector<std::vector<std::string>> tests;
};

// The verdicts with the decimal separator `sep`.
ComparisonTable comparisonTable(const Comparison& comparison, const FigureForm& figure, char sep);

// The data sets' table, a blank line, the tests' table: cells separated by tabs, each line
// ended by CR LF.
std::string tabSeparated(const ComparisonTable& table);

// The tests as CSV rows: a header, then one row per test with the weighting, what is
// shared, the shared value, SSR, df, the separate fits' SSR and df, F, p, deltaAICc and the
// verdict (or why the test was not computed); numbers in the shortest exact form with a
// point, empty where a figure does not exist.
std::vector<std::vector<std::string>> comparisonCsvRows(const Comparison& comparison);

}  // namespace kinetra
