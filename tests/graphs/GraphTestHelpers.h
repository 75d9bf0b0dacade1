#pragma once
// Reading a display list back in tests: the operations of one kind, in drawing order.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "graphs/DisplayList.h"
#include "state/SharedState.h"

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

// Points 1..n of a data set as the hand-off leaves them (sorted by concentration).
inline void setPoints(SharedState& st, const std::vector<double>& conc, const std::vector<double>& rate)
{
    st.pointCount = static_cast<std::int16_t>(conc.size());
    for (std::size_t i = 0; i < conc.size(); ++i) {
        st.concentration[static_cast<long long>(i + 1)] = conc[i];
        st.rate[static_cast<long long>(i + 1)] = rate[i];
    }
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
