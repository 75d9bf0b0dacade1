// Points pasted into the list (Ctrl+V, the context menu) and tables opened in the data entry
// window: the rows, the counts and the messages.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "EntryWindowsFixture.h"

namespace kinetra {
namespace {

using testing::testData;

class PasteAndTable : public testing::EntryTest {
protected:
    // Ctrl+V in the list, with `text` on the clipboard.
    void paste(const QString& text)
    {
        QApplication::clipboard()->setText(text);
        ASSERT_TRUE(testing::waitActive(form));
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_V, Qt::ControlModifier);
        testing::settle();
    }
    // "File" with the type "Tables"; `chosen` answers the choice of a data set (none cancels).
    void openTable(const char* name, int chosen = -1)
    {
        platform->typeAnswers.push_back(1);
        if (chosen >= 0) platform->listAnswers.push_back(chosen);
        readFile(QStringLiteral(KINETRA_TEST_DATA_DIR "/tables/") + QLatin1String(name));
    }
};

TEST_F(PasteAndTable, PastedRowsFollowTheLastPointAndCountAsAnEdit)
{
    readFile(testData("entry_two_points.txt"));
    paste(QStringLiteral("S (mM)\tv\r\n5\t6\r\n\r\n0.7\t8\r\n"));
    EXPECT_TRUE(platform->messages.empty());
    ASSERT_EQ(rowCount(), 4);
    EXPECT_EQ(row(3), (QStringList{"3", "5.0000000E+00", "6.0000000E+00"}));
    EXPECT_EQ(st().pointCount, 4);
    chooseNoReport();
    testing::answerChoice(QStringLiteral("optno"));  // "Save data changed?" is asked
    drawGraph();
    EXPECT_EQ(st().dataSet.concentration, (std::vector<double>{0.7, 1, 3, 5}));
}

TEST_F(PasteAndTable, ARefusedPasteSaysWhyAndChangesNothingAndThe201stPointIsLeftOut)
{
    const std::pair<const char*, QString> refused[] = {
        {"1\t2\n0\t3\n", "Wrong Concentration\r\n\r\nLine 2 of the pasted text: no point was pasted."},
        {"1\t2\n3\tx\n", "Wrong Rate\r\n\r\nLine 2 of the pasted text: no point was pasted."},
        {"just words", "The clipboard holds no points: copy two columns from a spreadsheet, the "
                       "concentrations and the rates."},
    };
    // the list's context menu holds the command Ctrl+V gives
    QAction* action = list()->findChild<QAction*>(QStringLiteral("actPastePoints"));
    ASSERT_TRUE(action && list()->actions().contains(action));
    for (const auto& [clipboard, text] : refused) {
        QApplication::clipboard()->setText(QString::fromLatin1(clipboard));
        action->trigger();
        ASSERT_FALSE(platform->messages.empty());
        EXPECT_EQ(platform->messages.back().text, text);
        EXPECT_EQ(rowCount(), 0);
        EXPECT_FALSE(form->dataEdited());
    }
    QString text;
    for (int i = 1; i <= 201; ++i) text += QStringLiteral("%1\t%2\n").arg(i).arg(i + 1000);
    paste(text);
    EXPECT_EQ(platform->messages.back().text, QString::fromUtf8(kPointLimitText));
    ASSERT_EQ(rowCount(), 200);
    EXPECT_EQ(row(200), (QStringList{"200", "2.0000000E+02", "1.2000000E+03"}));
    EXPECT_EQ(st().pointCount, 200);
}

TEST_F(PasteAndTable, ATableOfThreeDataSetsAsksWhichOneAndKeepsTheOthers)
{
    // WT, Mut and Inh in three replicate columns each; WT has an OVER cell, Inh an empty one
    openTable("en_plate_wide.csv", 1);
    EXPECT_EQ(platform->fileTypesOffered.at(0), (QStringList{"Data files (*)", "Tables (*.csv *.tsv *.txt)"}));
    EXPECT_EQ(platform->listsOffered.at(0), (QStringList{"WT (20 points)", "Mut (21 points)", "Inh (20 points)"}));
    ASSERT_EQ(platform->messages.size(), 1u) << "the two warnings in one message";
    EXPECT_EQ(platform->messages[0].text.count(QStringLiteral("\r\n")), 3) << "a heading and a line each";
    ASSERT_EQ(rowCount(), 21);
    EXPECT_EQ(row(21), (QStringList{"21", "5.000E+00", "6.820E+01"}));

    ASSERT_EQ(st().otherDataSets.size(), 2u);
    const DataSet& wt = st().otherDataSets[0];
    EXPECT_EQ(wt.pointCount(), 20);
    EXPECT_TRUE(std::is_sorted(wt.concentration.begin(), wt.concentration.end()));
    testing::typeText(control<QLineEdit>("txtRatUnit"), QStringLiteral("U/mg "));
    handOnAndReturn();  // a table read is no edit: nothing to save
    EXPECT_EQ(st().otherDataSets[1].rateUnit, "U/mg") << "labelled at the hand-off";

    readFile(testData("entry_two_points.txt"));
    EXPECT_TRUE(st().otherDataSets.empty()) << "a data file leaves no table behind";
}

TEST_F(PasteAndTable, ATableThatCannotBeReadOrACancelledChoiceLeavesTheList)
{
    readFile(testData("entry_two_points.txt"));
    handOnAndReturn();  // File can be chosen again over the list
    openTable("hostile_header_only.csv");
    EXPECT_EQ(platform->messages.at(0).title, QStringLiteral("Wrong Data"));
    openTable("en_plate_wide.csv");
    EXPECT_EQ(hub->dataEntryWindow(), form) << "the window stays";
    EXPECT_EQ(row(2), (QStringList{"2", "3.000E+00", "4.000E+00"}));
    EXPECT_TRUE(st().otherDataSets.empty());
    EXPECT_FALSE(control<QRadioButton>("optFile")->isChecked()) << "File can be chosen again";
}

}  // namespace
}  // namespace kinetra
