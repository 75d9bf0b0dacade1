// The main window as hub: opening size, the menu's place and its two commands, window
// switches, activation, the report job, help and ending the program.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>

#include "app/frmMenu.h"
#include "support/GuiTestSupport.h"

namespace kinetra {
namespace {

using testing::answerChoice;
using testing::clickInWindow;
using testing::findControl;
using testing::GuiTest;
using testing::settle;

class HubTest : public GuiTest {
protected:
    static QMdiSubWindow* frameOf(QWidget* form)
    {
        return form ? qobject_cast<QMdiSubWindow*>(form->parentWidget()) : nullptr;
    }

    // The menu's frame stands in the middle of the main window's outer size (within the
    // pixel that the halving may round away).
    void expectMenuCentred()
    {
        QMdiSubWindow* frame = frameOf(hub->menuWindow());
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->size(), QSize(twipsToPixels(7000), twipsToPixels(6000)));
        const QSize outer = hub->frameGeometry().size();
        EXPECT_LE(std::abs(frame->x() - (outer.width() - frame->width()) / 2), 1) << frame->x();
        EXPECT_LE(std::abs(frame->y() - (outer.height() - frame->height()) / 2), 1) << frame->y();
    }

    void fillState()
    {
        WindowState& st = hub->state();
        st.pointCount = 7;
        st.dataSet.concentration = {1.0, 2.5};
        st.dataSet.rate = {1.0, 2.0};
        st.dataSet.rateUnit = "nmol/min";
        st.dataSet.concUnit = "mM";
        st.outputDestination = "F";
        st.outputFileName = "/tmp/report.txt";
        st.curves.push_back(CurveFit{});
        st.considerBaseline = true;
        st.rangeHighConc = 9.0;
    }
};

TEST_F(HubTest, OpensAtItsSizeWithTheMenuCentredInIt)
{
    EXPECT_EQ(hub->windowTitle(), QStringLiteral("KINETRA"));
    EXPECT_EQ(hub->frameGeometry().size(), QSize(twipsToPixels(12000), twipsToPixels(8500)));
    frmMenu* menu = hub->menuWindow();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(frameOf(menu)->windowTitle(), QStringLiteral("Menu "));
    expectMenuCentred();
    // no close box: the menu is left only through its buttons
    EXPECT_FALSE(frameOf(menu)->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(frameOf(menu)->windowFlags() & Qt::WindowSystemMenuHint);

    auto* calc = findControl<QPushButton>(menu, QStringLiteral("cmdMenCalcula"));
    auto* exit = findControl<QPushButton>(menu, QStringLiteral("cmdMenSaida"));
    ASSERT_TRUE(calc && exit);
    EXPECT_EQ(calc->text(), QStringLiteral("Calculation of Kinetic Parameters"));
    EXPECT_EQ(exit->text(), QStringLiteral("Exit to Windows"));
    EXPECT_TRUE(calc->font().italic());
    // 3840 twips wide, 45 more than the exit button: the longer caption needs it
    EXPECT_EQ(calc->geometry(), QRect(twipsToPixels(1740), twipsToPixels(840), twipsToPixels(3840), twipsToPixels(1095)));
    EXPECT_EQ(exit->geometry().top(), twipsToPixels(2520));
    ASSERT_TRUE(testing::waitActive(menu));
    settle();
    EXPECT_EQ(QApplication::focusWidget(), calc);
    testing::pressTab(calc);
    EXPECT_EQ(QApplication::focusWidget(), exit);
}

TEST_F(HubTest, CalculationCommandResetsTheStateAndSwapsMenuForDataEntry)
{
    fillState();
    QPointer<QWidget> menu = hub->menuWindow();
    auto* calc = findControl<QPushButton>(menu, QStringLiteral("cmdMenCalcula"));
    clickInWindow(calc);
    settle();

    const WindowState& st = hub->state();
    EXPECT_EQ(st.pointCount, 0);
    EXPECT_EQ(st.dataSet.pointCount(), 0);
    EXPECT_TRUE(st.curves.empty());
    EXPECT_TRUE(st.dataSet.rateUnit.empty() && st.dataSet.concUnit.empty());
    EXPECT_TRUE(st.outputDestination.empty() && st.outputFileName.empty());
    EXPECT_FALSE(st.considerBaseline);
    EXPECT_EQ(st.rangeHighConc, 0.0);

    EXPECT_TRUE(menu.isNull()) << "the menu is destroyed";
    EXPECT_EQ(hub->menuWindow(), nullptr);
    QWidget* entry = hub->dataEntryWindow();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->objectName(), QStringLiteral("frmEntDados"));
    EXPECT_TRUE(entry->isVisible());
    EXPECT_EQ(hub->workspace()->activeSubWindow(), frameOf(entry));
}

TEST_F(HubTest, MenuComesBackCentredInTheCurrentSize)
{
    startCalculation();
    hub->resize(1000, 700);
    settle();
    hub->hideDataEntry();
    hub->showMenu();
    settle();
    ASSERT_NE(hub->menuWindow(), nullptr);
    expectMenuCentred();
    EXPECT_NE(hub->dataEntryWindow(), nullptr) << "a hidden data entry window stays open";
    EXPECT_FALSE(hub->dataEntryWindow()->isVisible());
}

TEST_F(HubTest, ExitAndTheMainCloseBoxEndTheProgramAtOnce)
{
    const std::vector<std::pair<const char*, std::function<void(MDIForm1&)>>> exits = {
        {"Exit to Windows", [](MDIForm1& main) { clickInWindow(main.menuWindow()->cmdMenSaida); }},
        {"close box with the menu", [](MDIForm1& main) { main.close(); }},
        {"close box with data entry and graph 1 open",
         [](MDIForm1& main) {
             main.startCalculation();
             main.close();
         }},
    };
    for (const auto& [name, leave] : exits) {
        SCOPED_TRACE(name);
        hub = std::make_unique<MDIForm1>(*platform);
        hub->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(hub.get()));
        settle();
        QPointer<QWidget> menu = hub->menuWindow();
        leave(*hub);
        settle();
        EXPECT_TRUE(hub->programEnded());
        EXPECT_FALSE(hub->isVisible());
        EXPECT_TRUE(menu.isNull());
        EXPECT_EQ(hub->dataEntryWindow(), nullptr);
        EXPECT_TRUE(platform->messages.empty()) << "ending asks nothing";
    }
}

