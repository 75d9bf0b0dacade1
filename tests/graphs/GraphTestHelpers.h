#pragma once
// Reading a display list back in tests (the operations of one kind, in drawing order), and
// the data sets and fitted curves the graphs are drawn from.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/RuntimeFailure.h"
#include "graphs/DisplayList.h"
#include "kinetics/DataSet.h"

namespace kinetra::testing {

template <typename T>
std::vector<T> opsOf(const DisplayList& list)
{
    std::vector<T> out;
    for (const DrawOp& op : list.ops) {
        if (const T* o = std::get_if<T>(&op)) out.push_back(*o);
    }
    return out;
}

inline std::vector<std::string> textsAtY(const DisplayList& list, float y)
{
    std::vector<std::string> out;
    for (const Text& t : opsOf<Text>(list)) {
        if (t.topLeft.y == y) out.push_back(t.text);
    }
    return out;
}

inline const Text* findText(const DisplayList& list, const std::string& s)
{
    for (const DrawOp& op : list.ops) {
        if (const Text* t = std::get_if<Text>(&op); t && t->text == s) return t;
    }
    return nullptr;
}

// A double drawn in single precision, compared with its exact value: the float's own
// rounding plus a relative margin.
inline void expectTwips(float actual, double expected, double relative = 1e-6)
{
    EXPECT_NEAR(actual, expected, std::max(1e-3, std::fabs(expected) * relative)) << "expected " << expected;
}

// A data set of the points given (sorted by concentration, as the hand-off leaves them).
inline DataSet dataSetOf(const std::vector<double>& conc, const std::vector<double>& rate,
                         const std::string& ligand = "", const std::string& unit = "")
{
    DataSet data;
    data.concentration = conc;
    data.rate = rate;
    data.ligandName = ligand;
    data.concUnit = unit;
    return data;
}

// A fitted curve as graph 2 reads it: V, n, K and the baseline its rates lie above.
inline CurveFit curveOf(double V, double n, double K, double baseline = 0.0, int number = 1)
{
    CurveFit fit;
    fit.curve = number;
    fit.V = V;
    fit.n = n;
    fit.K = K;
    fit.points.baseline = baseline;
    fit.totalActivity = V + baseline;
    return fit;
}

// Runs f and returns the number of the RuntimeFailure it throws, 0 when it throws none.
template <typename F>
int failureNumberOf(F&& f)
{
    try {
        f();
    } catch (const RuntimeFailure& e) {
        return e.number();
    }
    return 0;
}

}  // namespace kinetra::testing
