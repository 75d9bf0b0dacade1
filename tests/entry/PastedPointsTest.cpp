// Points pasted from a spreadsheet: the parser's cases in one table, and what a paste does
// to the data entry's list and counts (numbering, reused rows, the limit of 200).
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "entry/DataEntry.h"
#include "entry/PastedPoints.h"
#include "support/TempDir.h"

namespace kinetra {
namespace {

using Pairs = std::vector<std::pair<double, double>>;

struct PasteCase {
    const char* name;
    const char* text;
    char sep;
    PasteStatus status;
    Pairs points;  // for Points
    int line;      // for Wrong...
};

void PrintTo(const PasteCase& c, std::ostream* os) { *os << c.name; }

constexpr auto kPoints = PasteStatus::Points;
constexpr auto kNone = PasteStatus::NoPoints;
constexpr auto kConc = PasteStatus::WrongConcentration;
constexpr auto kRate = PasteStatus::WrongRate;

const PasteCase kCases[] = {
    {"header_crlf", "S (mM)\tv\r\n0.5\t10\r\n1\t20\r\n", '.', kPoints, {{0.5, 10}, {1, 20}}, 0},
    {"locale_comma_or_point", "0,5\t1.5\n2\t3,25\n", ',', kPoints, {{0.5, 1.5}, {2, 3.25}}, 0},
    {"blank_lines_trailing_tabs", "\n1\t2\t\n \t \n3e-1\t4\n\n", '.', kPoints, {{1, 2}, {0.3, 4}}, 0},
    {"lone_cr", "1\t2\r3\t4", '.', kPoints, {{1, 2}, {3, 4}}, 0},
    {"third_column_passed_over", "1\t2\t99\n", '.', kPoints, {{1, 2}}, 0},
    {"semicolons_and_blanks", "1;2\n 3   4 \n", '.', kPoints, {{1, 2}, {3, 4}}, 0},
    {"zero_concentration", "S\tv\n1\t2\n0\t5\n3\t4\n", '.', kConc, {}, 3},
    {"negative_rate", "1\t-2\n", '.', kRate, {}, 1},
    {"missing_rate", "1\t2\n\n3\n", '.', kRate, {}, 3},
    {"empty_rate_cell", "1\t2\n3\t\n", '.', kRate, {}, 2},
    {"text_line_after_points", "1\t2\nabc\tdef\n", '.', kConc, {}, 2},
    {"overflow_is_no_number", "1e999\t2\n1\t2\n", '.', kConc, {}, 1},
    {"one_number_is_no_header", "S\t5\n1\t2\n", '.', kConc, {}, 1},
    {"comma_in_a_point_locale", "1\t2\n0,5\t1\n", '.', kConc, {}, 2},
    {"header_alone", "S\tv\r\n", '.', kNone, {}, 0},
    {"empty", "", '.', kNone, {}, 0},
    {"words", "hello world\nfoo\n", '.', kNone, {}, 0},
    {"no_line_of_two_numbers", "1\n2\n", '.', kNone, {}, 0},
};

class Pasting : public ::testing::TestWithParam<PasteCase> {};

TEST_P(Pasting, ReadsTheLines)
{
    const PasteCase& c = GetParam();
    const PastedPoints got = readPastedPoints(c.text, c.sep);
    EXPECT_EQ(got.status, c.status);
    Pairs points;
    for (const PastedPoint& p : got.points) points.emplace_back(p.concentration, p.rate);
    EXPECT_EQ(points, c.points) << "a refused paste holds no point";
    EXPECT_EQ(got.line, c.line);
}

INSTANTIATE_TEST_SUITE_P(Cases, Pasting, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PasteCase>& c) { return std::string(c.param.name); });

TEST(PasteRefusal, SaysTheKeyboardEntrysWordsAndTheLine)
{
    EXPECT_EQ(pasteRefusalText(readPastedPoints("1\t2\n3\t0\n", '.')),
              "Wrong Rate\r\n\r\nLine 2 of the pasted text: no point was pasted.");
    EXPECT_EQ(pasteRefusalText(readPastedPoints("x\t2\n3\t1\n", '.')).substr(0, 21), "Wrong Concentration\r\n");
    EXPECT_NE(pasteRefusalText(readPastedPoints("", '.')).find("no points"), std::string::npos);
}

// ------------------------------------------------------------------ the paste into the list

class PasteIntoList : public testing::TempDirTest {
protected:
    void read(const std::string& text)
    {
        const std::string path = file("data.txt", text);
        ASSERT_TRUE(entry.readFile(path, path, {}).ok());
    }
    static std::vector<PastedPoint> points(int n)
    {
        std::vector<PastedPoint> out;
        for (int i = 1; i <= n; ++i) out.push_back({double(i), 2.0 * i});
        return out;
    }
    std::string rowText(int row) const
    {
        const ListRow& r = entry.points().row(row);
        return r.number + " " + r.concentration + " " + r.rate;
    }

