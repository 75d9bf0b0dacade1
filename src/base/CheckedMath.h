#pragma once
// Arithmetic that fails as a run-time failure instead of giving inf or NaN, for every
// division, power and conversion where the data can push a value out of the doubles.

#include <cstdint>

#include "base/RuntimeFailure.h"

namespace kinetra {

// The value when finite; inf and NaN (an overflow met with a zero or an opposite infinity)
// are both the failure "Overflow".
double overflowChecked(double value);

// num / den; failure 11 when den is 0, 6 when the quotient is not finite.
double checkedQuotient(double num, double den);

// base^exponent: a negative base only with a whole exponent (failure 5 otherwise, and for
// NaN), 0 to a negative power failure 11, a result beyond the doubles failure 6; a result
// below the smallest double is 0.
double checkedPower(double base, double exponent);

// The n-th root of x > 0, exp(ln(x)/n); failure 5 when x is not above 0, 11 when n is 0.
double checkedRoot(double x, double n);

// A number made a 16-bit integer: rounded to the nearest whole number, a half to the even
// neighbour (2.5 gives 2, 3.5 gives 4); outside -32768..32767 it is the failure "Overflow",
// and so is a value that is not a number.
std::int16_t makeWhole16(double value);

}  // namespace kinetra
