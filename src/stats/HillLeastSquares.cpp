#include "stats/HillLeastSquares.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>

namespace kinetra::stats {

namespace {

// Beyond these the law is flat to the last bit (exp of more than 700 overflows a double) or
// the search has long left anything a curve can determine: the search is stopped there.
constexpr double kLargestA = 1e15;     // 1e15 times the largest rate
constexpr double kLargestK = 700.0;    // |ln(K / concScale)|
constexpr double kLargestN = 1e8;

// Estimates to about 1e-10; a point of a profile needs only its SSR, which is quadratic in
// the step there, so a coarser step tolerance gives it to about the same digits.
constexpr double kXtol = 1e-11;
constexpr double kFtol = 1e-13;
constexpr double kProfileXtol = 1e-4;
constexpr double kProfileFtol = 1e-10;
constexpr int kMaxEvaluations = 1000;

// p = 1/(1 + e^u) and p(1 - p), without overflow for any finite u.
struct Logistic {
    double p, pq;
};
inline Logistic logistic(double u)
{
    const double e = std::exp(-std::fabs(u));  // in (0, 1]
    const double inv = 1.0 / (1.0 + e);
    return Logistic{u > 0.0 ? e * inv : inv, e * inv * inv};
}

bool usable(const ScaledParameters& q)
{
    return std::isfinite(q.a) && std::isfinite(q.n) && std::isfinite(q.k) &&
           std::fabs(q.a) <= kLargestA && std::fabs(q.k) <= kLargestK && std::fabs(q.n) <= kLargestN;
}

// Residuals sqrt(omega_i) (a*p_i - y_i) and their Jacobian in the free ones of (a, n, k).
// (Without weights sqrt(omega_i) is 1 and the products are exact.) The search asks
// for the Jacobian where it last evaluated the residuals, so the logistic terms of that
// evaluation are kept and used again.
struct HillResiduals : Eigen::DenseFunctor<double> {
    const std::vector<double>& l;
    const std::vector<double>& y;
    const std::vector<double>& sw;
    Held held;
    ScaledParameters base;  // supplies the held parameter
    int freeIndex[3] = {0, 1, 2};
    mutable std::vector<Logistic> terms;
    mutable ScaledParameters termsAt{0.0, 0.0, 0.0};
    mutable bool termsValid = false;
    std::vector<double> heldPowers;  // exp(-n l_i) when n is held, else empty

    HillResiduals(const std::vector<double>& l_, const std::vector<double>& y_, const std::vector<double>& sw_,
                  Held h, const ScaledParameters& b)
        : DenseFunctor<double>(h == Held::None ? 3 : 2, static_cast<int>(l_.size())),
          l(l_), y(y_), sw(sw_), held(h), base(b), terms(l_.size())
    {
        int j = 0;
        for (int i = 0; i < 3; ++i)
            if (i != static_cast<int>(held)) freeIndex[j++] = i;
        reset(b);
    }

    // A new search: `b` supplies the held parameter.
    void reset(const ScaledParameters& b)
    {
        base = b;
        termsValid = false;
        heldPowers.clear();
        if (held == Held::n) {
            double largest = 0.0;
            for (double li : l) largest = std::max(largest, std::fabs(base.n * li));
            if (largest < 300.0)
                for (double li : l) heldPowers.push_back(std::exp(-base.n * li));
        }
    }

    ScaledParameters expand(const InputType& x) const
    {
        double v[3] = {base.a, base.n, base.k};
        for (int j = 0; j < inputs(); ++j) v[freeIndex[j]] = x[j];
        return ScaledParameters{v[0], v[1], v[2]};
    }

    void evaluateTerms(const ScaledParameters& q) const
    {
        if (termsValid && q.n == termsAt.n && q.k == termsAt.k) return;
        termsAt = q;
        termsValid = true;
        // With n held, exp(n (k - l_i)) = exp(n k) * exp(-n l_i): one exponential for all
        // points, while both factors stay far inside the range of a double.
        const double nk = q.n * q.k;
        if (!heldPowers.empty() && std::fabs(nk) < 300.0) {
            const double E = std::exp(nk);
            for (std::size_t i = 0; i < l.size(); ++i) {
                const double e = E * heldPowers[i];
                const double inv = 1.0 / (1.0 + e);
                terms[i] = Logistic{inv, e * inv * inv};
            }
            return;
        }
        for (std::size_t i = 0; i < l.size(); ++i) terms[i] = logistic(q.n * (q.k - l[i]));
    }

