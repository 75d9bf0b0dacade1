#pragma once
// The sigmoid fit: v = V * S^n / (K' + S^n), K' = K^n, above the curve's baseline.
// An outer golden-section search over n in [0.1, 5] (fraction 0.382, tolerance 0.001 on
// the agreement of V and K' at the two probes) with one parabolic step at the end; for
// each trial n a weighted straight-line start (1/v on 1/S^n, weights v^4) refined by
// Gauss-Newton passes on V and K'.
//
// The fit works on the concentrations divided by the data set's first concentration over
// 0.0001 (its own scaled copy); everything it hands back is in the units entered.

#include <functional>
#include <string>

#include "base/Outcome.h"
#include "kinetics/DataSet.h"

namespace kinetra {

inline constexpr const char* kSigmoidMessage = "Error: Data can´t be fitted by a sigmoid";
inline constexpr const char* kSearchWarning = "Error : Please check your data";   // 100 passes
inline constexpr const char* kVertexWarning = "Error: Please check your data";    // vertex outside

// The fit's numbered aborts; the number is the one its message shows,
// "Error n.<number>: Division by zero". Number 7 is not used.
enum class FitAbortReason : int {
    ZeroConcentrationScale = 1,     // the first concentration is 0: nothing to scale by
    ProbeRatesCancel = 2,           // V at the two probes of the search sum to 0
    ProbeConstantsCancel = 3,       // K' at the two probes of the search sum to 0
    VertexAtLowEnd = 4,             // the vertex step's middle probe sits on the low bracket end
    VertexBracketEmpty = 5,         // the vertex step's bracket has no width
    VertexParabolaFlat = 6,         // the parabola through the three probes has no curvature
    FittedRateNoDenominator = 8,    // S^n + K^n is 0 when the fitted rates are formed
    CorrelationNoSpread = 9,        // measured or fitted rates all equal: no correlation
    ConcentrationPowerZero = 10,    // a scaled concentration to the power n is 0
    StartLineSingular = 11,         // the weighted straight line for the start has no slope
    GaussNewtonNoDenominator = 12,  // K' + S^n is 0 in a Gauss-Newton pass
    NormalEquationsSingular = 13,   // determinant of the Gauss-Newton normal equations is 0
    RateFactorZero = 14,            // the Gauss-Newton step scales V by 0
};

// "Error n.<number>: Division by zero".
std::string fitErrorMessage(int number);

// Called with a warning text (title "Crítica de Dados") at the moment it arises.
using WarningCallback = std::function<void(const std::string& message)>;

// The concentrations can be scaled: the first is not 0 and every scaled one is a double.
// Fails with abort 1 ("Error n.1: Division by zero") or an overflow.
Status checkConcentrationScale(const DataSet& data);

// The inner fit at one exponent, in the fit's scaled concentrations: V, K', K'^(1/n) and
// the residual variance (divided by the data set's point count less 2).
struct InnerFit {
    double V = 0.0, kPrime = 0.0, scaledK = 0.0, residualVariance = 0.0;
};
Outcome<InnerFit> evaluateExponent(const DataSet& data, const CurveChoice& curve, double n);

// Search, parabolic step and derived results of one curve (number `curve`, 1 or 2): its
// points first..last of the data set (inside the data set, with a rate for every
// concentration: otherwise the failure "Subscript out of range"; fewer than two points end
// on one of the numbered aborts), rates taken above the choice's baseline. Warnings go
// to `onWarning` as they arise and are kept in the fit. A numbered abort, the sigmoid
// message or a run-time failure comes back as the failure.
Outcome<CurveFit> fitCurve(const DataSet& data, int curve, const CurveChoice& choice,
                           const WarningCallback& onWarning = {});

}  // namespace kinetra
