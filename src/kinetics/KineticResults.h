#pragma once
// The texts of the results frame of the calculation window.

#include <array>
#include <string>

#include "kinetics/SigmoidFit.h"

namespace kinetra {

struct ResultsTexts {
    std::string title;  // "CALCULATED KINETIC PARAMETERS OF CURVE # 1   Points: 1-13"
    // Row names: "V ", "n ", "K ", "V/K ", "Correlation ", "Total Activity ",
    // "Baseline used for this curve "
    static const std::array<const char*, 7> kRowNames;
    std::array<std::string, 7> values;  // "1.000E+02  U/mg", "1.000E+00", ...
};

ResultsTexts resultsTexts(const CurveResults& results, const std::string& rateUnit,
                          const std::string& concUnit, char sep = '.');

}  // namespace kinetra
