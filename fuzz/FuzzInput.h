#pragma once
// Taking typed values off the front of a fuzzer's byte string; an exhausted input gives 0.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

// The checks' own code, left out of the fuzzer's coverage: its branches are not the
// program's, and tracing every comparison of a loop over thousands of drawing operations
// costs as much as drawing them.
#define KINETRA_FUZZ_CHECK __attribute__((no_sanitize("coverage")))

namespace kinetra::fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t left() const { return size_ - pos_; }

    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }

    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }

    // A number in 0..n-1 (0 when n is 0).
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(u16() % static_cast<unsigned>(n)); }

    bool flag() { return (byte() & 1U) != 0; }

    // Any double, NaN and the infinities included.
    double rawDouble()
    {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(byte()) << (8 * i);
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    // A value as a data file can bring it: four significant digits, any sign, a decimal
    // exponent within the doubles.
    double listedValue(int minExponent = -300, int maxExponent = 300)
    {
        const int mantissa = 1000 + below(9000);  // 1.000 .. 9.999
        const int exponent = minExponent + below(maxExponent - minExponent + 1);
        const bool negative = (byte() & 0x0FU) == 0;  // one in sixteen
        const std::string text = std::to_string(mantissa) + "e" + std::to_string(exponent - 3);
        double v = 0;
        std::from_chars(text.data(), text.data() + text.size(), v);
        return negative ? -v : v;
    }

    // The rest of the bytes as text.
    std::string_view rest()
    {
        const std::string_view s(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Stops the run with a message: libFuzzer keeps the input that led here.
[[noreturn]] inline void fail(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "fuzz invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

// FNV-1a of the bytes: a choice that every mutation of an input makes afresh.
KINETRA_FUZZ_CHECK inline std::uint32_t hashOf(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t h = 2166136261U;
    for (std::size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619U;
    return h;
}

// Whether a text shows "nan", "NaN", "NAN", "inf", "Inf" or "INF". One pass by hand: a
// search for each word would go through the fuzzer's comparison hooks six times a text.
KINETRA_FUZZ_CHECK inline bool showsNonNumber(std::string_view text)
{
    static constexpr const char* kWords[] = {"nan", "NaN", "NAN", "inf", "Inf", "INF"};
    for (std::size_t i = 0; i + 3 <= text.size(); ++i) {
        for (const char* w : kWords) {
            if (text[i] == w[0] && text[i + 1] == w[1] && text[i + 2] == w[2]) return true;
        }
    }
    return false;
}

}  // namespace kinetra::fuzz
