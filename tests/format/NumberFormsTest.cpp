#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "format/NumberForms.h"
#include "base/RuntimeFailure.h"

using namespace kinetra;

namespace {

struct FormCase {
    double value;
    const char* text;
};

TEST(NumberForms, ScientificFourDigits)
{
    const std::vector<FormCase> cases = {
        {0.0123456, "1.235E-02"},
        {250, "2.500E+02"},
        {0, "0.000E+00"},
        {-0.0, "0.000E+00"},
        {-3, "-3.000E+00"},
        {12.5, "1.250E+01"},
        {0.00123, "1.230E-03"},
        {1.2345, "1.235E+00"},
        {-0.0012345, "-1.235E-03"},
        {1.2344999, "1.234E+00"},
        {9.9995, "1.000E+01"},
        {-9.9995, "-1.000E+01"},
        {99999.5, "1.000E+05"},
        {1e-300, "1.000E-300"},
        {1.5e300, "1.500E+300"},
        {5e-324, "5.000E-324"},
        {1, "1.000E+00"},
        {0.1, "1.000E-01"},
        {std::numeric_limits<double>::max(), "1.798E+308"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatE3(c.value), c.text) << c.value;
}

TEST(NumberForms, ScientificEightDigits)
{
    const std::vector<FormCase> cases = {
        {12.5, "1.2500000E+01"},       {0.5, "5.0000000E-01"},       {1.23456789, "1.2345679E+00"},
        {0, "0.0000000E+00"},          {-2.5e-7, "-2.5000000E-07"},  {99999999.5, "1.0000000E+08"},
        {1.23456785, "1.2345679E+00"}, {123456784, "1.2345678E+08"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatE7(c.value), c.text) << c.value;
}

TEST(NumberForms, ReportAndGeneralForms)
{
    struct Case {
        double value;
        const char* report;
        const char* general;
    };
    const std::vector<Case> cases = {
        {12.5, " 12.5 ", "12.5"},
        {0.25, " .25 ", "0.25"},
        {-0.25, "-.25 ", "-0.25"},
        {0.0000153, " 1.53E-05 ", "1.53E-05"},
        {-2, "-2 ", "-2"},
        {200, " 200 ", "200"},
        {0, " 0 ", "0"},
        {-0.0, " 0 ", "0"},
        {1, " 1 ", "1"},
        {0.0001, " .0001 ", "0.0001"},
        {0.00012345, " .00012345 ", "0.00012345"},
        {1e14, " 100000000000000 ", "100000000000000"},
        {123456789012345, " 123456789012345 ", "123456789012345"},
        {1e15, " 1E+15 ", "1E+15"},
        {1.5e15, " 1.5E+15 ", "1.5E+15"},
        {-1e-300, "-1E-300 ", "-1E-300"},
        // 15 significant digits at most, rounded a half away from zero
        {0.1 + 0.2, " .3 ", "0.3"},
        {1.0 / 3.0, " .333333333333333 ", "0.333333333333333"},
        {2.0 / 3.0, " .666666666666667 ", "0.666666666666667"},
        {1234567.8901234567, " 1234567.89012346 ", "1234567.89012346"},
        // rounding to 15 digits carries into the exponent and out of fixed notation
        {999999999999999.9, " 1E+15 ", "1E+15"},
        {-99999.99999999999, "-100000 ", "-100000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatReportNumber(c.value), c.report) << c.value;
        EXPECT_EQ(formatGeneralNumber(c.value), c.general) << c.value;
    }
}

TEST(NumberForms, FixedTwoDecimals)
{
    const std::vector<FormCase> cases = {
        {0, "0.00"},         {12.345, "12.35"}, {1234567.891, "1234567.89"},
        {-12.345, "-12.35"}, {0.005, "0.01"},   {0.0049, "0.00"},
        {-0.001, "0.00"},    {-1e-17, "0.00"},  {0.1, "0.10"},
        {99.995, "100.00"},  {0.999, "1.00"},   {7, "7.00"},
        {1e-300, "0.00"},    {0.05, "0.05"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatFixed2(c.value), c.text) << c.value;

    // the largest values write all their digits
    const std::string huge = formatFixed2(1e300);
    EXPECT_EQ(huge.size(), 301u + 3u);
    EXPECT_EQ(huge.substr(0, 2), "10");
    EXPECT_EQ(huge.substr(huge.size() - 3), ".00");
}

TEST(NumberForms, DecimalCommaReplacesThePoint)
{
    EXPECT_EQ(formatE3(250, ','), "2,500E+02");
    EXPECT_EQ(formatE7(12.5, ','), "1,2500000E+01");
    EXPECT_EQ(formatFixed2(12.345, ','), "12,35");
    EXPECT_EQ(formatReportNumber(0.25, ','), " ,25 ");
    EXPECT_EQ(formatReportNumber(1.53e-5, ','), " 1,53E-05 ");
    EXPECT_EQ(formatGeneralNumber(-12.5, ','), "-12,5");
    EXPECT_EQ(parseDecimal("12,5", ','), 12.5);
    EXPECT_EQ(parseDecimal("12.5", ','), std::nullopt);
    EXPECT_EQ(leadingNumber("1,5E+02 (U/mg)", ','), 150.0);
}

TEST(NumberForms, PointNumber)
{
    EXPECT_EQ(formatPointNumber(0), "          ");
    EXPECT_EQ(formatPointNumber(7), "          7");
    EXPECT_EQ(formatPointNumber(200), "          200");
}

TEST(NumberForms, NonFiniteValuesAreFailuresNotText)
{
    using Format = std::string (*)(double, char);
    const std::vector<Format> forms = {
        [](double v, char s) { return formatE3(v, s); },
        [](double v, char s) { return formatE7(v, s); },
        formatFixed2,
        formatReportNumber,
        formatGeneralNumber,
    };
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t i = 0; i < forms.size(); ++i) {
        for (const auto& [value, number] :
             std::vector<std::pair<double, int>>{{inf, failure::Overflow},
                                                 {-inf, failure::Overflow},
                                                 {nan, failure::InvalidArgument}}) {
            try {
                const std::string text = forms[i](value, '.');
                ADD_FAILURE() << "form " << i << " wrote " << text;
            } catch (const RuntimeFailure& f) {
                EXPECT_EQ(f.number(), number) << "form " << i;
            }
        }
    }
}

TEST(NumberForms, ParseDecimalAcceptsWholeNumbersOnly)
{
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const std::vector<Case> cases = {
        {"12.5", 12.5},
        {"  -3 ", -3.0},
        {"+4", 4.0},
        {"1E3", 1000.0},
        {"1.5e-2", 0.015},
        {".5", 0.5},
        {"5.", 5.0},
        {"2.500E+02", 250.0},
        {"\t7\t", 7.0},
        {"1e-400", 0.0},
        {"0", 0.0},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {".", std::nullopt},
        {"1e", std::nullopt},
        {"1e+", std::nullopt},
        {"e5", std::nullopt},
        {"12 5", std::nullopt},
        {"1.2.3", std::nullopt},
        {"12abc", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"-Infinity", std::nullopt},
        {"0x1p3", std::nullopt},
        {"--1", std::nullopt},
        {"1,5", std::nullopt},
    };
    for (const auto& c : cases) {
        bool overflow = true;
        EXPECT_EQ(parseDecimal(c.text, '.', &overflow), c.value) << '"' << c.text << '"';
        EXPECT_FALSE(overflow) << c.text;
    }
    for (const char* big :
         {"1e999", "-1E+400", "1.8e308", "1797693134862315808e290", "1e99999999999999999999"}) {
        bool overflow = false;
        EXPECT_EQ(parseDecimal(big, '.', &overflow), std::nullopt) << big;
        EXPECT_TRUE(overflow) << big;
    }
    EXPECT_EQ(parseDecimal("0.0000001e-99999999999999999999"), 0.0);
    EXPECT_TRUE(std::signbit(*parseDecimal("-0")));
}

TEST(NumberForms, LeadingNumber)
{
    const std::vector<std::pair<const char*, double>> cases = {
        {"200 (U/mg) / (mM)", 200.0},
        {"NOT CALCULATED", 0.0},
        {"-1.5E+02x", -150.0},
        {"1E999", 0.0},
        {"", 0.0},
        {"  12.5", 12.5},
        {"3e", 3.0},
        {"2.5E-", 2.5},
        {"-", 0.0},
        {"1.53E-05 (U/mg)", 1.53e-5},
        {".25abc", 0.25},
        {"inf", 0.0},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(leadingNumber(text), value) << text;
}

// Random doubles over the whole exponent range: the report and general forms read back
// within their 15 digits, exactly when the double's shortest form has at most 15 digits,
// and the scientific forms read back within their rounding.
TEST(NumberForms, FormsReadBack)
{
    std::mt19937_64 rng(20240611);
    std::uniform_int_distribution<std::uint64_t> bits;
    int checked = 0;
    while (checked < 20000) {
        const std::uint64_t b = bits(rng);
        double v;
        std::memcpy(&v, &b, sizeof v);
        if (!std::isfinite(v)) continue;
        ++checked;

        char buf[64];
        const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
        const std::string shortest(buf, res.ptr);
        const std::size_t significant = shortest.find('e') -
                                        (shortest.find('.') == std::string::npos ? 0 : 1) -
                                        (v < 0 ? 1 : 0);

        for (char sep : {'.', ','}) {
            const std::string report = formatReportNumber(v, sep);
            const std::string general = formatGeneralNumber(v, sep);
            ASSERT_TRUE(report.back() == ' ' && (report.front() == ' ' || report.front() == '-'))
                << report;
            const auto fromReport = parseDecimal(report, sep);
            const auto fromGeneral = parseDecimal(general, sep);
            ASSERT_TRUE(fromReport && fromGeneral) << report << " / " << general;
            EXPECT_EQ(*fromReport, *fromGeneral) << general;
            if (significant <= 15) {
                EXPECT_EQ(*fromGeneral, v) << shortest << " -> " << general;
            } else if (std::fabs(v) > std::numeric_limits<double>::min()) {
                // half a unit of the 15th digit, plus the reading's own rounding to a double
                const double ulp = std::nextafter(std::fabs(v), HUGE_VAL) - std::fabs(v);
                EXPECT_LE(std::fabs(*fromGeneral - v), 5e-15 * std::fabs(v) + 2 * ulp)
                    << shortest << " -> " << general;
            }
            EXPECT_EQ(general.find("nan"), std::string::npos);
            EXPECT_EQ(general.find("inf"), std::string::npos);
        }

        const auto fromE3 = parseDecimal(formatE3(v));
        const auto fromE7 = parseDecimal(formatE7(v));
        ASSERT_TRUE(fromE3 && fromE7) << shortest;
        if (std::fabs(v) > 1e-300 && std::fabs(v) < 1e300) {
            EXPECT_LE(std::fabs(*fromE3 - v), 5.0000001e-4 * std::fabs(v))
                << shortest << " -> " << formatE3(v);
            EXPECT_LE(std::fabs(*fromE7 - v), 5.0000001e-8 * std::fabs(v))
                << shortest << " -> " << formatE7(v);
        }
    }
}

}  // namespace

// The scientific forms take a quick path away from ties; it must give exactly what the
// value's shortest decimal digits give, and its read-back value must be what parsing gives.
TEST(ScientificQuickPath, AgreesWithTheExactDigitsAndTheirReadBack)
{
    std::mt19937_64 gen(20261208);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-320, 308);
    std::vector<double> values = {1.2345, -0.0012345, 9.9995, 0.00012345, 2.5e-5, 1.0005,
                                  99995.0, 1.79769e308, 4.9406564584124654e-324, 123456785.0};
    for (int i = 0; i < 200000; ++i) {
        double v = mantissa(gen) * std::pow(10.0, exponent(gen));
        if (i % 3 == 0) v = std::round(v * 1e4) / 1e4;  // many values near a tie
        if (i % 2 == 0) v = -v;
        if (std::isfinite(v) && v != 0.0) values.push_back(v);
    }
    for (double v : values) {
        for (int decimals : {3, 7}) {
            double back = 0.0;
            const std::string text = formatScientific(v, decimals, '.', &back);
            ASSERT_EQ(text, detail::formatScientificExact(v, decimals, '.')) << v;
            bool overflow = false;
            const std::optional<double> parsed = parseDecimal(text, '.', &overflow);
            if (parsed) {
                ASSERT_EQ(back, *parsed) << text;
            } else {
                ASSERT_TRUE(std::isinf(back)) << text;
            }
            ASSERT_EQ(formatScientific(v, decimals, ','), detail::formatScientificExact(v, decimals, ','));
        }
    }
}

// Reading takes an exact quick path for short numbers; it must agree with the full reading
// (std::from_chars) on every text, short or long, with either separator.
TEST(ParseQuickPath, AgreesWithTheFullReading)
{
    std::mt19937_64 gen(7);
    std::uniform_int_distribution<long long> significand(0, 999999999999999999LL);
    std::uniform_int_distribution<int> digitsKept(1, 18);
    std::uniform_int_distribution<int> exponent(-30, 30);
    std::uniform_int_distribution<int> pointAt(0, 18);
    for (int i = 0; i < 100000; ++i) {
        std::string digits = std::to_string(significand(gen));
        digits.resize(std::min<std::size_t>(digits.size(), static_cast<std::size_t>(digitsKept(gen))));
        const std::size_t at = std::min<std::size_t>(digits.size(), static_cast<std::size_t>(pointAt(gen)));
        std::string text = digits.substr(0, at) + "." + digits.substr(at);
        if (text == ".") text = "0.";
        if (i % 2 == 0) text += "E" + std::to_string(exponent(gen));
        double expected = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        const std::optional<double> got = parseDecimal(text);
        ASSERT_TRUE(got.has_value()) << text;
        ASSERT_EQ(*got, expected) << text;
        std::string comma = text;
        comma[comma.find('.')] = ',';
        ASSERT_EQ(parseDecimal("-" + comma, ','), -expected) << comma;
    }
}

// A data file's number kept with four digits takes a quick path on its decimal text; over
// texts of every shape it must give what the exact path gives: the number read, its
// shortest digits rounded, and the value that text reads back as.
TEST(ListFourDigits, AgreesWithTheExactPathOnRandomTexts)
{
    std::mt19937_64 gen(20261209);
    std::uniform_int_distribution<int> digitCount(0, 22);
    std::uniform_int_distribution<int> digitValue(0, 9);
    std::uniform_int_distribution<int> exponent(-340, 340);
    std::uniform_int_distribution<int> shape(0, 15);
    const std::vector<std::string> fixed = {"1.2345",   "-1.2345",  "9.9995",    "9.99949999999999",
                                            "0",        "-0.000",   "+.5",       "5.",
                                            ".",        "1E",       "1E+",       "1e-5",
                                            "1.2.3",    "--1",      "1x",        "9.9999E307",
                                            "1E308",    "1.7976E308", "1E999",   "1E-999",
                                            "0.00012345", "12345678901234567890", "1E-290", "1E290",
                                            "4.9406564584124654e-324"};
    auto exact = [](const std::string& text, std::string& shown, double& value) {
        bool overflow = false;
        const std::optional<double> v = parseDecimal(text, '.', &overflow);
        if (overflow) return ListedNumber::Overflow;
        if (!v) return ListedNumber::NotANumber;
        shown = detail::formatScientificExact(*v, 3, '.');
        const std::optional<double> back = parseDecimal(shown, '.', &overflow);
        value = back ? *back : std::numeric_limits<double>::infinity();
        return ListedNumber::Number;
    };
    auto check = [&](const std::string& text) {
        std::string shown = "unset", expectedShown = "unset";
        double value = -1.0, expectedValue = -1.0;
        const ListedNumber got = listFourDigits(text, shown, value);
        const ListedNumber expected = exact(text, expectedShown, expectedValue);
        ASSERT_EQ(static_cast<int>(got), static_cast<int>(expected)) << text;
        if (expected != ListedNumber::Number) return;
        ASSERT_EQ(shown, expectedShown) << text;
        ASSERT_EQ(value, expectedValue) << text;  // the same double, to the bit
        double alone = -1.0;  // and the same when only the value is asked for
        ASSERT_EQ(static_cast<int>(listFourDigits(text, nullptr, alone)), static_cast<int>(got)) << text;
        ASSERT_EQ(alone, value) << text;
    };
    for (const std::string& text : fixed) check(text);
    for (int i = 0; i < 300000; ++i) {
        std::string text;
        const int kind = shape(gen);
        if (kind == 0) text += '-';
        if (kind == 1) text += '+';
        const int leadingZeros = kind == 2 ? 5 : 0;
        text.append(static_cast<std::size_t>(leadingZeros), '0');
        const int n = digitCount(gen);
        std::string digits;
        for (int k = 0; k < n; ++k) digits += static_cast<char>('0' + digitValue(gen));
        if (kind == 3) digits += "0000";  // zeros after the last significant digit
        if (kind == 4 && digits.size() > 4) digits[4] = '5';  // a tie in the fifth digit
        const std::size_t at = digits.empty() ? 0 : static_cast<std::size_t>(gen() % (digits.size() + 1));
        if (kind != 5) digits.insert(at, ".");
        text += digits;
        if (kind >= 6) text += (kind % 2 ? "E" : "e") + std::to_string(exponent(gen) / (kind >= 12 ? 1 : 10));
        if (kind == 15) text += "x";
        check(text);
    }
}
