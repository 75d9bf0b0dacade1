#include "graphs/GraphNumbers.h"

#include <cmath>
#include <limits>

namespace kinetra::graphs {

int decadeOf(double c)
{
    // log10 may land a hair beside a whole number; the powers of ten settle the exponent.
    auto e = static_cast<int>(std::floor(decimalLog(c)));
    if (std::pow(10.0, e + 1) <= c) ++e;
    else if (std::pow(10.0, e) > c) --e;
    return e;
}

double decimalLog(double c)
{
    if (!(c > 0.0)) throw RuntimeFailure(failure::InvalidArgument);
    if (std::isinf(c)) throw RuntimeFailure(failure::Overflow);
    return std::log10(c);
}

double powerOfTen(int e)
{
    const double p = std::pow(10.0, e);
    if (std::isinf(p)) throw RuntimeFailure(failure::Overflow);
    return p;
}

double naturalLog(double x)
{
    if (!(x > 0.0)) throw RuntimeFailure(failure::InvalidArgument);
    if (std::isinf(x)) throw RuntimeFailure(failure::Overflow);
    return std::log(x);
}

double divide(double num, double den)
{
    if (den == 0.0) throw RuntimeFailure(failure::DivisionByZero);
    const double q = num / den;
    if (!std::isfinite(q)) throw RuntimeFailure(failure::Overflow);
    return q;
}

float twips(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
        throw RuntimeFailure(failure::Overflow);
    return static_cast<float>(value);
}

bool strictlyInsideAsDrawn(double value, float lo, float hi)
{
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) return false;
    const auto f = static_cast<float>(value);
    return lo < f && f < hi;
}

std::string axisTitle(const SharedState& st)
{
    return trimBlanks("Log [ " + trimBlanks(st.ligandName) + " ]  ( " + trimBlanks(st.concUnit) + " )");
}

std::size_t characterCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char ch : utf8) {
        // continuation bytes 10xxxxxx belong to the character before them
        if ((static_cast<unsigned char>(ch) & 0xC0U) != 0x80U) ++count;
    }
    return count;
}

}  // namespace kinetra::graphs
