#include "stats/CurveStatistics.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numeric>

#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>

#include "stats/HillLeastSquares.h"

namespace kinetra {

namespace {

using stats::Held;
using stats::HillLeastSquares;
using stats::Minimum;
using stats::ScaledParameters;
using stats::SearchEnd;

// A search that takes V or K beyond this many times the largest rate or concentration (or K
// below the smallest concentration divided by it) has found no curve in the points; profile
// limits are sought out to this factor on either side of the estimate.
constexpr double kDeterminedFactor = 1e6;
// Two sums of squares closer than this (relative) count as equal.
constexpr double kSsrTie = 1e-9;
constexpr double kAlpha = 0.05;
// A profile limit is where the profile crosses its target to within this share of it.
constexpr double kCrossingTolerance = 1e-3;
// A profile limit is sought until the step in ln(value) is below this share of the limit's
// own distance from the estimate (the limit then has about twice as many digits), in at
// most so many fits.
constexpr double kLimitStep = 1e-4;
constexpr int kLimitSteps = 100;

std::optional<double> finiteOrNone(double x)
{
    return std::isfinite(x) ? std::optional<double>(x) : std::nullopt;
}

double tQuantile(int df)
{
    const boost::math::students_t dist(static_cast<double>(df));
    return boost::math::quantile(boost::math::complement(dist, kAlpha / 2));
}

std::optional<double> aicc(double ssr, int m, int k)
{
    if (m - k - 1 <= 0 || !(ssr > 0.0)) return std::nullopt;
    const double md = m;
    return finiteOrNone(md * std::log(ssr / md) + 2.0 * k + 2.0 * k * (k + 1) / (md - k - 1));
}

// What the search found, before the statistics.
struct Search {
    std::optional<Minimum> best;
    const char* reason = nullptr;  // why there is no estimate
};

class Estimator {
public:
    Estimator(const HillLeastSquares& ls, const std::vector<double>& S, const std::vector<double>& y)
        : ls_(ls), S_(S), y_(y)
    {
        for (std::size_t i = 0; i < S.size(); ++i) {
            largestRate_ = std::max(largestRate_, std::fabs(y[i]));
            largestConc_ = std::max(largestConc_, S[i]);
            smallestConc_ = i == 0 ? S[i] : std::min(smallestConc_, S[i]);
        }
    }

    // The reason a minimum is no estimate, or none.
    const char* judge(const Minimum& m) const
    {
        if (m.end == SearchEnd::Diverged) return kReasonNoPlateau;
        const auto [V, n, K] = ls_.toPlain(m.q);
        if (!std::isfinite(V) || !std::isfinite(n)) return kReasonNoConvergence;
        if (!(std::fabs(V) <= kDeterminedFactor * largestRate_) || !(K <= kDeterminedFactor * largestConc_))
            return kReasonNoPlateau;
        if (!(K >= smallestConc_ / kDeterminedFactor)) return kReasonNoRise;
        if (m.end != SearchEnd::Converged) return kReasonNoConvergence;
        return nullptr;
    }

    Search run(const std::optional<HillEstimates>& described)
    {
        Search out;
        std::vector<const char*> reasons;
        std::optional<double> lowestFailed;  // SSR where a search that did not settle stopped
        // true when the start leads to the minimum already found
        auto consider = [&](const ScaledParameters& start) {
            const Minimum m = ls_.fit(start);
            if (const char* why = judge(m)) {
                reasons.push_back(why);
                if (m.end != SearchEnd::Diverged && (!lowestFailed || m.ssr < *lowestFailed)) lowestFailed = m.ssr;
                return false;
            }
            const bool again = out.best && std::fabs(m.ssr - out.best->ssr) <= kSsrTie * out.best->ssr;
            if (!out.best || m.ssr < out.best->ssr) out.best = m;
            return again;
        };
        if (described && std::isfinite(described->V) && std::isfinite(described->n) &&
            described->K > 0.0 && std::isfinite(described->K))
            consider(ls_.toScaled(described->V, described->n, described->K));
        if (!out.best) {
            // the restarts end once two of them agree
            for (const ScaledParameters& start : automaticStarts())
                if (consider(start)) break;
        }
        if (out.best) return out;
        // Why no start settled: a search that ran off towards K = 0 or K = infinity, or
        // one that stopped where a constant or a power law (the two limits of the law)
        // fits as well.
        auto any = [&](const char* r) { return std::find(reasons.begin(), reasons.end(), r) != reasons.end(); };
        const double tie = lowestFailed ? *lowestFailed * (1.0 + kSsrTie) : 0.0;
        if (any(kReasonNoRise) || (lowestFailed && ls_.totalSsr() <= tie))
            out.reason = kReasonNoRise;
        else if (any(kReasonNoPlateau) || (lowestFailed && ls_.powerLawSsr().value_or(HUGE_VAL) <= tie))
            out.reason = kReasonNoPlateau;
        else
            out.reason = kReasonNoConvergence;
        return out;
    }

