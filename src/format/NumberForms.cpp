#include "format/NumberForms.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>

#include "base/RuntimeFailure.h"

namespace kinetra {

namespace {

// A number as the digits a person reads: value = (neg ? -1 : 1) * d1.d2d3... * 10^exponent.
// No leading or trailing zero digits; an empty digit string is zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

// Texts never show NaN or inf: the caller's failure path takes over instead.
void rejectNonFinite(double value)
{
    if (std::isnan(value)) throw RuntimeFailure(failure::InvalidArgument);
    if (std::isinf(value)) throw RuntimeFailure(failure::Overflow);
}

// The shortest decimal digits that read back as the same double.
Decimal toDecimal(double value)
{
    rejectNonFinite(value);
    Decimal d;
    if (value == 0.0) return d;  // negative zero prints like zero
    d.negative = value < 0.0;
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    const std::size_t e = text.find('e');
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] != '.') d.digits.push_back(text[i]);
    std::string_view expText = text.substr(e + 1);
    if (!expText.empty() && expText.front() == '+') expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), d.exponent);
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// Keeps `keep` significant digits, a half away from zero; a carry out of the first digit
// raises the exponent (9.9995 to four digits is 1.000E+01). keep 0 keeps only a carry.
Decimal roundTo(Decimal d, int keep)
{
    if (d.digits.empty() || keep >= static_cast<int>(d.digits.size())) return d;
    if (keep < 0) return Decimal{};
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.assign(1, '1');
            ++d.exponent;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) return Decimal{};
    return d;
}

// "E", the exponent's sign and at least two digits.
void appendExponent(std::string& out, int exponent)
{
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    if (magnitude >= 100) out += static_cast<char>('0' + magnitude / 100);
    out += static_cast<char>('0' + magnitude / 10 % 10);
    out += static_cast<char>('0' + magnitude % 10);
}

// The digits of the report form without sign and blanks; `leadingZero` writes "0" before
// the separator below 1.
std::string plainDigits(const Decimal& d, char sep, bool leadingZero)
{
    if (d.digits.empty()) return "0";
    const int count = static_cast<int>(d.digits.size());
    std::string out;
    if (d.exponent >= -4 && d.exponent <= 14) {
        if (d.exponent < 0) {
            if (leadingZero) out += '0';
            out += sep;
            out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
            out += d.digits;
        } else if (count <= d.exponent + 1) {
            out = d.digits;
            out.append(static_cast<std::size_t>(d.exponent + 1 - count), '0');
        } else {
            out = d.digits.substr(0, static_cast<std::size_t>(d.exponent + 1));
            out += sep;
            out += d.digits.substr(static_cast<std::size_t>(d.exponent + 1));
        }
        return out;
    }
    out += d.digits.front();
    if (count > 1) {
        out += sep;
        out += d.digits.substr(1);
    }
    appendExponent(out, d.exponent);
    return out;
}

constexpr int kReportDigits = 15;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of the number at the start of `text` (sign, digits, separator, exponent), 0 when
// there is none. An "E" not followed by exponent digits is not part of the number.
std::size_t scanNumber(std::string_view text, char sep)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == sep) {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) ++j;
            i = j;
        }
    }
    return i;
}

// The exact quick reading of a number whose significant digits fit in 15 and whose power of
// ten is at most 22: both are exact doubles, so one multiplication or division gives the
// correctly rounded value, the same as the full reading. False when the number is not so.
bool quickConvert(std::string_view number, char sep, double& value)
{
    constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    long long significand = 0;
    int digits = 0;
    int scale = 0;  // decimal exponent contributed by the digits after the separator
    std::size_t i = 0;
    bool fraction = false;
    for (; i < number.size(); ++i) {
        const char c = number[i];
        if (isDigit(c)) {
            if (significand != 0 || c != '0') {
                if (++digits > 15) return false;
            }
            significand = significand * 10 + (c - '0');
            if (fraction) --scale;
        } else if (c == sep && !fraction) {
            fraction = true;
        } else {
            break;
        }
    }
    if (i < number.size()) {  // the exponent part
        ++i;
        bool negativeExponent = false;
        if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
            negativeExponent = number[i] == '-';
            ++i;
        }
        int exponent = 0;
        for (; i < number.size(); ++i) {
            if (exponent > 1000) return false;
            exponent = exponent * 10 + (number[i] - '0');
        }
        scale += negativeExponent ? -exponent : exponent;
    }
    if (significand == 0) {
        value = 0.0;
        return true;
    }
    if (scale > 22 || scale < -22) return false;
    const double s = static_cast<double>(significand);
    value = scale >= 0 ? s * kExact[scale] : s / kExact[-scale];
    return true;
}

