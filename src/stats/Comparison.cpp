#include "stats/Comparison.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numeric>

#include <Eigen/Dense>
#include <boost/math/distributions/fisher_f.hpp>

#include "stats/HillLeastSquares.h"

namespace kinetra {

namespace {

using stats::HillLeastSquares;
using stats::ScaledParameters;

constexpr double kAlpha = 0.05;
// A joint fit that takes V or K beyond this many times the largest rate or concentration
// (or K below the smallest concentration divided by it) has found no curve.
constexpr double kDeterminedFactor = 1e6;
// Beyond these the law is flat to the last bit (as in the fit of one curve).
constexpr double kLargestA = 1e15, kLargestK = 700.0, kLargestN = 1e8;
// The search ends when SSR falls by less than this (relative) in a step that the model
// predicted to gain as little, or when the step is this small relative to the parameters.
constexpr double kFtol = 1e-14;
constexpr double kXtol = 1e-11;
constexpr int kMaxIterations = 400;
// Starts from which a joint fit is searched: the best of the candidates by SSR.
constexpr int kStarts = 2;

std::optional<double> aicc(double ssr, int points, int k)
{
    if (points - k - 1 <= 0 || !(ssr > 0.0)) return std::nullopt;
    const double m = points;
    const double a = m * std::log(ssr / m) + 2.0 * k + 2.0 * k * (k + 1) / (m - k - 1);
    return std::isfinite(a) ? std::optional<double>(a) : std::nullopt;
}

// Where each set's (a, n, k) sit in the parameter vector of a joint fit.
struct Layout {
    std::vector<std::array<int, 3>> index;  // per set
    int size = 0;
};

// One parameter shared and the other two per set (the shared one first), or all three shared.
Layout sharing(SharedParameter shared, int sets)
{
    Layout L;
    L.index.resize(static_cast<std::size_t>(sets));
    if (shared == SharedParameter::All) {
        for (auto& ix : L.index) ix = {0, 1, 2};
        L.size = 3;
        return L;
    }
    const int c = static_cast<int>(shared);
    int next = 1;
    for (auto& ix : L.index)
        for (int p = 0; p < 3; ++p) ix[static_cast<std::size_t>(p)] = p == c ? 0 : next++;
    L.size = next;
    return L;
}

// Nothing shared.
Layout separate(int sets)
{
    Layout L;
    for (int j = 0; j < sets; ++j) L.index.push_back({3 * j, 3 * j + 1, 3 * j + 2});
    L.size = 3 * sets;
    return L;
}

struct JointMinimum {
    Eigen::VectorXd x;
    double ssr = HUGE_VAL;
    bool converged = false;
};

// Least squares over the sets' points together, in the scaled form of the fit of one
// curve (the pooled points' scales): the residual of point i of set j is
// sqrt(omega_i) (a_j / (1 + exp(n_j (k_j - l_i))) - y_i). Levenberg-Marquardt with the
// normal equations, which are small (at most 41 parameters) and filled set by set.
class JointFit {
public:
    JointFit(const HillLeastSquares& pooled, std::vector<std::size_t> setEnd)
        : l_(pooled.logConcentration()), y_(pooled.scaledRate()), sw_(pooled.rootWeight()), end_(std::move(setEnd))
    {
    }

    int sets() const { return static_cast<int>(end_.size()); }

    ScaledParameters setParameters(const Layout& L, const Eigen::VectorXd& x, int j) const
    {
        const auto& ix = L.index[static_cast<std::size_t>(j)];
        return {x[ix[0]], x[ix[1]], x[ix[2]]};
    }

