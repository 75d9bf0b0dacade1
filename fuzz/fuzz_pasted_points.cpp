// Arbitrary bytes as the clipboard's text, pasted into the point list one or more times with
// either decimal separator. Every point taken holds finite numbers above 0 that stand as the
// first two numbers of a line of the text, in the order of the lines; a text with no line of
// two numbers is no points and the clipboard's message; a refusal names a line of the text
// and takes no point; the list never holds more than kMaxPoints points, says when points were
// left out, and hands on what it shows.
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzInput.h"
#include "entry/DataEntry.h"
#include "format/NumberForms.h"

using namespace kinetra;

namespace {

// The lines of a text, split at CR LF, LF and CR.
std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        out.push_back(text.substr(at, end - at));
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return out;
}

// The cells of a line cut at every tab, semicolon and blank, empty ones left out: a number
// holds none of them, so a line's cells that are numbers are among these words.
std::vector<std::string_view> wordsOf(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = std::min(line.find_first_of("\t; ", at), line.size());
        if (end > at) out.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

std::optional<double> numberOf(std::string_view word, char sep)
{
    if (std::optional<double> v = parseDecimal(word, sep)) return v;
    return sep == '.' ? std::nullopt : parseDecimal(word, '.');
}

// The first two words of a line when both are numbers.
std::optional<PastedPoint> twoNumbers(std::string_view line, char sep)
{
    const std::vector<std::string_view> words = wordsOf(line);
    if (words.size() < 2) return std::nullopt;
    const std::optional<double> c = numberOf(words[0], sep), r = numberOf(words[1], sep);
    if (!c || !r) return std::nullopt;
    return PastedPoint{*c, *r};
}

void checkPaste(const PastedPoints& pasted, std::string_view text, char sep)
{
    const std::vector<std::string_view> lines = linesOf(text);
    bool anyTwoNumbers = false;
    for (std::string_view line : lines) anyTwoNumbers = anyTwoNumbers || twoNumbers(line, sep).has_value();
    const std::string message = pasteRefusalText(pasted);

    if (pasted.status != PasteStatus::Points && !pasted.points.empty()) fuzz::fail("refused paste with points");
    if (!anyTwoNumbers && pasted.status != PasteStatus::NoPoints) fuzz::fail("points from a text with no two numbers");
    switch (pasted.status) {
    case PasteStatus::NoPoints:
        if (message.find("clipboard holds no points") == std::string::npos) fuzz::fail("no points, no message", message);
        return;
    case PasteStatus::WrongConcentration:
    case PasteStatus::WrongRate:
        if (pasted.line < 1 || pasted.line > static_cast<int>(lines.size())) fuzz::fail("refused line not in the text");
        if (message.find("Line " + std::to_string(pasted.line) + " ") == std::string::npos)
            fuzz::fail("refusal does not name its line", message);
        return;
    case PasteStatus::Points: break;
    }
    if (pasted.points.empty() || !message.empty()) fuzz::fail("a paste of no points, or with a message");
    // each point is the first two numbers of a line after the line of the point before
    std::size_t next = 0;
    for (const PastedPoint& p : pasted.points) {
        if (!std::isfinite(p.concentration) || !std::isfinite(p.rate) || !(p.concentration > 0.0) || !(p.rate > 0.0))
            fuzz::fail("point not finite and above 0");
        for (;; ++next) {
            if (next == lines.size()) fuzz::fail("point not a line of the text");
            const std::optional<PastedPoint> row = twoNumbers(lines[next], sep);
            if (row && row->concentration == p.concentration && row->rate == p.rate) break;
        }
        ++next;
    }
}

// The list's text of a value reads back as the value to the list's eight digits (a value
// within that of the largest double may round beyond it, and read as too large).
void checkListed(const std::string& shown, double value, char sep)
{
    bool overflow = false;
    const std::optional<double> back = parseDecimal(shown, sep, &overflow);
    if (!back) {
        if (!(overflow && value > 1.797693e308)) fuzz::fail("listed value does not read back", shown);
        return;
    }
    if (!(std::fabs(*back - value) <= 1e-7 * value)) fuzz::fail("listed value reads back otherwise", shown);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const char sep = in.flag() ? ',' : '.';
    const int pastes = 1 + in.below(8);  // the same text pasted again and again fills the list
    const std::string_view text = in.rest();

    const PastedPoints pasted = readPastedPoints(text, sep);
    checkPaste(pasted, text, sep);
    if (pasted.status != PasteStatus::Points) return 0;

    EntryCounts counts;
    DataEntry entry(counts, [sep] { return sep; });
    for (int k = 0; k < pastes; ++k) {
        const int before = entry.points().rowCount();
        const PasteDone done = entry.paste(pasted.points);
        const int taken = std::min(static_cast<int>(pasted.points.size()), kMaxPoints - before);
        if (done.added != taken || done.limitReached != (taken < static_cast<int>(pasted.points.size())))
            fuzz::fail("paste added other points than there was room for");
        if (entry.points().rowCount() != before + taken || counts.pointCount != before + taken)
            fuzz::fail("list and counts do not hold the points added");
        for (int i = 0; i < taken; ++i) {
            const ListRow& row = entry.points().row(before + 1 + i);
            const PastedPoint& p = pasted.points[static_cast<std::size_t>(i)];
            checkListed(row.concentration, p.concentration, sep);
            checkListed(row.rate, p.rate, sep);
        }
    }
    if (entry.points().rowCount() > kMaxPoints) fuzz::fail("more points than the list may hold");

    const Outcome<DataSet> handed = entry.handOff(ReportLabels{"user", "run", "U/mg", "mM", "NADH", ""});
    if (!handed) {
        if (failureMessage(handed.failure()).empty()) fuzz::fail("hand-off refused without a message");
        return 0;
    }
    if (handed->pointCount() != entry.points().rowCount()) fuzz::fail("hand-off lost points");
    for (std::size_t i = 0; i < handed->concentration.size(); ++i) {
        if (!std::isfinite(handed->concentration[i]) || !std::isfinite(handed->rate[i]))
            fuzz::fail("handed-on point not finite");
    }
    return 0;
}