// Converts a text already known to be a complete number of scanNumber's shape.
std::optional<double> convertNumber(std::string_view number, char sep, bool* overflow)
{
    bool negative = false;
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    if (double quick = 0.0; quickConvert(number, sep, quick)) {
        if (overflow) *overflow = false;
        return negative ? -quick : quick;
    }
    std::string canonical(number);
    for (char& c : canonical)
        if (c == sep) c = '.';
    double value = 0.0;
    const auto res = std::from_chars(canonical.data(), canonical.data() + canonical.size(), value,
                                     std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Out of range is either too large or too small: the decimal exponent of the first
        // significant digit tells which. Too small reads as zero.
        long long exponent = 0;
        const std::size_t e = canonical.find_first_of("eE");
        if (e != std::string::npos) {
            std::size_t k = e + 1;
            const bool expNegative = canonical[k] == '-';
            if (canonical[k] == '+' || canonical[k] == '-') ++k;
            for (; k < canonical.size(); ++k) {
                if (exponent < 100000) exponent = exponent * 10 + (canonical[k] - '0');
            }
            if (expNegative) exponent = -exponent;
        }
        const std::string mantissa = canonical.substr(0, e);
        const std::size_t point = mantissa.find('.');
        const std::size_t firstNonZero = mantissa.find_first_not_of("0.");
        long long position =
            0;  // decimal exponent of the first significant digit, before `exponent`
        if (firstNonZero != std::string::npos) {
            const std::size_t intEnd = point == std::string::npos ? mantissa.size() : point;
            position = firstNonZero < intEnd ? static_cast<long long>(intEnd - firstNonZero) - 1
                                             : -static_cast<long long>(firstNonZero - intEnd);
        }
        if (position + exponent > 0) {
            if (overflow) *overflow = true;
            return std::nullopt;
        }
        value = 0.0;
    } else if (res.ec != std::errc() || res.ptr != canonical.data() + canonical.size()) {
        return std::nullopt;
    }
    if (overflow) *overflow = false;
    return negative ? -value : value;
}

}  // namespace

namespace {

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Rounds |value| to `digits` significant digits (at most 8) without writing out its decimal
// digits: with x = |value| * 10^shift in [10^(digits-1), 10^digits), rounding x and rounding
// the value's shortest decimal digits agree unless x lies within a hair of a half (x carries
// an error of a few units in its last place, far below that hair); then the exact path
// decides. Sets the whole-number mantissa and the decimal exponent of its first digit.
bool quickRound(double value, int digits, long long& mantissa, int& exponent)
{
    if (digits < 1 || digits > 8 || value == 0.0 || !std::isfinite(value)) return false;
    const double a = std::fabs(value);
    int e = static_cast<int>(std::floor(std::log10(a)));
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int shift = digits - 1 - e;
        if (shift > 22 || shift < -22) return false;
        const double x = shift >= 0 ? a * kPow10[shift] : a / kPow10[-shift];
        if (x < kPow10[digits - 1]) {
            --e;
            continue;
        }
        if (x >= kPow10[digits]) {
            ++e;
            continue;
        }
        const double whole = std::floor(x);
        const double fraction = x - whole;
        if (std::fabs(fraction - 0.5) < 1e-6) return false;
        long long m = static_cast<long long>(whole) + (fraction > 0.5 ? 1 : 0);
        if (m == static_cast<long long>(kPow10[digits])) {
            m /= 10;
            ++e;
        }
        mantissa = m;
        exponent = e;
        return true;
    }
    return false;
}

// The value of mantissa * 10^(exponent - digits + 1) exactly as reading its text gives it:
// one correctly rounded operation when the power of ten is exact, else the text is read.
double scientificValue(bool negative, long long mantissa, int exponent, int digits,
                       const std::string& text, char sep)
{
    const int shift = exponent - digits + 1;
    double v;
    if (shift >= 0 && shift <= 22)
        v = static_cast<double>(mantissa) * kPow10[shift];
    else if (shift < 0 && shift >= -22)
        v = static_cast<double>(mantissa) / kPow10[-shift];
    else {
        bool overflow = false;
        const std::optional<double> back = parseDecimal(text, sep, &overflow);
        return back ? *back : std::numeric_limits<double>::infinity();
    }
    return negative ? -v : v;
}

}  // namespace

