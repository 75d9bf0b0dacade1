// Points pasted into the list from the clipboard (Ctrl+V and the context menu) and tables
// opened in the data entry window: the rows, the counts and the messages.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "EntryWindowsFixture.h"
#include "entry/TableReader.h"

namespace kinetra {
namespace {

using testing::answerChoice;
using testing::EntryTest;
using testing::settle;
using testing::testData;

const QString kKinetra = QStringLiteral("Kinetra");
const QString kCritica = QStringLiteral("Crítica de Dados");

QString tableData(const char* name)
{
    return QStringLiteral(KINETRA_TEST_DATA_DIR "/tables/") + QLatin1String(name);
}

class PasteAndTable : public EntryTest {
protected:
    // Ctrl+V in the list, with `text` on the clipboard.
    void paste(const QString& text)
    {
        QApplication::clipboard()->setText(text);
        ASSERT_TRUE(testing::waitActive(form));
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_V, Qt::ControlModifier);
        settle();
    }
    void openTable(const QString& path, int chosen = -1)
    {
        platform->typeAnswers.push_back(1);  // "Tables"
        if (chosen >= 0) platform->listAnswers.push_back(chosen);
        readFile(path);
    }
};

TEST_F(PasteAndTable, PastedRowsFollowTheLastPointAndCountAsAnEdit)
{
    readFile(testData("entry_two_points.txt"));
    paste(QStringLiteral("S (mM)\tv\r\n5\t6\r\n\r\n0.7\t8\r\n"));
    EXPECT_TRUE(platform->messages.empty());
    ASSERT_EQ(rowCount(), 4);
    EXPECT_EQ(row(3), (QStringList{"3", "5.0000000E+00", "6.0000000E+00"}));
    EXPECT_EQ(row(4), (QStringList{"4", "7.0000000E-01", "8.0000000E+00"}));
    EXPECT_EQ(st().pointCount, 4);
    EXPECT_EQ(st().nextPointNumber, 5);

    chooseNoReport();
    answerChoice(QStringLiteral("optno"));  // "Save data changed?" is asked
    drawGraph();
    EXPECT_TRUE(testing::allModalsAnswered());
    EXPECT_EQ(st().dataSet.concentration, (std::vector<double>{0.7, 1, 3, 5}));
}

TEST_F(PasteAndTable, TheContextMenuPastesIntoAFreshListInTheLocalesForm)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QApplication::clipboard()->setText(QStringLiteral("0,5\t1,5\n2.5\t3\n"));
    QAction* action = list()->findChild<QAction*>(QStringLiteral("actPastePoints"));
    ASSERT_TRUE(action && list()->actions().contains(action)) << "in the list's context menu";
    EXPECT_EQ(action->shortcut(), QKeySequence(QKeySequence::Paste));
    action->trigger();
    ASSERT_EQ(rowCount(), 2);
    EXPECT_EQ(row(1), (QStringList{"1", "5,0000000E-01", "1,5000000E+00"}));
    EXPECT_EQ(row(2), (QStringList{"2", "2,5000000E+00", "3,0000000E+00"}));
    EXPECT_TRUE(control<QPushButton>("cmmdataOk")->isEnabled()) << "the points can be handed on";
    EXPECT_FALSE(control<QRadioButton>("optFile")->isEnabled());
}

TEST_F(PasteAndTable, ARefusedPasteSaysWhyAndChangesNothing)
{
    struct Case {
        const char* clipboard;
        QString text, title;
    };
    const Case cases[] = {
        {"1\t2\n0\t3\n", QStringLiteral("Wrong Concentration\r\n\r\nLine 2 of the pasted text: no point was pasted."),
         kCritica},
        {"1\t2\n3\tx\n", QStringLiteral("Wrong Rate\r\n\r\nLine 2 of the pasted text: no point was pasted."), kCritica},
        {"just words", QStringLiteral("The clipboard holds no points: copy two columns from a spreadsheet, the "
                                      "concentrations and the rates."),
         kKinetra},
    };
    readFile(testData("entry_two_points.txt"));
    for (const Case& c : cases) {
        platform->messages.clear();
        paste(QString::fromLatin1(c.clipboard));
        ASSERT_EQ(platform->messages.size(), 1u) << c.clipboard;
        EXPECT_EQ(platform->messages[0].text, c.text);
        EXPECT_EQ(platform->messages[0].title, c.title);
        EXPECT_EQ(rowCount(), 2);
        EXPECT_EQ(st().pointCount, 2);
        EXPECT_FALSE(form->dataEdited());
    }
}

