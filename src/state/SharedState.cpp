#include "state/SharedState.h"

#include <cmath>

namespace kinetra {

std::int16_t makeWhole16(double value)
{
    if (std::isnan(value)) throw RuntimeFailure(failure::Overflow);
    const double whole = std::nearbyint(value);  // the default rounding mode: half to even
    if (whole < -32768.0 || whole > 32767.0) throw RuntimeFailure(failure::Overflow);
    return static_cast<std::int16_t>(whole);
}

void resetForCalculation(SharedState& st)
{
    st.firstActivation = true;
    st.fitScratch = 0.0;
    st.notConverged = 0;
    for (int i = 1; i <= kMaxPoints; ++i) {
        st.concentration[i] = 0.0;
        st.concPower[i] = 0.0;
        st.fittedRate[i] = 0.0;
        st.rate[i] = 0.0;
    }
    for (int i = 1; i <= 2; ++i) {
        st.curveFirstPoint[i] = 0.0;
        st.curveLastPoint[i] = 0.0;
        st.curveBaseline[i] = 0.0;
        st.curveV[i] = 0.0;
        st.curveN[i] = 0.0;
        st.curveK[i] = 0.0;
    }
    st.pointCount = 0;
    st.concScale = 0.0;
    st.firstPoint = 0;
    st.lastPoint = 0;
    st.baseline = 0.0;
    st.curveNumber = 0;
    st.rangeHighConc = 0.0;
    st.rangeLowConc = 0.0;
    st.considerBaseline = false;
    st.rateUnit.clear();
    st.concUnit.clear();
    st.ligandName.clear();
    st.outputFileName.clear();
    st.outputDestination.clear();
}

}  // namespace kinetra
