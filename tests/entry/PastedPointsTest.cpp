// Points pasted from a spreadsheet: the parser's cases in one table, and the paste into the
// data entry's list (numbered after the last point, emptied rows reused, up to 200 points).
#include <gtest/gtest.h>

#include "entry/DataEntry.h"
#include "support/TempDir.h"

namespace kinetra {
namespace {

struct PasteCase {
    const char* text;
    char sep;
    PasteStatus status;
    std::vector<double> values;  // concentration, rate, concentration, ... when read
    int line;                    // the line refused
};

constexpr auto kRead = PasteStatus::Points;
const PasteCase kCases[] = {
    // a header, CR LF, blank lines, the locale's comma or the point, a trailing tab, a lone
    // CR, a third column
    {"S (mM)\tv\r\n0,5\t10\r\n \t\r\n1.5\t2e1\t\r3 \t 4\t99\n", ',', kRead, {0.5, 10, 1.5, 20, 3, 4}, 0},
    {"1;2\n 3   4 \n", '.', kRead, {1, 2, 3, 4}, 0},  // no tab: semicolons or blanks
    {"S\tv\n1\t2\n0\t5\n3\t4\n", '.', PasteStatus::WrongConcentration, {}, 3},
    {"1\t-2\n", '.', PasteStatus::WrongRate, {}, 1},
    {"1\t2\n\n3\n", '.', PasteStatus::WrongRate, {}, 3},
    {"1\t2\nabc\tdef\n", '.', PasteStatus::WrongConcentration, {}, 2},  // a header only first
    {"1e999\t2\n1\t2\n", '.', PasteStatus::WrongConcentration, {}, 1},  // one number: no header
    {"1\t2\n0,5\t1\n", '.', PasteStatus::WrongConcentration, {}, 2},    // the comma is no mark here
    {"S\tv\r\n", '.', PasteStatus::NoPoints, {}, 0},
    {"hello world\n1\n", '.', PasteStatus::NoPoints, {}, 0},
};

TEST(PastedPoints, ReadsTheLinesOrNamesTheFirstWrongOne)
{
    for (const PasteCase& c : kCases) {
        const PastedPoints got = readPastedPoints(c.text, c.sep);
        std::vector<double> values;
        for (const PastedPoint& p : got.points) values.insert(values.end(), {p.concentration, p.rate});
        EXPECT_EQ(got.status, c.status) << c.text;
        EXPECT_EQ(values, c.values) << c.text;
        EXPECT_EQ(got.line, c.line) << c.text;
    }
}

class PasteIntoList : public testing::TempDirTest {
protected:
    std::string rowText(int row) const
    {
        const ListRow& r = entry.points().row(row);
        return r.number + " " + r.concentration + " " + r.rate;
    }
    EntryCounts st;
    DataEntry entry{st, [] { return ','; }};
};

TEST_F(PasteIntoList, NumbersOnAfterTheLastPointReusingEmptiedRowsUpToTheLimit)
{
    const std::string path = file("data.txt", "3,1\r\n1,2\r\n2,3\r\n4,4\r\n");
    ASSERT_TRUE(entry.readFile(path, path, {}).ok());
    ASSERT_TRUE(entry.deleteRow(2));
    ASSERT_TRUE(entry.handOff(ReportLabels{}).ok());  // three points, row 4 emptied
    ASSERT_TRUE(entry.deleteRow(1));
    EXPECT_EQ(entry.paste({{0.5, 1.25}, {6, 7}}).added, 2);
    EXPECT_EQ(entry.points().rowCount(), 5) << "row 4 reused, row 5 added";
    EXPECT_EQ(rowText(4), "4 5,0000000E-01 1,2500000E+00") << "as a typed point";
    EXPECT_EQ(st.nextPointNumber, 6);
    EXPECT_EQ(entry.points().activeCount(), 4) << "the row deleted before stays out";
    EXPECT_TRUE(entry.dataEdited());
    EXPECT_EQ(entry.paste(std::vector<PastedPoint>(200, {1.0, 2.0})).added, 195) << "up to 200 points";
}

TEST_F(PasteIntoList, AListEmptiedWithItsCountsKeptStartsAtOne)
{
    st.pointCount = 7;  // a new calculation keeps the counts but shows an empty list
    entry.paste({{1.0, 2.0}});
    EXPECT_EQ(rowText(1), "1 1,0000000E+00 2,0000000E+00");
    EXPECT_EQ(st.pointCount, 1);
}

TEST(TableSets, RoundedAsListedZeroConcentrationsPassedOverSortedAndLabelled)
{
    const TableDataSet set{"WT", "", "", {2.0, 0.0, 1.23456}, {5.0, 6.0, 7.77777}, {2, 3, 4}};
    const DataSet data = tableDataSet(set, ReportLabels{"", "", " U/mg ", "mM", " ATP", ""});
    EXPECT_EQ(data.concentration, (std::vector<double>{1.235, 2.0}));
    EXPECT_EQ(data.rate, (std::vector<double>{7.778, 5.0}));
    EXPECT_EQ(data.rateUnit, "U/mg");
    EXPECT_EQ(data.ligandName, "ATP");
}

}  // namespace
}  // namespace kinetra
