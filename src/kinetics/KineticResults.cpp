#include "kinetics/KineticResults.h"

#include "format/NumberForms.h"

namespace kinetra {

const std::array<const char*, 7> ResultsTexts::kRowNames = {
    "V ", "n ", "K ", "V/K ", "Correlation ", "Total Activity ", "Baseline used for this curve "};

std::string vkText(const CurveFit& fit, const std::string& rateUnit, const std::string& concUnit, char sep)
{
    if (fit.K == 0.0) return "NOT CALCULATED";
    std::string text = formatGeneralNumber(fit.VK, sep);
    if (!rateUnit.empty() && !concUnit.empty())
        text += " (" + trimBlanks(rateUnit) + ") / (" + trimBlanks(concUnit) + ")";
    return text;
}

ResultsTexts resultsTexts(const CurveFit& results, const std::string& rateUnit,
                          const std::string& concUnit, char sep)
{
    ResultsTexts t;
    t.title = "CALCULATED KINETIC PARAMETERS OF CURVE # " + std::to_string(results.curve) +
              "   Points: " + formatGeneralNumber(results.points.firstPoint, sep) + "-" +
              formatGeneralNumber(results.points.lastPoint, sep);
    t.values[0] = formatE3(results.V, sep) + "  " + rateUnit;
    t.values[1] = formatE3(results.n, sep);
    t.values[2] = formatE3(results.K, sep) + " " + concUnit;
    // the row shows the number the V/K text starts with; "NOT CALCULATED" reads as 0
    t.values[3] = formatE3(leadingNumber(vkText(results, rateUnit, concUnit, sep), sep), sep);
    t.values[4] = formatE3(results.r, sep);
    t.values[5] = formatE3(results.totalActivity, sep) + "  " + rateUnit;
    t.values[6] = formatE3(results.points.baseline, sep) + "  " + rateUnit;
    return t;
}

}  // namespace kinetra
