#pragma once
// The sigmoid fit: v = V * S^n / (K' + S^n), K' = K^n, above the curve's baseline.
// An outer golden-section search over n in [0.1, 5] (fraction 0.382, tolerance 0.001 on
// the agreement of V and K' at the two probes) with one parabolic step at the end; for
// each trial n a weighted straight-line start (1/v on 1/S^n, weights v^4) refined by
// Gauss-Newton passes on V and K'.

#include <functional>
#include <optional>

#include "kinetics/CalculationEnd.h"
#include "kinetics/CurveResults.h"
#include "state/SharedState.h"

namespace kinetra {

// Values the calculation window owns: the net rates of the curve being fitted and the V of
// the last inner fit (after curve 1, curve 1's V).
struct FitWork {
    PointArray netRate;
    double fitV = 0.0;
};

// Called with a warning text (title "Crítica de Dados") at the moment it arises.
using WarningCallback = std::function<void(const std::string& message)>;

// Divides every concentration by concScale = concentration[1] / 0.0001.
// Returns the end "Error n.1: Division by zero" when concScale is 0.
std::optional<CalculationEnd> scaleConcentrations(SharedState& st);

// The inner fit for the exponent in st.hillN over the curve's points. On success sets
// work.fitV, st.kPrime, st.concPower, st.fitScratch and returns the residual variance;
// `scaledK` receives K'^(1/n). Returns an end instead when the calculation must stop.
struct InnerFit {
    double V = 0.0, kPrime = 0.0, scaledK = 0.0, residualVariance = 0.0;
};
struct InnerOutcome {
    std::optional<InnerFit> fit;
    std::optional<CalculationEnd> end;
};
InnerOutcome evaluateExponent(SharedState& st, FitWork& work, int curve);

// Search, parabolic step and derived results for curve c (1 or 2). Expects
// curveFirstPoint[c], curveLastPoint[c], curveBaseline[c] and work.netRate set. Does not
// store the per-curve results: storeCurveResults does, once they were shown and reported.
// Run-time failures (overflow, subscript out of range, a division with no test of its own)
// are thrown as RuntimeFailure.
struct FitOutcome {
    std::optional<CurveResults> results;
    std::optional<CalculationEnd> end;
};
// `sep` is the decimal separator of the V/K text (the user's, for display and report).
FitOutcome fitCurve(SharedState& st, FitWork& work, int curve, const WarningCallback& onWarning = {},
                    char sep = '.');

// curveV[c], curveN[c], curveK[c] from the results.
void storeCurveResults(SharedState& st, const CurveResults& results);

}  // namespace kinetra
