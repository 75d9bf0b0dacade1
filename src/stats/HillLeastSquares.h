#pragma once
// Least squares for the Hill law f(S) = V*S^n/(K^n + S^n) on one curve, with Eigen's
// Levenberg-Marquardt; a fit with one parameter held tries a short search on the 2 x 2
// normal equations first (a profile runs dozens of them, each from a point next to its
// minimum).
//
// Internally everything is scaled so that concentrations from 1e-30 to 1e30 and rates of any
// size keep the arithmetic in range: rates are divided by the largest |y| (rateScale),
// concentrations by their geometric mean (concScale), and the law is written with logarithms,
//   f = V / (1 + exp(n*(ln K - ln S))),
// in the parameters q = (a, n, k): V = rateScale*a, K = concScale*exp(k).
//
// With weights (stats/Weighting.h) each residual is multiplied by sqrt(omega_i), omega_i the
// point's weight divided by the largest weight of the curve, so that the scaled weights lie in
// (0, 1]; every SSR below is then the weighted one. A scaled SSR times ssrRoot()^2 is the
// SSR in the caller's units, sum w_i (y_i - f_i)^2; without weights ssrRoot() is rateScale.

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "stats/Weighting.h"

namespace kinetra::stats {

// The parameters in the scaled form above.
struct ScaledParameters {
    double a = 0.0;  // V / rateScale
    double n = 0.0;
    double k = 0.0;  // ln(K / concScale)
};

// How one minimisation ended.
enum class SearchEnd {
    Converged,     // a tolerance on the step or on the reduction of SSR was met
    Exhausted,     // the evaluation limit was reached first
    Diverged,      // a parameter left the range in which the law can be evaluated
    Stalled,       // the search could not reduce SSR further for another reason
};

struct Minimum {
    ScaledParameters q;
    double ssr = 0.0;  // in the scaled units (rateScale^2 without weights)
    std::array<double, 3> gradient{};  // dSSR/d(a, n, k) there, in the same units
    SearchEnd end = SearchEnd::Stalled;
};

// How closely a minimum is sought: estimates, or a point of a profile.
enum class Precision { Estimate, Profile };

// Which parameter a constrained fit holds fixed.
enum class Held { None = -1, V = 0, n = 1, K = 2 };

class HillLeastSquares {
public:
    // Concentrations > 0 and rates (net of the baseline), both finite, at least one rate
    // not zero, every rate above 0 when weighted; the caller checks that.
    HillLeastSquares(const std::vector<double>& concentration, const std::vector<double>& rate,
                     Weighting weighting = Weighting::None);
    ~HillLeastSquares();
    HillLeastSquares(const HillLeastSquares&) = delete;
    HillLeastSquares& operator=(const HillLeastSquares&) = delete;

    double rateScale() const { return rateScale_; }
    double concScale() const { return concScale_; }
    int points() const { return static_cast<int>(l_.size()); }
    Weighting weighting() const { return weighting_; }
    double ssrRoot() const { return ssrRoot_; }
    // The points as the searches see them: ln(S / concScale), rate / rateScale and
    // sqrt(omega), in point order.
    const std::vector<double>& logConcentration() const { return l_; }
    const std::vector<double>& scaledRate() const { return y_; }
    const std::vector<double>& rootWeight() const { return sw_; }

    ScaledParameters toScaled(double V, double n, double K) const;
    std::array<double, 3> toPlain(const ScaledParameters& q) const;  // V, n, K

    // The Hill law over all three parameters from a start.
    Minimum fit(const ScaledParameters& start) const;
    // The same with one parameter held at the value `start` gives it.
    Minimum fitHolding(Held held, const ScaledParameters& start, Precision precision = Precision::Estimate) const;
    // SSR of the power law c*S^n (the Hill law as K grows without bound) at its minimum, in
    // the scaled units.
    std::optional<double> powerLawSsr() const;

    // The (weighted) sum of squares about the (weighted) mean rate, in the scaled units.
    double totalSsr() const;

    // Rates minus the law, in point order, in the caller's units, without weights.
    std::vector<double> residuals(const ScaledParameters& q) const;
    // s^2 (J^T W J)^-1 with J the law's Jacobian in the plain parameters (V, n, K), row-major
    // 3x3, for s^2 = ssr/df in the scaled units; none when J^T W J is singular or the
    // result leaves the range of a double. Inverted in the scaled form, then scaled back.
    std::optional<std::array<double, 9>> covariance(const ScaledParameters& q, double s2) const;

private:
    struct Solvers;
    mutable std::unique_ptr<Solvers> solvers_;  // the searches, kept between fits (not thread-safe)
    std::vector<double> l_;  // ln(S / concScale)
    std::vector<double> y_;  // rate / rateScale
    std::vector<double> w_;  // omega, 1 without weights
    std::vector<double> sw_;  // sqrt(omega)
    Weighting weighting_ = Weighting::None;
    double rateScale_ = 1.0;
    double concScale_ = 1.0;
    double ssrRoot_ = 1.0;
};

}  // namespace kinetra::stats
