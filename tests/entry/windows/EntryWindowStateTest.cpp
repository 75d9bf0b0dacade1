// The data entry window's states: the label fields, the enablement sequence from source to
// "Draw Graph", the output choices, showing it again after a hand-off, and its exits.
#include <QMdiSubWindow>
#include <QTest>

#include "EntryWindowsFixture.h"

namespace kinetra {
namespace {

using testing::EntryTest;
using testing::pressEnter;
using testing::settle;
using testing::testData;
using testing::typeText;
using testing::waitActive;

class EntryWindowState : public EntryTest {};

TEST_F(EntryWindowState, EnterInALabelFieldMovesToTheNextField)
{
    const std::vector<std::pair<const char*, const char*>> moves = {
        {"txtUser", "txtExperiment"},
        {"txtExperiment", "txtRatUnit"},
        {"txtRatUnit", "txtSubConUnit"},
        {"txtSubConUnit", "txtSubLigand"},
    };
    ASSERT_TRUE(waitActive(form));
    for (const auto& [from, to] : moves) {
        auto* field = control<QLineEdit>(from);
        typeText(field, QStringLiteral("ab"));
        pressEnter(field);
        EXPECT_EQ(QApplication::focusWidget(), control<QWidget>(to)) << from;
        EXPECT_EQ(field->text(), QStringLiteral("ab")) << "Enter must not change the text of " << from;
    }
}

TEST_F(EntryWindowState, LabelFieldsRefuseCharactersBeyondTheirLimits)
{
    const std::vector<std::pair<const char*, int>> limits = {
        {"txtUser", 30}, {"txtExperiment", 40}, {"txtRatUnit", 15}, {"txtSubConUnit", 2}, {"txtSubLigand", 10}};
    for (const auto& [name, limit] : limits) {
        auto* field = control<QLineEdit>(name);
        typeText(field, QString(limit + 3, QLatin1Char('m')));
        EXPECT_EQ(field->text().size(), limit) << name;
    }
}

TEST_F(EntryWindowState, SourceDataOkOutputAndDrawGraphEnableInTurn)
{
    auto* dataOk = control<QPushButton>("cmmdataOk");
    auto* draw = control<QPushButton>("cmdDesenha");
    auto* output = control<QGroupBox>("fraSaida");
    auto* source = control<QGroupBox>("fraTypEnter");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Data Entry"));
    EXPECT_FALSE(dataOk->isEnabled());
    EXPECT_FALSE(draw->isEnabled());
    EXPECT_FALSE(output->isEnabled());
    EXPECT_TRUE(source->isEnabled());
    for (const char* name : {"optKeyboard", "optFile", "optDestPrinter", "optDestNone", "optDestFile"})
        EXPECT_FALSE(control<QRadioButton>(name)->isChecked()) << name;
    EXPECT_TRUE(control<QWidget>("w")->isHidden());
    EXPECT_TRUE(control<QWidget>("lblNumDatPoints")->isHidden());

    readFile(testData("entry_two_points.txt"));
    EXPECT_TRUE(dataOk->isEnabled());
    EXPECT_FALSE(source->isEnabled());
    EXPECT_FALSE(output->isEnabled());
    EXPECT_FALSE(draw->isEnabled());

    dataOk->click();
    EXPECT_TRUE(output->isEnabled());
    for (const char* name : {"optDestPrinter", "optDestNone", "optDestFile"})
        EXPECT_TRUE(control<QRadioButton>(name)->isEnabled()) << name;
    EXPECT_FALSE(draw->isEnabled());

    control<QRadioButton>("optDestNone")->click();
    EXPECT_TRUE(draw->isEnabled());
    EXPECT_EQ(st().outputDestination, "N");
}

TEST_F(EntryWindowState, OutputChoicesSetTheDestination)
{
    readFile(testData("entry_two_points.txt"));
    const QString report = QDir::tempPath() + QStringLiteral("/entry_state_report.txt");
    chooseReportFile(report);
    EXPECT_EQ(st().outputDestination, "F");
    EXPECT_EQ(st().outputFileName, report.toStdString());
    EXPECT_EQ(platform->fileDialogTitles.back(), QStringLiteral("Output File name for Kinetic Parameters"));

    control<QRadioButton>("optDestPrinter")->click();
    EXPECT_EQ(st().outputDestination, "P");
    EXPECT_EQ(platform->printerDialogs, 1);

    // a cancelled save dialog: "F" without a file name
    control<QRadioButton>("optDestFile")->click();
    EXPECT_EQ(st().outputDestination, "F");
    EXPECT_TRUE(st().outputFileName.empty());
    EXPECT_TRUE(control<QPushButton>("cmdDesenha")->isEnabled());
}

TEST_F(EntryWindowState, ShownAgainAfterAHandOffKeepsTheSortedListAndDrawGraph)
{
    readFile(testData("entry_five_unsorted.txt"));
    chooseNoReport();
    drawGraph();
    ASSERT_NE(hub->graph1Window(), nullptr);
    EXPECT_TRUE(form->isHidden() || form->parentWidget()->isHidden());

    hub->closeGraph1();
    hub->showDataEntry();
    settle();
    ASSERT_EQ(hub->dataEntryWindow(), form);
    ASSERT_EQ(rowCount(), 5);
    EXPECT_EQ(row(1), (QStringList{"1", "1.000E+00", "1.000E+01"}));
    EXPECT_EQ(row(5), (QStringList{"5", "1.000E+01", "3.000E+01"}));
    EXPECT_EQ(form->deletedCount(), 0);
    EXPECT_TRUE(control<QGroupBox>("fraTypEnter")->isEnabled());
    EXPECT_TRUE(control<QRadioButton>("optFile")->isEnabled());
    EXPECT_TRUE(control<QRadioButton>("optKeyboard")->isEnabled());
    EXPECT_FALSE(control<QRadioButton>("optDestNone")->isChecked());
    EXPECT_TRUE(control<QPushButton>("cmdDesenha")->isEnabled());
    EXPECT_TRUE(control<QGroupBox>("fraSaida")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("cmmdataOk")->isEnabled());
    EXPECT_EQ(st().nextPointNumber, 6);
}

TEST_F(EntryWindowState, BackThenANewCalculationGivesAnEmptyList)
{
    readFile(testData("entry_two_points.txt"));
    control<QPushButton>("Command1")->click();
    settle();
    EXPECT_EQ(hub->dataEntryWindow(), nullptr);
    EXPECT_NE(hub->menuWindow(), nullptr);
    EXPECT_FALSE(hub->programEnded());
    EXPECT_EQ(st().pointCount, 2) << "Back does not reset the shared state";

    openDataEntry();
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(st().pointCount, 0);
}

TEST_F(EntryWindowState, HelpAsksForTopicTwoInTheCurrentDirectory)
{
    control<QPushButton>("cmmhelp")->click();
    ASSERT_EQ(platform->helpRequests.size(), 1u);
    EXPECT_EQ(platform->helpRequests[0].first, QDir::currentPath() + QStringLiteral("/helpkinetra.hlp"));
    EXPECT_EQ(platform->helpRequests[0].second, 2);
    EXPECT_EQ(st().helpPath, QDir::currentPath().toStdString());
}

TEST_F(EntryWindowState, StopEndsTheProgram)
{
    control<QPushButton>("cmmStop")->click();
    settle();
    EXPECT_TRUE(hub->programEnded());
}

TEST_F(EntryWindowState, TheCloseBoxEndsTheProgram)
{
    auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    ASSERT_NE(frame, nullptr);
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);
    frame->close();
    settle();
    EXPECT_TRUE(hub->programEnded());
}

}  // namespace
}  // namespace kinetra
