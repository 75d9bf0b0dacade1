#pragma once
// Whether k data sets (2 to 20) follow one Hill law or differ in V, n or K.
//
// Each set is fitted alone by least squares (as computeCurveStatistics fits a curve; its
// standard errors come from that fit), then all together with one parameter shared and the
// other two per set, for each of V, n and K, and with all three shared (one curve for all).
// Each shared model is tested against the separate fits by the extra sum of squares:
//   F = ((SSR_shared - SSR_separate)/(df_shared - df_separate)) / (SSR_separate/df_separate),
//   p from F(df_shared - df_separate, df_separate),
//   deltaAICc = AICc(shared) - AICc(separate), AICc = N ln(SSR/N) + 2k + 2k(k+1)/(N-k-1)
// with N all the points compared and k the fitted parameters + 1; df = N - fitted parameters.
// Sums of squares are weighted when a weighting is chosen (stats/Weighting.h).
//
// What keeps the tests from being computed: a set with fewer than 4 points or whose own fit
// is not determined (the tests then have no figures and say why). A set whose rates cannot
// be weighted is left out and the others are compared.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "stats/CurveStatistics.h"
#include "stats/Weighting.h"

namespace kinetra {

inline constexpr int kMaxComparedSets = 20;
inline constexpr int kMinComparedPoints = 4;

struct DataSetPoints {
    std::string name;                    // as the user knows the set; "data set i" when empty
    std::vector<double> concentration;   // > 0
    std::vector<double> rate;            // net of the baseline
    std::optional<HillEstimates> start;  // the set's described fit, when there is one
};

enum class SharedParameter { V, n, K, All };

// One shared model fitted to the sets compared.
struct SharedFit {
    std::optional<double> sharedValue;  // none when all three are shared
    // per data set in the given order (for All the one curve each time); none for a set left out
    std::vector<std::optional<HillEstimates>> estimates;
    double ssr = 0.0;
    int degreesOfFreedom = 0;
    double F = 0.0, p = 1.0;
    std::optional<double> deltaAICc;
};

struct SharedTest {
    SharedParameter shared = SharedParameter::All;
    std::optional<SharedFit> fit;  // none: `reason` says why
    std::string reason;            // "not computed: ..." when there is no fit
    std::string verdict;           // one line, decimal point '.', when there is one
};

struct ComparedSet {
    std::string name;
    int points = 0;
    bool leftOut = false;  // its rates cannot be weighted
    CurveEstimates own;    // the set fitted alone
};

struct Comparison {
    Weighting weighting = Weighting::None;
    std::string refusal;                // not empty: nothing was computed, for this reason
    std::vector<std::string> messages;  // each set left out or that keeps the tests from being computed
    std::vector<ComparedSet> sets;      // in the given order
    std::optional<double> separateSsr;  // the separate fits of the sets compared
    int separateDf = 0;
    std::array<SharedTest, 4> tests;    // V, n, K shared, then all three
};

Comparison compareDataSets(const std::vector<DataSetPoints>& sets, Weighting weighting = Weighting::None);

// "V", "n", "K", or "all" for one curve.
const char* sharedParameterName(SharedParameter shared);
// The verdict of a test at p with the decimal separator `sep`, the threshold 0.05:
// "K does not differ between the data sets (F test p = 0.95)", "V differs between the data
// sets (F test p = 4.2e-06)"; for all three "One curve fits all the data sets (...)" or
// "The data sets differ (...)".
std::string sharedTestVerdict(SharedParameter shared, double p, char sep = '.');

inline constexpr const char* kReasonTooFewSets = "A comparison needs at least two data sets";

}  // namespace kinetra
