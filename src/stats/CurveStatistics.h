#pragma once
// How sure each number of a fitted curve is: least-squares estimates of the Hill law
// v - baseline = V*S^n/(K^n + S^n), their standard errors, t and profile limits, the fit
// with n fixed at 1 and the tests that compare it with the Hill law, and the residuals.
//
// All figures are for one curve of m points with df = m - 3:
//   covariance = s^2 (J^T J)^-1, s^2 = SSR/df, J the Jacobian in (V, n, K) at the minimum;
//   95 % limits = estimate -/+ t(0.975, df) * SE; V/K by the delta method;
//   profile limits where the profile SSR reaches SSR*(1 + t^2/df), out to 1e6 and 1e-6
//   times the estimate (none where not reached);
//   F = (SSR1 - SSR)/(SSR/df), p from F(1, df); AICc with k = 4 (Hill) and 3 (n = 1).
// With weights (stats/Weighting.h) every sum of squares is the weighted one, s^2 and the
// covariance s^2 (J^T W J)^-1 with it, and so everything computed from them.
// A figure that does not exist is an empty optional, never NaN or inf.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "stats/Weighting.h"

namespace kinetra {

struct HillEstimates {
    double V = 0.0, n = 0.0, K = 0.0;
};

struct StatisticsInput {
    std::vector<double> concentration;   // S_i in the entered unit
    std::vector<double> rate;            // v_i - baseline, in point order
    // The described fit's V, n, K to refine; none when it ended with a message (automatic
    // start values are used then).
    std::optional<HillEstimates> start;
    Weighting weighting = Weighting::None;
};

// Where the estimates were started from.
enum class StatisticsSource {
    DescribedFit,   // the described fit's V, n, K
    LeastSquares,   // automatic start values (the described fit ended with a message)
};

struct Limits {
    std::optional<double> low, high;
};

struct ParameterStatistics {
    double estimate = 0.0;
    std::optional<double> standardError;
    std::optional<Limits> ci95;         // estimate -/+ t * SE
    std::optional<Limits> profileCi95;  // V, n and K only
};

struct HyperbolicFit {
    double V = 0.0, K = 0.0, ssr = 0.0;
};

struct FTestResult {
    double F = 0.0, p = 0.0;
};

// The lack-of-fit test of a curve with replicates (m points at c distinct concentrations,
// c > 3, some measured more than once; concentrations are equal when equal as doubles):
// the pure-error SS is the scatter of the replicates about their own (weighted) means,
// df m - c; the lack-of-fit SS is SSR minus it, df c - 3; F = (LOF SS/df)/(PE SS/df).
struct ReplicatesTest {
    int concentrations = 0;
    double pureErrorSs = 0.0, lackOfFitSs = 0.0;
    int pureErrorDf = 0, lackOfFitDf = 0;
    double F = 0.0, p = 0.0;
    std::string verdict;  // one line, decimal point '.'
};

struct CurveStatistics {
    StatisticsSource source = StatisticsSource::DescribedFit;
    bool determined = false;
    std::string reason;                  // why not, in plain words; empty when determined
    int points = 0;
    int degreesOfFreedom = 0;
    // The rest holds only when determined.
    ParameterStatistics V, n, K, VK;
    double ssr = 0.0;
    std::optional<double> syx, r2;
    std::optional<HyperbolicFit> hyperbolic;
    std::optional<FTestResult> fTest;
    std::optional<double> deltaAICc;
    std::vector<double> residuals;       // v_i - baseline - f(S_i), in point order
    std::string verdict;                 // one line, decimal point '.'
    Weighting weighting = Weighting::None;
    // s^2 = SSR/df and the covariance of (V, n, K), row-major, when df > 0 (for the bands).
    std::optional<double> residualVariance;
    std::optional<std::array<double, 9>> covariance;
    // None where the curve has no replicates, three distinct concentrations or fewer, or
    // replicates that agree exactly.
    std::optional<ReplicatesTest> replicates;
};

CurveStatistics computeCurveStatistics(const StatisticsInput& input);

// The estimates of a curve and their standard errors alone, found as computeCurveStatistics
// finds them (the same estimates to the last bit), without limits and tests.
struct CurveEstimates {
    bool determined = false;
    std::string reason;  // why not, in plain words; empty when determined
    int points = 0;
    int degreesOfFreedom = 0;
    HillEstimates estimates;
    std::optional<HillEstimates> standardErrors;  // of V, n and K, when df > 0
    double ssr = 0.0;
};
CurveEstimates estimateCurve(const StatisticsInput& input);

// The one-line verdict on n = 1 with the decimal separator `sep`.
std::string statisticsVerdict(const CurveStatistics& stats, char sep = '.');
// The lack-of-fit verdict with `sep`.
std::string replicatesVerdict(const ReplicatesTest& test, char sep = '.');

// A p value with two significant digits in the shortest form, as C's "%.2g" writes it but
// always with `sep`: 0.95, 0.011, 4.2e-06 ("< 1e-300" below that).
std::string significantP(double p, char sep = '.');

// Reasons and verdicts, as the program shows them.
inline constexpr const char* kReasonTooFewPoints =
    "V, n and K are not determined: a curve needs at least three points";
inline constexpr const char* kReasonNoRates = "V, n and K are not determined: every rate above the baseline is 0";
inline constexpr const char* kReasonBadPoints =
    "V, n and K are not determined: every concentration and rate must be a number and every "
    "concentration above 0";
inline constexpr const char* kReasonNoPlateau =
    "V and K are not determined: the points do not approach a plateau";
inline constexpr const char* kReasonNoRise = "K is not determined: the points show no rise below the plateau";
inline constexpr const char* kReasonOutOfRange =
    "V, n and K are not determined: the figures leave the range of the computer's numbers";
inline constexpr const char* kReasonNoConvergence =
    "V, n and K are not determined: the least-squares search does not converge";

}  // namespace kinetra
