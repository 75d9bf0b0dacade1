// The two graph windows and the new-range dialog, driven through the hub as the program
// drives them: graph 1 after a hand-off, graph 2 after a calculation.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "graphs/GraphGeometry.h"
#include "windows/graphs/frmGrafico1.h"
#include "windows/graphs/frmGrafico2.h"
#include "windows/graphs/frmSubConcentration.h"
#include "support/GuiTestSupport.h"

using namespace kinetra;
using namespace kinetra::testing;

namespace {

const QString kCritica = QStringLiteral("Crítica de Dados");

// Five points from 0.02 to 5 in the entered units: graph 1 spans the decades -4..2,
// 1500 twips each; the largest rate 100 puts the top of the Y axis at 110.
const std::vector<double> kConc{0.02, 0.1, 0.5, 1.0, 5.0};
const std::vector<double> kRate{10.0, 30.0, 60.0, 80.0, 100.0};

void putPoints(WindowState& st, const std::vector<double>& conc, const std::vector<double>& rate)
{
    st.pointCount = static_cast<std::int16_t>(conc.size());
    st.dataSet.concentration = conc;
    st.dataSet.rate = rate;
    st.dataSet.ligandName = "ATP";
    st.dataSet.concUnit = "mM";
}

// As after a one-curve calculation: curve 1's fitted law stored.
void putFittedCurve(WindowState& st)
{
    putPoints(st, kConc, kRate);
    CurveFit fit;
    fit.curve = 1;
    fit.points = {1, static_cast<int>(kConc.size()), 5.0};
    fit.V = 100.0;
    fit.n = 1.0;
    fit.K = 0.5;
    st.curves = {fit};
    st.considerBaseline = true;
}

// The texts the picture prints on the X tick label line.
std::vector<std::string> xLabels(const std::vector<DisplayList>& layers, float y)
{
    std::vector<std::string> labels;
    for (const DisplayList& list : layers)
        for (const DrawOp& op : list.ops)
            if (const Text* t = std::get_if<Text>(&op); t && t->topLeft.y == y)
                labels.push_back(t->text);
    return labels;
}

std::vector<std::string> xLabels(const DisplayList& list, float y)
{
    return xLabels(std::vector<DisplayList>{list}, y);
}

void expectRelative(double actual, double expected, double tolerance = 1e-9)
{
    EXPECT_NEAR(actual, expected, std::abs(expected) * tolerance) << "expected " << expected;
}

// Answers the named choice dialog with that option ("" presses Continue alone).
void answerNamed(const char* dialog, const QString& option)
{
    whenModalNamed(QString::fromLatin1(dialog), [option](QWidget* d) {
        if (!option.isEmpty()) findControl<QAbstractButton>(d, option)->click();
        findControl<QPushButton>(d, QStringLiteral("Command1"))->click();
    });
}

// Enters a range in the next new-range dialog.
void enterRange(const QString& low, const QString& high)
{
    whenModalNamed(QStringLiteral("frmSubConcentration"), [low, high](QWidget* d) {
        typeAndTab(findControl<QLineEdit>(d, QStringLiteral("txtLowConcentration")), low);
        typeAndTab(findControl<QLineEdit>(d, QStringLiteral("txtHigConcentration")), high);
    });
}

class GraphWindows : public GuiTest {
protected:
    frmGrafico1* openGraph1()
    {
        hub->openGraph1();
        settle();
        return qobject_cast<frmGrafico1*>(hub->graph1Window());
    }
    frmGrafico2* openGraph2()
    {
        hub->openGraph2();
        settle();
        return qobject_cast<frmGrafico2*>(hub->graph2Window());
    }
    QPushButton* button(QWidget* form, const char* name)
    {
        return findControl<QPushButton>(form, QString::fromLatin1(name));
    }
};

// ------------------------------------------------------------------ graph 1

struct Graph1Command {
    const char* button;
    bool windowStays;
    const char* expected;  // what must be there afterwards
};

class Graph1Commands : public GraphWindows, public ::testing::WithParamInterface<Graph1Command> {};

TEST_P(Graph1Commands, EachButtonGoesWhereItSays)
{
    const Graph1Command c = GetParam();
    putPoints(hub->state(), kConc, kRate);
    hub->state().helpPath = "/opt/kinetra";
    frmGrafico1* g1 = openGraph1();
    ASSERT_NE(g1, nullptr);
    button(g1, c.button)->click();
    settle();

    EXPECT_EQ(hub->graph1Window() != nullptr, c.windowStays);
    const std::string expected = c.expected;
    if (expected == "data entry") {
        EXPECT_NE(hub->dataEntryWindow(), nullptr);
    } else if (expected == "calculation") {
        EXPECT_NE(hub->calculationWindow(), nullptr);
    } else if (expected == "help") {
        ASSERT_EQ(platform->helpRequests.size(), 1u);
        EXPECT_EQ(platform->helpRequests[0].first, QStringLiteral("/opt/kinetra/helpkinetra.hlp"));
        EXPECT_EQ(platform->helpRequests[0].second, 4);
    }
    EXPECT_EQ(hub->programEnded(), expected == "ended");
    EXPECT_TRUE(platform->messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Buttons, Graph1Commands,
                         ::testing::Values(Graph1Command{"cmmBack", false, "data entry"},
                                           Graph1Command{"cmdNext", false, "calculation"},
                                           Graph1Command{"cmmStop", false, "ended"},
                                           Graph1Command{"cmmhelp", true, "help"}),
                         [](const auto& param) { return std::string(param.param.button); });

TEST_F(GraphWindows, Graph1FailureShowsTheErrorClosesTheWindowAndShowsTheMenu)
{
    struct Case {
        const char* what;
        std::vector<double> conc, rate;
        std::vector<std::pair<QString, QString>> messages;  // (text start, title) in order
    };
    const std::vector<Case> cases{
        {"all rates 0", {0.1, 1.0}, {0.0, 0.0},
         {{QString::fromLatin1(kZeroSpanMessage), QStringLiteral("Wrong Data")},
          {QStringLiteral("Error\r\n\r\nErro Number: 11\r\nDescription: "), kCritica}}},
        {"a concentration 0", {0.0, 1.0}, {5.0, 10.0},
         {{QStringLiteral("Error\r\n\r\nErro Number: 5\r\nDescription: "), kCritica}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hub->showMenu();
        settle();
        platform->messages.clear();
        putPoints(hub->state(), c.conc, c.rate);
        hub->openGraph1();
        settle();

        ASSERT_EQ(platform->messages.size(), c.messages.size());
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_TRUE(platform->messages[i].text.startsWith(c.messages[i].first))
                << platform->messages[i].text.toStdString();
            EXPECT_EQ(platform->messages[i].title, c.messages[i].second);
            EXPECT_EQ(platform->messages[i].icon, MessageIcon::Critical);
        }
        EXPECT_EQ(hub->graph1Window(), nullptr);
        EXPECT_NE(hub->menuWindow(), nullptr);
        EXPECT_FALSE(hub->programEnded());
    }
}

TEST_F(GraphWindows, Graph1ShowsItsPictureAndKeepsIt)
{
    putPoints(hub->state(), kConc, kRate);
    frmGrafico1* g1 = openGraph1();
    ASSERT_NE(g1, nullptr);
    EXPECT_EQ(g1->windowTitle(), QStringLiteral("Graph"));
    EXPECT_EQ(xLabels(g1->picture(), 6600.0F),
              (std::vector<std::string>{"-4", "-3", "-2", "-1", "0", "1", "2"}));

    // repainted from the kept picture whenever the window is painted, not only on activation
    const QImage image = g1->grab().toImage();
    const auto pixel = [&image](double xTwips, double yTwips) {
        return image.pixelColor(int(xTwips / 15.0), int(yTwips / 15.0));
    };
    for (std::size_t i = 0; i < kConc.size(); ++i) {
        // dot centre: 1500 twips a decade from 10^-4, 6200 twips for 110 rate units
        const double x = 1000.0 + 1500.0 * (std::log10(kConc[i]) + 4.0);
        const double y = 6500.0 - 6200.0 / 110.0 * kRate[i];
        EXPECT_EQ(pixel(x, y), QColor(Qt::red)) << "point " << i + 1;
    }
    EXPECT_LT(pixel(1000, 3000).lightness(), 100);   // left edge of the frame, 3 pixels wide
    EXPECT_LT(pixel(5000, 6500).lightness(), 100);   // bottom edge
    EXPECT_EQ(pixel(2500, 5000), QColor(Qt::white));  // inside the frame, away from the dots
    EXPECT_EQ(pixel(10100, 7000), QColor(Qt::white)); // right of the frame, below the buttons
}

// ------------------------------------------------------------------ graph 2

TEST_F(GraphWindows, Graph2DrawsInEnteredUnitsAndBackShowsGraph1WithThem)
{
    putFittedCurve(hub->state());
    hub->state().helpPath = "";
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);
    EXPECT_TRUE(g2->firstDrawing());
    EXPECT_EQ(xLabels(g2->picture(), 6600.0F),
              (std::vector<std::string>{"-4", "-3", "-2", "-1", "0", "1", "2"}));

    // another activation draws the same range again (its texts now in 12 pt)
    hub->openGraph2();
    settle();
    ASSERT_EQ(g2->picture().size(), 2u);
    EXPECT_EQ(xLabels(g2->picture().back(), 6600.0F),
              (std::vector<std::string>{"-4", "-3", "-2", "-1", "0", "1", "2"}));

    button(g2, "cmmhelp")->click();
    ASSERT_EQ(platform->helpRequests.size(), 1u);
    EXPECT_EQ(platform->helpRequests[0], std::make_pair(QStringLiteral("/helpkinetra.hlp"), 5));

    button(g2, "cmmBack")->click();
    settle();
    EXPECT_EQ(hub->graph2Window(), nullptr);
    auto* g1 = qobject_cast<frmGrafico1*>(hub->graph1Window());
    ASSERT_NE(g1, nullptr);
    EXPECT_EQ(xLabels(g1->picture(), 6600.0F),
              (std::vector<std::string>{"-4", "-3", "-2", "-1", "0", "1", "2"}));
    EXPECT_TRUE(platform->messages.empty());
}

// A repaint paints the kept display list: the 9000 steps of the curve are not worked out
// again, so a change of the record after the drawing does not show until the next drawing.
TEST_F(GraphWindows, Graph2RepaintsItsKeptPictureWithoutRecomputingIt)
{
    putFittedCurve(hub->state());
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);
    ASSERT_EQ(g2->picture().size(), 1u);
    const QImage before = g2->grab().toImage();
    const std::size_t ops = g2->picture()[0].ops.size();

    hub->state().curves[0].n *= 3.0;  // a curve the window would draw quite differently
    hub->state().curves[0].V *= 0.5;
    g2->repaint();
    const QImage after = g2->grab().toImage();
    EXPECT_EQ(after, before);
    ASSERT_EQ(g2->picture().size(), 1u);
    EXPECT_EQ(g2->picture()[0].ops.size(), ops);
}

TEST_F(GraphWindows, Graph2NextWithNoReturnsToTheMenu)
{
    putFittedCurve(hub->state());
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);
    answerNamed("frmchangeX", QStringLiteral("optno"));
    button(g2, "cmdNext")->click();
    settle();
    EXPECT_EQ(hub->graph2Window(), nullptr);
    EXPECT_NE(hub->menuWindow(), nullptr);
    EXPECT_TRUE(platform->messages.empty());
}