TEST_F(PasteAndTable, The201stPastedPointIsRefusedWithTheKeyboardsMessage)
{
    QString text;
    for (int i = 1; i <= 201; ++i) text += QStringLiteral("%1\t%2\n").arg(i).arg(i + 1000);
    paste(text);
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_EQ(platform->messages[0].text, QString::fromUtf8(kPointLimitText));
    EXPECT_EQ(platform->messages[0].title, kKinetra);
    ASSERT_EQ(rowCount(), 200);
    EXPECT_EQ(row(200), (QStringList{"200", "2.0000000E+02", "1.2000000E+03"}));
    EXPECT_EQ(st().pointCount, 200);
}

TEST_F(PasteAndTable, ATableOfThreeDataSetsAsksWhichOneAndKeepsTheOthers)
{
    // en_plate_wide.csv: WT, Mut and Inh in three replicate columns each; WT has an OVER
    // cell and Inh an empty one
    openTable(tableData("en_plate_wide.csv"), 1);
    ASSERT_EQ(platform->fileTypesOffered.size(), 1u);
    EXPECT_EQ(platform->fileTypesOffered[0],
              (QStringList{"Data files (*)", "Tables (*.csv *.tsv *.txt)"}));
    ASSERT_EQ(platform->listsOffered.size(), 1u);
    EXPECT_EQ(platform->listsOffered[0], (QStringList{"WT (20 points)", "Mut (21 points)", "Inh (20 points)"}));

    ASSERT_EQ(platform->messages.size(), 1u) << "the two warnings in one message";
    EXPECT_EQ(platform->messages[0].text.count(QStringLiteral("\r\n")), 3) << "a heading and a line each";
    EXPECT_TRUE(platform->messages[0].text.contains(QStringLiteral("OVER")));

    ASSERT_EQ(rowCount(), 21);
    EXPECT_EQ(row(1), (QStringList{"1", "5.000E-02", "4.100E+00"}));
    EXPECT_EQ(row(21), (QStringList{"21", "5.000E+00", "6.820E+01"}));
    EXPECT_EQ(st().pointCount, 21);

    ASSERT_EQ(st().otherDataSets.size(), 2u);
    const DataSet& wt = st().otherDataSets[0];
    EXPECT_EQ(wt.pointCount(), 20);
    EXPECT_TRUE(std::is_sorted(wt.concentration.begin(), wt.concentration.end()));
    EXPECT_EQ(st().otherDataSets[1].pointCount(), 20);

    testing::typeText(control<QLineEdit>("txtRatUnit"), QStringLiteral("U/mg "));
    handOnAndReturn();  // a table read is no edit: nothing to save
    EXPECT_EQ(st().otherDataSets[1].rateUnit, "U/mg") << "labelled at the hand-off";

    // a data file read afterwards leaves no table behind
    readFile(testData("entry_two_points.txt"));
    EXPECT_TRUE(st().otherDataSets.empty());
}

TEST_F(PasteAndTable, ATableThatCannotBeReadOrACancelledChoiceLeavesTheList)
{
    // the window shown again after a hand-off: File can be chosen again over the list
    readFile(testData("entry_two_points.txt"));
    handOnAndReturn();

    openTable(tableData("hostile_header_only.csv"));
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_EQ(platform->messages[0].title, QStringLiteral("Wrong Data"));
    EXPECT_EQ(hub->dataEntryWindow(), form) << "the window stays";

    openTable(tableData("en_plate_wide.csv"));  // the choice cancelled
    EXPECT_EQ(platform->listsOffered.size(), 1u);
    EXPECT_EQ(rowCount(), 2);
    EXPECT_EQ(row(2), (QStringList{"2", "3.000E+00", "4.000E+00"}));
    EXPECT_TRUE(st().otherDataSets.empty());
    EXPECT_FALSE(control<QRadioButton>("optFile")->isChecked()) << "File can be chosen again";
}

}  // namespace
}  // namespace kinetra
