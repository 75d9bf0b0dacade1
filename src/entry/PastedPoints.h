#pragma once
// Points pasted into the point list: two columns copied from a spreadsheet, the
// concentration and the rate of one point a line.
//
// Lines end in CR LF, LF or a lone CR; a line of blanks is passed over. A line's cells are
// separated by tabs (what a spreadsheet copies); a line without a tab by semicolons, or
// else by runs of blanks. Blanks around a cell do not count; cells after the second are
// passed over. A number has the decimal separator of the user's locale or the point
// (read as parseDecimal reads it, never through the C locale).
//
// The first line that is not blank is a header, and passed over, when neither of its first
// two cells is a number. Every other line must hold a concentration and a rate greater than
// 0, as a typed point must: the first line that does not refuses the whole paste, so that
// pasting again after the fix never adds a point twice.

#include <string>
#include <string_view>
#include <vector>

namespace kinetra {

struct PastedPoint {
    double concentration = 0.0;
    double rate = 0.0;
};

enum class PasteStatus {
    Points,              // every line holds a point
    NoPoints,            // no line holds two numbers (text, an empty clipboard)
    WrongConcentration,  // `line`'s concentration is missing or not a number greater than 0
    WrongRate,           // `line`'s rate is missing or not a number greater than 0
};

struct PastedPoints {
    PasteStatus status = PasteStatus::NoPoints;
    std::vector<PastedPoint> points;  // in the order of the lines; empty unless Points
    int line = 0;                     // the 1-based line refused (Wrong...)
};

PastedPoints readPastedPoints(std::string_view text, char sep);

// What the window says when a paste is refused: the keyboard entry's words for a value that
// is not a positive number, with the line; or that the clipboard holds no points. Empty for
// points.
std::string pasteRefusalText(const PastedPoints& pasted);

}  // namespace kinetra
