#pragma once
// The program's number-to-text forms and its locale-independent number reading.
// Every form takes the decimal separator to write ('.' in files, the user's
// locale separator in windows and reports). Rounding works on the number's
// shortest exact decimal form (the digits a person reads), a half away from zero:
// 1.2345 gives 1.235E+00, -0.0012345 gives -1.235E-03.
// No form ever writes "nan" or "inf": given NaN the format functions throw
// RuntimeFailure(5, invalid argument), given an infinity RuntimeFailure(6, overflow),
// so that the caller takes its failure path. Negative zero is written like zero.

#include <optional>
#include <string>
#include <string_view>

namespace kinetra {

// "0.000E+00": one digit, separator, `decimals` decimals, "E", exponent sign, at least
// two exponent digits. 0 gives "0.000E+00"; 250 gives "2.500E+02".
std::string formatScientific(double value, int decimals, char sep = '.');

// The same text, and in *readBack the double that text reads back as (parseDecimal); a text
// too large for a double (1.7977E+308 written as 1.798E+308) reads back as infinity.
std::string formatScientific(double value, int decimals, char sep, double* readBack);

namespace detail {
// The scientific form worked out on the value's shortest decimal digits alone (the quick
// path of formatScientific must always agree with it).
std::string formatScientificExact(double value, int decimals, char sep);
}  // namespace detail

// "0.000E+00": point list, results frame, report data table.
inline std::string formatE3(double value, char sep = '.') { return formatScientific(value, 3, sep); }
// "0.0000000E+00": typed points (12.5 gives 1.2500000E+01).
inline std::string formatE7(double value, char sep = '.') { return formatScientific(value, 7, sep); }

// "#0.00": at least one integer digit and exactly two decimals (graph axis labels).
std::string formatFixed2(double value, char sep = '.');

// Report number form: a blank (or "-" when negative), at most 15 significant digits
// without trailing zeros, no "0" before the separator below 1, fixed notation for a
// decimal exponent from -4 to 14 and "1.53E-05" otherwise, then one blank.
// 12.5 -> " 12.5 ", 0.25 -> " .25 ", -2 -> "-2 ", 0 -> " 0 ".
std::string formatReportNumber(double value, char sep = '.');

// General number text: the digits of the report form with a "0" before the separator
// below 1 and without the blanks: 0.25 -> "0.25", 200 -> "200", -2 -> "-2".
std::string formatGeneralNumber(double value, char sep = '.');

// Point number form "          ###": ten blanks, then the digits (none for 0).
std::string formatPointNumber(int number);

// Reads a whole text as a decimal number: optional blanks, optional sign, digits with an
// optional separator `sep`, an optional exponent ("E"/"e", optional sign, digits),
// optional blanks. Nothing else may be in the text. A value too large for a double
// gives std::nullopt with `overflow` set (when given); one too small to hold reads as 0.
// "inf", "nan" and hexadecimal texts are not numbers here. Never reads the C locale.
std::optional<double> parseDecimal(std::string_view text, char sep = '.', bool* overflow = nullptr);

// A number of a data file kept as the point list keeps it: `shown` receives its "0.000E+00"
// text (with the point) and `value` the double that text reads back as, exactly what
// formatScientific(*parseDecimal(text), 3, '.', &value) gives, without writing out the
// number's decimal digits for the usual texts of up to 15 significant digits. A text that
// is not a number (parseDecimal gives nothing) leaves both alone; so does one too large for
// a double. A number that rounds beyond the largest double gives an infinite `value`.
enum class ListedNumber { Number, NotANumber, Overflow };
ListedNumber listFourDigits(std::string_view text, std::string& shown, double& value);
// The same without the text, when only the value is wanted (`shown` may be null).
ListedNumber listFourDigits(std::string_view text, std::string* shown, double& value);

// Reads the number at the start of a text, as far as it goes ("200 (U/mg) / (mM)" reads
// 200); a text that does not start with a number reads 0. Used where a text that starts
// with a number is turned back into that number. A number too large for a double
// ("1E999") reads 0, like a text without a number; one too small to hold reads 0.
double leadingNumber(std::string_view text, char sep = '.');

// A label with its leading and trailing blanks removed; tabs and other white space stay.
std::string trimBlanks(std::string_view text);

}  // namespace kinetra