    // SSR at x, and (when H and g are given) J^T J and J^T r there; HUGE_VAL where the law
    // cannot be evaluated.
    double evaluate(const Layout& L, const Eigen::VectorXd& x, Eigen::MatrixXd* H = nullptr,
                    Eigen::VectorXd* g = nullptr) const
    {
        if (H) {
            H->setZero(L.size, L.size);
            g->setZero(L.size);
        }
        double ssr = 0.0;
        std::size_t i = 0;
        for (int j = 0; j < sets(); ++j) {
            const ScaledParameters q = setParameters(L, x, j);
            if (!usable(q)) return HUGE_VAL;
            const auto& ix = L.index[static_cast<std::size_t>(j)];
            for (; i < end_[static_cast<std::size_t>(j)]; ++i) {
                const double d = q.k - l_[i];
                const double u = q.n * d;
                const double e = std::exp(-std::fabs(u));
                const double inv = 1.0 / (1.0 + e);
                const double p = u > 0.0 ? e * inv : inv, pq = e * inv * inv;
                const double w = sw_[i];
                const double r = (q.a * p - y_[i]) * w;
                ssr += r * r;
                if (!H) continue;
                const double row[3] = {w * p, -w * q.a * pq * d, -w * q.a * pq * q.n};
                for (int s = 0; s < 3; ++s) {
                    (*g)[ix[static_cast<std::size_t>(s)]] += row[s] * r;
                    for (int t = 0; t < 3; ++t)
                        (*H)(ix[static_cast<std::size_t>(s)], ix[static_cast<std::size_t>(t)]) += row[s] * row[t];
                }
            }
        }
        return std::isfinite(ssr) ? ssr : HUGE_VAL;
    }

    JointMinimum minimise(const Layout& L, Eigen::VectorXd x) const
    {
        JointMinimum out;
        Eigen::MatrixXd H, trialH;
        Eigen::VectorXd g, trialG;
        double ssr = evaluate(L, x, &H, &g);
        if (!std::isfinite(ssr)) return out;
        Eigen::VectorXd scale = H.diagonal();  // Marquardt's scaling, never shrinking
        double lambda = 1e-3 * std::max(scale.maxCoeff(), 1e-300);
        double nu = 2.0;
        bool converged = ssr == 0.0;
        for (int it = 0; it < kMaxIterations && !converged; ++it) {
            scale = scale.cwiseMax(H.diagonal());
            Eigen::MatrixXd A = H;
            A.diagonal() += lambda * scale.cwiseMax(1e-300);
            const Eigen::LDLT<Eigen::MatrixXd> ldlt(A);
            const Eigen::VectorXd h = ldlt.solve(-g);
            if (ldlt.info() != Eigen::Success || !h.allFinite()) break;
            if (h.norm() <= kXtol * (x.norm() + kXtol)) {
                converged = true;
                break;
            }
            const Eigen::VectorXd trial = x + h;
            const double trialSsr = evaluate(L, trial, &trialH, &trialG);
            // SSR(x + h) ~ SSR + 2 g.h + h' H h for the linearised law
            const double predicted = -(2.0 * g.dot(h) + h.dot(H * h));
            const double gain = ssr - trialSsr;
            if (std::isfinite(trialSsr) && gain > 0.0) {
                const double rho = predicted > 0.0 ? gain / predicted : 0.0;
                converged = gain <= kFtol * ssr && predicted <= kFtol * ssr;
                x = trial;
                ssr = trialSsr;
                H.swap(trialH);
                g.swap(trialG);
                lambda *= std::max(1.0 / 3.0, 1.0 - std::pow(2.0 * rho - 1.0, 3));
                nu = 2.0;
                converged = converged || ssr == 0.0;
            } else {
                // no gain: a shorter step, unless even the linearised law promises none
                if (!(predicted > kFtol * ssr)) {
                    converged = true;
                    break;
                }
                lambda *= nu;
                nu *= 2.0;
                if (!(lambda < 1e300)) break;
            }
        }
        out.x = x;
        out.ssr = ssr;
        out.converged = converged;
        return out;
    }

private:
    static bool usable(const ScaledParameters& q)
    {
        return std::isfinite(q.a) && std::isfinite(q.n) && std::isfinite(q.k) && std::fabs(q.a) <= kLargestA &&
               std::fabs(q.k) <= kLargestK && std::fabs(q.n) <= kLargestN;
    }