    EntryCounts st;
    DataEntry entry{st, [] { return ','; }};
};

TEST_F(PasteIntoList, NumbersOnAfterTheLastPointAsTypedPointsAre)
{
    read("1,2\r\n3,4\r\n");
    const PasteDone done = entry.paste({{0.5, 1.25}, {6, 7}});
    EXPECT_EQ(done.added, 2);
    EXPECT_FALSE(done.limitReached);
    ASSERT_EQ(entry.points().rowCount(), 4);
    EXPECT_EQ(rowText(3), "3 5,0000000E-01 1,2500000E+00");
    EXPECT_EQ(rowText(4), "4 6,0000000E+00 7,0000000E+00");
    EXPECT_EQ(st.pointCount, 4);
    EXPECT_EQ(st.nextPointNumber, 5);
    EXPECT_EQ(entry.points().activeCount(), 4);
    EXPECT_TRUE(entry.dataEdited());
}

TEST_F(PasteIntoList, ReusesTheRowsAHandOffEmptiedAndKeepsDeletedRowsDeleted)
{
    read("3,1\r\n1,2\r\n2,3\r\n4,4\r\n");
    ASSERT_TRUE(entry.deleteRow(2));
    ASSERT_TRUE(entry.handOff(ReportLabels{}).ok());  // three points, row 4 emptied
    ASSERT_TRUE(entry.deleteRow(1));
    entry.paste(points(2));
    EXPECT_EQ(entry.points().rowCount(), 5) << "row 4 reused, row 5 added";
    EXPECT_EQ(rowText(4), "4 1,0000000E+00 2,0000000E+00");
    EXPECT_EQ(st.pointCount, 5);
    EXPECT_EQ(entry.points().activeCount(), 4) << "the row deleted before the paste stays out";
}

TEST_F(PasteIntoList, AListEmptiedWithItsCountsKeptStartsAtOne)
{
    st.pointCount = 7;  // a new calculation keeps the counts but shows an empty list
    entry.paste(points(1));
    EXPECT_EQ(rowText(1), "1 1,0000000E+00 2,0000000E+00");
    EXPECT_EQ(st.pointCount, 1);
}

TEST_F(PasteIntoList, TheFirstPointsUpToTheLimitStay)
{
    std::string text;
    for (int i = 1; i <= 199; ++i) text += std::to_string(i) + ",1\r\n";
    read(text);
    PasteDone done = entry.paste(points(3));
    EXPECT_EQ(done.added, 1);
    EXPECT_TRUE(done.limitReached);
    EXPECT_EQ(rowText(200), "200 1,0000000E+00 2,0000000E+00") << "the first pasted point";
    EXPECT_EQ(st.pointCount, 200);

    entry.activate();  // nothing edited since
    done = entry.paste(points(1));
    EXPECT_EQ(done.added, 0);
    EXPECT_TRUE(done.limitReached);
    EXPECT_EQ(entry.points().rowCount(), 200);
    EXPECT_FALSE(entry.dataEdited()) << "a paste that adds nothing changes nothing";
}

// ------------------------------------------------------------------ a table's data sets

TEST(TableSets, RoundedAsListedZeroConcentrationsPassedOverSortedAndLabelled)
{
    const TableDataSet set{"WT", "", "", {2.0, 0.0, 1.23456}, {5.0, 6.0, 7.77777}, {2, 3, 4}};
    const DataSet data = tableDataSet(set, ReportLabels{"", "", " U/mg ", "mM", " ATP", ""});
    EXPECT_EQ(data.concentration, (std::vector<double>{1.235, 2.0}));
    EXPECT_EQ(data.rate, (std::vector<double>{7.778, 5.0}));
    EXPECT_EQ(data.rateUnit, "U/mg");
    EXPECT_EQ(data.ligandName, "ATP");

    const TableDataSet other{"", "", "", {1.0}, {2.0}, {5}};
    const std::vector<DataSet> others = otherTableSets({set, other, set}, 1, ReportLabels{});
    ASSERT_EQ(others.size(), 2u);
    EXPECT_EQ(others[1].concentration, data.concentration);

    EXPECT_EQ(tableSetCaption(set), "WT (3 points)");
    EXPECT_EQ(tableSetCaption(other), "(no name) (1 point)");
}

}  // namespace
}  // namespace kinetra