    // V from the largest rate, K the concentration whose rate is nearest half of it, n = 1;
    // then the same with other exponents, and a plateau above the points.
    std::vector<ScaledParameters> automaticStarts() const
    {
        std::size_t top = 0;
        for (std::size_t i = 1; i < y_.size(); ++i)
            if (y_[i] > y_[top]) top = i;
        const double V0 = y_[top];
        std::size_t half = 0;
        for (std::size_t i = 1; i < y_.size(); ++i)
            if (std::fabs(y_[i] - V0 / 2) < std::fabs(y_[half] - V0 / 2)) half = i;
        const double K0 = S_[half];
        return {ls_.toScaled(V0, 1.0, K0), ls_.toScaled(V0, 0.5, K0), ls_.toScaled(V0, 2.0, K0),
                ls_.toScaled(V0, 4.0, K0), ls_.toScaled(2.0 * V0, 1.0, largestConc_)};
    }

private:
    const HillLeastSquares& ls_;
    const std::vector<double>& S_;
    const std::vector<double>& y_;
    double largestRate_ = 0.0, largestConc_ = 0.0, smallestConc_ = 0.0;
};

// The profile of one parameter: SSR with it held and the other two re-minimised, searched
// in x = ln(value / estimate). The search works on tau(x) = sqrt(SSR_profile(x) - SSR),
// close to a straight line through 0 on each side, whose slope is known at every profile
// point (dSSR/dx there is the partial derivative in the held parameter: the other two are
// at their minimum). The limit, where tau reaches sqrt(target - SSR), is found by Newton
// steps on tau (see limit()).
class Profile {
public:
    // `cov` is the covariance of (V, n, K) at the estimate, none when unknown.
    Profile(const HillLeastSquares& ls, const Minimum& best, Held held, double target,
            const std::optional<std::array<double, 9>>& cov)
        : ls_(ls), best_(best), held_(held), tauTarget_(std::sqrt(std::max(0.0, target - best.ssr)))
    {
        // Near the estimate the other two follow the held one along the regression of each
        // on it: d(theta_j) = C_jh / C_hh d(theta_h). In the scaled parameters, per unit x.
        const auto h = static_cast<std::size_t>(held);
        if (!cov || !((*cov)[4 * h] > 0.0)) return;
        const auto plain = ls.toPlain(best.q);
        const double dHeld = plain[h];  // d(theta_h)/dx at x = 0
        const double perUnit[3] = {1.0 / ls.rateScale(), 1.0, 1.0 / plain[2]};  // d(a, n, k)/d(V, n, K)
        for (std::size_t j = 0; j < 3; ++j)
            trace_[j] = (*cov)[3 * j + h] / (*cov)[4 * h] * dHeld * perUnit[j];
        if (!std::all_of(trace_.begin(), trace_.end(), [](double v) { return std::isfinite(v); })) trace_ = {};
    }

