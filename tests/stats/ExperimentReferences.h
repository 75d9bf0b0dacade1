#pragma once
// The reference figures R computed for whole experiments (several data sets, replicates,
// weights, bands): tests/data/stats/experiments/make_references.R and what it wrote.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "stats/Weighting.h"

namespace kinetra::test {

inline const std::string kExperimentsDir = std::string(KINETRA_TEST_DATA_DIR) + "/stats/experiments/";

struct SetPoints {
    std::vector<double> S, y;
};

// "concentration,rate" lines.
inline SetPoints readSet(const std::string& file)
{
    std::ifstream in(kExperimentsDir + file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SetPoints p;
    const char* at = text.data();
    const char* end = at + text.size();
    while (at < end) {
        double s = 0, v = 0;
        const auto first = std::from_chars(at, end, s);
        if (first.ec != std::errc() || first.ptr == end || *first.ptr != ',') break;
        const auto second = std::from_chars(first.ptr + 1, end, v);
        if (second.ec != std::errc()) break;
        p.S.push_back(s);
        p.y.push_back(v);
        for (at = second.ptr; at < end && (*at == '\r' || *at == '\n');) ++at;
    }
    EXPECT_FALSE(p.S.empty()) << file;
    return p;
}

inline const nlohmann::json& experimentReferences()
{
    static const nlohmann::json refs = [] {
        std::ifstream in(kExperimentsDir + "references.json");
        return nlohmann::json::parse(in);
    }();
    return refs;
}

inline Weighting weightingOf(const nlohmann::json& ref)
{
    const auto w = parseWeighting(ref["weighting"].get<std::string>());
    EXPECT_TRUE(w);
    return w.value_or(Weighting::None);
}

// |actual - expected| <= tol |expected|; a null reference expects no figure.
inline void expectRelative(std::optional<double> actual, const nlohmann::json& expected, double tol,
                           const std::string& what)
{
    if (expected.is_null()) {
        EXPECT_FALSE(actual) << what << " should not exist, is " << *actual;
        return;
    }
    ASSERT_TRUE(actual) << what << " missing, expected " << expected;
    const double e = expected.get<double>();
    EXPECT_LE(std::fabs(*actual - e), tol * std::fabs(e)) << what << " = " << *actual << ", expected " << e;
}

}  // namespace kinetra::test