std::string formatScientific(double value, int decimals, char sep, double* readBack)
{
    long long mantissa = 0;
    int exponent = 0;
    if (quickRound(value, decimals + 1, mantissa, exponent)) {
        char buf[48];
        char* p = buf;
        if (value < 0.0) *p++ = '-';
        char digits[16];
        const auto res = std::to_chars(digits, digits + sizeof digits, mantissa);
        *p++ = digits[0];
        if (decimals > 0) {
            *p++ = sep;
            for (char* d = digits + 1; d < res.ptr; ++d) *p++ = *d;
        }
        std::string out(buf, static_cast<std::size_t>(p - buf));
        appendExponent(out, exponent);
        if (readBack != nullptr)
            *readBack = scientificValue(value < 0.0, mantissa, exponent, decimals + 1, out, sep);
        return out;
    }
    std::string out = formatScientific(value, decimals, sep);
    if (readBack != nullptr) {
        bool overflow = false;
        const std::optional<double> back = parseDecimal(out, sep, &overflow);
        *readBack = back ? *back : std::numeric_limits<double>::infinity();
    }
    return out;
}

std::string formatScientific(double value, int decimals, char sep)
{
    if (decimals + 1 <= 8 && value != 0.0 && std::isfinite(value)) {
        long long mantissa = 0;
        int exponent = 0;
        if (quickRound(value, decimals + 1, mantissa, exponent))
            return formatScientific(value, decimals, sep, nullptr);
    }
    return detail::formatScientificExact(value, decimals, sep);
}

namespace detail {

std::string formatScientificExact(double value, int decimals, char sep)
{
    const Decimal d = roundTo(toDecimal(value), decimals + 1);
    std::string out;
    if (d.negative && !d.digits.empty()) out += '-';
    const std::string digits = d.digits.empty() ? std::string("0") : d.digits;
    out += digits.front();
    if (decimals > 0) {
        out += sep;
        std::string rest = digits.substr(1);
        rest.resize(static_cast<std::size_t>(decimals), '0');
        out += rest;
    }
    appendExponent(out, d.digits.empty() ? 0 : d.exponent);
    return out;
}

}  // namespace detail

std::string formatFixed2(double value, char sep)
{
    Decimal d = toDecimal(value);
    // keep the digits down to the hundredths
    if (!d.digits.empty()) d = roundTo(d, d.exponent + 3);
    std::string integerPart = "0";
    std::string fraction = "00";
    if (!d.digits.empty()) {
        const int count = static_cast<int>(d.digits.size());
        if (d.exponent >= 0) {
            std::string all = d.digits;
            all.resize(static_cast<std::size_t>(std::max(count, d.exponent + 3)), '0');
            integerPart = all.substr(0, static_cast<std::size_t>(d.exponent + 1));
            fraction = all.substr(static_cast<std::size_t>(d.exponent + 1), 2);
        } else {
            // exponent -1 or -2: the digits start in the tenths or the hundredths
            std::string all(static_cast<std::size_t>(-d.exponent - 1), '0');
            all += d.digits;
            all.resize(2, '0');
            fraction = all;
        }
    }
    std::string out;
    if (d.negative && !d.digits.empty()) out += '-';  // a value that rounds to 0 shows "0.00"
    out += integerPart;
    out += sep;
    out += fraction;
    return out;
}

std::string formatReportNumber(double value, char sep)
{
    const Decimal d = roundTo(toDecimal(value), kReportDigits);
    std::string out(1, d.negative && !d.digits.empty() ? '-' : ' ');
    out += plainDigits(d, sep, false);
    out += ' ';
    return out;
}

std::string formatGeneralNumber(double value, char sep)
{
    const Decimal d = roundTo(toDecimal(value), kReportDigits);
    std::string out;
    if (d.negative && !d.digits.empty()) out += '-';
    out += plainDigits(d, sep, true);
    return out;
}

std::string formatPointNumber(int number)
{
    std::string out(10, ' ');
    if (number != 0) out += std::to_string(number);
    return out;
}

std::optional<double> parseDecimal(std::string_view text, char sep, bool* overflow)
{
    if (overflow) *overflow = false;
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    const std::size_t length = scanNumber(text, sep);
    if (length == 0 || length != text.size()) return std::nullopt;
    return convertNumber(text, sep, overflow);
}

