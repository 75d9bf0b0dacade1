#include "kinetics/SigmoidFit.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include <memory>

#include "base/CheckedMath.h"
#include "kinetics/PairExp.h"

namespace kinetra {

namespace {

constexpr double kSearchLow = 0.1;
constexpr double kSearchHigh = 5.0;
constexpr double kSearchTolerance = 0.001;
constexpr double kGolden = 0.382;
constexpr int kSearchPassLimit = 100;
constexpr double kInnerTolerance = 0.0001;
constexpr int kInnerPassLimit = 25;  // the pass that takes the counter above it is the last

// A calculation ended by one of the fit's own messages; caught at the public entry points
// and handed back as a failure.
struct FitAbort {
    Failure failure;
};

[[noreturn]] void abortNumbered(FitAbortReason reason)
{
    const int number = static_cast<int>(reason);
    throw FitAbort{Failure{FailureKind::FitAbort, number, fitErrorMessage(number)}};
}

[[noreturn]] void abortSigmoid()
{
    throw FitAbort{Failure{FailureKind::NotSigmoid, 0, kSigmoidMessage}};
}

inline double finite(double value) { return overflowChecked(value); }

inline void allFinite(std::initializer_list<double> values)
{
    for (double x : values) finite(x);
}

// The sums over the points are taken in two interleaved halves, even and odd points (one
// SSE2 register, see PairExp.h), added at the end.
inline double total(Pair x)
{
    return x[0] + x[1];
}

// The points of one curve in the fit's own arrays, numbered from 1 as the user numbers them:
// the scaled concentrations S, the rates above the baseline v, the measured rates and, worked
// out once, what does not depend on the exponent: ln S (every inner fit raises the same
// concentrations to a new power, P = exp(n ln S)) and the sums of the starting line that hold
// only the rates.
struct CurvePoints {
    int first = 0, last = 0;
    int pointCount = 0;       // of the whole data set: the residual variance divides by it less 2
    double concScale = 0.0;   // the first concentration / 0.0001
    std::array<double, kMaxPoints + 1> S{}, v{}, rate{}, P{};
    std::array<double, kMaxPoints + 1> lnS{};  // NaN for S < 0 and -inf for S = 0: both take the slow road
    double Sv2 = 0, SWY = 0, SW = 0;  // sums of w = v^2, w v and w^2
    double fitV = 0.0;                // V of the last Gauss-Newton pass
};

// The scale of the concentrations: abort 1 when the first is 0; every scaled concentration of
// the data set must be a double.
double concentrationScale(const DataSet& data)
{
    if (data.concentration.empty()) throw RuntimeFailure(failure::SubscriptOutOfRange);
    const double scale = finite(data.concentration[0] / 0.0001);
    if (scale == 0.0) abortNumbered(FitAbortReason::ZeroConcentrationScale);
    for (double c : data.concentration) finite(c / scale);
    return scale;
}

void prepareCurve(const DataSet& data, const CurveChoice& choice, CurvePoints& pts)
{
    const int count = data.pointCount();
    if (choice.firstPoint < 1 || choice.lastPoint > count || count > kMaxPoints ||
        data.rate.size() != data.concentration.size())
        throw RuntimeFailure(failure::SubscriptOutOfRange);
    pts.first = choice.firstPoint;
    pts.last = choice.lastPoint;
    pts.pointCount = count;
    pts.concScale = concentrationScale(data);
    for (int i = pts.first; i <= pts.last; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double s = data.concentration[k - 1] / pts.concScale;
        const double net = data.rate[k - 1] - choice.baseline;
        if (!std::isfinite(net)) throw RuntimeFailure(failure::Overflow);
        pts.S[k] = s;
        pts.v[k] = net;
        pts.rate[k] = data.rate[k - 1];
        pts.lnS[k] = s > 0.0 ? std::log(s) : (s == 0.0 ? -HUGE_VAL : std::nan(""));
        const double w = net * net;
        pts.Sv2 += w;
        pts.SWY += w * net;
        pts.SW += w * w;
    }
}

// The sums of the starting line that depend on the exponent: with u = w/S^n, w = v^2,
// SWXY = sum u v, SWX = sum u w, SWXX = sum u^2.
struct StartSums {
    double SWXY = 0, SWX = 0, SWXX = 0;
};

StartSums startSums(const CurvePoints& pts, const double* P)
{
    const double* v = pts.v.data();
    Pair xy{0, 0}, x{0, 0}, xx{0, 0};
    int i = pts.first;
    for (; i + 1 <= pts.last; i += 2) {
        const Pair vi = loadPair(v + i);
        const Pair w = vi * vi;
        const Pair u = w / loadPair(P + i);
        xy += u * vi;
        x += u * w;
        xx += u * u;
    }
    StartSums sums{total(xy), total(x), total(xx)};
    if (i == pts.last) {
        const double w = v[i] * v[i];
        const double u = w / P[i];
        sums.SWXY += u * v[i];
        sums.SWX += u * w;
        sums.SWXX += u * u;
    }
    return sums;
}

// The sums of one Gauss-Newton pass: with f = V P/(K' + P), the model rate, and
// g = -f/(K' + P), its derivative with respect to K': sums of f^2, g f, g^2, f v and g v.
struct PassSums {
    double Sff = 0, Sfg = 0, Sgg = 0, Sfv = 0, Sgv = 0;
};

PassSums passSums(const CurvePoints& pts, const double* P, double V, double kp)
{
    const double* v = pts.v.data();
    Pair ff{0, 0}, fg{0, 0}, gg{0, 0}, fv{0, 0}, gv{0, 0};
    int i = pts.first;
    for (; i + 1 <= pts.last; i += 2) {
        const Pair p = loadPair(P + i);
        const Pair inverse = 1.0 / (kp + p);  // one division for both terms
        const Pair f = V * p * inverse;
        const Pair g = -f * inverse;
        const Pair vi = loadPair(v + i);
        ff += f * f;
        fg += g * f;
        gg += g * g;
        fv += f * vi;
        gv += g * vi;
    }
    PassSums sums{total(ff), total(fg), total(gg), total(fv), total(gv)};
    if (i == pts.last) {
        const double inverse = 1.0 / (kp + P[i]);
        const double f = V * P[i] * inverse;
        const double g = -f * inverse;
        sums.Sff += f * f;
        sums.Sfg += g * f;
        sums.Sgg += g * g;
        sums.Sfv += f * v[i];
        sums.Sgv += g * v[i];
    }
    return sums;
}

// The inner fit (V, K' for the exponent n): a weighted straight line for the start, then
// Gauss-Newton passes.
InnerFit innerFit(CurvePoints& pts, double n)
{
    const int first = pts.first, last = pts.last;
    const double* S = pts.S.data();
    const double* lnS = pts.lnS.data();
    double* P = pts.P.data();

    // S^n = e^(n ln S) two points at a time; a power outside the normal doubles (or of an S
    // that is not above 0) takes the slow road, one point at a time.
    auto slowPower = [&](int i) {
        double p = std::exp(n * lnS[i]);
        if (!(p > 0.0 && p <= DBL_MAX)) p = checkedPower(S[i], n);  // 0, overflow or S <= 0
        if (p == 0.0) abortNumbered(FitAbortReason::ConcentrationPowerZero);
        P[i] = p;
    };
    int j = first;
    for (; j + 1 <= last; j += 2) {
        const Pair x = n * loadPair(lnS + j);
        if (pairExpInRange(x[0]) && pairExpInRange(x[1])) {
            storePair(P + j, pairExp(x));
        } else {
            slowPower(j);
            slowPower(j + 1);
        }
    }
    if (j == last) {
        const double x = n * lnS[j];
        if (pairExpInRange(x)) P[j] = pairExp(Pair{x, x})[0];
        else slowPower(j);
    }

    // Starting values: 1/v = a + b/S^n with weights v^4, the sums taken without 1/v.
    const double Sv2 = pts.Sv2, SWY = pts.SWY, SW = pts.SW;
    const StartSums start = startSums(pts, P);
    const double SWXY = start.SWXY, SWX = start.SWX, SWXX = start.SWXX;
    allFinite({Sv2, SWY, SW, SWXY, SWX, SWXX});

    const double A = finite(SWXX * SWY - SWX * SWXY);  // intercept times the determinant
    if (A == 0.0) abortNumbered(FitAbortReason::StartLineSingular);
    double kp = finite((SW * SWXY - SWX * SWY) / A);
    double V = finite((SW * SWXX - SWX * SWX) / A);

    int pass = 0;
    double Vnew = 0, kpNew = 0, alpha = 0, beta = 0, Sfv = 0, Sgv = 0, Ks = 0;
    for (;;) {
        const PassSums sums = passSums(pts, P, V, kp);
        const double Sff = sums.Sff, Sfg = sums.Sfg, Sgg = sums.Sgg;
        Sfv = sums.Sfv;
        Sgv = sums.Sgv;
        // A zero denominator gives an infinite inverse and so sums that are not finite: it
        // is looked for only then.
        if (!std::isfinite(Sff + Sfg + Sgg + Sfv + Sgv)) {
            for (int i = first; i <= last; ++i)
                if (kp + P[i] == 0.0) abortNumbered(FitAbortReason::GaussNewtonNoDenominator);
        }
        allFinite({Sff, Sfg, Sgg, Sfv, Sgv});

        // determinant of the Gauss-Newton normal equations
        const double det = finite(Sgg * Sff - Sfg * Sfg);
        if (det == 0.0) abortNumbered(FitAbortReason::NormalEquationsSingular);
        alpha = finite((Sgg * Sfv - Sfg * Sgv) / det);
        beta = finite((Sff * Sgv - Sfg * Sfv) / det);
        Vnew = finite(alpha * V);
        pts.fitV = Vnew;
        if (alpha == 0.0) abortNumbered(FitAbortReason::RateFactorZero);
        kpNew = finite(kp + beta / alpha);
        if (kpNew <= 0.0) abortSigmoid();
        if (n == 0.0) throw RuntimeFailure(failure::DivisionByZero);

        ++pass;
        if (pass > kInnerPassLimit) break;
        if (std::fabs(checkedQuotient(Vnew - V, V + Vnew)) <= kInnerTolerance &&
            std::fabs(checkedQuotient(kpNew - kp, kp + kpNew)) < kInnerTolerance)
            break;
        V = Vnew;
        kp = kpNew;
    }
    Ks = checkedRoot(kpNew, n);  // the scaled K of the last pass

    const double R = checkedQuotient(Sv2 - alpha * Sfv - beta * Sgv, static_cast<double>(pts.pointCount) - 2.0);
    return InnerFit{Vnew, kpNew, Ks, R};
}

void warn(CurveFit& res, const WarningCallback& onWarning, const char* text)
{
    res.warnings.emplace_back(text);
    if (onWarning) onWarning(res.warnings.back());
}

// The search's bracket [a, b] of the exponent and its two probes x1 < x2 inside it.
struct Bracket {
    double a = kSearchLow, b = kSearchHigh;
    double x1 = 0, x2 = 0;
    InnerFit p1, p2;
};

// The probe the fit ended on: the exponent and the inner fit there.
struct Vertex {
    double n = 0.0;
    InnerFit fit;
};

// Golden-section search over n; it stops when V and K' agree at the two probes, or after
// its last pass with a warning.
Bracket searchExponent(CurvePoints& pts, CurveFit& res, const WarningCallback& onWarning)
{
    Bracket br;
    int counter = 0;
    br.x1 = br.a + kGolden * (br.b - br.a);
    br.x2 = br.b - kGolden * (br.b - br.a);
    br.p1 = innerFit(pts, br.x1);
    br.p2 = innerFit(pts, br.x2);
    for (;;) {
        ++counter;
        const InnerFit& p1 = br.p1;
        const InnerFit& p2 = br.p2;
        if (p1.V + p2.V == 0.0) abortNumbered(FitAbortReason::ProbeRatesCancel);
        if (p1.kPrime + p2.kPrime == 0.0) abortNumbered(FitAbortReason::ProbeConstantsCancel);
        const bool notConverged =
            std::fabs(finite((p2.V - p1.V) / (p2.V + p1.V))) > kSearchTolerance ||
            std::fabs(finite((p2.kPrime - p1.kPrime) / (p2.kPrime + p1.kPrime))) > kSearchTolerance;
        if (!notConverged) break;
        if (br.p2.residualVariance <= br.p1.residualVariance) {  // the minimum lies to the right
            br.a = br.x1;
            br.x1 = br.x2;
            br.p1 = br.p2;
            br.x2 = br.b - kGolden * (br.b - br.a);
            br.p2 = innerFit(pts, br.x2);
        } else {
            br.b = br.x2;
            br.x2 = br.x1;
            br.p2 = br.p1;
            br.x1 = br.a + kGolden * (br.b - br.a);
            br.p1 = innerFit(pts, br.x1);
        }
        if (counter >= kSearchPassLimit) {
            warn(res, onWarning, kSearchWarning);
            break;
        }
    }
    res.searchPasses = counter;
    return br;
}

// One parabolic step through the bracket's end and its two probes; the inner fit at its
// vertex is the curve's fit.
Vertex vertexStep(CurvePoints& pts, Bracket br, CurveFit& res, const WarningCallback& onWarning)
{
    double xm = 0, Rm = 0;
    if (br.p2.residualVariance <= br.p1.residualVariance) {
        xm = br.x2;
        Rm = br.p2.residualVariance;
        br.x2 = br.b;
        br.p2 = innerFit(pts, br.x2);
    } else {
        xm = br.x1;
        Rm = br.p1.residualVariance;
        br.x1 = br.a;
        br.p1 = innerFit(pts, br.x1);
        if (xm - br.x1 == 0.0) abortNumbered(FitAbortReason::VertexAtLowEnd);
    }
    const double x1 = br.x1, x2 = br.x2;
    const double R1 = br.p1.residualVariance, R2 = br.p2.residualVariance;
    const double d1 = checkedQuotient(Rm - R1, xm - x1);
    if (x2 - x1 == 0.0) abortNumbered(FitAbortReason::VertexBracketEmpty);
    const double d2 = checkedQuotient(checkedQuotient(R2 - R1, x2 - x1) - d1, x2 - xm);
    if (d2 == 0.0) abortNumbered(FitAbortReason::VertexParabolaFlat);
    const double nStar = finite(0.5 * (x1 + xm - checkedQuotient(d1, d2)));
    if (nStar > x2 || nStar <= x1) warn(res, onWarning, kVertexWarning);
    return Vertex{nStar, innerFit(pts, nStar)};
}

// V, n, K, V/K, the fitted rates, the correlation and the total activity from the final
// inner fit.
void deriveResults(const CurvePoints& pts, const Vertex& vertex, CurveFit& res)
{
    const double V = vertex.fit.V, n = vertex.n;
    const double Ks = checkedRoot(vertex.fit.kPrime, n);
    const double K = finite(pts.concScale * Ks);
    res.V = V;
    res.n = n;
    res.K = K;
    res.VK = K != 0.0 ? checkedQuotient(V, K) : 0.0;

    // Fitted rates in the entered units.
    const double Kn = checkedPower(K, n);
    std::array<double, kMaxPoints + 1> fitted{};
    for (int i = pts.first; i <= pts.last; ++i) {
        const double p = checkedPower(pts.concScale * pts.S[static_cast<std::size_t>(i)], n);
        const double denominator = p + Kn;
        if (denominator == 0.0) abortNumbered(FitAbortReason::FittedRateNoDenominator);
        fitted[static_cast<std::size_t>(i)] = finite(V * p / denominator);
    }

    // Pearson correlation of the measured rates (baseline included) and the fitted rates.
    const double N = pts.last - pts.first + 1;
    const double* rate = pts.rate.data();
    double sumO = 0, sumF = 0;
    for (int i = pts.first; i <= pts.last; ++i) {
        sumO += rate[i];
        sumF += fitted[static_cast<std::size_t>(i)];
    }
    const double mo = checkedQuotient(sumO, N), mf = checkedQuotient(sumF, N);
    double Sxy = 0, Sxx = 0, Syy = 0;
    for (int i = pts.first; i <= pts.last; ++i) {
        const double f = fitted[static_cast<std::size_t>(i)];
        Sxy += (f - mf) * (rate[i] - mo);
        Sxx += (rate[i] - mo) * (rate[i] - mo);
        Syy += (f - mf) * (f - mf);
    }
    const double rootSS = std::sqrt(finite(finite(Syy) * finite(Sxx)));
    if (rootSS == 0.0) abortNumbered(FitAbortReason::CorrelationNoSpread);
    res.r = checkedQuotient(finite(Sxy), rootSS);
    res.totalActivity = finite(V + res.points.baseline);
}

// A fit's work, with its aborts and run-time failures handed back as the failure.
template <class T, class Work>
Outcome<T> guarded(Work work)
{
    try {
        return work();
    } catch (const FitAbort& a) {
        return a.failure;
    } catch (...) {
        return Failure::current();
    }
}

}  // namespace

std::string fitErrorMessage(int number)
{
    return "Error n." + std::to_string(number) + ": Division by zero";
}

Status checkConcentrationScale(const DataSet& data)
{
    return guarded<Done>([&] {
        concentrationScale(data);
        return Done{};
    });
}

Outcome<InnerFit> evaluateExponent(const DataSet& data, const CurveChoice& curve, double n)
{
    return guarded<InnerFit>([&] {
        CurvePoints pts;
        prepareCurve(data, curve, pts);
        return innerFit(pts, n);
    });
}

Outcome<CurveFit> fitCurve(const DataSet& data, int curve, const CurveChoice& choice,
                           const WarningCallback& onWarning)
{
    return guarded<CurveFit>([&] {
        auto pts = std::make_unique<CurvePoints>();
        prepareCurve(data, choice, *pts);
        CurveFit res;
        res.curve = curve;
        res.points = choice;
        const Bracket br = searchExponent(*pts, res, onWarning);
        const Vertex vertex = vertexStep(*pts, br, res, onWarning);
        deriveResults(*pts, vertex, res);
        return res;
    });
}

}  // namespace kinetra
