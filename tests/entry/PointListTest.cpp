// The point list's editing rules: deleting rows, the correction fields' checks, the rows a
// keyboard entry fills in, and the rows the list control is told about.
#include <gtest/gtest.h>

#include "entry/PointList.h"
#include "kinetics/DataSet.h"

namespace kinetra {
namespace {

const std::vector<ListRow> kRows = {{"1", "1.000E+01", "3.000E+01"},
                                    {"2", "1.000E+00", "1.000E+01"},
                                    {"3", "4.000E+00", "2.000E+01"},
                                    {"4", "2.000E+00", "1.500E+01"}};

std::string texts(const PointList& list, int row)
{
    const ListRow& r = list.row(row);
    return r.number + " " + r.concentration + " " + r.rate;
}

// Steps on a list of four rows of which three hold points (nextPointNumber 4): 'd' deletes
// the row, 'c' and 'r' correct its concentration or rate with the text (typed or not, the
// decimal separator a comma).
struct EditCase {
    const char* name;
    std::vector<std::tuple<char, int, const char*, bool>> steps;  // kind, row, text, typed
    std::string lastResult;  // of the last step: "ok", "refused", "untouched", "no row"
    std::string rowAfter;    // the texts of the last step's row
    int deletedCount;
};

class Editing : public ::testing::TestWithParam<EditCase> {};

TEST_P(Editing, FollowsTheRules)
{
    const EditCase& c = GetParam();
    PointList list;
    std::vector<int> shown;
    list.onChange([&](int row) { shown.push_back(row); }, [&] { shown.clear(); });
    list.load(kRows);
    std::string result;
    for (const auto& [kind, row, text, typed] : c.steps) {
        shown.clear();
        if (kind == 'd') {
            result = list.deleteRow(row, 4) ? "ok" : "no row";
        } else {
            const Correction done = kind == 'c' ? list.correctConcentration(row, text, typed, ',')
                                                : list.correctRate(row, text, typed, ',');
            result = done == Correction::Accepted  ? "ok"
                     : done == Correction::Refused ? "refused"
                                                   : "untouched";
        }
        EXPECT_EQ(shown, result == "ok" ? std::vector<int>{row} : std::vector<int>{})
            << "the control is told";
    }
    EXPECT_EQ(result, c.lastResult);
    EXPECT_EQ(texts(list, std::get<1>(c.steps.back())), c.rowAfter);
    EXPECT_EQ(list.deletedCount(), c.deletedCount);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, Editing,
    ::testing::Values(
        EditCase{"delete", {{'d', 3, "", false}}, "ok", "3 0 0", 1},
        EditCase{
            "deleteTwiceCountsOnce", {{'d', 3, "", false}, {'d', 3, "", false}}, "ok", "3 0 0", 1},
        EditCase{"deleteBeyondThePoints",
                 {{'d', 2, "", false}, {'d', 4, "", false}},
                 "no row",
                 "4 2.000E+00 1.500E+01",
                 1},
        EditCase{"concentration", {{'c', 2, "0,0123456", true}}, "ok", "2 1,235E-02 1.000E+01", 0},
        EditCase{"rate", {{'r', 2, "45,67", true}}, "ok", "2 1.000E+00 4,567E+01", 0},
        EditCase{"typedZero", {{'c', 2, "0", true}}, "refused", "2 1.000E+00 1.000E+01", 0},
        EditCase{
            "typedNegativeRate", {{'r', 2, "-2", true}}, "refused", "2 1.000E+00 1.000E+01", 0},
        EditCase{"deletedRowLeftAsItIs",
                 {{'d', 2, "", false}, {'c', 2, "0", false}},
                 "untouched",
                 "2 0 0",
                 1},
        EditCase{"rateKeepsARowDeleted",
                 {{'d', 2, "", false}, {'r', 2, "7", true}},
                 "ok",
                 "2 0 7,000E+00",
                 1},
        EditCase{"concentrationRestoresARow",
                 {{'d', 2, "", false}, {'c', 2, "3", true}},
                 "ok",
                 "2 3,000E+00 0",
                 0}),
    [](const auto& p) { return std::string(p.param.name); });

// Keyboard entry: the row that point n goes to when the entry window opens.
struct StartCase {
    const char* name;
    int rows, saved, n;  // rows in the list, points already there, the point about to be typed
    int rowsAfter, rowNamed;
};

class StartingAPoint : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartingAPoint, ReusesARowBeyondThePointsOrAddsOne)
{
    const StartCase& c = GetParam();
    PointList list;
    list.load(std::vector<ListRow>(static_cast<std::size_t>(c.rows)));
    list.startPoint(c.n, c.saved);
    EXPECT_EQ(list.rowCount(), c.rowsAfter);
    EXPECT_EQ(list.row(c.rowNamed).number, std::to_string(c.n));
}

INSTANTIATE_TEST_SUITE_P(Rows, StartingAPoint,
                         ::testing::Values(StartCase{"emptyList", 0, 0, 1, 1, 1},
                                           StartCase{"afterThePoints", 4, 4, 5, 5, 5},
                                           StartCase{"rowEmptiedByAHandOff", 5, 4, 5, 5, 5},
                                           StartCase{"pointBeyondTheRows", 3, 2, 5, 4, 4}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PointList, KeyboardEntryTakesPositiveNumbersUpToTheLimit)
{
    PointList list;
    list.startPoint(1, 0);
    EXPECT_FALSE(list.enterValue(1, 1, "0", '.'));
    EXPECT_TRUE(list.enterValue(1, 1, "8", '.'));
    EXPECT_TRUE(list.enterValue(1, 2, "80.5", '.'));
    list.nextPoint(2);
    list.nextPoint(2);
    EXPECT_EQ(texts(list, 1) + "|" + texts(list, 2), "1 8.0000000E+00 8.0500000E+01|2  ");
    EXPECT_TRUE(PointList::roomFor(kMaxPoints));
    EXPECT_FALSE(PointList::roomFor(kMaxPoints + 1));
}

TEST(PointList, RewriteAndLoadForgetTheDeletedRows)
{
    PointList list;
    list.load(kRows);
    ASSERT_TRUE(list.deleteRow(1, 5));
    std::vector<ListRow> sorted(kRows.rbegin(), kRows.rend());
    list.rewrite(sorted);
    EXPECT_EQ(list.deletedCount(), 0);
    EXPECT_EQ(texts(list, 1), "4 2.000E+00 1.500E+01");
    ASSERT_TRUE(list.deleteRow(1, 5));
    list.load(kRows);
    EXPECT_EQ(list.deletedCount(), 0);
}

}  // namespace
}  // namespace kinetra