namespace {

// listFourDigits for a text of at most 15 significant digits whose first digit lies between
// 10^-290 and 10^290, false for any other text. Such a text's digits are the shortest digits
// of the double it reads as (a double tells apart every pair of 15-digit decimals in that
// range), so rounding them to four is rounding the double's shortest digits.
bool quickListFour(std::string_view text, std::string* shown, double& value)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // The significant digits as a whole number (the zeros after the last one that is not
    // 0 included, taken off below), and where the first of them stands.
    std::uint64_t digits = 0;
    int count = 0;           // digits in `digits`
    int integerDigits = 0;   // significant digits before the point
    int leadingZeros = 0;    // zeros after the point before the first significant digit
    // Beyond 18 digits in `digits` only zeros may follow (they are taken off below, and more
    // than 15 significant digits take the exact path anyway).
    auto take = [&](char c) {
        if (count == 18) return c == '0';
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        ++count;
        return true;
    };
    const char* const whole = p;
    while (p < end && *p == '0') ++p;  // the whole part's leading zeros
    for (; p < end && isDigit(*p); ++p) {
        if (!take(*p)) return false;
        ++integerDigits;
    }
    std::ptrdiff_t seen = p - whole;  // every digit of the mantissa
    if (p < end && *p == '.') {
        const char* const fraction = ++p;
        if (count == 0)
            for (; p < end && *p == '0'; ++p) ++leadingZeros;
        for (; p < end && isDigit(*p); ++p)
            if (!take(*p)) return false;
        seen += p - fraction;
    }
    if (seen == 0) return false;
    int exponent = 0;
    if (p < end && (*p == 'E' || *p == 'e')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '+' || *p == '-')) {
            negativeExponent = *p == '-';
            ++p;
        }
        if (p == end) return false;
        for (; p < end && isDigit(*p); ++p)
            if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
        if (negativeExponent) exponent = -exponent;
    }
    if (p != end) return false;
    if (count == 0) {  // zero, whatever its sign
        if (shown) *shown = "0.000E+00";
        value = 0.0;
        return true;
    }
    while (digits % 10 == 0) {
        digits /= 10;
        --count;
    }
    if (count > 15) return false;
    const int decimalExponent = (integerDigits > 0 ? integerDigits - 1 : -leadingZeros - 1) + exponent;
    if (decimalExponent > 290 || decimalExponent < -290) return false;

    // four digits, a half away from zero
    int e = decimalExponent;
    int mantissa;
    if (count > 4) {
        const auto divisor = static_cast<std::uint64_t>(kPow10[count - 4]);
        const std::uint64_t rest = digits % divisor;
        mantissa = static_cast<int>(digits / divisor) + (2 * rest >= divisor ? 1 : 0);
        if (mantissa == 10000) {
            mantissa = 1000;
            ++e;
        }
    } else {
        mantissa = static_cast<int>(digits) * static_cast<int>(kPow10[4 - count]);
    }
    // one correctly rounded operation when the power of ten is exact, else the text is read
    const int shift = e - 3;
    const bool exact = shift >= -22 && shift <= 22;
    if (exact) {
        const double m = mantissa;
        value = shift >= 0 ? m * kPow10[shift] : m / kPow10[-shift];
        if (negative) value = -value;
    }
    if (!shown && exact) return true;
    char buf[16];
    char* out = buf;
    if (negative) *out++ = '-';
    *out++ = static_cast<char>('0' + mantissa / 1000);
    *out++ = '.';
    *out++ = static_cast<char>('0' + mantissa / 100 % 10);
    *out++ = static_cast<char>('0' + mantissa / 10 % 10);
    *out++ = static_cast<char>('0' + mantissa % 10);
    *out++ = 'E';
    *out++ = e < 0 ? '-' : '+';
    const int magnitude = std::abs(e);
    if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100);
    *out++ = static_cast<char>('0' + magnitude / 10 % 10);
    *out++ = static_cast<char>('0' + magnitude % 10);
    if (shown) shown->assign(buf, static_cast<std::size_t>(out - buf));
    if (!exact) std::from_chars(buf, out, value);
    return true;
}

}  // namespace

ListedNumber listFourDigits(std::string_view text, std::string* shown, double& value)
{
    if (quickListFour(text, shown, value)) return ListedNumber::Number;
    bool overflow = false;
    const std::optional<double> number = parseDecimal(text, '.', &overflow);
    if (overflow) return ListedNumber::Overflow;
    if (!number) return ListedNumber::NotANumber;
    std::string text4 = formatScientific(*number, 3, '.', &value);
    if (shown) *shown = std::move(text4);
    return ListedNumber::Number;
}

ListedNumber listFourDigits(std::string_view text, std::string& shown, double& value)
{
    return listFourDigits(text, &shown, value);
}

double leadingNumber(std::string_view text, char sep)
{
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    const std::size_t length = scanNumber(text, sep);
    if (length == 0) return 0.0;
    // a number too large for a double reads as 0, like a text without a number
    return convertNumber(text.substr(0, length), sep, nullptr).value_or(0.0);
}

std::string trimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace kinetra
