#include "entry/PastedPoints.h"

#include <optional>

#include "format/NumberForms.h"

namespace kinetra {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool blankLine(std::string_view line)
{
    for (char c : line)
        if (!isBlank(c)) return false;
    return true;
}

// The first two cells of a line (fewer when the line has fewer), blanks not trimmed.
std::vector<std::string_view> firstCells(std::string_view line)
{
    std::vector<std::string_view> cells;
    const char separator = line.find('\t') != std::string_view::npos   ? '\t'
                           : line.find(';') != std::string_view::npos ? ';'
                                                                      : ' ';
    std::size_t at = 0;
    while (cells.size() < 2 && at <= line.size()) {
        if (separator == ' ') {
            while (at < line.size() && line[at] == ' ') ++at;
            if (at == line.size()) break;
        }
        std::size_t end = line.find(separator, at);
        if (end == std::string_view::npos) end = line.size();
        cells.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return cells;
}

std::optional<double> number(std::string_view cell, char sep)
{
    if (std::optional<double> value = parseDecimal(cell, sep)) return value;
    if (sep != '.') return parseDecimal(cell, '.');
    return std::nullopt;
}

// The lines of the text, each without its line end.
std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        out.push_back(text.substr(at, end - at));
        if (end == text.size()) break;
        at = end + 1;
        if (text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;  // CR LF
    }
    return out;
}

}  // namespace

PastedPoints readPastedPoints(std::string_view text, char sep)
{
    PastedPoints out;
    PastedPoints refused;  // the first line that is not a point
    bool twoNumbers = false;
    bool firstLine = true;
    int lineNumber = 0;
    for (std::string_view line : lines(text)) {
        ++lineNumber;
        if (blankLine(line)) continue;
        const std::vector<std::string_view> cells = firstCells(line);
        std::optional<double> conc, rate;
        if (!cells.empty()) conc = number(cells[0], sep);
        if (cells.size() > 1) rate = number(cells[1], sep);
        const bool header = firstLine && !conc.has_value() && !rate.has_value();
        firstLine = false;
        if (header) continue;
        twoNumbers = twoNumbers || (conc.has_value() && rate.has_value());
        if (refused.line != 0) continue;
        // a value that is missing or no number counts as 0: refused as a typed 0 is
        const double c = conc.value_or(0.0);
        const double r = rate.value_or(0.0);
        if (!(c > 0.0))
            refused = {PasteStatus::WrongConcentration, {}, lineNumber};
        else if (!(r > 0.0))
            refused = {PasteStatus::WrongRate, {}, lineNumber};
        else
            out.points.push_back({c, r});
    }
    if (!twoNumbers) return {};
    if (refused.line != 0) return refused;
    out.status = PasteStatus::Points;
    return out;
}

std::string pasteRefusalText(const PastedPoints& pasted)
{
    const std::string where =
        "\r\n\r\nLine " + std::to_string(pasted.line) + " of the pasted text: no point was pasted.";
    switch (pasted.status) {
    case PasteStatus::Points: return {};
    case PasteStatus::NoPoints:
        return "The clipboard holds no points: copy two columns from a spreadsheet, the concentrations "
               "and the rates.";
    case PasteStatus::WrongConcentration: return "Wrong Concentration" + where;
    case PasteStatus::WrongRate: return "Wrong Rate" + where;
    }
    return {};
}

}  // namespace kinetra
