// Editing the point list: the change dialog's four answers, deleting (once per row), the
// correction fields with their checks, and clicks that do not land on a row.
#include <QLabel>
#include <QTest>

#include "EntryWindowsFixture.h"

namespace kinetra {
namespace {

using testing::answerChoice;
using testing::clickInWindow;
using testing::EntryTest;
using testing::pressEnter;
using testing::settle;
using testing::testData;
using testing::typeText;
using testing::waitActive;

class ListEditing : public EntryTest {
protected:
    void SetUp() override
    {
        EntryTest::SetUp();
        readFile(testData("entry_five_unsorted.txt"));
        ASSERT_EQ(rowCount(), 5);
    }
};

TEST_F(ListEditing, DeletingARowTwiceCountsItOnce)
{
    clickRow(3, QStringLiteral("optdelete"));
    clickRow(3, QStringLiteral("optdelete"));
    EXPECT_EQ(row(3), (QStringList{"3", "0", "0"}));
    EXPECT_EQ(form->deletedCount(), 1);
    clickRow(2, QStringLiteral("optdelete"));
    EXPECT_EQ(form->deletedCount(), 2);

    chooseNoReport();
    answerChoice(QStringLiteral("optno"));  // "Save data changed?"
    drawGraph();
    EXPECT_EQ(st().pointCount, 3);
    EXPECT_DOUBLE_EQ(st().dataSet.concentration.at(1 - 1), 2.0);
    EXPECT_DOUBLE_EQ(st().dataSet.concentration.at(2 - 1), 4.0);
    EXPECT_DOUBLE_EQ(st().dataSet.concentration.at(3 - 1), 10.0);
}

TEST_F(ListEditing, DeletingARowBeyondThePointsIsRefused)
{
    clickRow(3, QStringLiteral("optdelete"));
    chooseNoReport();
    answerChoice(QStringLiteral("optno"));
    drawGraph();
    hub->closeGraph1();
    hub->showDataEntry();
    settle();
    ASSERT_EQ(row(5), (QStringList{"", "", ""})) << "the hand-off empties the rows after its points";

    platform->messages.clear();
    clickRow(5, QStringLiteral("optdelete"));
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_EQ(platform->messages[0].text, QStringLiteral("There is no a specified data pair to be excluded"));
    EXPECT_EQ(platform->messages[0].title, QStringLiteral("Kinetra"));
    EXPECT_EQ(platform->messages[0].icon, MessageIcon::None);
    EXPECT_EQ(form->deletedCount(), 0);
    EXPECT_EQ(row(4), (QStringList{"4", "1.000E+01", "3.000E+01"}));
}

TEST_F(ListEditing, ChangingAPointChecksAndRewritesBothValues)
{
    clickRow(2, QStringLiteral("optchange"));
    auto* con = control<QLineEdit>("txtConCorrigida");
    auto* rate = control<QLineEdit>("txtRatCorrigida");
    auto* label = control<QLabel>("lblAlteraPonto");
    ASSERT_TRUE(waitActive(con));
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("Point # 2"));
    EXPECT_TRUE(con->isVisible() && con->isEnabled());
    EXPECT_TRUE(rate->isVisible() && rate->isEnabled());
    EXPECT_EQ(con->text(), QStringLiteral("1.000E+00"));
    EXPECT_EQ(rate->text(), QStringLiteral("1.000E+01"));
    EXPECT_EQ(form->editRow(), 2);
    EXPECT_FALSE(con->hasFocus()) << "the change moves no focus";
    clickInWindow(con);
    settle();
    EXPECT_TRUE(con->hasFocus());
    EXPECT_EQ(con->selectedText(), con->text()) << "the field selects its text on receiving the focus";

    typeText(con, QStringLiteral("0"));
    pressEnter(con);
    EXPECT_EQ(platform->messages.back().text, QStringLiteral("Wrong Concentration"));
    EXPECT_TRUE(con->hasFocus());
    EXPECT_EQ(row(2)[1], QStringLiteral("1.000E+00"));