    // The limit on the side `direction` (+1 above, -1 below), or none when the profile SSR
    // does not reach the target within a factor of 1e6; `guess` is the t limit's distance
    // from the estimate relative to it (none when unknown).
    //
    // Newton steps on tau from the guess: tau is close to a straight line, so they usually
    // land within the tolerance in two or three fits, from either side. Until the target is
    // passed, a step that would not reach 1.2 times as far out (or has no slope to go by)
    // goes at least that far, and at most 4 times; once it is passed, the steps stay inside
    // the bracket, the secant of its ends or its middle where Newton would leave it.
    std::optional<double> limit(int direction, std::optional<double> guess)
    {
        if (!(tauTarget_ > 0.0)) return value(0.0);  // SSR = 0: the limits are the estimate
        visited_.clear();
        visited_.push_back({0.0, best_.q});
        const double xEnd = direction * std::log(kDeterminedFactor);
        double x = direction * 0.05;
        if (guess && std::isfinite(*guess) && *guess > 0.0) {
            const double w = 1.0 + direction * *guess;
            x = w > 0.01 ? std::log(w) : direction * std::log(2.0);
            // a t limit within the last bit of the estimate: the steps below would stay at 0
            if (x == 0.0) x = direction * 0.05;
        }
        // inside: the farthest x short of the target; outside: the nearest beyond it
        double inside = 0.0, hInside = -tauTarget_;
        std::optional<double> outside;
        double hOutside = 0.0;
        bool secantBefore = false;
        for (int step = 0; step < kLimitSteps; ++step) {
            if (std::fabs(x) >= std::fabs(xEnd)) x = xEnd;
            const auto [h, slope] = excess(x, !outside);
            if (h >= 0.0) {
                outside = x;
                hOutside = h;
            } else {
                inside = x;
                hInside = h;
                if (x == xEnd) return std::nullopt;
            }
            const double newton = slope * direction > 0.0 ? -h / slope : HUGE_VAL;
            if (std::fabs(newton) <= kLimitStep * std::fabs(x)) {
                const double root = x + newton;
                if (!outside || (root - inside) * (root - *outside) <= 0.0) return crossing(h, root);
            }
            if (step == 0) {
                // the bend of tau from its value at 0 and at x with its slope there
                if (const auto next = curvedStep(x, h + tauTarget_, slope, direction, outside.has_value())) {
                    x = *next;
                    continue;
                }
            }
            if (!outside) {
                const double stretch = std::isfinite(newton) ? 1.0 + newton / x : 4.0;
                x *= std::clamp(stretch, 1.2, 4.0);
                continue;
            }
            const double secant = inside + (*outside - inside) * (-hInside / (hOutside - hInside));
            if (std::fabs(*outside - inside) <= kLimitStep * std::fabs(x))
                return crossing(std::min(-hInside, hOutside), secant);
            const double lo = std::min(inside, *outside), hi = std::max(inside, *outside);
            double next = x + newton;
            if (!(next > lo && next < hi)) {
                // the secant, and every other time the middle: a jump halves the bracket
                next = secantBefore ? 0.5 * (lo + hi) : secant;
                if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
                secantBefore = !secantBefore;
            }
            x = next;
        }
        return std::nullopt;
    }

private:
    // Where tau reaches its target on the parabola tau = alpha x + beta x^2 through tau(0) = 0
    // with the value and slope of tau at x: the first step from a t limit, which Newton's
    // step alone leaves about the bend of tau short (or past) the limit. None where the
    // parabola gives no root in the bracket (past the target) or within 4 times x (short of it).
    std::optional<double> curvedStep(double x, double tau, double slope, int direction, bool passed) const
    {
        if (!(slope * direction > 0.0) || !(tau > 0.0)) return std::nullopt;
        const double beta = (slope * x - tau) / (x * x);
        const double alpha = 2.0 * tau / x - slope;
        const double d = alpha * alpha + 4.0 * beta * tauTarget_;
        if (!(alpha * direction > 0.0) || !(d >= 0.0)) return std::nullopt;
        const double root = 2.0 * tauTarget_ / (alpha + direction * std::sqrt(d));
        const double ratio = root / x;
        if (passed ? !(ratio > 0.0 && ratio < 1.0) : !(ratio > 1.0 && ratio <= 4.0)) return std::nullopt;
        return root;
    }

