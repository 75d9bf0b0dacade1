#include "kinetics/SigmoidFit.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "format/NumberForms.h"

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
// and handed back as a value.
struct FitAbort {
    CalculationEnd end;
};

[[noreturn]] void abortNumbered(FitAbortReason reason)
{
    throw FitAbort{CalculationEnd{fitErrorMessage(reason), kTitleCritica, ReturnTo::Menu, 0}};
}

[[noreturn]] void abortSigmoid()
{
    throw FitAbort{CalculationEnd{kSigmoidMessage, kTitleWrongData, ReturnTo::DataEntry, 0}};
}

// A value that left the range of a double: inf is an overflow, NaN comes from an overflow
// met with a zero or an opposite infinity, so it is reported the same way.
inline double finite(double value)
{
    if (!std::isfinite(value)) throw RuntimeFailure(failure::Overflow);
    return value;
}

inline void allFinite(std::initializer_list<double> values)
{
    for (double x : values) finite(x);
}

// A division that has no test of its own in the fit.
inline double quotient(double numerator, double denominator)
{
    if (denominator == 0.0) throw RuntimeFailure(failure::DivisionByZero);
    return finite(numerator / denominator);
}

// base^exponent as the fit needs it: a negative base only with a whole exponent, 0 to a
// negative power is a division by zero, a result beyond a double an overflow; a result
// below the smallest double is 0.
double power(double base, double exponent)
{
    if (std::isnan(base) || std::isnan(exponent)) throw RuntimeFailure(failure::InvalidArgument);
    if (base == 0.0) {
        if (exponent < 0.0) throw RuntimeFailure(failure::DivisionByZero);
        return exponent == 0.0 ? 1.0 : 0.0;
    }
    if (base < 0.0 && exponent != std::floor(exponent))
        throw RuntimeFailure(failure::InvalidArgument);
    return finite(std::pow(base, exponent));
}

// exp(ln(x) / n): the n-th root of K'.
double root(double x, double n)
{
    if (!(x > 0.0)) throw RuntimeFailure(failure::InvalidArgument);
    return finite(std::exp(quotient(std::log(x), n)));
}

// Two doubles worked on at once (one SSE2 register): the sums over the points are taken in
// two interleaved halves, even and odd points, added at the end.
using Pair = double __attribute__((vector_size(16)));

inline Pair loadPair(const double* p)
{
    Pair x;
    std::memcpy(&x, p, sizeof x);
    return x;
}

inline double total(Pair x)
{
    return x[0] + x[1];
}

// The points of one curve, with what does not depend on the exponent worked out once:
// ln S (every inner fit raises the same concentrations to a new power, P = exp(n ln S)) and
// the sums of the starting line that hold only the rates.
struct CurvePoints {
    int first = 0, last = 0;  // an empty curve has last < first
    const double* S = nullptr;
    const double* v = nullptr;
    std::array<double, 201> lnS{};  // NaN for S < 0 and -inf for S = 0: both take the slow road
    double Sv2 = 0, SWY = 0, SW = 0;  // sums of w = v^2, w v and w^2
};

int pointNumber(double value)
{
    return makeWhole16(value);
}