    const std::vector<double>& l_;
    const std::vector<double>& y_;
    const std::vector<double>& sw_;
    std::vector<std::size_t> end_;  // one past each set's last point
};

std::string lowerFirst(std::string s)
{
    if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z') s[0] = static_cast<char>(s[0] - 'A' + 'a');
    return s;
}

// What the tests are computed from: the sets compared, pooled.
class Tests {
public:
    // `own`: the separate fits of the sets compared.
    Tests(const std::vector<DataSetPoints>& given, const std::vector<int>& compared, Weighting weighting,
          const std::vector<HillEstimates>& own)
        : pooled_(pool(given, compared, weighting)), fit_(pooled_, setEnds(given, compared))
    {
        for (const HillEstimates& e : own) own_.push_back(pooled_.toScaled(e.V, e.n, e.K));
        for (int c : compared) {
            const DataSetPoints& d = given[static_cast<std::size_t>(c)];
            for (std::size_t i = 0; i < d.concentration.size(); ++i) {
                largestRate_ = std::max(largestRate_, std::fabs(d.rate[i]));
                largestConc_ = std::max(largestConc_, d.concentration[i]);
                smallestConc_ = std::min(smallestConc_, d.concentration[i]);
            }
        }
    }

    int points() const { return pooled_.points(); }
    int sets() const { return fit_.sets(); }
    double ssrRoot() const { return pooled_.ssrRoot(); }

    // SSR of the separate fits, scaled.
    double separateSsr() const
    {
        const Layout L = separate(sets());
        Eigen::VectorXd x(L.size);
        for (int j = 0; j < sets(); ++j) {
            const ScaledParameters& q = own_[static_cast<std::size_t>(j)];
            x.segment<3>(3 * j) << q.a, q.n, q.k;
        }
        return fit_.evaluate(L, x);
    }

    // The joint fit with `shared`, from the best few starts; none when it does not settle.
    std::optional<JointMinimum> fitShared(SharedParameter shared, std::optional<double> allValue) const
    {
        const Layout L = sharing(shared, sets());
        std::vector<Eigen::VectorXd> candidates = starts(shared, L, allValue);
        std::vector<std::pair<double, std::size_t>> bySsr;
        for (std::size_t c = 0; c < candidates.size(); ++c) bySsr.push_back({fit_.evaluate(L, candidates[c]), c});
        std::sort(bySsr.begin(), bySsr.end());
        std::optional<JointMinimum> best;
        for (std::size_t s = 0; s < bySsr.size() && s < static_cast<std::size_t>(kStarts); ++s) {
            if (!std::isfinite(bySsr[s].first)) break;
            JointMinimum m = fit_.minimise(L, candidates[bySsr[s].second]);
            if (m.converged && settles(L, m.x) && (!best || m.ssr < best->ssr)) best = std::move(m);
        }
        return best;
    }

    HillEstimates plain(const Layout& L, const Eigen::VectorXd& x, int j) const
    {
        const auto v = pooled_.toPlain(fit_.setParameters(L, x, j));
        return {v[0], v[1], v[2]};
    }

private:
    static HillLeastSquares pool(const std::vector<DataSetPoints>& given, const std::vector<int>& compared,
                                 Weighting weighting)
    {
        std::vector<double> S, y;
        for (int c : compared) {
            const DataSetPoints& d = given[static_cast<std::size_t>(c)];
            S.insert(S.end(), d.concentration.begin(), d.concentration.end());
            y.insert(y.end(), d.rate.begin(), d.rate.end());
        }
        return HillLeastSquares(S, y, weighting);
    }

    static std::vector<std::size_t> setEnds(const std::vector<DataSetPoints>& given, const std::vector<int>& compared)
    {
        std::vector<std::size_t> ends;
        std::size_t n = 0;
        for (int c : compared) ends.push_back(n += given[static_cast<std::size_t>(c)].concentration.size());
        return ends;
    }