    struct Visit {
        double x;
        ScaledParameters q;
    };

    ScaledParameters held(ScaledParameters q, double x) const
    {
        switch (held_) {
        case Held::V: q.a = best_.q.a * std::exp(x); break;
        case Held::n: q.n = best_.q.n * std::exp(x); break;
        case Held::K: q.k = best_.q.k + x; break;
        case Held::None: break;
        }
        return q;
    }

    // A start for x: between two points already visited, the straight line through them;
    // beyond them, the nearest one.
    ScaledParameters startAt(double x) const
    {
        const Visit* below = nullptr;
        const Visit* above = nullptr;
        for (const Visit& v : visited_) {
            if (v.x <= x && (!below || v.x > below->x)) below = &v;
            if (v.x >= x && (!above || v.x < above->x)) above = &v;
        }
        if (below && above && above->x > below->x) {
            const double f = (x - below->x) / (above->x - below->x);
            const ScaledParameters& a = below->q;
            const ScaledParameters& b = above->q;
            return held(ScaledParameters{a.a + f * (b.a - a.a), a.n + f * (b.n - a.n), a.k + f * (b.k - a.k)}, x);
        }
        if (visited_.size() == 1) {  // only the estimate: along the regression
            const ScaledParameters& e = best_.q;
            return held(ScaledParameters{e.a + trace_[0] * x, e.n + trace_[1] * x, e.k + trace_[2] * x}, x);
        }
        // Beyond them: the straight line through the two outermost on that side, as far out as
        // they lie apart at the most; the outermost one farther out.
        const Visit* nearest = below ? below : above;
        const Visit* next = nullptr;
        for (const Visit& v : visited_)
            if ((v.x - nearest->x) * (x - nearest->x) < 0.0 && (!next || std::fabs(v.x - nearest->x) < std::fabs(next->x - nearest->x)))
                next = &v;
        if (next && std::fabs(x - nearest->x) <= std::fabs(nearest->x - next->x)) {
            const double f = (x - nearest->x) / (nearest->x - next->x);
            const ScaledParameters& a = nearest->q;
            const ScaledParameters& b = next->q;
            return held(ScaledParameters{a.a + f * (a.a - b.a), a.n + f * (a.n - b.n), a.k + f * (a.k - b.k)}, x);
        }
        return held(nearest->q, x);
    }

    Minimum profileAt(const ScaledParameters& start) const
    {
        return ls_.fitHolding(held_, start, stats::Precision::Profile);
    }

    // tau at x minus its target, and its slope. A profile may have more than one minimum
    // at a given x; where the target seems reached more than 10 % away from the estimate,
    // the estimates' other two values are tried as a start as well and the lower minimum
    // taken.
    std::pair<double, double> excess(double x, bool confirm = false)
    {
        if (last_ && last_->first == x && !confirm) return last_->second;
        Minimum m = profileAt(startAt(x));
        auto reached = [&](const Minimum& r) { return std::isfinite(r.ssr) && r.ssr - best_.ssr >= tauTarget_ * tauTarget_; };
        if (m.end != SearchEnd::Converged || (confirm && std::fabs(x) > 0.1 && reached(m))) {
            const Minimum again = profileAt(held(best_.q, x));
            if (again.ssr < m.ssr || m.end != SearchEnd::Converged) {
                if (again.end == SearchEnd::Converged || again.ssr < m.ssr) m = again;
            }
        }
        if (m.end != SearchEnd::Diverged && std::isfinite(m.ssr)) visited_.push_back({x, m.q});
        std::pair<double, double> out{-tauTarget_, 0.0};  // no usable point: not reached
        if (std::isfinite(m.ssr)) {
            const double tau = std::sqrt(std::max(0.0, m.ssr - best_.ssr));
            const auto& g = m.gradient;
            const auto h = static_cast<std::size_t>(held_);
            const double dq = held_ == Held::V ? m.q.a : held_ == Held::n ? m.q.n : 1.0;  // dq/dx
            const double slope = tau > 0.0 ? g[h] * dq / (2.0 * tau) : 0.0;
            out = {tau - tauTarget_, std::isfinite(slope) ? slope : 0.0};
        }
        last_ = {x, out};
        return out;
    }