TEST_F(GraphWindows, Graph2NextRedrawsOverTheNewRange)
{
    struct Case {
        const char* what;
        QString changeX, baseline;
        bool considerBaseline;
    };
    // Continue with no option chosen on "Change X axis?" behaves as Yes; on "Consider
    // Baseline?" it means No. The second round finds the first round's answers selected.
    const std::vector<Case> cases{
        {"nothing chosen", QString(), QString(), false},
        {"yes and baseline", QStringLiteral("optyes"), QStringLiteral("optyes"), true},
        {"answers kept", QString(), QString(), true},
    };
    putFittedCurve(hub->state());
    hub->state().considerBaseline = true;
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        answerNamed("frmchangeX", c.changeX);
        answerNamed("frmconsiderabaseline2", c.baseline);
        enterRange(QStringLiteral("3"), QStringLiteral("800"));
        button(g2, "cmdNext")->click();
        settle();

        ASSERT_EQ(hub->graph2Window(), g2);
        EXPECT_FALSE(g2->firstDrawing());
        EXPECT_EQ(hub->state().considerBaseline, c.considerBaseline);
        expectRelative(hub->state().rangeLowConc, 3.0);
        expectRelative(hub->state().rangeHighConc, 800.0);
        // a fresh picture over 10^0..10^2: the old one is gone
        ASSERT_EQ(g2->picture().size(), 1u);
        EXPECT_TRUE(std::holds_alternative<Clear>(g2->picture()[0].ops.front()));
        EXPECT_EQ(xLabels(g2->picture(), 6600.0F), (std::vector<std::string>{"0", "1", "2"}));
    }
    // rendered as a printer renders it (a finer device, the window placed on a page): the
    // fresh picture covers the window and nothing around it, at the scale of the page
    QImage page(2 * g2->width() + 200, 2 * g2->height() + 200, QImage::Format_RGB32);
    page.fill(Qt::green);
    {
        QPainter painter(&page);
        painter.translate(100, 100);
        painter.scale(2.0, 2.0);
        g2->render(&painter);
    }
    const auto onPage = [&page](double xTwips, double yTwips) {
        return page.pixelColor(100 + int(xTwips * 2 / 15.0), 100 + int(yTwips * 2 / 15.0));
    };
    EXPECT_EQ(page.pixelColor(50, 50), QColor(Qt::green));
    EXPECT_EQ(page.pixelColor(page.width() - 50, page.height() - 50), QColor(Qt::green));
    EXPECT_LT(onPage(1000, 3000).lightness(), 100);  // frame, left edge
    EXPECT_EQ(onPage(2000, 7200), QColor(Qt::white));

    // activations no longer redraw
    const std::size_t ops = g2->picture()[0].ops.size();
    hub->openGraph2();
    settle();
    EXPECT_EQ(g2->picture()[0].ops.size(), ops);
    EXPECT_TRUE(platform->messages.empty());
}

