#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <ostream>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "GraphTestHelpers.h"
#include "graphs/GraphGeometry.h"

using namespace kinetra;
using namespace kinetra::testing;

namespace {

// A small well-formedness check: every tag closes in order, attribute values are quoted,
// and '<' or '&' never appear raw in character data or attribute values.
::testing::AssertionResult wellFormed(const std::string& xml)
{
    std::vector<std::string> open;
    std::size_t i = 0;
    bool rootSeen = false;
    auto entityOk = [&](std::size_t at) {
        static const std::regex entity("^&(amp|lt|gt|quot|apos|#[0-9]+|#x[0-9a-fA-F]+);");
        return std::regex_search(xml.begin() + static_cast<std::ptrdiff_t>(at), xml.end(), entity);
    };
    while (i < xml.size()) {
        if (xml[i] == '&') {
            if (!entityOk(i)) return ::testing::AssertionFailure() << "raw & at " << i;
            ++i;
            continue;
        }
        if (xml[i] != '<') {
            ++i;
            continue;
        }
        if (xml.compare(i, 2, "<?") == 0) {
            const auto end = xml.find("?>", i);
            if (end == std::string::npos) return ::testing::AssertionFailure() << "open declaration";
            i = end + 2;
            continue;
        }
        const bool closing = xml.compare(i, 2, "</") == 0;
        std::size_t j = i + (closing ? 2 : 1);
        std::string name;
        while (j < xml.size() && (std::isalnum(static_cast<unsigned char>(xml[j])) || xml[j] == ':' || xml[j] == '-'))
            name += xml[j++];
        if (name.empty()) return ::testing::AssertionFailure() << "raw < at " << i;
        // attributes: name="value" with no '<' inside a value
        while (j < xml.size() && xml[j] != '>' && xml[j] != '/') {
            if (xml[j] == '"') {
                const auto end = xml.find('"', j + 1);
                if (end == std::string::npos) return ::testing::AssertionFailure() << "open attribute";
                for (std::size_t k = j + 1; k < end; ++k) {
                    if (xml[k] == '<') return ::testing::AssertionFailure() << "< in attribute at " << k;
                    if (xml[k] == '&' && !entityOk(k)) return ::testing::AssertionFailure() << "& in attribute";
                }
                j = end + 1;
            } else {
                ++j;
            }
        }
        if (j >= xml.size()) return ::testing::AssertionFailure() << "open tag " << name;
        const bool empty = xml[j] == '/';
        if (closing) {
            if (open.empty() || open.back() != name)
                return ::testing::AssertionFailure() << "</" << name << "> closes nothing open";
            open.pop_back();
        } else if (!empty) {
            if (open.empty() && rootSeen) return ::testing::AssertionFailure() << "second root " << name;
            open.push_back(name);
            rootSeen = true;
        }
        i = xml.find('>', j) + 1;
    }
    if (!open.empty()) return ::testing::AssertionFailure() << "<" << open.back() << "> not closed";
    if (!rootSeen) return ::testing::AssertionFailure() << "no root element";
    return ::testing::AssertionSuccess();
}

// xmllint's verdict on the document when the tool is installed.
void expectXmllintAccepts(const std::string& svg, const std::string& name)
{
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) return;
    const auto path = std::filesystem::temp_directory_path() / ("kinetra_svg_" + name + ".svg");
    {
        std::ofstream out(path, std::ios::binary);
        out << svg;
    }
    const std::string command = "xmllint --noout '" + path.string() + "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << name;
    std::filesystem::remove(path);
}

// The numbers that the groups of a pattern capture, in document order.
std::vector<float> numbersOf(const std::string& svg, const std::regex& attribute)
{
    std::vector<float> out;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), attribute); it != std::sregex_iterator(); ++it) {
        for (std::size_t group = 1; group < it->size(); ++group) {
            const std::string s = (*it)[static_cast<int>(group)].str();
            float v = 0;
            const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
            EXPECT_TRUE(ec == std::errc() && p == s.data() + s.size()) << s;
            out.push_back(v);
        }
    }
    return out;
}