    // The limit at x, where tau is within `miss` of its target; a bracket that closed on a
    // jump of the profile (a fit caught in another minimum on one side of it) holds no
    // crossing of the target.
    std::optional<double> crossing(double miss, double x) const
    {
        if (!(std::fabs(miss) <= kCrossingTolerance * tauTarget_)) return std::nullopt;
        return value(x);
    }

    std::optional<double> value(double x) const
    {
        const auto plain = ls_.toPlain(held(best_.q, x));
        return finiteOrNone(plain[static_cast<std::size_t>(held_)]);
    }

    const HillLeastSquares& ls_;
    const Minimum& best_;
    Held held_;
    double tauTarget_;
    std::vector<Visit> visited_;
    std::array<double, 3> trace_{};  // d(a, n, k)/dx at the estimate
    std::optional<std::pair<double, std::pair<double, double>>> last_;  // the last x and its excess
};

// Sums of squares stay in the scaled units until they are stored: F, R^2 and the
// difference of the AICc do not depend on the unit, and tiny or huge rates keep their digits.
void fillStatistics(CurveStatistics& out, const HillLeastSquares& ls, const Minimum& best, const Minimum& hyp)
{
    const int m = out.points, df = out.degreesOfFreedom;
    const double scale = ls.ssrRoot();
    const auto [V, n, K] = ls.toPlain(best.q);
    out.V.estimate = V;
    out.n.estimate = n;
    out.K.estimate = K;
    out.VK.estimate = V / K;
    out.ssr = best.ssr * scale * scale;
    out.residuals = ls.residuals(best.q);
    const double sst = ls.totalSsr();
    if (sst > 0.0) out.r2 = finiteOrNone(1.0 - best.ssr / sst);

    if (hyp.end == SearchEnd::Converged) {
        const auto plain = ls.toPlain(hyp.q);
        out.hyperbolic = HyperbolicFit{plain[0], plain[2], hyp.ssr * scale * scale};
    }
    if (df <= 0) return;

    const double s2 = best.ssr / df;
    out.syx = std::sqrt(s2) * scale;
    const double t = tQuantile(df);
    ParameterStatistics* params[3] = {&out.V, &out.n, &out.K};
    out.residualVariance = s2 * scale * scale;
    const auto cov = ls.covariance(best.q, s2);
    out.covariance = cov;
    if (cov) {
        const auto& c = *cov;
        for (std::size_t i = 0; i < 3; ++i) {
            const double se = std::sqrt(c[4 * i]);
            params[i]->standardError = se;
            params[i]->ci95 = Limits{params[i]->estimate - t * se, params[i]->estimate + t * se};
        }
        // V/K by the delta method, gradient (1/K, 0, -V/K^2).
        const double gV = 1.0 / K, gK = -V / K / K;
        const double var = gV * gV * c[0] + 2.0 * gV * gK * c[2] + gK * gK * c[8];
        if (var >= 0.0) {
            const double se = std::sqrt(var);
            out.VK.standardError = se;
            out.VK.ci95 = Limits{out.VK.estimate - t * se, out.VK.estimate + t * se};
        }
    }

    const double target = best.ssr * (1.0 + t * t / df);
    for (std::size_t i = 0; i < 3; ++i) {
        Profile profile(ls, best, static_cast<Held>(i), target, cov);
        std::optional<double> guess;
        if (params[i]->standardError && params[i]->estimate != 0.0)
            guess = t * *params[i]->standardError / std::fabs(params[i]->estimate);
        Limits limits;
        limits.low = profile.limit(-1, guess);
        limits.high = profile.limit(+1, guess);
        if (params[i]->estimate < 0.0) std::swap(limits.low, limits.high);
        params[i]->profileCi95 = limits;
    }

    if (hyp.end == SearchEnd::Converged && best.ssr > 0.0) {
        const double F = std::max(0.0, (hyp.ssr - best.ssr) / s2);
        if (std::isfinite(F)) {
            const boost::math::fisher_f dist(1.0, static_cast<double>(df));
            const double p = boost::math::cdf(boost::math::complement(dist, F));
            out.fTest = FTestResult{F, p};
        }
        // ln(SSR/m) in units of rateScale^2 differs by the same constant for both models
        const auto hill = aicc(best.ssr, m, 4), one = aicc(hyp.ssr, m, 3);
        if (hill && one) out.deltaAICc = *one - *hill;
    }
}

bool finite(const std::optional<double>& x)
{
    return !x || std::isfinite(*x);
}

bool finite(const std::optional<Limits>& l)
{
    return !l || (finite(l->low) && finite(l->high));
}

// Every figure is a number: V/K of a tiny K, a sum of squares of huge rates, an SE of a
// parameter the points barely fix could leave the range of a double.
bool allFinite(const CurveStatistics& st)
{
    for (const ParameterStatistics* p : {&st.V, &st.n, &st.K, &st.VK})
        if (!std::isfinite(p->estimate) || !finite(p->standardError) || !finite(p->ci95) || !finite(p->profileCi95))
            return false;
    if (!std::isfinite(st.ssr) || !finite(st.syx) || !finite(st.r2) || !finite(st.deltaAICc) ||
        !finite(st.residualVariance))
        return false;
    if (st.hyperbolic && !(std::isfinite(st.hyperbolic->V) && std::isfinite(st.hyperbolic->K) &&
                           std::isfinite(st.hyperbolic->ssr)))
        return false;
    if (st.fTest && !(std::isfinite(st.fTest->F) && std::isfinite(st.fTest->p))) return false;
    return std::all_of(st.residuals.begin(), st.residuals.end(), [](double r) { return std::isfinite(r); });
}

// p with two significant digits, "< 0.0001" below that.
std::string pText(double p, char sep)
{
    if (p < 0.0001) return std::string("< 0") + sep + "0001";
    const int exponent = static_cast<int>(std::floor(std::log10(p)));
    const int decimals = std::clamp(1 - exponent, 0, 6);
    char buffer[32];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, p, std::chars_format::fixed, decimals);
    std::string s(buffer, res.ptr);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    std::replace(s.begin(), s.end(), '.', sep);
    return "= " + s;
}

// The points, net of the baseline, as the searches take them.
struct CurvePoints {
    std::vector<double> S, y;
};

CurvePoints curvePoints(const StatisticsInput& input)
{
    const std::size_t count = std::min(input.concentration.size(), input.rate.size());
    const auto end = static_cast<std::ptrdiff_t>(count);
    return {std::vector<double>(input.concentration.begin(), input.concentration.begin() + end),
            std::vector<double>(input.rate.begin(), input.rate.begin() + end)};
}

// Why the points cannot give estimates before any search, or none.
std::optional<std::string> pointsProblem(const CurvePoints& p, Weighting weighting)
{
    for (std::size_t i = 0; i < p.S.size(); ++i)
        if (!(p.S[i] > 0.0) || !std::isfinite(p.S[i]) || !std::isfinite(p.y[i])) return kReasonBadPoints;
    if (p.S.size() < 3) return kReasonTooFewPoints;
    if (auto why = weightingProblem(p.y, weighting)) return why;
    if (std::all_of(p.y.begin(), p.y.end(), [](double v) { return v == 0.0; })) return kReasonNoRates;
    return std::nullopt;
}

// The least-squares estimates with the fit at n = 1 beside them.
struct Settled {
    std::optional<Minimum> best;
    Minimum hyp;
    const char* reason = nullptr;
};

Settled settle(const HillLeastSquares& ls, const CurvePoints& p, const std::optional<HillEstimates>& start)
{
    Settled out;
    Estimator estimator(ls, p.S, p.y);
    Search search = estimator.run(start);
    if (!search.best) {
        out.reason = search.reason;
        return out;
    }
    Minimum best = *search.best;

    // n fixed at 1. A minimum lower than the Hill law's found there is a better start.
    ScaledParameters one = best.q;
    one.n = 1.0;
    Minimum hyp = ls.fitHolding(Held::n, one);
    if (hyp.end == SearchEnd::Converged && hyp.ssr < best.ssr * (1.0 - kSsrTie)) {
        const Minimum again = ls.fit(hyp.q);
        if (!estimator.judge(again) && again.ssr < best.ssr) {
            best = again;
            one = best.q;
            one.n = 1.0;
            hyp = ls.fitHolding(Held::n, one);
        }
    }
    out.hyp = hyp;
    // As K goes to 0 the law becomes a constant; as K grows without bound, the power law
    // c*S^n. When either fits as well, SSR has no minimum at a finite K. (A minimum with K
    // inside the concentrations is a true one: the power law is only looked at beyond.)
    if (ls.totalSsr() <= best.ssr * (1.0 + kSsrTie)) {
        out.reason = kReasonNoRise;
        return out;
    }
    if (ls.toPlain(best.q)[2] > *std::max_element(p.S.begin(), p.S.end())) {
        const auto power = ls.powerLawSsr();
        if (power && *power <= best.ssr * (1.0 + kSsrTie)) {
            out.reason = kReasonNoPlateau;
            return out;
        }
    }
    out.best = best;
    return out;
}

// The lack-of-fit test from the scaled points and SSR, or none where it does not apply.
std::optional<ReplicatesTest> replicatesTest(const HillLeastSquares& ls, const std::vector<double>& S, double ssr)
{
    const std::vector<double>& y = ls.scaledRate();
    std::vector<double> w(ls.rootWeight().size());
    std::transform(ls.rootWeight().begin(), ls.rootWeight().end(), w.begin(), [](double r) { return r * r; });
    std::vector<std::size_t> order(S.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return S[a] < S[b]; });
    int groups = 0;
    double pureError = 0.0;
    for (std::size_t first = 0; first < order.size();) {
        std::size_t last = first;
        double sum = 0.0, weight = 0.0;
        for (; last < order.size() && S[order[last]] == S[order[first]]; ++last) {
            sum += w[order[last]] * y[order[last]];
            weight += w[order[last]];
        }
        const double mean = weight > 0.0 ? sum / weight : 0.0;
        for (std::size_t j = first; j < last; ++j)
            pureError += w[order[j]] * (y[order[j]] - mean) * (y[order[j]] - mean);
        ++groups;
        first = last;
    }
    const int m = static_cast<int>(S.size());
    if (groups <= 3 || groups == m || !(pureError > 0.0)) return std::nullopt;
    ReplicatesTest t;
    t.concentrations = groups;
    t.pureErrorDf = m - groups;
    t.lackOfFitDf = groups - 3;
    const double lackOfFit = std::max(0.0, ssr - pureError);
    t.F = (lackOfFit / t.lackOfFitDf) / (pureError / t.pureErrorDf);
    const double root = ls.ssrRoot();
    t.pureErrorSs = pureError * root * root;
    t.lackOfFitSs = lackOfFit * root * root;
    if (!std::isfinite(t.F) || !std::isfinite(t.pureErrorSs) || !std::isfinite(t.lackOfFitSs)) return std::nullopt;
    const boost::math::fisher_f dist(t.lackOfFitDf, t.pureErrorDf);
    t.p = boost::math::cdf(boost::math::complement(dist, t.F));
    t.verdict = replicatesVerdict(t);
    return t;
}

}  // namespace