TEST_F(GraphWindows, RangeDialogRejectsWrongEntriesAndKeepsTheFocus)
{
    struct Case {
        QString low, high;  // high empty: the low box is left
        QString message;
        const char* keeps;
    };
    const QString wrongLow = QStringLiteral("Wrong Low Substrate Concentration");
    const QString wrongHigh = QStringLiteral("Wrong Highest Substrate Concentration");
    const std::vector<Case> cases{
        {"0", "", wrongLow, "txtLowConcentration"},
        {"-2", "", wrongLow, "txtLowConcentration"},
        {"abc", "", wrongLow, "txtLowConcentration"},
        {"", "", wrongLow, "txtLowConcentration"},
        {"5", "5", wrongHigh, "txtHigConcentration"},
        {"5", "2", wrongHigh, "txtHigConcentration"},
        {"5", "-10", wrongHigh, "txtHigConcentration"},
        {"5", "x", wrongHigh, "txtHigConcentration"},
    };
    putFittedCurve(hub->state());
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);
    answerNamed("frmchangeX", QStringLiteral("optyes"));
    answerNamed("frmconsiderabaseline2", QStringLiteral("optyes"));
    bool ranCases = false;
    whenModalNamed(QStringLiteral("frmSubConcentration"), [&](QWidget* d) {
        auto* low = findControl<QLineEdit>(d, QStringLiteral("txtLowConcentration"));
        auto* high = findControl<QLineEdit>(d, QStringLiteral("txtHigConcentration"));
        EXPECT_EQ(d->windowTitle(), QStringLiteral("New Concentrations Range"));
        // centred on the main window
        const QPoint offCentre = d->frameGeometry().center() - hub->frameGeometry().center();
        EXPECT_LE(offCentre.manhattanLength(), 4);
        EXPECT_TRUE(low->text().isEmpty());
        EXPECT_TRUE(high->text().isEmpty());
        EXPECT_EQ(hub->state().rangeLowConc, 0.0);
        EXPECT_EQ(hub->state().rangeHighConc, 0.0);
        for (const Case& c : cases) {
            SCOPED_TRACE((c.low + QStringLiteral(" / ") + c.high).toStdString());
            platform->messages.clear();
            typeAndTab(low, c.low);
            if (!c.high.isEmpty() || std::string(c.keeps) == "txtHigConcentration")
                typeAndTab(high, c.high);
            ASSERT_EQ(platform->messages.size(), 1u);
            EXPECT_EQ(platform->messages[0].text, c.message);
            EXPECT_EQ(platform->messages[0].title, kCritica);
            EXPECT_EQ(platform->messages[0].icon, MessageIcon::Critical);
            EXPECT_TRUE(d->isVisible());
            QLineEdit* kept = findControl<QLineEdit>(d, QString::fromLatin1(c.keeps));
            EXPECT_EQ(d->focusWidget(), kept);
            EXPECT_EQ(kept->selectedText(), kept->text());
            EXPECT_EQ(hub->state().rangeHighConc, 0.0);
        }
        // Enter moves on as Tab does, and a right range ends the dialog
        platform->messages.clear();
        typeText(low, QStringLiteral("3"));
        pressEnter(low);
        EXPECT_EQ(d->focusWidget(), high);
        typeText(high, QStringLiteral("800"));
        pressEnter(high);
        EXPECT_FALSE(d->isVisible());
        EXPECT_TRUE(platform->messages.empty());
        ranCases = true;
    });
    button(g2, "cmdNext")->click();
    settle();
    EXPECT_TRUE(ranCases);
    EXPECT_EQ(xLabels(g2->picture(), 6600.0F), (std::vector<std::string>{"0", "1", "2"}));
}