    typeText(con, QStringLiteral("0.0123456"));
    pressEnter(con);
    EXPECT_EQ(row(2)[1], QStringLiteral("1.235E-02"));
    EXPECT_TRUE(rate->hasFocus());

    // a wrong rate keeps the correction open even against a click on the list
    typeText(rate, QStringLiteral("-2"));
    answerChoice(QStringLiteral("optok"));
    const QRect other = list()->visualItemRect(list()->topLevelItem(0));
    clickInWindow(list()->viewport(), other.center());
    settle();
    EXPECT_EQ(platform->messages.back().text, QStringLiteral("Wrong Rate"));
    EXPECT_TRUE(rate->hasFocus());
    EXPECT_EQ(rate->selectedText(), QStringLiteral("-2"));
    EXPECT_EQ(row(2)[2], QStringLiteral("1.000E+01"));
    EXPECT_FALSE(testing::allModalsAnswered()) << "the click reached the list";
    testing::cancelPendingModals();

    typeText(rate, QStringLiteral("45.67"));
    pressEnter(rate);
    EXPECT_EQ(row(2), (QStringList{"2", "1.235E-02", "4.567E+01"}));
    EXPECT_FALSE(label->isVisible());
    EXPECT_FALSE(con->isVisible());
    EXPECT_FALSE(rate->isVisible());
    EXPECT_FALSE(rate->isEnabled());
}

TEST_F(ListEditing, NoOptionChangesTheRateAlone)
{
    clickRow(4, QString());
    auto* rate = control<QLineEdit>("txtRatCorrigida");
    EXPECT_FALSE(control<QLineEdit>("txtConCorrigida")->isVisible());
    EXPECT_FALSE(control<QLabel>("lblAlteraPonto")->isVisible());
    ASSERT_TRUE(waitActive(rate));
    clickInWindow(rate);
    EXPECT_TRUE(rate->hasFocus());
    typeText(rate, QStringLiteral("9"));
    pressEnter(rate);
    EXPECT_EQ(row(4), (QStringList{"4", "2.000E+00", "9.000E+00"}));
}

TEST_F(ListEditing, DataOkChoiceEnablesTheOutputAndTheSaveQuestion)
{
    clickRow(1, QStringLiteral("optok"));
    EXPECT_EQ(row(1), (QStringList{"1", "1.000E+01", "3.000E+01"}));
    EXPECT_TRUE(control<QPushButton>("cmmdataOk")->isEnabled());
    EXPECT_TRUE(control<QGroupBox>("fraSaida")->isEnabled());
    EXPECT_TRUE(control<QRadioButton>("optDestFile")->isEnabled());
    EXPECT_FALSE(control<QGroupBox>("fraTypEnter")->isEnabled());
    EXPECT_TRUE(form->dataEdited());

    // the dialog keeps the answer: Continue alone repeats "Data OK"
    clickRow(2, QString());
    EXPECT_FALSE(control<QLineEdit>("txtRatCorrigida")->isVisible());

    control<QRadioButton>("optDestNone")->click();
    answerChoice(QStringLiteral("optno"));
    drawGraph();
    EXPECT_TRUE(testing::allModalsAnswered()) << "the save question was asked";
    EXPECT_NE(hub->graph1Window(), nullptr);
}

TEST_F(ListEditing, AddedPointsFollowTheList)
{
    clickRow(5, QStringLiteral("optad"));
    frmExpPontos* added = form->addedPointsWindow();
    ASSERT_NE(added, nullptr);
    ASSERT_TRUE(waitActive(added->txtConTeclado));
    typeText(added->txtConTeclado, QStringLiteral("8"));
    pressEnter(added->txtConTeclado);
    typeText(added->txtRatTeclado, QStringLiteral("80"));
    answerChoice(QStringLiteral("optno"));
    pressEnter(added->txtRatTeclado);
    settle();
    EXPECT_FALSE(added->isVisible());
    ASSERT_EQ(rowCount(), 6);
    EXPECT_EQ(row(6), (QStringList{"6", "8.0000000E+00", "8.0000000E+01"}));
    EXPECT_EQ(st().pointCount, 6);
    EXPECT_EQ(st().nextPointNumber, 7);
}

TEST_F(ListEditing, AClickBesideTheRowsDoesNothing)
{
    QTreeWidget* l = list();
    const QRect last = l->visualItemRect(l->topLevelItem(4));
    clickInWindow(l->viewport(), QPoint(last.center().x(), last.bottom() + 40));
    settle();
    EXPECT_EQ(hub->choiceDialog(ChoiceId::frmchangedata), nullptr);
    EXPECT_FALSE(form->dataEdited());
    EXPECT_FALSE(control<QPushButton>("cmmdataOk")->isEnabled() && control<QGroupBox>("fraSaida")->isEnabled());
}

// Changing a row that holds no point (a deleted row reads "0", a row emptied by a hand-off
// reads "") must not trap the user: "Back" still leaves, with or without a click into the
// field, as long as nothing was typed there; a typed wrong value is still refused.
struct TrapCase {
    const char* name;
    bool emptiedRow;       // the row emptied by a hand-off, else a deleted row
    bool clickIntoField;   // the user clicks into the concentration field first
    const char* typed;     // what the user types there (nullptr: nothing)
    bool backLeaves;       // "Back" returns to the menu without a message
};

class ChangeWithoutAPoint : public ListEditing, public ::testing::WithParamInterface<TrapCase> {};

TEST_P(ChangeWithoutAPoint, BackLeavesUnlessAWrongValueWasTyped)
{
    const TrapCase c = GetParam();
    int r = 3;
    if (c.emptiedRow) {
        clickRow(3, QStringLiteral("optdelete"));
        chooseNoReport();
        answerChoice(QStringLiteral("optno"));
        drawGraph();
        hub->closeGraph1();
        hub->showDataEntry();
        settle();
        r = 5;
        ASSERT_EQ(row(r), (QStringList{"", "", ""}));
    } else {
        clickRow(r, QStringLiteral("optdelete"));
    }
    clickRow(r, QStringLiteral("optchange"));
    auto* con = control<QLineEdit>("txtConCorrigida");
    ASSERT_TRUE(con->isVisible());
    ASSERT_TRUE(waitActive(con));
    if (c.clickIntoField) {
        clickInWindow(con);
        ASSERT_TRUE(con->hasFocus());
    }
    if (c.typed) typeText(con, QString::fromLatin1(c.typed));
    const std::size_t before = platform->messages.size();
    clickInWindow(control<QPushButton>("Command1"));
    settle();
    if (c.backLeaves) {
        EXPECT_EQ(platform->messages.size(), before);
        EXPECT_EQ(hub->dataEntryWindow(), nullptr);
        EXPECT_NE(hub->menuWindow(), nullptr);
    } else {
        ASSERT_EQ(platform->messages.size(), before + 1);
        EXPECT_EQ(platform->messages.back().text, QStringLiteral("Wrong Concentration"));
        EXPECT_NE(hub->dataEntryWindow(), nullptr);
        EXPECT_TRUE(con->hasFocus());
    }
}

INSTANTIATE_TEST_SUITE_P(
    FocusTrap, ChangeWithoutAPoint,
    ::testing::Values(TrapCase{"DeletedRow", false, false, nullptr, true},
                      TrapCase{"EmptiedRow", true, false, nullptr, true},
                      TrapCase{"DeletedRowClickedInto", false, true, nullptr, true},
                      TrapCase{"EmptiedRowClickedInto", true, true, nullptr, true},
                      TrapCase{"DeletedRowTypedZero", false, true, "0", false}),
    [](const ::testing::TestParamInfo<TrapCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace kinetra
