#pragma once
// The calculation of one or two curves, shared by the calculation window and the
// kinetra-fit command. The window steps in through the hooks: it asks the points of a
// curve, shows warnings, shows and reports each curve's results.

#include <optional>
#include <vector>

#include "kinetics/SigmoidFit.h"

namespace kinetra {

class CalculationHooks {
public:
    virtual ~CalculationHooks() = default;
    // Sets st.firstPoint, st.lastPoint and, for curve 1, st.baseline (the points window).
    virtual void askCurvePoints(SharedState& st, int curve) = 0;
    // A warning of the fit, at the moment it arises (title "Crítica de Dados").
    virtual void showWarning(const std::string& message) = 0;
    // Shows the results and appends the curve's report section; may throw RuntimeFailure
    // (a report file that cannot be written), which ends the calculation.
    virtual void presentCurve(const SharedState& st, const CurveResults& results) = 0;
    // The decimal separator of the V/K text that the results carry (the user's separator).
    virtual char decimalSeparator() const { return '.'; }
};

struct CalculationOutcome {
    std::vector<CurveResults> curves;       // the curves fitted, shown and stored
    std::optional<CalculationEnd> end;      // set when the calculation ended early
};

// The whole calculation: curveV[2] = 0, scaleConcentrations, then per curve: curveNumber,
// the points, curve 2's baseline = fitV + curveBaseline[1], netRate, fitCurve, present,
// store, firstPoint = last point + 1. A RuntimeFailure anywhere ends it with title
// "Wrong Data", the failure text and a return to the menu. Ending the print job is the
// caller's.
CalculationOutcome runCalculation(SharedState& st, FitWork& work, int curveCount,
                                  CalculationHooks& hooks);

}  // namespace kinetra
