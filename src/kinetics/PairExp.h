#pragma once
// exp of two doubles at once in one SSE2 register, for the fit's inner loops, where glibc's
// exp is a call per point. The method is the classic one: x = k ln 2 + r with ln 2 in two
// parts (k ln2hi is exact), e^r from a rational approximation on |r| <= ln 2 / 2, and the
// result scaled by 2^k built in its exponent bits. It is within one unit in the last place
// of e^x, and gives the same bits on every x86-64 processor (no fused multiply-add, no
// table, no choice of code by processor).
//
// Only for -708 <= x <= 709, where e^x is a normal double: outside it, and for NaN, the
// result is not e^x and the caller takes its own road (pairExpInRange says when).

#include <bit>
#include <cstdint>
#include <cstring>

namespace kinetra {

using Pair = double __attribute__((vector_size(16)));
using PairBits = std::int64_t __attribute__((vector_size(16)));

inline constexpr double kPairExpLow = -708.0;
inline constexpr double kPairExpHigh = 709.0;

inline Pair loadPair(const double* p)
{
    Pair x;
    std::memcpy(&x, p, sizeof x);
    return x;
}

inline void storePair(double* p, Pair x) { std::memcpy(p, &x, sizeof x); }

inline Pair pairExp(Pair x)
{
    constexpr double kInvLn2 = 1.44269504088896338700e+00;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;  // 32 significant bits
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    constexpr double kShift = 0x1.8p52;  // adding it rounds to a whole number, kept in the low bits
    constexpr double P1 = 1.66666666666666019037e-01;
    constexpr double P2 = -2.77777777770155933842e-03;
    constexpr double P3 = 6.61375632143793436117e-05;
    constexpr double P4 = -1.65339022054652515390e-06;
    constexpr double P5 = 4.13813679705723846039e-08;

    const Pair shifted = x * kInvLn2 + kShift;
    const Pair kd = shifted - kShift;  // round(x / ln 2)
    const Pair hi = x - kd * kLn2Hi;
    const Pair lo = kd * kLn2Lo;
    const Pair r = hi - lo;
    const Pair t = r * r;
    const Pair c = r - t * (P1 + t * (P2 + t * (P3 + t * (P4 + t * P5))));
    const Pair y = 1.0 - ((lo - (r * c) / (2.0 - c)) - hi);  // e^r

    // 2^k from k's bits in `shifted` (whole numbers below 2^51 sit in its low bits)
    const PairBits k = std::bit_cast<PairBits>(shifted) - std::bit_cast<PairBits>(Pair{kShift, kShift});
    const PairBits scaleBits = (k + 1023) << 52;
    return y * std::bit_cast<Pair>(scaleBits);
}

inline bool pairExpInRange(double x) { return x >= kPairExpLow && x <= kPairExpHigh; }

}  // namespace kinetra