std::string statisticsVerdict(const CurveStatistics& st, char sep)
{
    if (!st.determined) return {};
    if (st.degreesOfFreedom <= 0)
        return "three points give the estimates only: no limits and no test of n = 1";
    if (!st.fTest) return "n = 1 cannot be tested on these points";
    std::string detail = "F test p " + pText(st.fTest->p, sep);
    if (st.deltaAICc) {
        if (*st.deltaAICc > 0.0) detail += "; AICc favours the Hill law";
        else if (*st.deltaAICc < 0.0) detail += "; AICc favours n = 1";
        else detail += "; AICc favours neither";
    }
    if (st.fTest->p < kAlpha) return "n differs from 1 (" + detail + ")";
    return "these data do not show that n differs from 1 (" + detail + ")";
}

std::string replicatesVerdict(const ReplicatesTest& test, char sep)
{
    const std::string p = "(p = " + significantP(test.p, sep) + ")";
    if (test.p < kAlpha) return "the points stray from the Hill law more than the replicates do " + p;
    return "the Hill law fits as well as the replicates allow " + p;
}

std::string significantP(double p, char sep)
{
    if (!(p >= 1e-300)) return std::string("< 1e-300");
    char buffer[32];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, p, std::chars_format::general, 2);
    std::string s(buffer, res.ptr);
    std::replace(s.begin(), s.end(), '.', sep);
    return s;
}

