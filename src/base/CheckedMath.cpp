#include "base/CheckedMath.h"

#include <cmath>

namespace kinetra {

double overflowChecked(double value)
{
    if (!std::isfinite(value)) throw RuntimeFailure(failure::Overflow);
    return value;
}

double checkedQuotient(double num, double den)
{
    if (den == 0.0) throw RuntimeFailure(failure::DivisionByZero);
    return overflowChecked(num / den);
}

double checkedPower(double base, double exponent)
{
    if (std::isnan(base) || std::isnan(exponent)) throw RuntimeFailure(failure::InvalidArgument);
    if (base == 0.0) {
        if (exponent < 0.0) throw RuntimeFailure(failure::DivisionByZero);
        return exponent == 0.0 ? 1.0 : 0.0;
    }
    if (base < 0.0 && exponent != std::floor(exponent)) throw RuntimeFailure(failure::InvalidArgument);
    return overflowChecked(std::pow(base, exponent));
}

double checkedRoot(double x, double n)
{
    if (!(x > 0.0)) throw RuntimeFailure(failure::InvalidArgument);
    return overflowChecked(std::exp(checkedQuotient(std::log(x), n)));
}

std::int16_t makeWhole16(double value)
{
    if (std::isnan(value)) throw RuntimeFailure(failure::Overflow);
    const double whole = std::nearbyint(value);  // the default rounding mode: half to even
    if (whole < -32768.0 || whole > 32767.0) throw RuntimeFailure(failure::Overflow);
    return static_cast<std::int16_t>(whole);
}

}  // namespace kinetra