    // Starting points: the separate fits' values with the shared parameter at their mean,
    // their median, each set's own value and the value one curve for all takes; for one
    // curve for all, the sets' mean values and each set's own.
    std::vector<Eigen::VectorXd> starts(SharedParameter shared, const Layout& L, std::optional<double> allValue) const
    {
        std::vector<Eigen::VectorXd> out;
        auto own = [&](int j, int p) {
            const ScaledParameters& q = own_[static_cast<std::size_t>(j)];
            return p == 0 ? q.a : p == 1 ? q.n : q.k;
        };
        auto mean = [&](int p) {
            double s = 0.0;
            for (int j = 0; j < sets(); ++j) s += own(j, p);
            return s / sets();
        };
        if (shared == SharedParameter::All) {
            out.push_back(Eigen::Vector3d(mean(0), mean(1), mean(2)));
            for (int j = 0; j < sets(); ++j) out.push_back(Eigen::Vector3d(own(j, 0), own(j, 1), own(j, 2)));
            return out;
        }
        const int c = static_cast<int>(shared);
        std::vector<double> values;
        for (int j = 0; j < sets(); ++j) values.push_back(own(j, c));
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t mid = sorted.size() / 2;
        values.push_back(sorted.size() % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2);
        values.push_back(mean(c));
        if (allValue) values.push_back(*allValue);
        for (double v : values) {
            Eigen::VectorXd x(L.size);
            for (int j = 0; j < sets(); ++j)
                for (int p = 0; p < 3; ++p) x[L.index[static_cast<std::size_t>(j)][static_cast<std::size_t>(p)]] = own(j, p);
            x[0] = v;
            out.push_back(x);
        }
        return out;
    }

    // Every set's curve has a plateau and a rise within reach of its points.
    bool settles(const Layout& L, const Eigen::VectorXd& x) const
    {
        for (int j = 0; j < sets(); ++j) {
            const HillEstimates e = plain(L, x, j);
            if (!std::isfinite(e.V) || !std::isfinite(e.n) || !(std::fabs(e.V) <= kDeterminedFactor * largestRate_) ||
                !(e.K <= kDeterminedFactor * largestConc_) || !(e.K >= smallestConc_ / kDeterminedFactor))
                return false;
        }
        return true;
    }

    HillLeastSquares pooled_;
    JointFit fit_;
    std::vector<ScaledParameters> own_;
    double largestRate_ = 0.0, largestConc_ = 0.0, smallestConc_ = HUGE_VAL;
};

std::string setName(const DataSetPoints& d, std::size_t i)
{
    return d.name.empty() ? "data set " + std::to_string(i + 1) : "data set '" + d.name + "'";
}

}  // namespace

const char* sharedParameterName(SharedParameter shared)
{
    switch (shared) {
    case SharedParameter::V: return "V";
    case SharedParameter::n: return "n";
    case SharedParameter::K: return "K";
    case SharedParameter::All: break;
    }
    return "all";
}

std::string sharedTestVerdict(SharedParameter shared, double p, char sep)
{
    const std::string detail = " (F test p = " + significantP(p, sep) + ")";
    const bool differ = p < kAlpha;
    if (shared == SharedParameter::All)
        return (differ ? "The data sets differ" : "One curve fits all the data sets") + detail;
    return std::string(sharedParameterName(shared)) + (differ ? " differs" : " does not differ") +
           " between the data sets" + detail;
}

Comparison compareDataSets(const std::vector<DataSetPoints>& given, Weighting weighting)
{
    Comparison out;
    out.weighting = weighting;
    for (int t = 0; t < 4; ++t) out.tests[static_cast<std::size_t>(t)].shared = static_cast<SharedParameter>(t);
    const int k = static_cast<int>(given.size());
    if (k < 2) {
        out.refusal = kReasonTooFewSets;
        return out;
    }
    if (k > kMaxComparedSets) {
        out.refusal = "A comparison takes at most " + std::to_string(kMaxComparedSets) + " data sets; " +
                      std::to_string(k) + " were given";
        return out;
    }

    // Each set alone.
    std::vector<int> compared;
    std::vector<HillEstimates> own;
    std::string blocked;                // why the tests are not computed
    for (std::size_t i = 0; i < given.size(); ++i) {
        const DataSetPoints& d = given[i];
        ComparedSet set;
        set.name = d.name;
        set.points = static_cast<int>(std::min(d.concentration.size(), d.rate.size()));
        set.own = estimateCurve(StatisticsInput{d.concentration, d.rate, d.start, weighting});
        const auto weights = weightingProblem(d.rate, weighting);
        std::string problem;
        if (!set.own.determined && weights && set.own.reason == *weights) {
            set.leftOut = true;
            out.messages.push_back(setName(d, i) + " is left out: " + lowerFirst(*weights));
        } else if (set.points < kMinComparedPoints) {
            problem = setName(d, i) + " has " + std::to_string(set.points) + " point" + (set.points == 1 ? "" : "s") +
                      "; each needs at least " + std::to_string(kMinComparedPoints);
        } else if (!set.own.determined) {
            problem = setName(d, i) + " cannot be fitted alone (" + set.own.reason + ")";
        } else {
            compared.push_back(static_cast<int>(i));
            own.push_back(set.own.estimates);
        }
        if (!problem.empty()) {
            if (blocked.empty()) blocked = problem;
            out.messages.push_back(problem);
        }
        out.sets.push_back(std::move(set));
    }
    for (std::string& m : out.messages) m[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(m[0])));
    if (blocked.empty() && compared.size() < 2) blocked = "fewer than two data sets are left to compare";
    auto notComputed = [&](const std::string& why) {
        for (SharedTest& t : out.tests) t.reason = "not computed: " + why;
        return out;
    };
    if (!blocked.empty()) return notComputed(blocked);