TEST_F(HubTest, ClosedWindowsAreDestroyedAndHiddenOnesKept)
{
    startCalculation();
    QPointer<QWidget> entry = hub->dataEntryWindow();
    hub->hideDataEntry();
    hub->showDataEntry();
    EXPECT_EQ(hub->dataEntryWindow(), entry.data()) << "showing again reuses the hidden window";

    // the hub's close
    hub->closeDataEntry();
    EXPECT_EQ(hub->dataEntryWindow(), nullptr);
    settle();
    EXPECT_TRUE(entry.isNull());

    // a window that closes itself
    hub->showMenu();
    QPointer<QWidget> menu = hub->menuWindow();
    QPointer<QMdiSubWindow> frame = frameOf(menu);
    menu->close();
    EXPECT_EQ(hub->menuWindow(), nullptr);
    settle();
    EXPECT_TRUE(menu.isNull());
    EXPECT_TRUE(frame.isNull()) << "the frame goes with its window";

    // a new window after a close is a fresh object
    hub->showDataEntry();
    EXPECT_NE(hub->dataEntryWindow(), nullptr);
    EXPECT_TRUE(hub->dataEntryWindow()->isVisible());
}

TEST_F(HubTest, OnlyTheUsersCloseOfAFrameIsReportedAsSuch)
{
    startCalculation();
    auto* entry = qobject_cast<ChildForm*>(hub->dataEntryWindow());
    ASSERT_NE(entry, nullptr);
    QSignalSpy byUser(entry, &ChildForm::closedByUser);
    hub->closeDataEntry();
    EXPECT_EQ(byUser.count(), 0) << "closed by the program";

    hub->showDataEntry();
    auto* again = qobject_cast<ChildForm*>(hub->dataEntryWindow());
    QSignalSpy byUserAgain(again, &ChildForm::closedByUser);
    frameOf(again)->close();  // what the frame's close box does
    EXPECT_EQ(byUserAgain.count(), 1);
}

