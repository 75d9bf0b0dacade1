#pragma once
// The results of one fitted curve, before they are stored per curve.

#include <string>
#include <vector>

namespace kinetra {

struct CurveResults {
    int curve = 0;
    double firstPoint = 0.0, lastPoint = 0.0;
    double V = 0.0;
    double n = 0.0;
    double K = 0.0;             // in the units of the entered concentrations
    double VK = 0.0;            // 0 when K is 0
    std::string vkText;         // the number in the general number form, units appended
    char separator = '.';       // the decimal separator vkText was written with
    double r = 0.0;             // Pearson correlation of measured and fitted rates
    double totalActivity = 0.0; // V + baseline
    double baseline = 0.0;
    int searchPasses = 0;       // the search's pass counter when it was left
    std::vector<std::string> warnings;  // warning texts shown for this curve, in order
};

}  // namespace kinetra
