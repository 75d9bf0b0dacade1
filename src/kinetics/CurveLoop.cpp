#include "kinetics/CurveLoop.h"

#include <cmath>

namespace kinetra {

CalculationOutcome runCalculation(SharedState& st, FitWork& work, int curveCount,
                                  CalculationHooks& hooks)
{
    CalculationOutcome out;
    try {
        // a one-curve calculation leaves no V for a second curve
        st.curveV[2] = 0.0;
        if (auto end = scaleConcentrations(st)) {
            out.end = std::move(end);
            return out;
        }
        st.curveNumber = 0;
        const WarningCallback warn = [&hooks](const std::string& message) {
            hooks.showWarning(message);
        };
        for (int c = 1; c <= curveCount; ++c) {
            st.curveNumber = makeWhole16(st.curveNumber + 1.0);
            hooks.askCurvePoints(st, c);
            st.curveFirstPoint[c] = st.firstPoint;
            st.curveLastPoint[c] = st.lastPoint;

            // the second curve sits on the plateau of the first: its V plus its baseline
            if (c == 2) {
                const double plateau = work.fitV + st.curveBaseline[1];
                if (!std::isfinite(plateau)) throw RuntimeFailure(failure::Overflow);
                st.curveBaseline[2] = plateau;
            } else {
                st.curveBaseline[c] = st.baseline;
            }

            const double base = st.curveBaseline[c];
            for (double i = st.curveFirstPoint[c]; i <= st.curveLastPoint[c]; i += 1.0) {
                const double net = st.rate[makeWhole16(i)] - base;
                if (!std::isfinite(net)) throw RuntimeFailure(failure::Overflow);
                work.netRate[makeWhole16(i)] = net;
            }

            FitOutcome fit = fitCurve(st, work, c, warn, hooks.decimalSeparator());
            if (fit.end) {
                out.end = std::move(fit.end);
                return out;
            }
            // results are stored only once they were shown and reported
            hooks.presentCurve(st, *fit.results);
            storeCurveResults(st, *fit.results);
            out.curves.push_back(std::move(*fit.results));
            st.firstPoint = makeWhole16(st.curveLastPoint[c] + 1.0);
        }
    } catch (const RuntimeFailure& f) {
        out.end = CalculationEnd{failureText(f), kTitleWrongData, ReturnTo::Menu, f.number()};
    }
    return out;
}

}  // namespace kinetra