TEST_F(GraphWindows, RangeDialogReadsTheUsersDecimalSeparator)
{
    struct Case {
        QLocale locale;
        QString text;
        double value;
    };
    const QLocale german(QLocale::German, QLocale::Germany);
    const std::vector<Case> cases{
        {QLocale::c(), "3", 3.0},       {QLocale::c(), " 800 ", 800.0},
        {QLocale::c(), "2.5e2", 250.0}, {QLocale::c(), "1,5", 0.0},
        {QLocale::c(), "abc", 0.0},     {QLocale::c(), "", 0.0},
        {QLocale::c(), "inf", 0.0},     {QLocale::c(), "nan", 0.0},
        {german, "0,5", 0.5},           {german, "0.5", 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.locale.name() + QStringLiteral(" ") + c.text).toStdString());
        QLocale::setDefault(c.locale);
        EXPECT_EQ(frmSubConcentration::valueOf(c.text), c.value);
    }

    // the whole road under a German locale
    putFittedCurve(hub->state());
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);
    QLocale::setDefault(german);
    answerNamed("frmchangeX", QStringLiteral("optyes"));
    answerNamed("frmconsiderabaseline2", QStringLiteral("optno"));
    enterRange(QStringLiteral("0,5"), QStringLiteral("50"));
    button(g2, "cmdNext")->click();
    settle();
    QLocale::setDefault(QLocale::c());
    expectRelative(hub->state().rangeLowConc, 0.5);
    expectRelative(hub->state().rangeHighConc, 50.0);
    EXPECT_EQ(xLabels(g2->picture(), 6600.0F), (std::vector<std::string>{"-1", "0", "1"}));
}