std::size_t countOf(const std::string& s, const std::string& what)
{
    std::size_t n = 0;
    for (auto at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

// A straight segment as the SVG draws it: its ends, its stroke colour and its width.
struct Segment {
    float x1, y1, x2, y2;
    std::string stroke;
    std::string width;
    bool operator==(const Segment&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Segment& s)
{
    return os << s.x1 << "," << s.y1 << " -> " << s.x2 << "," << s.y2 << " " << s.stroke << " " << s.width;
}

float parseFloat(const std::string& s)
{
    float v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    EXPECT_TRUE(ec == std::errc() && p == s.data() + s.size()) << s;
    return v;
}

std::string attributeOf(const std::string& element, const std::string& name)
{
    const std::string key = " " + name + "=\"";
    const std::size_t at = element.find(key);
    if (at == std::string::npos) return {};
    const std::size_t start = at + key.size();
    return element.substr(start, element.find('"', start) - start);
}

// Every <line> and every <path> of the document expanded back into its segments, in order:
// "M x y" starts a piece of a path, each "L x y" draws a segment from where the last ended.
// (Read by hand: a path of thousands of segments is too long for std::regex.)
std::vector<Segment> segmentsOf(const std::string& svg)
{
    std::vector<Segment> out;
    for (std::size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
        const bool line = svg.compare(at, 6, "<line ") == 0;
        if (!line && svg.compare(at, 6, "<path ") != 0) continue;
        const std::string e = svg.substr(at, svg.find("/>", at) + 2 - at);
        const std::string stroke = attributeOf(e, "stroke");
        const std::string width = attributeOf(e, "stroke-width");
        if (line) {
            out.push_back({parseFloat(attributeOf(e, "x1")), parseFloat(attributeOf(e, "y1")),
                           parseFloat(attributeOf(e, "x2")), parseFloat(attributeOf(e, "y2")), stroke, width});
            continue;
        }
        EXPECT_EQ(attributeOf(e, "fill"), "none") << e.substr(0, 80);
        EXPECT_EQ(attributeOf(e, "stroke-linejoin"), "round");
        const std::string d = attributeOf(e, "d");
        float x = 0, y = 0;
        bool started = false;
        for (std::size_t i = 0; i < d.size();) {
            const char command = d[i];
            EXPECT_TRUE(command == 'M' || command == 'L') << d.substr(i, 20);
            const std::size_t blank = d.find(' ', i);
            const std::size_t next = d.find_first_of("ML", blank);
            const float nx = parseFloat(d.substr(i + 1, blank - i - 1));
            const float ny = parseFloat(d.substr(blank + 1, next == std::string::npos ? std::string::npos : next - blank - 1));
            if (command == 'L') {
                EXPECT_TRUE(started) << "a path starts with a line";
                out.push_back({x, y, nx, ny, stroke, width});
            }
            x = nx;
            y = ny;
            started = true;
            if (next == std::string::npos) break;
            i = next;
        }
    }
    return out;
}

std::string hexColour(const Rgb& c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

// The lines of a display list after its last Clear, as segments.
std::vector<Segment> segmentsOf(const DisplayList& list)
{
    std::vector<Segment> out;
    for (const DrawOp& op : list.ops) {
        if (std::holds_alternative<Clear>(op)) out.clear();
        if (const Line* l = std::get_if<Line>(&op))
            out.push_back({l->from.x, l->from.y, l->to.x, l->to.y, hexColour(l->colour), std::to_string(l->penWidth * 15)});
    }
    return out;
}

DataSet graphData() { return dataSetOf({0.02, 0.1, 1.0, 5.0}, {2.0, 4.0, 7.0, 10.0}, "ATP", "mM"); }

const std::vector<CurveFit> kCurves = {curveOf(10.0, 1.3, 0.5)};

}  // namespace

TEST(SvgWriter, DocumentIsInTwipsOnAWhitePage)
{
    const std::string svg = writeSvg(DisplayList{});
    EXPECT_TRUE(wellFormed(svg));
    EXPECT_NE(svg.find("version=\"1.1\""), std::string::npos);
    EXPECT_NE(svg.find("viewBox=\"0 0 11800 8000\""), std::string::npos);
    EXPECT_NE(svg.find("width=\"8.194444444444445in\""), std::string::npos);
    EXPECT_NE(svg.find("height=\"5.555555555555555in\""), std::string::npos);
    EXPECT_EQ(countOf(svg, "<rect"), 1U);
    EXPECT_NE(svg.find("fill=\"#ffffff\""), std::string::npos);
}

TEST(SvgWriter, GraphsComeOutWithExactlyTheListsCoordinates)
{
    const DataSet data = graphData();
    Graph2State g;
    const std::vector<std::pair<std::string, DisplayList>> lists = {
        {"graph1", buildGraph1(data)}, {"graph2", buildGraph2(data, kCurves, false, g)}};
    for (const auto& [name, list] : lists) {
        const std::string svg = writeSvg(list);
        EXPECT_TRUE(wellFormed(svg)) << name;
        expectXmllintAccepts(svg, name);

        std::vector<float> lineEnds;
        std::vector<float> centres;
        std::vector<float> textCorners;
        for (const DrawOp& op : list.ops) {
            if (const Line* l = std::get_if<Line>(&op)) lineEnds.insert(lineEnds.end(), {l->from.x, l->from.y, l->to.x, l->to.y});
            if (const Circle* c = std::get_if<Circle>(&op)) centres.insert(centres.end(), {c->centre.x, c->centre.y});
            if (const Dot* d = std::get_if<Dot>(&op)) centres.insert(centres.end(), {d->at.x, d->at.y});
            if (const Text* t = std::get_if<Text>(&op)) textCorners.insert(textCorners.end(), {t->topLeft.x, t->topLeft.y});
        }
        // lines and paths expanded back into segments are the list's lines, to the bit
        EXPECT_EQ(segmentsOf(svg), segmentsOf(list)) << name;
        EXPECT_EQ(segmentsOf(list).size() * 4, lineEnds.size()) << name;
        EXPECT_EQ(numbersOf(svg, std::regex(R"re((?:cx|cy)="([^"]+)")re")), centres) << name;
        const std::vector<float> corners = numbersOf(svg, std::regex(R"re(<text x="([^"]+)" y="([^"]+)")re"));
        EXPECT_EQ(corners, textCorners) << name;
    }
}

TEST(SvgWriter, PensFillsAndFontsFollowTheList)
{
    DisplayList list;
    list.fontFamily = "MS Sans Serif";
    list.add(Line{{1, 2}, {3, 4}, 3, kBlue});
    list.add(Circle{{10, 20}, 30, 1, kRed, kRed});
    list.add(Circle{{40, 50}, 30, 3, kRed, std::nullopt});
    list.add(Dot{{1001, 3000.5F}, kBlack});
    list.add(Text{{400, 540}, "0.9", 8.25, kBlack});
    const std::string svg = writeSvg(list);
    EXPECT_TRUE(wellFormed(svg));
    EXPECT_NE(svg.find(R"(stroke="#0000ff" stroke-width="45")"), std::string::npos);  // 3 pixels of 15 twips
    EXPECT_NE(svg.find(R"(r="30" stroke="#ff0000" stroke-width="15" fill="#ff0000")"), std::string::npos);
    EXPECT_NE(svg.find(R"(r="30" stroke="#ff0000" stroke-width="45" fill="none")"), std::string::npos);
    EXPECT_NE(svg.find(R"(cx="1001" cy="3000.5")"), std::string::npos);
    EXPECT_NE(svg.find(R"(dominant-baseline="hanging" font-family="MS Sans Serif" font-size="165")"),
              std::string::npos);
    EXPECT_NE(svg.find(R"(xml:space="preserve">0.9</text>)"), std::string::npos);
}

TEST(SvgWriter, ClearStartsAFreshPicture)
{
    DisplayList list;
    list.add(Line{{1, 2}, {3, 4}, 3, kBlack});
    list.add(Text{{5, 6}, "old", 8.25, kBlack});
    list.add(Clear{});
    list.add(Circle{{7, 8}, 30, 3, kRed, std::nullopt});
    list.add(Clear{});
    list.add(Text{{9, 10}, "new", 12, kBlack});
    const std::string svg = writeSvg(list);
    EXPECT_TRUE(wellFormed(svg));
    EXPECT_EQ(countOf(svg, "<line"), 0U);
    EXPECT_EQ(countOf(svg, "<circle"), 0U);
    EXPECT_EQ(svg.find(">old<"), std::string::npos);
    EXPECT_NE(svg.find(">new<"), std::string::npos);
    EXPECT_EQ(countOf(svg, "<rect"), 1U);
    // the white page lies under what follows the clear
    EXPECT_LT(svg.find("<rect"), svg.find("<text"));

    // a redrawn graph 2 shows only its new picture
    const DataSet data = graphData();
    Graph2State g;
    buildGraph2(data, kCurves, false, g);
    g.firstDrawing = false;
    const DisplayList redrawn = buildGraph2(data, kCurves, false, g, 3, 800);
    const std::string svg2 = writeSvg(redrawn);
    EXPECT_TRUE(wellFormed(svg2));
    EXPECT_EQ(countOf(svg2, "<rect"), 1U);
    EXPECT_EQ(segmentsOf(svg2), segmentsOf(redrawn));
}

// Consecutive lines of one pen are one path, whether or not they meet; a change of pen or
// any other drawing between them starts a new element.
TEST(SvgWriter, LinesOfOnePenBecomeOnePath)
{
    DisplayList list;
    list.add(Line{{0, 0}, {10, 5.5F}, 1, kBlue});
    list.add(Line{{10, 5.5F}, {20, 0.25F}, 1, kBlue});
    list.add(Line{{30, 30}, {40, 40}, 1, kBlue});     // not joined: a new piece of the path
    list.add(Line{{40, 40}, {50, 40}, 2, kBlue});     // another width
    list.add(Line{{50, 40}, {60, 40}, 2, kRed});      // another colour
    list.add(Dot{{1, 1}, kBlack});
    list.add(Line{{60, 40}, {70, 40}, 2, kRed});      // after a dot
    const std::string svg = writeSvg(list);
    EXPECT_TRUE(wellFormed(svg));
    EXPECT_EQ(countOf(svg, "<path"), 1U);
    EXPECT_EQ(countOf(svg, "<line"), 3U);
    EXPECT_NE(svg.find(R"(d="M0 0L10 5.5L20 0.25M30 30L40 40")"), std::string::npos);
    EXPECT_EQ(segmentsOf(svg), segmentsOf(list));
}

TEST(SvgWriter, TextsAreEscaped)
{
    DataSet data = graphData();
    data.ligandName = "<b>&amp; \"Na+\" 'K'";
    data.concUnit = "µM\x01\xff";
    const DisplayList list = buildGraph1(data);
    const std::string svg = writeSvg(list);
    EXPECT_TRUE(wellFormed(svg));
    expectXmllintAccepts(svg, "escaped");
    EXPECT_NE(svg.find("Log [ &lt;b&gt;&amp;amp; &quot;Na+&quot; &apos;K&apos; ]  ( µM\xEF\xBF\xBD )"),
              std::string::npos);

    DisplayList family;
    family.fontFamily = "A&B <Sans>";
    family.add(Text{{0, 0}, "  two  blanks  ", 9.75, kBlack});
    const std::string svg2 = writeSvg(family);
    EXPECT_TRUE(wellFormed(svg2));
    EXPECT_NE(svg2.find("font-family=\"A&amp;B &lt;Sans&gt;\""), std::string::npos);
    EXPECT_NE(svg2.find(">  two  blanks  </text>"), std::string::npos);
}

TEST(SvgWriter, TheWellFormednessCheckRejectsBrokenDocuments)
{
    for (const char* broken : {"<svg><line></svg>", "<svg>a < b</svg>", "<svg>a & b</svg>", "<svg x=\"<\"/>",
                               "<svg></svg><svg></svg>", "text only"}) {
        EXPECT_FALSE(wellFormed(broken)) << broken;
    }
}
