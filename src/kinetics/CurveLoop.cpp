#include "kinetics/CurveLoop.h"

#include <cmath>

#include "base/CheckedMath.h"
#include "format/NumberForms.h"

namespace kinetra {

CalculationOutcome runCalculation(const DataSet& data, int curveCount, CalculationHooks& hooks)
{
    CalculationOutcome out;
    try {
        if (Status scale = checkConcentrationScale(data); !scale) {
            out.end = scale.failure();
            return out;
        }
        const WarningCallback warn = [&hooks](const std::string& message) { hooks.showWarning(message); };
        for (int c = 1; c <= curveCount; ++c) {
            out.endedOnCurve = c;
            out.endedOnPoints = CurveChoice{};
            out.endedOnPoints = hooks.askCurvePoints(c);
            CurveChoice choice = out.endedOnPoints;
            // the second curve sits on the plateau of the first: its V plus its baseline
            if (c == 2) choice.baseline = overflowChecked(out.curves.back().V + out.curves.back().points.baseline);
            out.endedOnPoints = choice;

            Outcome<CurveFit> fit = fitCurve(data, c, choice, warn);
            if (!fit) {
                out.end = fit.failure();
                return out;
            }
            hooks.presentCurve(*fit);
            out.curves.push_back(std::move(fit).value());
        }
        out.endedOnCurve = 0;
    } catch (const RuntimeFailure& f) {
        // anything else a hook throws (the user ending the program meanwhile) is its own
        out.end = Failure::runTime(f);
    }
    return out;
}

Outcome<std::vector<std::pair<int, int>>> chosenCurvePoints(
    const std::vector<std::pair<std::string, std::string>>& curves, int pointCount)
{
    std::vector<std::pair<int, int>> chosen;
    double lowest = 1.0;  // the lowest first point: 1, then the last curve's last point + 1
    for (const auto& [firstText, lastText] : curves) {
        const std::optional<double> f = parseDecimal(firstText, '.');
        if (!f || *f < lowest || *f > pointCount || *f == 0.0) return Failure::refused("Wrong First Point");
        const std::optional<double> l = parseDecimal(lastText, '.');
        if (!l || *f + 1.0 > *l || *l > pointCount || *l == 0.0) return Failure::refused("Wrong Last Point");
        chosen.emplace_back(makeWhole16(*f), makeWhole16(*l));
        lowest = chosen.back().second + 1.0;
    }
    return chosen;
}

CurveChoice ChosenCurves::askCurvePoints(int curve)
{
    const auto [first, last] = points_.at(static_cast<std::size_t>(curve - 1));
    return CurveChoice{first, last, curve == 1 ? baseline_ : 0.0};
}

}  // namespace kinetra
