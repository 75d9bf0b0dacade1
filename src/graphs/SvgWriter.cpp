// A display list as an SVG 1.1 document. The user units are twips: the viewBox is the
// graph window's 11800 x 8000 twips and the printed size is the same in inches.
#include <array>
#include <charconv>
#include <string>
#include <system_error>
#include <type_traits>
#include <vector>

#include "graphs/GraphGeometry.h"

namespace kinetra {

namespace {

constexpr int kWidth = kPageWidth;
constexpr int kHeight = kPageHeight;
constexpr double kTwipsPerInch = 1440.0;
// A pen width counts in pixels of a 96 DPI screen: 15 twips each.
constexpr int kTwipsPerPixel = 15;
constexpr int kTwipsPerPoint = 20;

template <typename T>
std::string number(T value)
{
    std::array<char, 64> buf{};
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    if (ec != std::errc()) return "0";
    return std::string(buf.data(), end);
}

std::string colour(const Rgb& c)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string s = "#";
    for (const std::uint8_t v : {c.r, c.g, c.b}) {
        s += kHex[v >> 4U];
        s += kHex[v & 0xFU];
    }
    return s;
}

// Length of the UTF-8 sequence that starts at s[i], 0 when the bytes there are not one.
std::size_t utf8Sequence(const std::string& s, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    if (lead >= 0xC2 && lead <= 0xDF) len = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) len = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) len = 4;
    else return 0;
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0U) != 0x80U) return 0;
    }
    const auto second = static_cast<unsigned char>(s[i + 1]);
    if (lead == 0xE0 && second < 0xA0) return 0;  // overlong
    if (lead == 0xED && second > 0x9F) return 0;  // surrogate
    if (lead == 0xF0 && second < 0x90) return 0;  // overlong
    if (lead == 0xF4 && second > 0x8F) return 0;  // beyond U+10FFFF
    return len;
}

// Character data or an attribute value: markup characters escaped; control characters,
// which XML 1.0 cannot hold, left out; a byte that is not UTF-8 becomes U+FFFD.
std::string escaped(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto ch = static_cast<unsigned char>(s[i]);
        if (ch < 0x80) {
            switch (ch) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                if (ch >= 0x20 || ch == '\t' || ch == '\n' || ch == '\r') out += static_cast<char>(ch);
            }
            ++i;
            continue;
        }
        const std::size_t len = utf8Sequence(s, i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(s, i, len);
            i += len;
        }
    }
    return out;
}

void background(std::string& svg)
{
    svg += "<rect x=\"0\" y=\"0\" width=\"" + number(kWidth) + "\" height=\"" + number(kHeight)
           + "\" fill=\"#ffffff\"/>\n";
}

void appendNumber(std::string& svg, float value)
{
    std::array<char, 32> buf{};
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    if (ec != std::errc()) svg += '0';
    else svg.append(buf.data(), end);
}

bool samePen(const Line& a, const Line& b)
{
    return a.penWidth == b.penWidth && a.colour == b.colour;
}

// Lines ops[first..last) drawn with one pen, as one path: a segment that starts where the one
// before it ended continues the path, any other starts a new piece of it. Round joins and
// round caps cover what the separate round-capped lines cover.
void writePath(std::string& svg, const std::vector<DrawOp>& ops, std::size_t first, std::size_t last)
{
    const Line& pen = std::get<Line>(ops[first]);
    svg += "<path d=\"";
    const PointF* previousEnd = nullptr;
    for (std::size_t i = first; i < last; ++i) {
        const Line& l = std::get<Line>(ops[i]);
        if (previousEnd == nullptr || !(*previousEnd == l.from)) {
            svg += 'M';
            appendNumber(svg, l.from.x);
            svg += ' ';
            appendNumber(svg, l.from.y);
        }
        svg += 'L';
        appendNumber(svg, l.to.x);
        svg += ' ';
        appendNumber(svg, l.to.y);
        previousEnd = &l.to;
    }
    svg += "\" fill=\"none\" stroke=\"" + colour(pen.colour) + "\" stroke-width=\""
           + number(pen.penWidth * kTwipsPerPixel) + "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
}

void writeOp(std::string& svg, const DisplayList& list, const DrawOp& op)
{
    std::visit(
        [&](const auto& o) {
            using T = std::decay_t<decltype(o)>;
            if constexpr (std::is_same_v<T, Line>) {
                svg += "<line x1=\"" + number(o.from.x) + "\" y1=\"" + number(o.from.y) + "\" x2=\""
                       + number(o.to.x) + "\" y2=\"" + number(o.to.y) + "\" stroke=\"" + colour(o.colour)
                       + "\" stroke-width=\"" + number(o.penWidth * kTwipsPerPixel)
                       + "\" stroke-linecap=\"round\"/>\n";
            } else if constexpr (std::is_same_v<T, Circle>) {
                svg += "<circle cx=\"" + number(o.centre.x) + "\" cy=\"" + number(o.centre.y) + "\" r=\""
                       + number(o.radius) + "\" stroke=\"" + colour(o.outline) + "\" stroke-width=\""
                       + number(o.penWidth * kTwipsPerPixel) + "\" fill=\""
                       + (o.fill ? colour(*o.fill) : std::string("none")) + "\"/>\n";
            } else if constexpr (std::is_same_v<T, Dot>) {
                // one pixel of the screen, 15 twips across, centred on the dot
                svg += "<circle cx=\"" + number(o.at.x) + "\" cy=\"" + number(o.at.y) + "\" r=\""
                       + number(kTwipsPerPixel / 2.0) + "\" fill=\"" + colour(o.colour) + "\"/>\n";
            } else if constexpr (std::is_same_v<T, Text>) {
                svg += "<text x=\"" + number(o.topLeft.x) + "\" y=\"" + number(o.topLeft.y)
                       + "\" dominant-baseline=\"hanging\" font-family=\"" + escaped(list.fontFamily)
                       + "\" font-size=\"" + number(o.pointSize * kTwipsPerPoint) + "\" fill=\""
                       + colour(o.colour) + "\" xml:space=\"preserve\">" + escaped(o.text) + "</text>\n";
            }
        },
        op);
}

}  // namespace

std::string writeSvg(const DisplayList& list)
{
    // A Clear erases the picture: only what comes after the last one is seen.
    std::size_t first = 0;
    for (std::size_t i = 0; i < list.ops.size(); ++i) {
        if (std::holds_alternative<Clear>(list.ops[i])) first = i + 1;
    }

    std::string svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\""
           + number(kWidth / kTwipsPerInch) + "in\" height=\"" + number(kHeight / kTwipsPerInch)
           + "in\" viewBox=\"0 0 " + number(kWidth) + " " + number(kHeight) + "\">\n";
    background(svg);
    // consecutive lines of one pen become one path; a line on its own stays a line
    const std::vector<DrawOp>& ops = list.ops;
    for (std::size_t i = first; i < ops.size();) {
        std::size_t end = i + 1;
        if (const Line* line = std::get_if<Line>(&ops[i])) {
            while (end < ops.size() && std::holds_alternative<Line>(ops[end]) &&
                   samePen(*line, std::get<Line>(ops[end])))
                ++end;
        }
        if (end - i > 1) writePath(svg, ops, i, end);
        else writeOp(svg, list, ops[i]);
        i = end;
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace kinetra
