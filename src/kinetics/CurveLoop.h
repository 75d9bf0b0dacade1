#pragma once
// The calculation of one or two curves of a data set, shared by the calculation window and
// the kinetra-fit command. The front end steps in through the hooks: it says the points of
// each curve, shows warnings, shows and reports each curve's results.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kinetics/SigmoidFit.h"

namespace kinetra {

class CalculationHooks {
public:
    virtual ~CalculationHooks() = default;
    // The points of a curve and, for curve 1, its baseline (the second curve's baseline is
    // the first curve's total activity, whatever this says). May throw RuntimeFailure.
    virtual CurveChoice askCurvePoints(int curve) = 0;
    // A warning of the fit, at the moment it arises (title "Crítica de Dados").
    virtual void showWarning(const std::string& message) = 0;
    // Shows the results and appends the curve's report section; may throw RuntimeFailure
    // (a report file that cannot be written), which ends the calculation.
    virtual void presentCurve(const CurveFit& fit) = 0;
};

struct CalculationOutcome {
    std::vector<CurveFit> curves;  // the curves fitted and shown, in order
    std::optional<Failure> end;    // set when the calculation ended early
    // The curve being worked on when it ended (0: before the first was asked for) and its
    // points and baseline as far as they were known.
    int endedOnCurve = 0;
    CurveChoice endedOnPoints;
};

// The whole calculation: the concentrations' scale is checked, then per curve: its points,
// curve 2's baseline = curve 1's V + curve 1's baseline, the fit, the presentation. A
// failure anywhere ends it; the curves fitted before it stay in the outcome.
CalculationOutcome runCalculation(const DataSet& data, int curveCount, CalculationHooks& hooks);

// The points of each curve as typed (first, last), checked as the points window checks them
// against the data set's point count: the message ("Wrong First Point", "Wrong Last Point")
// of the first wrong one, or the whole first and last point of each curve. Each curve starts
// after the last point of the one before.
Outcome<std::vector<std::pair<int, int>>> chosenCurvePoints(
    const std::vector<std::pair<std::string, std::string>>& curves, int pointCount);

// The hooks of a calculation whose curves were chosen beforehand (a batch): each curve's
// first and last point, the first curve's baseline; warnings go to a callback, results are
// not shown.
class ChosenCurves : public CalculationHooks {
public:
    ChosenCurves(std::vector<std::pair<int, int>> points, double baseline, WarningCallback onWarning)
        : points_(std::move(points)), baseline_(baseline), onWarning_(std::move(onWarning))
    {
    }
    CurveChoice askCurvePoints(int curve) override;
    void showWarning(const std::string& message) override
    {
        if (onWarning_) onWarning_(message);
    }
    void presentCurve(const CurveFit&) override {}

private:
    std::vector<std::pair<int, int>> points_;
    double baseline_;
    WarningCallback onWarning_;
};

}  // namespace kinetra
