#pragma once
// The texts of the results frame of the calculation window.

#include <array>
#include <string>

#include "kinetics/DataSet.h"

namespace kinetra {

struct ResultsTexts {
    std::string title;  // "CALCULATED KINETIC PARAMETERS OF CURVE # 1   Points: 1-13"
    // Row names: "V ", "n ", "K ", "V/K ", "Correlation ", "Total Activity ",
    // "Baseline used for this curve "
    static const std::array<const char*, 7> kRowNames;
    std::array<std::string, 7> values;  // "1.000E+02  U/mg", "1.000E+00", ...
};

// V/K in the general number form with its units, "(rate unit) / (concentration unit)" when
// both are given; "NOT CALCULATED" when K is 0.
std::string vkText(const CurveFit& fit, const std::string& rateUnit, const std::string& concUnit, char sep);

ResultsTexts resultsTexts(const CurveFit& results, const std::string& rateUnit,
                          const std::string& concUnit, char sep = '.');

}  // namespace kinetra