void prepareCurve(const SharedState& st, const FitWork& work, int curve, CurvePoints& pts)
{
    pts.first = pointNumber(st.curveFirstPoint[curve]);
    pts.last = pointNumber(st.curveLastPoint[curve]);
    PointArray::checkRange(pts.first, pts.last);
    pts.S = st.concentration.data();
    pts.v = work.netRate.data();
    for (int i = pts.first; i <= pts.last; ++i) {
        const double s = pts.S[i];
        pts.lnS[static_cast<std::size_t>(i)] =
            s > 0.0 ? std::log(s) : (s == 0.0 ? -HUGE_VAL : std::nan(""));
        const double w = pts.v[i] * pts.v[i];
        pts.Sv2 += w;
        pts.SWY += w * pts.v[i];
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
    const double* v = pts.v;
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
    const double* v = pts.v;
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

// The inner fit (V, K' for the exponent in st.hillN): a weighted straight line for the start,
// then Gauss-Newton passes.
InnerFit innerFit(SharedState& st, FitWork& work, const CurvePoints& pts)
{
    const double n = st.hillN;
    const int first = pts.first, last = pts.last;
    const double* S = pts.S;
    const double* lnS = pts.lnS.data();
    double* P = st.concPower.data();

    for (int i = first; i <= last; ++i) {
        double p = std::exp(n * lnS[i]);
        if (!(p > 0.0 && p <= DBL_MAX)) p = power(S[i], n);  // 0, overflow or S <= 0
        P[i] = p;
        if (p == 0.0) abortNumbered(FitAbortReason::ConcentrationPowerZero);
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
        st.fitScratch = det;
        if (det == 0.0) abortNumbered(FitAbortReason::NormalEquationsSingular);
        alpha = finite((Sgg * Sfv - Sfg * Sgv) / det);
        beta = finite((Sff * Sgv - Sfg * Sfv) / det);
        Vnew = finite(alpha * V);
        work.fitV = Vnew;
        if (alpha == 0.0) abortNumbered(FitAbortReason::RateFactorZero);
        kpNew = finite(kp + beta / alpha);
        st.kPrime = kpNew;
        if (kpNew <= 0.0) abortSigmoid();
        if (n == 0.0) throw RuntimeFailure(failure::DivisionByZero);

        ++pass;
        if (pass > kInnerPassLimit) break;
        if (std::fabs(quotient(Vnew - V, V + Vnew)) <= kInnerTolerance &&
            std::fabs(quotient(kpNew - kp, kp + kpNew)) < kInnerTolerance)
            break;
        V = Vnew;
        kp = kpNew;
    }
    Ks = root(kpNew, n);  // the scaled K of the last pass

    const double R = quotient(Sv2 - alpha * Sfv - beta * Sgv, static_cast<double>(st.pointCount) - 2.0);
    return InnerFit{Vnew, kpNew, Ks, R};
}

// One probe of the search: the inner fit at the exponent x.
InnerFit probe(SharedState& st, FitWork& work, const CurvePoints& pts, double x)
{
    st.hillN = x;
    return innerFit(st, work, pts);
}

void warn(CurveResults& res, const WarningCallback& onWarning, const char* text)
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

// Golden-section search over n; it stops when V and K' agree at the two probes, or after
// its last pass with a warning.
Bracket searchExponent(SharedState& st, FitWork& work, const CurvePoints& pts, CurveResults& res,
                       const WarningCallback& onWarning)
{
    Bracket br;
    int counter = 0;
    br.x1 = br.a + kGolden * (br.b - br.a);
    br.x2 = br.b - kGolden * (br.b - br.a);
    br.p1 = probe(st, work, pts, br.x1);
    br.p2 = probe(st, work, pts, br.x2);
    for (;;) {
        ++counter;
        st.notConverged = 0;
        const InnerFit& p1 = br.p1;
        const InnerFit& p2 = br.p2;
        if (p1.V + p2.V == 0.0) abortNumbered(FitAbortReason::ProbeRatesCancel);
        if (p1.kPrime + p2.kPrime == 0.0) abortNumbered(FitAbortReason::ProbeConstantsCancel);
        if (std::fabs(finite((p2.V - p1.V) / (p2.V + p1.V))) > kSearchTolerance ||
            std::fabs(finite((p2.kPrime - p1.kPrime) / (p2.kPrime + p1.kPrime))) > kSearchTolerance)
            st.notConverged = 1;
        if (!st.notConverged) break;
        if (br.p2.residualVariance <= br.p1.residualVariance) {  // the minimum lies to the right
            br.a = br.x1;
            br.x1 = br.x2;
            br.p1 = br.p2;
            br.x2 = br.b - kGolden * (br.b - br.a);
            br.p2 = probe(st, work, pts, br.x2);
        } else {
            br.b = br.x2;
            br.x2 = br.x1;
            br.p2 = br.p1;
            br.x1 = br.a + kGolden * (br.b - br.a);
            br.p1 = probe(st, work, pts, br.x1);
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
// vertex is the curve's fit (st.hillN holds the vertex).
InnerFit vertexStep(SharedState& st, FitWork& work, const CurvePoints& pts, Bracket br,
                    CurveResults& res, const WarningCallback& onWarning)
{
    double xm = 0, Rm = 0;
    if (br.p2.residualVariance <= br.p1.residualVariance) {
        xm = br.x2;
        Rm = br.p2.residualVariance;
        br.x2 = br.b;
        br.p2 = probe(st, work, pts, br.x2);
    } else {
        xm = br.x1;
        Rm = br.p1.residualVariance;
        br.x1 = br.a;
        br.p1 = probe(st, work, pts, br.x1);
        if (xm - br.x1 == 0.0) abortNumbered(FitAbortReason::VertexAtLowEnd);
    }
    const double x1 = br.x1, x2 = br.x2;
    const double R1 = br.p1.residualVariance, R2 = br.p2.residualVariance;
    const double d1 = quotient(Rm - R1, xm - x1);
    if (x2 - x1 == 0.0) abortNumbered(FitAbortReason::VertexBracketEmpty);
    const double d2 = quotient(quotient(R2 - R1, x2 - x1) - d1, x2 - xm);
    if (d2 == 0.0) abortNumbered(FitAbortReason::VertexParabolaFlat);
    const double nStar = finite(0.5 * (x1 + xm - quotient(d1, d2)));
    if (nStar > x2 || nStar <= x1) warn(res, onWarning, kVertexWarning);
    return probe(st, work, pts, nStar);
}

// V, n, K, V/K, the fitted rates, the correlation and the total activity from the final
// inner fit.
void deriveResults(SharedState& st, const CurvePoints& pts, const InnerFit& fin, CurveResults& res,
                   char sep)
{
    const double V = fin.V, n = st.hillN;
    const double Ks = root(fin.kPrime, n);
    const double K = finite(st.concScale * Ks);
    res.V = V;
    res.n = n;
    res.K = K;
    if (K != 0.0) {
        res.VK = quotient(V, K);
        res.vkText = formatGeneralNumber(res.VK, sep);
        if (!st.rateUnit.empty() && !st.concUnit.empty()) {
            auto trim = [](const std::string& s) {
                const auto b0 = s.find_first_not_of(' ');
                if (b0 == std::string::npos) return std::string();
                return s.substr(b0, s.find_last_not_of(' ') - b0 + 1);
            };
            res.vkText += " (" + trim(st.rateUnit) + ") / (" + trim(st.concUnit) + ")";
        }
    } else {
        res.VK = 0.0;
        res.vkText = "NOT CALCULATED";
    }

    // Fitted rates in the entered units.
    const double Kn = power(K, n);
    double* fitted = st.fittedRate.data();
    for (int i = pts.first; i <= pts.last; ++i) {
        const double p = power(st.concScale * pts.S[i], n);
        const double denominator = p + Kn;
        if (denominator == 0.0) abortNumbered(FitAbortReason::FittedRateNoDenominator);
        fitted[i] = finite(V * p / denominator);
    }

    // Pearson correlation of the measured rates (baseline included) and the fitted rates.
    const double N = pts.last - pts.first + 1;
    const double* rate = st.rate.data();
    double sumO = 0, sumF = 0;
    for (int i = pts.first; i <= pts.last; ++i) {
        sumO += rate[i];
        sumF += fitted[i];
    }
    const double mo = quotient(sumO, N), mf = quotient(sumF, N);
    double Sxy = 0, Sxx = 0, Syy = 0;
    for (int i = pts.first; i <= pts.last; ++i) {
        Sxy += (fitted[i] - mf) * (rate[i] - mo);
        Sxx += (rate[i] - mo) * (rate[i] - mo);
        Syy += (fitted[i] - mf) * (fitted[i] - mf);
    }
    const double rootSS = std::sqrt(finite(finite(Syy) * finite(Sxx)));
    if (rootSS == 0.0) abortNumbered(FitAbortReason::CorrelationNoSpread);
    res.r = quotient(finite(Sxy), rootSS);
    res.totalActivity = finite(V + res.baseline);
}

CurveResults fitPrepared(SharedState& st, FitWork& work, int curve, const CurvePoints& pts,
                         const WarningCallback& onWarning, char sep)
{
    CurveResults res;
    res.curve = curve;
    res.firstPoint = st.curveFirstPoint[curve];
    res.lastPoint = st.curveLastPoint[curve];
    res.baseline = st.curveBaseline[curve];
    res.separator = sep;

    const Bracket br = searchExponent(st, work, pts, res, onWarning);
    const InnerFit fin = vertexStep(st, work, pts, br, res, onWarning);
    deriveResults(st, pts, fin, res, sep);
    return res;
}

}  // namespace

std::string fitErrorMessage(int number)
{
    return "Error n." + std::to_string(number) + ": Division by zero";
}

std::optional<CalculationEnd> scaleConcentrations(SharedState& st)
{
    st.concScale = finite(st.concentration[1] / 0.0001);
    if (st.concScale == 0.0)
        return CalculationEnd{fitErrorMessage(FitAbortReason::ZeroConcentrationScale), kTitleCritica, ReturnTo::Menu, 0};
    PointArray::checkRange(1, st.pointCount);
    for (int i = 1; i <= st.pointCount; ++i)
        st.concentration[i] = finite(st.concentration[i] / st.concScale);
    return std::nullopt;
}

InnerOutcome evaluateExponent(SharedState& st, FitWork& work, int curve)
{
    CurvePoints pts;
    prepareCurve(st, work, curve, pts);
    try {
        return InnerOutcome{innerFit(st, work, pts), std::nullopt};
    } catch (const FitAbort& a) {
        return InnerOutcome{std::nullopt, a.end};
    }
}

FitOutcome fitCurve(SharedState& st, FitWork& work, int curve, const WarningCallback& onWarning,
                    char sep)
{
    CurvePoints pts;
    prepareCurve(st, work, curve, pts);
    try {
        return FitOutcome{fitPrepared(st, work, curve, pts, onWarning, sep), std::nullopt};
    } catch (const FitAbort& a) {
        return FitOutcome{std::nullopt, a.end};
    }
}

void storeCurveResults(SharedState& st, const CurveResults& results)
{
    st.curveV[results.curve] = results.V;
    st.curveN[results.curve] = results.n;
    st.curveK[results.curve] = results.K;
}

}  // namespace kinetra
