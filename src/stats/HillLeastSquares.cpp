#include "stats/HillLeastSquares.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>

#include "kinetics/PairExp.h"

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
// The short search of a fit with one parameter held ends where the Gauss-Newton step promises
// to reduce SSR by less than this share of it (kFtol for estimates): a profile point's SSR
// is then good to about that share.
constexpr double kQuickProfileFtol = 1e-10;
constexpr int kMaxEvaluations = 1000;
constexpr int kQuickEvaluations = 40;  // for the short search of a fit with one parameter held

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

// exp(-n l_i) for every point when n is held and none of them leaves the range of a
// double (nothing otherwise): with them exp(n (k - l_i)) takes one exponential for all points.
// Two at a time by pairExp (within one unit in the last place of std::exp).
void heldPowersOf(Held held, double n, const std::vector<double>& l, std::vector<double>& powers)
{
    powers.clear();
    if (held != Held::n) return;
    double largest = 0.0;
    for (double li : l) largest = std::max(largest, std::fabs(n * li));
    if (!(largest < 300.0)) return;
    powers.resize(l.size());
    std::size_t i = 0;
    for (; i + 2 <= l.size(); i += 2) storePair(powers.data() + i, pairExp(-n * loadPair(l.data() + i)));
    for (; i < l.size(); ++i) powers[i] = std::exp(-n * l[i]);
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
        heldPowersOf(held, base.n, l, heldPowers);
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

// What one pass over the points gives at q: SSR, J^T r and J^T J for the residuals
// sqrt(omega_i) (a*p_i - y_i) in (a, n, k).
struct PointSums {
    double ssr = 0.0;
    std::array<double, 3> jtr{};
    std::array<std::array<double, 3>, 3> jtj{};
};

double& parameter(ScaledParameters& q, int index)
{
    return index == 0 ? q.a : index == 1 ? q.n : q.k;
}

// A fit with one parameter held: Levenberg-Marquardt on the 2 x 2 normal equations of the
// free two, with Nielsen's update of the damping. Each step costs one pass over the points,
// which also gives the next step's equations. A profile's fits start next to their minimum
// and take two or three steps.
class HeldSearch {
public:
    // Without weights every sqrt(omega_i) is 1 and the passes leave the products by it out.
    HeldSearch(const std::vector<double>& l, const std::vector<double>& y, const std::vector<double>& sw,
               std::vector<double>& powers, bool weighted)
        : l_(l), y_(y), sw_(sw), powers_(powers), weighted_(weighted) {}

    // `quick`: the points' exponentials by pairExp (for a point of a profile).
    Minimum run(Held held, const ScaledParameters& start, double ftol, int maxEvaluations, bool quick)
    {
        quick_ = quick;
        held_ = held;
        int free[2] = {0, 1};
        for (int i = 0, j = 0; i < 3; ++i)
            if (i != static_cast<int>(held)) free[j++] = i;
        // With n held, exp(n (k - l_i)) = exp(n k) * exp(-n l_i): one exponential a pass.
        heldPowersOf(held, start.n, l_, powers_);
        Minimum out;
        out.q = start;
        PointSums s;
        pass(start, s);
        if (!std::isfinite(s.ssr)) {
            out.end = SearchEnd::Stalled;
            return out;
        }
        double mu = 1e-3 * std::max(s.jtj[free[0]][free[0]], s.jtj[free[1]][free[1]]);
        double nu = 2.0;
        bool fresh = true;  // the equations are those of a new point
        out.end = SearchEnd::Exhausted;
        for (int evaluations = 1; evaluations < maxEvaluations;) {
            const double F = 0.5 * s.ssr;
            const double b0 = s.jtr[free[0]], b1 = s.jtr[free[1]];
            const double A00 = s.jtj[free[0]][free[0]], A01 = s.jtj[free[0]][free[1]], A11 = s.jtj[free[1]][free[1]];
            const double D0 = std::max(A00, 1e-300), D1 = std::max(A11, 1e-300);
            const double M00 = A00 + mu * D0, M11 = A11 + mu * D1;
            const double det = M00 * M11 - A01 * A01;
            if (!(det > 0.0) || !std::isfinite(det)) {
                if (!grow(mu, nu)) { out.end = SearchEnd::Stalled; break; }
                continue;
            }
            // Done where the undamped step promises (to the linearised model) to reduce SSR
            // by less than ftol: the minimum is that close.
            if (fresh && !(undampedPromise(A00, A01, A11, b0, b1) > ftol * s.ssr)) {
                out.end = SearchEnd::Converged;
                break;
            }
            fresh = false;
            const double d0 = -(M11 * b0 - A01 * b1) / det, d1 = -(M00 * b1 - A01 * b0) / det;
            // the reduction of SSR/2 the damped step promises
            const double promised = 0.5 * (mu * (D0 * d0 * d0 + D1 * d1 * d1) - (b0 * d0 + b1 * d1));
            if (!(promised > 0.0)) {
                out.end = SearchEnd::Stalled;
                break;
            }
            ScaledParameters trial = out.q;
            parameter(trial, free[0]) += d0;
            parameter(trial, free[1]) += d1;
            if (!usable(trial)) { out.end = SearchEnd::Diverged; break; }
            PointSums t;
            pass(trial, t);
            ++evaluations;
            const double reduction = F - 0.5 * t.ssr;
            const double rho = reduction / promised;
            if (!(rho > 0.0)) {
                if (!grow(mu, nu)) { out.end = SearchEnd::Stalled; break; }
                continue;
            }
            out.q = trial;
            s = t;
            mu *= std::max(1.0 / 3.0, 1.0 - std::pow(2.0 * rho - 1.0, 3));
            nu = 2.0;
            fresh = true;
        }
        out.ssr = s.ssr;
        for (std::size_t i = 0; i < 3; ++i) out.gradient[i] = 2.0 * s.jtr[i];
        return out;
    }

private:
    // b^T A^-1 b (twice the reduction of SSR/2 the Gauss-Newton step promises), in the
    // equilibrated form whose numerator is a sum of squares: unbounded when A is singular.
    static double undampedPromise(double A00, double A01, double A11, double b0, double b1)
    {
        if (!(A00 > 0.0) || !(A11 > 0.0)) return HUGE_VAL;
        const double s0 = std::sqrt(A00), s1 = std::sqrt(A11);
        const double c = A01 / (s0 * s1), e0 = b0 / s0, e1 = b1 / s1;
        const double gap = 1.0 - c * c;
        if (!(gap > 1e-14)) return HUGE_VAL;
        return ((e0 - c * e1) * (e0 - c * e1) + gap * e1 * e1) / gap;
    }

    // More damping after a step that failed; false once no step can be found.
    static bool grow(double& mu, double& nu)
    {
        mu *= nu;
        nu *= 2.0;
        return mu < 1e100 && nu < 1e100;
    }

    void pass(const ScaledParameters& q, PointSums& s) const
    {
        switch (held_) {
        case Held::V: passHolding<0>(q, s); break;
        case Held::n: passHolding<1>(q, s); break;
        case Held::K: passHolding<2>(q, s); break;
        case Held::None: passHolding<-1>(q, s); break;
        }
    }

    // How a pass takes the points' exponentials: as exp(n k) times the powers held, or one
    // for each point (by pairExp, or by std::exp for the estimates).
    enum class Terms { Factored, Quick, Exact };

    // The pass with the parameter of index `held` held: the products of J^T J in its row
    // and column are not needed (they are left 0).
    template <int held>
    void passHolding(const ScaledParameters& q, PointSums& s) const
    {
        const double nk = q.n * q.k;
        if (!powers_.empty() && std::fabs(nk) < 300.0)
            weighingOrNot<held, Terms::Factored>(q, std::exp(nk), s);
        else if (quick_)
            weighingOrNot<held, Terms::Quick>(q, 0.0, s);
        else
            weighingOrNot<held, Terms::Exact>(q, 0.0, s);
    }

    template <int held, Terms terms>
    void weighingOrNot(const ScaledParameters& q, double E, PointSums& s) const
    {
        if (weighted_)
            sumPoints<held, terms, true>(q, E, s);
        else
            sumPoints<held, terms, false>(q, E, s);
    }

    // The sums of a pass, two points at a time: lane j holds the points i with i % 2 == j.
    struct Lanes {
        Pair ssr{}, r0{}, r1{}, r2{}, a00{}, a01{}, a02{}, a11{}, a12{}, a22{};
    };

    // p and p(1 - p) of two points from u = n (k - l_i).
    template <Terms terms>
    static void logisticPair(Pair u, Pair& p, Pair& pq)
    {
        const Pair minusAbs = u > 0.0 ? -u : u;
        Pair e;
        if (terms == Terms::Quick && minusAbs[0] >= kPairExpLow && minusAbs[1] >= kPairExpLow)
            e = pairExp(minusAbs);
        else
            e = Pair{std::exp(minusAbs[0]), std::exp(minusAbs[1])};
        const Pair inv = 1.0 / (1.0 + e);
        p = u > 0.0 ? e * inv : inv;
        pq = e * inv * inv;
    }

    // Adds two points: l, y and sqrt(omega) of each, and their powers when factored.
    template <int held, Terms terms, bool weighted>
    static void addPair(Lanes& s, const ScaledParameters& q, double E, Pair l, Pair y, Pair w, Pair power)
    {
        const double a = q.a, n = q.n, k = q.k;
        const Pair d = k - l;
        Pair p, pq;
        if constexpr (terms == Terms::Factored) {
            const Pair e = E * power;
            p = 1.0 / (1.0 + e);
            pq = e * p * p;
        } else {
            logisticPair<terms>(n * d, p, pq);
        }
        // (times 1 is exact: without weights the sums are the same to the last bit)
        const Pair r = weighted ? (a * p - y) * w : a * p - y;
        const Pair slope = weighted ? -w * a * pq : -a * pq;
        const Pair j0 = weighted ? w * p : p, j1 = slope * d, j2 = slope * n;
        s.ssr += r * r;
        s.r0 += j0 * r;
        s.r1 += j1 * r;
        s.r2 += j2 * r;
        if constexpr (held != 0) s.a00 += j0 * j0;
        if constexpr (held != 0 && held != 1) s.a01 += j0 * j1;
        if constexpr (held != 0 && held != 2) s.a02 += j0 * j2;
        if constexpr (held != 1) s.a11 += j1 * j1;
        if constexpr (held != 1 && held != 2) s.a12 += j1 * j2;
        if constexpr (held != 2) s.a22 += j2 * j2;
    }

    // E = exp(n k) when the terms are factored.
    template <int held, Terms terms, bool weighted>
    void sumPoints(const ScaledParameters& q, double E, PointSums& s) const
    {
        const double* l = l_.data();
        const double* y = y_.data();
        const double* sw = sw_.data();
        const double* powers = powers_.data();
        const std::size_t count = l_.size();
        const bool factored = terms == Terms::Factored;
        // The sums are kept in locals: stores through `s` could alias the points' arrays
        // and would be written back on every point.
        Lanes both;
        std::size_t i = 0;
        for (; i + 2 <= count; i += 2)
            addPair<held, terms, weighted>(both, q, E, loadPair(l + i), loadPair(y + i), loadPair(sw + i),
                                           factored ? loadPair(powers + i) : Pair{});
        Lanes last;  // an odd point in both lanes; lane 0 counts
        if (i < count)
            addPair<held, terms, weighted>(last, q, E, Pair{l[i], l[i]}, Pair{y[i], y[i]}, Pair{sw[i], sw[i]},
                                           factored ? Pair{powers[i], powers[i]} : Pair{});
        auto total = [](Pair x, Pair odd) { return x[0] + x[1] + odd[0]; };
        const double a00 = total(both.a00, last.a00), a01 = total(both.a01, last.a01),
                     a02 = total(both.a02, last.a02), a11 = total(both.a11, last.a11),
                     a12 = total(both.a12, last.a12), a22 = total(both.a22, last.a22);
        s.ssr = total(both.ssr, last.ssr);
        s.jtr = {total(both.r0, last.r0), total(both.r1, last.r1), total(both.r2, last.r2)};
        s.jtj = {{{a00, a01, a02}, {a01, a11, a12}, {a02, a12, a22}}};
    }

    const std::vector<double>& l_;
    const std::vector<double>& y_;
    const std::vector<double>& sw_;
    std::vector<double>& powers_;
    bool quick_ = false;
    Held held_ = Held::None;
    bool weighted_ = true;
};

}  // namespace