TEST_F(GraphWindows, RangeInOneDecadeFailsToTheMenu)
{
    putFittedCurve(hub->state());
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);
    answerNamed("frmchangeX", QStringLiteral("optyes"));
    answerNamed("frmconsiderabaseline2", QStringLiteral("optyes"));
    enterRange(QStringLiteral("2"), QStringLiteral("8"));
    button(g2, "cmdNext")->click();
    settle();
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_TRUE(platform->messages[0].text.startsWith(QStringLiteral("Error\r\n\r\nErro Number: ")));
    EXPECT_EQ(platform->messages[0].title, kCritica);
    EXPECT_EQ(hub->graph2Window(), nullptr);
    EXPECT_NE(hub->menuWindow(), nullptr);
    EXPECT_FALSE(hub->programEnded());
}

TEST_F(GraphWindows, ClosingTheRangeDialogEndsTheProgram)
{
    putFittedCurve(hub->state());
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);
    answerNamed("frmchangeX", QStringLiteral("optyes"));
    answerNamed("frmconsiderabaseline2", QStringLiteral("optyes"));
    whenModalNamed(QStringLiteral("frmSubConcentration"), [](QWidget* d) { d->close(); });
    button(g2, "cmdNext")->click();
    settle();
    EXPECT_TRUE(hub->programEnded());
    EXPECT_EQ(hub->graph2Window(), nullptr);
    EXPECT_TRUE(platform->messages.empty());
}

TEST_F(GraphWindows, EndingTheProgramWhileAGraphWaitsStopsTheGraphThere)
{
    // the main window closed while graph 1's error box is up: no menu comes back
    putPoints(hub->state(), {0.0, 1.0}, {5.0, 10.0});
    platform->onMessage = [this](const ScriptedPlatform::Message&) { hub->close(); };
    hub->openGraph1();
    settle();
    EXPECT_TRUE(hub->programEnded());
    EXPECT_EQ(hub->menuWindow(), nullptr);
    EXPECT_EQ(platform->messages.size(), 1u);
}