    int operator()(const InputType& x, ValueType& fvec) const
    {
        const ScaledParameters q = expand(x);
        if (!usable(q)) return -1;
        evaluateTerms(q);
        for (Eigen::Index i = 0; i < values(); ++i) {
            const auto s = static_cast<std::size_t>(i);
            fvec[i] = (q.a * terms[s].p - y[s]) * sw[s];
        }
        return 0;
    }

    int df(const InputType& x, JacobianType& fjac) const
    {
        const ScaledParameters q = expand(x);
        if (!usable(q)) return -1;
        evaluateTerms(q);
        for (Eigen::Index i = 0; i < values(); ++i) {
            const auto s = static_cast<std::size_t>(i);
            const double d = q.k - l[s];
            const Logistic& g = terms[s];
            const double column[3] = {g.p, -q.a * g.pq * d, -q.a * g.pq * q.n};
            for (int j = 0; j < inputs(); ++j) fjac(i, j) = column[freeIndex[j]] * sw[s];
        }
        return 0;
    }
};

// Residuals sqrt(omega_i) (exp(b + n*l_i) - y_i) of the power law.
struct PowerLawResiduals : Eigen::DenseFunctor<double> {
    const std::vector<double>& l;
    const std::vector<double>& y;
    const std::vector<double>& sw;
    PowerLawResiduals(const std::vector<double>& l_, const std::vector<double>& y_, const std::vector<double>& sw_)
        : DenseFunctor<double>(2, static_cast<int>(l_.size())), l(l_), y(y_), sw(sw_) {}

    bool inRange(const InputType& x, double li) const
    {
        const double e = x[0] + x[1] * li;
        return std::isfinite(e) && e < 700.0;
    }
    int operator()(const InputType& x, ValueType& fvec) const
    {
        for (Eigen::Index i = 0; i < values(); ++i) {
            const auto s = static_cast<std::size_t>(i);
            if (!inRange(x, l[s])) return -1;
            fvec[i] = (std::exp(x[0] + x[1] * l[s]) - y[s]) * sw[s];
        }
        return 0;
    }
    int df(const InputType& x, JacobianType& fjac) const
    {
        for (Eigen::Index i = 0; i < values(); ++i) {
            const auto s = static_cast<std::size_t>(i);
            if (!inRange(x, l[s])) return -1;
            const double e = std::exp(x[0] + x[1] * l[s]) * sw[s];
            fjac(i, 0) = e;
            fjac(i, 1) = e * l[s];
        }
        return 0;
    }
};

template <class Solver>
SearchEnd minimise(Solver& lm, Eigen::VectorXd& x, double xtol = kXtol, double ftol = kFtol)
{
    lm.setXtol(xtol);
    lm.setFtol(ftol);
    lm.setMaxfev(kMaxEvaluations);
    using namespace Eigen::LevenbergMarquardtSpace;
    switch (lm.minimize(x)) {
    case RelativeReductionTooSmall:
    case RelativeErrorTooSmall:
    case RelativeErrorAndReductionTooSmall:
    case CosinusTooSmall:
    case FtolTooSmall:
    case XtolTooSmall:
    case GtolTooSmall:
        return SearchEnd::Converged;
    case TooManyFunctionEvaluation:
        return SearchEnd::Exhausted;
    case UserAsked:
        return SearchEnd::Diverged;
    default:
        return SearchEnd::Stalled;
    }
}

}  // namespace

// One search per kind of fit, kept from one fit to the next: a profile runs dozens of
// fits of the same size, and the search's work arrays are then allocated once.
struct HillLeastSquares::Solvers {
    struct One {
        std::unique_ptr<HillResiduals> functor;
        std::unique_ptr<Eigen::LevenbergMarquardt<HillResiduals>> lm;
    };
    One byHeld[4];  // None, V, n, K
};

HillLeastSquares::~HillLeastSquares() = default;

HillLeastSquares::HillLeastSquares(const std::vector<double>& concentration, const std::vector<double>& rate,
                                   Weighting weighting)
    : weighting_(weighting)
{
    const std::size_t m = std::min(concentration.size(), rate.size());
    double meanLog = 0.0, largest = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
        meanLog += std::log(concentration[i]);
        largest = std::max(largest, std::fabs(rate[i]));
    }
    meanLog = m > 0 ? meanLog / static_cast<double>(m) : 0.0;
    concScale_ = std::exp(meanLog);
    rateScale_ = largest > 0.0 ? largest : 1.0;
    l_.resize(m);
    y_.resize(m);
    for (std::size_t i = 0; i < m; ++i) {
        l_[i] = std::log(concentration[i]) - meanLog;
        y_[i] = rate[i] / rateScale_;
    }
    // Scaled weights: w_i divided by the largest w (that of the smallest rate), so that
    // rates from 1e-300 to 1e300 give weights in range. A rate not above 0 (which the caller
    // excludes) counts for nothing.
    w_.assign(m, 1.0);
    sw_.assign(m, 1.0);
    ssrRoot_ = rateScale_;
    if (weighting == Weighting::None || m == 0) return;
    double smallest = HUGE_VAL;
    for (double y : y_)
        if (y > 0.0) smallest = std::min(smallest, y);
    if (!std::isfinite(smallest)) smallest = 1.0;
    for (std::size_t i = 0; i < m; ++i) {
        const double ratio = y_[i] > 0.0 ? smallest / y_[i] : 0.0;  // in [0, 1]
        w_[i] = weighting == Weighting::Relative ? ratio * ratio : ratio;
        sw_[i] = weighting == Weighting::Relative ? ratio : std::sqrt(ratio);
    }
    // sum w r^2 = sum omega (r / rateScale)^2 * rateScale^2 * (largest w)
    ssrRoot_ = weighting == Weighting::Relative ? 1.0 / smallest : std::sqrt(rateScale_ / smallest);
}

