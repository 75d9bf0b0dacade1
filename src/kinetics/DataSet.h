#pragma once
// The values the calculation works on. A data set is the points as handed on: sorted by
// concentration, each value as the point list keeps it (four significant digits), in the
// units entered, with the labels. Points are numbered from 1 where the user sees numbers
// (curve choices, messages); the vectors hold point k at index k - 1.

#include <string>
#include <vector>

namespace kinetra {

// The most points a data set holds.
constexpr int kMaxPoints = 200;

struct DataSet {
    std::vector<double> concentration;
    std::vector<double> rate;
    std::string rateUnit;    // the labels, blanks trimmed
    std::string concUnit;
    std::string ligandName;

    int pointCount() const { return static_cast<int>(concentration.size()); }
};

// The points of one curve, first..last (numbers of the data set's points), and the baseline
// its rates are measured above.
struct CurveChoice {
    int firstPoint = 0;
    int lastPoint = 0;
    double baseline = 0.0;
};

// The results of one fitted curve, numbers only.
struct CurveFit {
    int curve = 0;                // 1 or 2
    CurveChoice points;           // the points fitted and the baseline used
    double V = 0.0;
    double n = 0.0;
    double K = 0.0;               // in the units of the entered concentrations
    double VK = 0.0;              // 0 when K is 0 (V/K is not calculated then)
    double r = 0.0;               // Pearson correlation of measured and fitted rates
    double totalActivity = 0.0;   // V + baseline
    int searchPasses = 0;         // the exponent search's passes when it was left
    std::vector<std::string> warnings;  // warnings shown for this curve, in order
};

}  // namespace kinetra