TEST_F(GraphWindows, EndingTheProgramDuringChangeXAsksNothingMore)
{
    putFittedCurve(hub->state());
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);
    whenModalNamed(QStringLiteral("frmchangeX"), [this](QWidget*) { hub->close(); });
    // would answer the baseline question if graph 2 went on asking
    answerNamed("frmconsiderabaseline2", QStringLiteral("optyes"));
    button(g2, "cmdNext")->click();
    settle();
    EXPECT_TRUE(hub->programEnded());
    EXPECT_FALSE(allModalsAnswered()) << "the baseline question was asked after the end";
    cancelPendingModals();
    EXPECT_EQ(hub->menuWindow(), nullptr);
}

// ------------------------------------------------------------------ printing

// The scripted platform, looking at the window it is given to print.
class PrintSpy : public ScriptedPlatform {
public:
    void printWidget(QWidget* widget) override
    {
        for (const char* name : {"cmmhelp", "cmmBack", "cmdNext", "cmdPrint", "cmmStop"}) {
            auto* b = widget->findChild<QWidget*>(QString::fromLatin1(name));
            visibleWhilePrinting[name] = b && b->isVisible();
        }
        printed = widget->grab().toImage();
        ScriptedPlatform::printWidget(widget);
    }
    std::map<std::string, bool> visibleWhilePrinting;
    QImage printed;
};

class Graph2Printing : public GraphWindows {
protected:
    void SetUp() override
    {
        platform = std::make_unique<PrintSpy>();
        hub = std::make_unique<MDIForm1>(*platform);
        hub->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(hub.get()));
        waitActive(hub.get());
        settle();
    }
    PrintSpy& spy() { return static_cast<PrintSpy&>(*platform); }
};

TEST_F(Graph2Printing, PrintsThePictureWithoutTheCommandButtons)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    platform->pdfDirectory = dir.path();
    putFittedCurve(hub->state());
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);

    button(g2, "cmdPrint")->click();
    settle();
    EXPECT_EQ(platform->printerDialogs, 1);
    ASSERT_EQ(platform->picturesPrinted, 1);
    const std::map<std::string, bool> expected{{"cmmhelp", true},
                                               {"cmmBack", false},
                                               {"cmdNext", false},
                                               {"cmdPrint", false},
                                               {"cmmStop", false}};
    EXPECT_EQ(spy().visibleWhilePrinting, expected);
    // where the Next button stands on the screen, the printout is white paper
    const QRect next = button(g2, "cmdNext")->geometry();
    EXPECT_EQ(spy().printed.pixelColor(next.center()), QColor(Qt::white));
    for (const char* name : {"cmmBack", "cmdNext", "cmdPrint", "cmmStop"})
        EXPECT_TRUE(button(g2, name)->isVisible()) << name;

    QFile pdf(platform->picturePdfPath(1));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_GT(pdf.size(), 1000);
}

TEST_F(Graph2Printing, CancelledDialogOrFailingPrinterKeepsTheGraph)
{
    putFittedCurve(hub->state());
    frmGrafico2* g2 = openGraph2();
    ASSERT_NE(g2, nullptr);

    // a cancelled printer dialog prints nothing
    platform->printerAnswers.push_back(false);
    button(g2, "cmdPrint")->click();
    settle();
    EXPECT_EQ(platform->printerDialogs, 1);
    EXPECT_EQ(platform->picturesPrinted, 0);
    EXPECT_TRUE(spy().visibleWhilePrinting.empty());
    EXPECT_TRUE(platform->messages.empty());

    // a failing printer is reported; the window and its buttons stay
    platform->failPrinting = true;
    button(g2, "cmdPrint")->click();
    settle();
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_TRUE(platform->messages[0].text.contains(QStringLiteral("could not be printed")));
    EXPECT_TRUE(platform->messages[0].text.contains(QStringLiteral("Erro Number: ")));
    EXPECT_EQ(platform->messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(hub->graph2Window(), g2);
    for (const char* name : {"cmmBack", "cmdNext", "cmdPrint", "cmmStop"})
        EXPECT_TRUE(button(g2, name)->isVisible()) << name;
}

}  // namespace