CurveStatistics computeCurveStatistics(const StatisticsInput& input)
{
    CurveStatistics out;
    out.source = input.start ? StatisticsSource::DescribedFit : StatisticsSource::LeastSquares;
    out.weighting = input.weighting;
    const CurvePoints points = curvePoints(input);
    out.points = static_cast<int>(points.S.size());
    out.degreesOfFreedom = out.points - 3;

    auto notDetermined = [&](const std::string& why) {
        CurveStatistics none;
        none.source = out.source;
        none.weighting = out.weighting;
        none.points = out.points;
        none.degreesOfFreedom = out.degreesOfFreedom;
        none.determined = false;
        none.reason = why;
        return none;
    };
    if (auto why = pointsProblem(points, input.weighting)) return notDetermined(*why);

    const HillLeastSquares ls(points.S, points.y, input.weighting);
    const Settled settled = settle(ls, points, input.start);
    if (!settled.best) return notDetermined(settled.reason);

    out.determined = true;
    fillStatistics(out, ls, *settled.best, settled.hyp);
    if (!allFinite(out)) return notDetermined(kReasonOutOfRange);
    out.verdict = statisticsVerdict(out);
    out.replicates = replicatesTest(ls, points.S, settled.best->ssr);
    return out;
}

CurveEstimates estimateCurve(const StatisticsInput& input)
{
    CurveEstimates out;
    const CurvePoints points = curvePoints(input);
    out.points = static_cast<int>(points.S.size());
    out.degreesOfFreedom = out.points - 3;
    if (auto why = pointsProblem(points, input.weighting)) {
        out.reason = *why;
        return out;
    }
    const HillLeastSquares ls(points.S, points.y, input.weighting);
    const Settled settled = settle(ls, points, input.start);
    if (!settled.best) {
        out.reason = settled.reason;
        return out;
    }
    const Minimum& best = *settled.best;
    const auto [V, n, K] = ls.toPlain(best.q);
    out.estimates = HillEstimates{V, n, K};
    out.ssr = best.ssr * ls.ssrRoot() * ls.ssrRoot();
    if (out.degreesOfFreedom > 0) {
        if (const auto cov = ls.covariance(best.q, best.ssr / out.degreesOfFreedom))
            out.standardErrors = HillEstimates{std::sqrt((*cov)[0]), std::sqrt((*cov)[4]), std::sqrt((*cov)[8])};
    }
    const auto& se = out.standardErrors;
    const bool finiteAll = std::isfinite(V) && std::isfinite(n) && std::isfinite(K) && std::isfinite(V / K) &&
                           std::isfinite(out.ssr) &&
                           (!se || (std::isfinite(se->V) && std::isfinite(se->n) && std::isfinite(se->K)));
    if (!finiteAll) {
        out = CurveEstimates{false, kReasonOutOfRange, out.points, out.degreesOfFreedom, {}, std::nullopt, 0.0};
        return out;
    }
    out.determined = true;
    return out;
}

}  // namespace kinetra
