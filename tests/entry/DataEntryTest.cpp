// The data entry's state and steps without its window: what a new activation keeps, a
// file read over a list, the corrections and deletions, the changed points saved, the
// hand-off and the words of a report that cannot be begun.
#include <gtest/gtest.h>

#include <fstream>

#include "base/RuntimeFailure.h"
#include "entry/DataEntry.h"
#include "support/TempDir.h"

namespace kinetra {
namespace {

using testing::slurp;
using testing::TempDirTest;

const ReportClock kMoment{"27/09/2005", "14:05:09"};

class PrinterThatFails : public ReportOutput {
public:
    ReportForm form() const override { return ReportForm::Printer; }
    void begin(const std::vector<std::string>&) override { throw RuntimeFailure(failure::PrinterError); }
    void append(const std::vector<std::string>&) override {}
};

class DataEntrySteps : public TempDirTest {
protected:
    std::vector<std::string> concentrations() const
    {
        std::vector<std::string> out;
        for (const ListRow& r : entry.points().rows()) out.push_back(r.concentration);
        return out;
    }
    // Reads `text` as a data file into the list.
    void read(const std::string& text)
    {
        const std::string path = file("data.txt", text);
        ASSERT_TRUE(entry.readFile(path, path, {}).ok());
    }

    EntryCounts st;
    char sep = '.';
    DataEntry entry{st, [this] { return sep; }};
};

TEST_F(DataEntrySteps, ActivationEmptiesTheListOnlyTheFirstTimeAndResumesTheNumbering)
{
    st.firstActivation = true;
    read("3,1\r\n1,2\r\n2,3\r\n");
    entry.activate();
    EXPECT_TRUE(entry.points().rows().empty()) << "the first activation starts an empty list";
    EXPECT_FALSE(st.firstActivation);

    read("3,1\r\n1,2\r\n2,3\r\n");
    ASSERT_TRUE(entry.deleteRow(2));
    entry.markEdited();
    ASSERT_TRUE(entry.handOff(ReportLabels{}).ok());
    EXPECT_EQ(concentrations(), (std::vector<std::string>{"2.000E+00", "3.000E+00", ""}))
        << "two points handed on, sorted; the deleted row is gone";
    st.nextPointNumber = 9;  // a later entry moved the numbering on

    entry.activate();  // the window shown again after the graphs
    EXPECT_EQ(entry.points().rowCount(), 3) << "the list stays";
    EXPECT_EQ(entry.points().deletedCount(), 0);
    EXPECT_EQ(st.nextPointNumber, 3) << "numbering goes on after the points handed on";
    EXPECT_EQ(entry.points().activeCount(), 2);
    EXPECT_FALSE(entry.dataEdited());
}

TEST_F(DataEntrySteps, AFileThatCannotBeReadLeavesTheListAsItWas)
{
    read("1,2\r\n3,4\r\n");
    const std::vector<std::string> before = concentrations();
    const std::string missing = (dir / "missing.txt").string();
    st.pointCount = 7;
    const Status failed = entry.readFile(missing, missing, {});
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.failure().number, failure::FileNotFound);
    EXPECT_EQ(st.pointCount, 7) << "the counts stay as they were";
    EXPECT_EQ(concentrations(), before);
    EXPECT_EQ(entry.points().activeCount(), 2);
    EXPECT_EQ(entry.dataFileName(), missing) << "the name chosen is kept, as the window showed it";
}

TEST_F(DataEntrySteps, CorrectionsReadTheSeparatorOfTheMomentAndDeletionsOnlyRowsWithPoints)
{
    read("1,2\r\n3,4\r\n");
    entry.startCorrection(2);
    EXPECT_EQ(entry.editRow(), 2);
    sep = ',';  // the user changed the locale while the window was open
    EXPECT_EQ(entry.correctConcentration("2.5", true), Correction::Refused);
    EXPECT_EQ(entry.correctConcentration("2,5", true), Correction::Accepted);
    EXPECT_EQ(entry.points().row(2).concentration, "2,500E+00");
    EXPECT_EQ(entry.correctRate("-1", true), Correction::Refused);

    EXPECT_FALSE(entry.deleteRow(3)) << "no third point";
    EXPECT_TRUE(entry.deleteRow(1));
    EXPECT_EQ(entry.points().row(1).rate, "0");
}

TEST_F(DataEntrySteps, KeyboardEntryCountsTheRowsEnteredAndACancelCountsNone)
{
    read("1,2\r\n3,4\r\n5,6\r\n");
    entry.startKeyboardEntry();
    EXPECT_TRUE(entry.points().rows().empty());
    EXPECT_EQ(st.nextPointNumber, 1);
    EXPECT_TRUE(entry.dataEdited());
    entry.points().startPoint(1, 0);
    ASSERT_TRUE(entry.points().enterValue(1, 1, "2", '.'));
    ASSERT_TRUE(entry.points().enterValue(1, 2, "3", '.'));
    entry.keyboardEntryOver();
    EXPECT_EQ(entry.points().activeCount(), 1);
    entry.keyboardEntryCancelled();
    EXPECT_EQ(entry.points().activeCount(), 0);
}

TEST_F(DataEntrySteps, SavingChangedPoints)
{
    read("3,1\r\n1,2\r\n");
    ASSERT_TRUE(entry.deleteRow(1));

    const std::string saved = (dir / "saved.txt").string();
    EXPECT_FALSE(entry.savePoints(saved, saved));
    EXPECT_EQ(entry.changedDataFileName(), saved);
    // the saved file reads back as the points in use: the deleted row is not saved
    EntryCounts counts;
    DataEntry reread(counts, [] { return '.'; });
    ASSERT_TRUE(reread.readFile(saved, saved, {}).ok());
    EXPECT_EQ(counts.pointCount, 1);
    EXPECT_EQ(counts.nextPointNumber, 2);
    ASSERT_EQ(reread.points().rowCount(), 1);
    EXPECT_EQ(reread.points().row(1).concentration, "1.000E+00");

    EXPECT_FALSE(entry.savePoints("", "")) << "a cancelled dialog writes nothing and goes on";
    EXPECT_EQ(entry.changedDataFileName(), "");

    const std::string inFile = (dir / "saved.txt" / "x.txt").string();
    const std::optional<std::string> said = entry.savePoints(inFile, inFile);
    ASSERT_TRUE(said);
    EXPECT_EQ(said->rfind("The data points could not be saved in the file " + inFile + "\r\n", 0), 0u) << *said;
    EXPECT_EQ(entry.points().rowCount(), 2) << "the list is not touched";
}

TEST_F(DataEntrySteps, AListTheHandOffRefusesStaysAsItWas)
{
    read("1,2\r\n3,4\r\n");
    // a text too large for a double can only come from a list row; put one there directly
    std::vector<ListRow> rows = entry.points().rows();
    rows[0].concentration = "1E+400";
    entry.points().load(rows);
    const std::vector<std::string> before = concentrations();
    const Outcome<DataSet> failed = entry.handOff(ReportLabels{});
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.failure().number, failure::Overflow);
    EXPECT_EQ(concentrations(), before);
}

