#include "stats/Bands.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <boost/math/distributions/students_t.hpp>

namespace kinetra {

namespace {

CurveBands noBand(std::string why)
{
    CurveBands out;
    out.reason = std::move(why);
    return out;
}

}  // namespace

CurveBands curveBands(const CurveStatistics& st, double lowS, double highS, int count)
{
    if (count < kMinBandPoints || count > kMaxBandPoints)
        return noBand("A band is drawn at " + std::to_string(kMinBandPoints) + " to " +
                      std::to_string(kMaxBandPoints) + " concentrations; " + std::to_string(count) +
                      " were asked for");
    if (!(lowS > 0.0) || !(highS > lowS) || !std::isfinite(highS))
        return noBand("A band needs a lowest concentration above 0 and a highest one above it");
    if (!st.determined) return noBand("No band: " + st.reason);
    if (st.degreesOfFreedom <= 0 || !st.residualVariance || !st.covariance)
        return noBand("No band: the covariance of V, n and K is not determined");

    const double V = st.V.estimate, n = st.n.estimate, K = st.K.estimate;
    const std::array<double, 9>& C = *st.covariance;
    const double s2 = *st.residualVariance;
    const boost::math::students_t dist(static_cast<double>(st.degreesOfFreedom));
    const double t = boost::math::quantile(boost::math::complement(dist, 0.025));
    const double lnLow = std::log(lowS), step = (std::log(highS) - lnLow) / (count - 1);
    const double lnK = std::log(K);

    CurveBands out;
    out.points.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double lnS = i == count - 1 ? std::log(highS) : lnLow + step * i;
        // p = 1/(1 + (K/S)^n) and p(1 - p), without overflow for any exponent
        const double u = n * (lnK - lnS);
        const double e = std::exp(-std::fabs(u));
        const double inv = 1.0 / (1.0 + e);
        const double p = u > 0.0 ? e * inv : inv, pq = e * inv * inv;
        const double f = V * p;
        const double g[3] = {p, V * pq * (lnS - lnK), -V * pq * n / K};
        double var = 0.0;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) var += g[r] * C[static_cast<std::size_t>(3 * r + c)] * g[c];
        var = std::max(0.0, var);
        const double half = t * std::sqrt(var);
        const double halfNew = t * std::sqrt(s2 * inverseWeight(st.weighting, f) + var);
        BandPoint& b = out.points[static_cast<std::size_t>(i)];
        b = BandPoint{i == 0 ? lowS : i == count - 1 ? highS : std::exp(lnS), f, f - half, f + half,
                      f - halfNew, f + halfNew};
        if (!std::isfinite(b.concentration) || !std::isfinite(b.predictionLow) || !std::isfinite(b.predictionHigh))
            return noBand("No band: its figures leave the range of the computer's numbers");
    }
    return out;
}

}  // namespace kinetra
