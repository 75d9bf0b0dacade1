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

void addFrame(DisplayList& list)
{
    auto side = [&list](double x1, double y1, double x2, double y2) {
        list.add(Line{{twips(x1), twips(y1)}, {twips(x2), twips(y2)}, kFramePen, kBlack});
    };
    side(kFrameLeft, kFrameTop, kFrameLeft, kFrameBottom);
    side(kFrameRight, kFrameTop, kFrameRight, kFrameBottom);
    side(kFrameLeft, kFrameTop, kFrameRight, kFrameTop);
    side(kFrameLeft, kFrameBottom, kFrameRight, kFrameBottom);
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

std::string axisTitle(const DataSet& data)
{
    return trimBlanks("Log [ " + trimBlanks(data.ligandName) + " ]  ( " + trimBlanks(data.concUnit) + " )");
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
