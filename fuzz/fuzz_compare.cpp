// Comparing arbitrary small data sets, with any weighting: the comparison ends with every
// figure it gives a finite number and every figure it withholds explained. (The statistics
// of one set alone, its replicates and its bands are fuzz_bands' part.)
//
// The joint fits grow fast with the sets compared (a comparison of 20 sets took as long as
// ten of 3 sets in a profile) and run the same code for any number. Comparisons of many sets are one input
// in sixteen, chosen by a hash of all the input's bytes (so that the corpus, which would keep
// them for the little code they add, cannot fill up with them), with few points a set.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "stats/Comparison.h"

using namespace kinetra;

namespace {

void finite(double x, const char* what)
{
    if (!std::isfinite(x)) fuzz::fail(what, std::to_string(x));
}

void finite(const std::optional<double>& x, const char* what)
{
    if (x) finite(*x, what);
}

void finite(const HillEstimates& e, const char* what)
{
    finite(e.V, what);
    finite(e.n, what);
    finite(e.K, what);
}

void explained(const std::string& text, const char* what)
{
    if (text.empty() || fuzz::showsNonNumber(text)) fuzz::fail(what, text);
}

void checkComparison(const Comparison& c, std::size_t given)
{
    if (!c.refusal.empty()) {
        explained(c.refusal, "refusal");
        return;
    }
    if (c.sets.size() != given) fuzz::fail("sets lost");
    for (const std::string& m : c.messages) explained(m, "message");
    for (const ComparedSet& s : c.sets) {
        if (!s.own.determined) {
            explained(s.own.reason, "own fit withheld");
            continue;
        }
        finite(s.own.estimates, "own estimate");
        finite(s.own.ssr, "own SSR");
        if (s.own.standardErrors) finite(*s.own.standardErrors, "own SE");
    }
    finite(c.separateSsr, "separate SSR");
    for (const SharedTest& t : c.tests) {
        if (!t.fit) {
            explained(t.reason, "test withheld");
            continue;
        }
        explained(t.verdict, "verdict");
        finite(t.fit->sharedValue, "shared value");
        for (const auto& e : t.fit->estimates)
            if (e) finite(*e, "shared fit estimate");
        finite(t.fit->ssr, "shared SSR");
        finite(t.fit->F, "F");
        finite(t.fit->deltaAICc, "deltaAICc");
        if (!(t.fit->p >= 0.0 && t.fit->p <= 1.0)) fuzz::fail("p outside 0..1", std::to_string(t.fit->p));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const Weighting weighting = static_cast<Weighting>(in.below(3));
    // mostly 2 to 4 sets, now and then none, one, or more than may be compared
    const bool many = fuzz::hashOf(data, size) % 16 == 0;
    const int setCount = many ? in.below(kMaxComparedSets + 3) : 2 + in.below(3);
    const bool wide = in.flag();
    const int lo = wide ? -300 : -4, hi = wide ? 300 : 4;
    std::vector<DataSetPoints> sets(static_cast<std::size_t>(setCount));
    for (DataSetPoints& d : sets) {
        // mostly 4 to 12 points on a Hill law with some scatter (so that the joint fits are
        // reached, also when the input runs out), now and then any number of any values
        const int points = many ? kMinComparedPoints + in.below(2) : in.below(8) == 7 ? in.below(13) : 4 + in.below(9);
        const bool hill = in.below(4) != 3;
        const double V = in.listedValue(lo, hi), n = 0.2 + in.below(50) / 10.0, K = std::fabs(in.listedValue(lo, hi));
        const double scatter = in.below(30) / 100.0;
        for (int i = 0; i < points; ++i) {
            const bool repeat = in.below(4) == 3 && !d.concentration.empty();
            const double S = repeat ? d.concentration.back() : hill ? K * std::pow(1.6, i - points / 2) : in.listedValue(lo, hi);
            const double noise = 1.0 + scatter * (in.byte() - 127.5) / 127.5;
            d.concentration.push_back(S);
            d.rate.push_back(hill ? V / (1.0 + std::pow(K / S, n)) * noise : in.listedValue(lo, hi));
        }
    }
    checkComparison(compareDataSets(sets, weighting), sets.size());
    return 0;
}
