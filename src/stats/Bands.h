#pragma once
// The 95 % bands about a fitted curve, at `count` concentrations evenly spaced in ln S from
// lowS to highS (both ends included):
//   confidence band  f -/+ t(0.975, df) sqrt(g^T C g)
//   prediction band  f -/+ t(0.975, df) sqrt(s^2 / w(f) + g^T C g)
// with f the fitted Hill law, g its gradient in (V, n, K), C the covariance and s^2 the
// residual variance of the curve's statistics, and w(f) the weight a measurement of rate f
// would have (1 without weights), so that the prediction band covers a new measurement.

#include <string>
#include <vector>

#include "stats/CurveStatistics.h"

namespace kinetra {

struct BandPoint {
    double concentration = 0.0;
    double fit = 0.0;
    double confidenceLow = 0.0, confidenceHigh = 0.0;
    double predictionLow = 0.0, predictionHigh = 0.0;
};

struct CurveBands {
    std::vector<BandPoint> points;  // empty when there is no band
    std::string reason;             // why not, in plain words; empty when there are points
};

inline constexpr int kMinBandPoints = 2;
inline constexpr int kMaxBandPoints = 10000;

CurveBands curveBands(const CurveStatistics& stats, double lowS, double highS, int count);

}  // namespace kinetra
