#pragma once
// The one record of shared variables. Exactly one instance lives while the
// program runs (the hub owns it); core functions take it by reference, so every
// test builds a fresh one. Points are numbered from 1; index 0 is never used.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/RuntimeFailure.h"

namespace kinetra {

// A fixed array whose every access is range-checked: an index outside
// 0..N-1 is the run-time failure "Subscript out of range", never undefined behaviour.
template <std::size_t N>
class CheckedArray {
public:
    static constexpr int kUpper = static_cast<int>(N) - 1;

    double& operator[](long long i) { return values_[checked(i)]; }
    double operator[](long long i) const { return values_[checked(i)]; }

    // Raw access for hot loops that have checked their whole index range once.
    double* data() noexcept { return values_.data(); }
    const double* data() const noexcept { return values_.data(); }
    static constexpr std::size_t size() noexcept { return N; }

    // Throws unless first..last lies inside the array (an empty range is fine).
    static void checkRange(long long first, long long last)
    {
        if (first > last) return;
        (void)checked(first);
        (void)checked(last);
    }

private:
    static std::size_t checked(long long i)
    {
        if (i < 0 || i > kUpper) throw RuntimeFailure(failure::SubscriptOutOfRange);
        return static_cast<std::size_t>(i);
    }
    std::array<double, N> values_{};
};

using PointArray = CheckedArray<201>;  // index 0..200
using CurveArray = CheckedArray<3>;    // index 0..2, curves 1 and 2

constexpr int kMaxPoints = 200;

// A number made a 16-bit integer: rounded to the nearest whole number, a half to the
// even neighbour (2.5 gives 2, 3.5 gives 4); outside -32768..32767 it is the run-time
// failure "Overflow", and so is a value that is not a number.
std::int16_t makeWhole16(double value);

struct SharedState {
    // Point storage
    PointArray concentration;
    PointArray rate;
    std::int16_t pointCount = 0;

    // Experiment labels, trimmed at the hand-off
    std::string rateUnit;
    std::string concUnit;
    std::string ligandName;

    // Output settings: "F" file, "P" printer, "N" none, empty until chosen
    std::string outputDestination;
    std::string outputFileName;

    // Curve settings
    std::int16_t curveNumber = 0;
    std::int16_t firstPoint = 0;
    std::int16_t lastPoint = 0;
    double baseline = 0.0;
    bool considerBaseline = false;

    // Graph range chosen in the new-range dialog; 0 when none was chosen
    double rangeHighConc = 0.0;
    double rangeLowConc = 0.0;

    // Entry bookkeeping
    std::int16_t nextPointNumber = 0;
    std::int16_t savedPointCount = 0;
    bool firstActivation = false;
    std::string helpPath;

    // The shared loop counter; routines leave it at the value that ended their loop.
    int loopIndex = 0;

    // Per-curve settings and results, index 1..2 used
    CurveArray curveFirstPoint;
    CurveArray curveLastPoint;
    CurveArray curveBaseline;
    CurveArray curveV;
    CurveArray curveN;
    CurveArray curveK;

    // Fit work values
    double concScale = 0.0;
    PointArray concPower;
    PointArray fittedRate;
    double hillN = 0.0;
    double kPrime = 0.0;
    std::int16_t notConverged = 0;
    double fitScratch = 0.0;
};

// The reset that starts every calculation, step by step in its order.
void resetForCalculation(SharedState& st);

}  // namespace kinetra
