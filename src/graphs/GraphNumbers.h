#pragma once
// Numbers of the graph drawings: decimal exponents, logarithms and divisions that fail
// as run-time failures instead of giving inf or NaN, and the conversion of a coordinate
// to the single precision of the drawing primitives.

#include <cstddef>
#include <string>
#include <string_view>

#include "format/NumberForms.h"
#include "base/RuntimeFailure.h"
#include "graphs/DisplayList.h"
#include "kinetics/DataSet.h"

namespace kinetra::graphs {

// The whole decimal exponent of c: the e with 10^e <= c < 10^(e+1), exact at the powers
// of ten themselves (1000 gives 3, 0.001 gives -3). Failure 5 when c is not above 0 (or
// not a number), 6 when c is infinite.
int decadeOf(double c);

// log10 c, exact at the powers of ten; failure 5 when c is not above 0, 6 when infinite.
double decimalLog(double c);

// 10^e; failure 6 when it is too large for a double (an exponent below the doubles gives 0).
double powerOfTen(int e);

// ln x; failure 5 when x is not above 0, 6 when x is infinite.
double naturalLog(double x);

// The frame both graphs and the residual plot draw in, twips from the picture's top-left
// corner, the length of its ticks and the width of the frame's pen.
inline constexpr double kFrameLeft = 1000.0;
inline constexpr double kFrameRight = 10000.0;
inline constexpr double kFrameTop = 300.0;
inline constexpr double kFrameBottom = 6500.0;
inline constexpr double kTick = 60.0;
inline constexpr int kFramePen = 3;

// The frame's four sides in black: left, right, top, bottom.
void addFrame(DisplayList& list);

// A drawing coordinate in single precision; failure 6 when it is not finite or too large
// for a single.
float twips(double value);

// Whether a finite double lies strictly between lo and hi once made single precision (the
// position the point is drawn at); a value beyond the singles lies outside.
bool strictlyInsideAsDrawn(double value, float lo, float hi);

// "Log [ " + ligandName trimmed + " ]  ( " + concUnit trimmed + " )", trimmed as a whole.
std::string axisTitle(const DataSet& data);

// Number of characters of a UTF-8 text (the bytes that do not continue a character).
std::size_t characterCount(std::string_view utf8);

}  // namespace kinetra::graphs