double HillLeastSquares::totalSsr() const
{
    double mean = 0.0, weight = 0.0, sum = 0.0;
    for (std::size_t i = 0; i < y_.size(); ++i) {
        mean += w_[i] * y_[i];
        weight += w_[i];
    }
    mean /= weight;
    for (std::size_t i = 0; i < y_.size(); ++i) sum += w_[i] * (y_[i] - mean) * (y_[i] - mean);
    return sum;
}

ScaledParameters HillLeastSquares::toScaled(double V, double n, double K) const
{
    return ScaledParameters{V / rateScale_, n, std::log(K) - std::log(concScale_)};
}

std::array<double, 3> HillLeastSquares::toPlain(const ScaledParameters& q) const
{
    return {q.a * rateScale_, q.n, std::exp(q.k + std::log(concScale_))};
}

Minimum HillLeastSquares::fit(const ScaledParameters& start) const
{
    return fitHolding(Held::None, start);
}

Minimum HillLeastSquares::fitHolding(Held held, const ScaledParameters& start, Precision precision) const
{
    Minimum out;
    out.q = start;
    out.ssr = HUGE_VAL;  // until a usable point is reached
    if (!usable(start) || l_.empty()) {
        out.end = SearchEnd::Diverged;
        return out;
    }
    if (!solvers_) solvers_ = std::make_unique<Solvers>();
    Solvers::One& solver = solvers_->byHeld[static_cast<int>(held) + 1];
    if (!solver.functor) {
        solver.functor = std::make_unique<HillResiduals>(l_, y_, sw_, held, start);
        solver.lm = std::make_unique<Eigen::LevenbergMarquardt<HillResiduals>>(*solver.functor);
    } else {
        solver.functor->reset(start);
    }
    HillResiduals& functor = *solver.functor;
    Eigen::VectorXd x(functor.inputs());
    const double all[3] = {start.a, start.n, start.k};
    for (int j = 0; j < functor.inputs(); ++j) x[j] = all[functor.freeIndex[j]];
    const bool fine = precision == Precision::Estimate;
    out.end = functor.values() < functor.inputs()
                  ? SearchEnd::Stalled
                  : minimise(*solver.lm, x, fine ? kXtol : kProfileXtol, fine ? kFtol : kProfileFtol);
    out.q = functor.expand(x);
    if (!usable(out.q)) return out;
    out.ssr = 0.0;
    // SSR and its gradient where the search stopped (the terms are usually still those of
    // its last evaluation)
    functor.evaluateTerms(out.q);
    const ScaledParameters& q = out.q;
    for (std::size_t i = 0; i < l_.size(); ++i) {
        const Logistic& t = functor.terms[i];
        const double w = sw_[i];
        const double r = (q.a * t.p - y_[i]) * w;
        const double d = q.k - l_[i];
        out.ssr += r * r;
        out.gradient[0] += 2.0 * r * w * t.p;
        out.gradient[1] -= 2.0 * r * w * q.a * t.pq * d;
        out.gradient[2] -= 2.0 * r * w * q.a * t.pq * q.n;
    }
    return out;
}

