#pragma once
// The fit statistics of the curves a calculation fitted: each curve's points taken from the
// data set (concentrations as entered, rates above the curve's baseline) and its statistics
// from the described fit's V, n, K.

#include <optional>
#include <string>
#include <vector>

#include "kinetics/DataSet.h"
#include "stats/CurveStatistics.h"

namespace kinetra {

// What the statistics window shows of one calculation: per curve its results, its
// statistics and its concentrations (for the residual plot), with the units.
struct CalculatedCurve {
    CurveFit results;
    CurveStatistics stats;
    std::vector<double> concentration;
};
struct CalculationStatistics {
    std::string rateUnit, concUnit;
    std::vector<CalculatedCurve> curves;
};

// The statistics of a curve just calculated, from the described fit's V, n, K.
CalculatedCurve calculatedCurve(const DataSet& data, const CurveFit& fit);

// The points of a curve of the data set: concentrations as entered, rates above the
// choice's baseline; none when the choice lies outside the data set. `start` is the
// described fit's V, n, K, or none when it ended with a message.
StatisticsInput curveStatisticsInput(const DataSet& data, const CurveChoice& curve,
                                     std::optional<HillEstimates> start);

}  // namespace kinetra