// One search per kind of fit, kept from one fit to the next: a profile runs dozens of
// fits of the same size, and the search's work arrays are then allocated once.
struct HillLeastSquares::Solvers {
    struct One {
        std::unique_ptr<HillResiduals> functor;
        std::unique_ptr<Eigen::LevenbergMarquardt<HillResiduals>> lm;
    };
    One byHeld[4];  // None, V, n, K
    std::vector<double> powers;  // exp(-n l_i) of a fit with n held
};

HillLeastSquares::~HillLeastSquares() = default;

HillLeastSquares::HillLeastSquares(const std::vector<double>& concentration, const std::vector<double>& rate,
                                   Weighting weighting)
    : weighting_(weighting)
{
    const std::size_t m = std::min(concentration.size(), rate.size());
    double meanLog = 0.0, largest = 0.0;
    l_.resize(m);
    y_.resize(m);
    for (std::size_t i = 0; i < m; ++i) {
        l_[i] = std::log(concentration[i]);
        meanLog += l_[i];
        largest = std::max(largest, std::fabs(rate[i]));
    }
    meanLog = m > 0 ? meanLog / static_cast<double>(m) : 0.0;
    concScale_ = std::exp(meanLog);
    rateScale_ = largest > 0.0 ? largest : 1.0;
    for (std::size_t i = 0; i < m; ++i) {
        l_[i] -= meanLog;
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
    const bool fine = precision == Precision::Estimate;
    // A fit with one parameter held is first sought by the short search; where that does not
    // settle soon (a minimum out at K or V without bound, a Jacobian of rank one), by the
    // general one from the same start.
    if (held != Held::None && l_.size() >= 2) {
        HeldSearch search(l_, y_, sw_, solvers_->powers, weighting_ != Weighting::None);
        const Minimum quick = search.run(held, start, fine ? kFtol : kQuickProfileFtol, kQuickEvaluations, !fine);
        if (quick.end == SearchEnd::Converged) return quick;
    }
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