std::optional<double> HillLeastSquares::powerLawSsr() const
{
    // Start: the straight line through ln y on ln S where the rates are above 0.
    double sx = 0, sy = 0, sxx = 0, sxy = 0, count = 0;
    for (std::size_t i = 0; i < l_.size(); ++i) {
        if (!(y_[i] > 0.0)) continue;
        const double ly = std::log(y_[i]);
        sx += l_[i];
        sy += ly;
        sxx += l_[i] * l_[i];
        sxy += l_[i] * ly;
        count += 1;
    }
    const double det = count * sxx - sx * sx;
    if (count < 2 || !(det > 0.0)) return std::nullopt;
    Eigen::VectorXd x(2);
    x[1] = (count * sxy - sx * sy) / det;
    x[0] = (sy - x[1] * sx) / count;
    PowerLawResiduals functor(l_, y_, sw_);
    Eigen::LevenbergMarquardt<PowerLawResiduals> lm(functor);
    if (functor.values() < 2 || minimise(lm, x) == SearchEnd::Diverged) return std::nullopt;
    Eigen::VectorXd r(functor.values());
    if (functor(x, r) < 0) return std::nullopt;
    const double s = r.squaredNorm();
    return std::isfinite(s) ? std::optional<double>(s) : std::nullopt;
}

std::vector<double> HillLeastSquares::residuals(const ScaledParameters& q) const
{
    std::vector<double> out(l_.size());
    for (std::size_t i = 0; i < l_.size(); ++i)
        out[i] = (y_[i] - q.a * logistic(q.n * (q.k - l_[i])).p) * rateScale_;
    return out;
}

std::optional<std::array<double, 9>> HillLeastSquares::covariance(const ScaledParameters& q, double s2) const
{
    // J' in (a, n, K' = exp(k)): the column of K' is the column of k divided by K'.
    const double kPrime = std::exp(q.k);
    Eigen::Matrix3d JtJ = Eigen::Matrix3d::Zero();
    for (std::size_t i = 0; i < l_.size(); ++i) {
        const double d = q.k - l_[i];
        const Logistic g = logistic(q.n * d);
        const Eigen::Vector3d row = Eigen::Vector3d(g.p, -q.a * g.pq * d, -q.a * g.pq * q.n / kPrime) * sw_[i];
        JtJ.noalias() += row * row.transpose();
    }
    // Equilibrate before inverting: the columns may differ by many orders of magnitude.
    Eigen::Vector3d d = JtJ.diagonal().cwiseSqrt();
    if (!(d.minCoeff() > 0.0) || !d.allFinite()) return std::nullopt;
    const Eigen::Matrix3d C = d.cwiseInverse().asDiagonal() * JtJ * d.cwiseInverse().asDiagonal();
    Eigen::FullPivLU<Eigen::Matrix3d> lu(C);
    lu.setThreshold(1e-13);
    if (!lu.isInvertible()) return std::nullopt;
    const Eigen::Matrix3d Cinv = lu.inverse();
    // Back to plain units: V = rateScale*a, K = concScale*K'.
    const Eigen::Vector3d plain(rateScale_, 1.0, concScale_);
    std::array<double, 9> out{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const double v = Cinv(r, c) / (d[r] * d[c]) * s2 * plain[r] * plain[c];
            if (!std::isfinite(v)) return std::nullopt;
            out[static_cast<std::size_t>(3 * r + c)] = v;
        }
    for (int r = 0; r < 3; ++r)
        if (!(out[static_cast<std::size_t>(4 * r)] >= 0.0)) return std::nullopt;
    return out;
}

}  // namespace kinetra::stats