TEST_F(HubTest, ActivationRunsOncePerSwitchAndNotAfterOwnDialogs)
{
    QSignalSpy activations(hub.get(), &MDIForm1::childActivated);
    startCalculation();
    QWidget* entry = hub->dataEntryWindow();
    ASSERT_EQ(activations.count(), 1);
    EXPECT_EQ(activations.at(0).at(0).value<QWidget*>(), entry);

    // a choice dialog over the window, then the focus comes back: not an activation
    answerChoice(QStringLiteral("optyes"));
    hub->askChoice(ChoiceId::frmsalvaarquivo);
    ASSERT_TRUE(testing::waitActive(hub.get()));
    settle();
    EXPECT_EQ(activations.count(), 1);

    // two windows shown in one step: only the last one shown is activated
    hub->hideDataEntry();
    hub->showDataEntry();
    hub->showMenu();
    settle();
    ASSERT_EQ(activations.count(), 2);
    EXPECT_EQ(activations.at(1).at(0).value<QWidget*>(), hub->menuWindow());

    // the user switches to the other child window
    clickInWindow(frameOf(entry), QPoint(frameOf(entry)->width() / 2, 5));
    settle();
    ASSERT_EQ(activations.count(), 3);
    EXPECT_EQ(activations.at(2).at(0).value<QWidget*>(), entry);
}

// A form's own size and frame requests, before and after it has its frame.
TEST_F(HubTest, FormsSizeAndFrameTheirChildWindow)
{
    auto* form = new ChildForm;
    form->setClientSizeTwips(3000, 1500);
    form->setHasCloseBox(false);
    QMdiSubWindow* frame = hub->workspace()->addSubWindow(form);
    form->applyFrame();
    frame->show();
    settle();
    EXPECT_EQ(form->size(), QSize(twipsToPixels(3000), twipsToPixels(1500)));
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowCloseButtonHint);

    form->setHasCloseBox(true);
    form->setHasMinMaxButtons(false);
    EXPECT_TRUE(frame->isVisible()) << "a change of frame keeps the window shown";
    EXPECT_TRUE(frame->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(frame->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    form->setFormGeometry(150, 300, 6000, 4500);
    settle();
    EXPECT_EQ(frame->geometry(), QRect(twipsToPixels(150), twipsToPixels(300), twipsToPixels(6000), twipsToPixels(4500)));
    form->setClientSizeTwips(4500, 3000);
    settle();
    EXPECT_EQ(form->size(), QSize(twipsToPixels(4500), twipsToPixels(3000)));
    frame->close();
}

TEST_F(HubTest, ReportJobEndsWhenReplacedOrEnded)
{
    hub->setReportJob(platform->beginTextJob(QStringLiteral("first")));
    ASSERT_NE(hub->reportJob(), nullptr);
    hub->reportJob()->writeLine("line of the first report");
    hub->setReportJob(platform->beginTextJob(QStringLiteral("second")));
    ASSERT_EQ(platform->printedJobs.size(), 1u) << "a new job ends the one still open";
    EXPECT_EQ(platform->printedJobs[0], std::vector<std::string>{"line of the first report"});

    hub->reportJob()->writeLine("a");
    hub->endReportJob();
    EXPECT_EQ(hub->reportJob(), nullptr);
    ASSERT_EQ(platform->printedJobs.size(), 2u);
    EXPECT_EQ(platform->printedJobs[1], std::vector<std::string>{"a"});
    hub->endReportJob();
    EXPECT_EQ(platform->jobsEnded, 2) << "ending without a job does nothing";
}

TEST_F(HubTest, HelpGoesToThePlatformsViewer)
{
    hub->openHelp(nullptr, QStringLiteral("\\helpkinetra.hlp"), 4);
    ASSERT_EQ(platform->helpRequests.size(), 1u);
    EXPECT_EQ(platform->helpRequests[0].first, QStringLiteral("\\helpkinetra.hlp"));
    EXPECT_EQ(platform->helpRequests[0].second, 4);
}

}  // namespace
}  // namespace kinetra
