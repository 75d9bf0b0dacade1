#include "stats/CalculatedCurve.h"

namespace kinetra {

StatisticsInput curveStatisticsInput(const DataSet& data, const CurveChoice& curve,
                                     std::optional<HillEstimates> start)
{
    StatisticsInput in;
    in.start = start;
    if (curve.firstPoint < 1 || curve.lastPoint > data.pointCount() || curve.lastPoint < curve.firstPoint)
        return in;
    const auto count = static_cast<std::size_t>(curve.lastPoint - curve.firstPoint + 1);
    in.concentration.reserve(count);
    in.rate.reserve(count);
    for (int i = curve.firstPoint; i <= curve.lastPoint; ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        in.concentration.push_back(data.concentration[k]);
        in.rate.push_back(data.rate[k] - curve.baseline);
    }
    return in;
}

CalculatedCurve calculatedCurve(const DataSet& data, const CurveFit& fit)
{
    const StatisticsInput input = curveStatisticsInput(data, fit.points, HillEstimates{fit.V, fit.n, fit.K});
    return CalculatedCurve{fit, computeCurveStatistics(input), input.concentration};
}

}  // namespace kinetra