    // The sets together.
    const Tests tests(given, compared, weighting, own);
    const double ssrSeparate = tests.separateSsr();
    const int N = tests.points(), m = tests.sets();
    const int dfSeparate = N - 3 * m;
    const double root = tests.ssrRoot();
    if (!std::isfinite(ssrSeparate) || !std::isfinite(ssrSeparate * root * root))
        return notComputed("the sums of squares leave the range of the computer's numbers");
    out.separateSsr = ssrSeparate * root * root;
    out.separateDf = dfSeparate;
    if (!(ssrSeparate > 0.0)) return notComputed("the data sets fitted alone pass through every point");

    std::optional<double> allValue[3];  // the one curve's a, n, k: starts for the others
    for (SharedParameter shared : {SharedParameter::All, SharedParameter::V, SharedParameter::n, SharedParameter::K}) {
        SharedTest& test = out.tests[static_cast<std::size_t>(shared)];
        const auto c = static_cast<std::size_t>(shared);
        const auto minimum = tests.fitShared(shared, shared == SharedParameter::All ? std::nullopt : allValue[c]);
        const std::string what = shared == SharedParameter::All
                                     ? std::string("one curve for all the data sets")
                                     : std::string("the fit with ") + sharedParameterName(shared) + " shared";
        if (!minimum) {
            test.reason = "not computed: " + what + " does not settle on estimates";
            continue;
        }
        const Layout L = sharing(shared, m);
        SharedFit fit;
        fit.estimates.resize(given.size());
        for (int j = 0; j < m; ++j)
            fit.estimates[static_cast<std::size_t>(compared[static_cast<std::size_t>(j)])] = tests.plain(L, minimum->x, j);
        const HillEstimates first = tests.plain(L, minimum->x, 0);
        if (shared == SharedParameter::All) {
            for (std::size_t p = 0; p < 3; ++p) allValue[p] = minimum->x[static_cast<Eigen::Index>(p)];
        } else {
            fit.sharedValue = shared == SharedParameter::V ? first.V : shared == SharedParameter::n ? first.n : first.K;
        }
        fit.degreesOfFreedom = N - L.size;
        fit.ssr = minimum->ssr * root * root;
        const int dfExtra = fit.degreesOfFreedom - dfSeparate;
        fit.F = std::max(0.0, (minimum->ssr - ssrSeparate) / dfExtra) / (ssrSeparate / dfSeparate);
        const auto sharedAicc = aicc(minimum->ssr, N, L.size + 1), separateAicc = aicc(ssrSeparate, N, 3 * m + 1);
        if (sharedAicc && separateAicc) fit.deltaAICc = *sharedAicc - *separateAicc;
        if (!std::isfinite(fit.F) || !std::isfinite(fit.ssr)) {
            test.reason = "not computed: the sums of squares leave the range of the computer's numbers";
            continue;
        }
        const boost::math::fisher_f dist(dfExtra, dfSeparate);
        fit.p = boost::math::cdf(boost::math::complement(dist, fit.F));
        test.verdict = sharedTestVerdict(shared, fit.p);
        test.fit = std::move(fit);
    }
    return out;
}

}  // namespace kinetra
