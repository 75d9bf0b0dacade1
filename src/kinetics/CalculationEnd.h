#pragma once
// How a calculation ends early: the titles and messages the program shows, where it goes
// next, and the numbered aborts of the sigmoid fit.

#include <string>

namespace kinetra {

inline constexpr const char* kTitleCritica = "Crítica de Dados";
inline constexpr const char* kTitleWrongData = "Wrong Data";
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
inline std::string fitErrorMessage(FitAbortReason reason)
{
    return fitErrorMessage(static_cast<int>(reason));
}

// Where the program goes when a calculation ends early.
enum class ReturnTo { Menu, DataEntry };

// A calculation that ended with one of the program's messages, or with a run-time failure
// (then `message` is the failure text and `failureNumber` its number).
struct CalculationEnd {
    std::string message;
    std::string title;
    ReturnTo returnTo = ReturnTo::Menu;
    int failureNumber = 0;  // 0: one of the fit's own messages
};

}  // namespace kinetra
