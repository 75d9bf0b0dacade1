#include "kinetics/KineticResults.h"

#include "format/NumberForms.h"

namespace kinetra {

const std::array<const char*, 7> ResultsTexts::kRowNames = {
    "V ", "n ", "K ", "V/K ", "Correlation ", "Total Activity ", "Baseline used for this curve "};

ResultsTexts resultsTexts(const CurveResults& results, const std::string& rateUnit,
                          const std::string& concUnit, char sep)
{
    ResultsTexts t;
    t.title = "CALCULATED KINETIC PARAMETERS OF CURVE # " + std::to_string(results.curve) +
              "   Points: " + formatGeneralNumber(results.firstPoint, sep) + "-" +
              formatGeneralNumber(results.lastPoint, sep);
    t.values[0] = formatE3(results.V, sep) + "  " + rateUnit;
    t.values[1] = formatE3(results.n, sep);
    t.values[2] = formatE3(results.K, sep) + " " + concUnit;
    // the row shows the number the V/K text starts with; "NOT CALCULATED" reads as 0
    t.values[3] = formatE3(leadingNumber(results.vkText, results.separator), sep);
    t.values[4] = formatE3(results.r, sep);
    t.values[5] = formatE3(results.totalActivity, sep) + "  " + rateUnit;
    t.values[6] = formatE3(results.baseline, sep) + "  " + rateUnit;
    return t;
}

}  // namespace kinetra