TEST_F(DataEntrySteps, AReportThatCannotBeBegunIsWordedForItsDestination)
{
    read("3,1\r\n1,2\r\n");
    PrinterThatFails printer;
    EXPECT_FALSE(entry.startReport(printer, true, "", ReportLabels{}, kMoment)) << "nothing handed on, no report";
    ASSERT_TRUE(entry.handOff(ReportLabels{}).ok());

    std::optional<std::string> said = entry.startReport(printer, true, "", ReportLabels{}, kMoment);
    ASSERT_TRUE(said);
    EXPECT_EQ(*said, "The report cannot be printed (" + standardDescription(failure::PrinterError) +
                         ").\r\nThe calculation goes on without a report.");

    const std::string path = (dir / "none" / "report.txt").string();
    ReportFile report(path);
    said = entry.startReport(report, false, path, ReportLabels{}, kMoment);
    ASSERT_TRUE(said);
    EXPECT_EQ(said->rfind("The report file " + path + " cannot be written (", 0), 0u) << *said;

    ReportFile good((dir / "report.txt").string());
    EXPECT_FALSE(entry.startReport(good, false, (dir / "report.txt").string(), ReportLabels{}, kMoment));
    EXPECT_NE(slurp(dir / "report.txt").find("1.000E+00"), std::string::npos) << "the sorted data lines";
}

}  // namespace
}  // namespace kinetra
