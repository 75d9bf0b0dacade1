// The calculation window: the number of curves starts the calculation, each curve's points
// are asked, the results frame shows the last curve, each curve's report section goes to the
// file or the print job, every ending leads to its window, and "Graph ?" leads on.
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cmath>
#include <string>
#include <vector>

#include "kinetics/CurveLoop.h"
#include "windows/kinetics/frmCalCinetico.h"
#include "kinetics/windows/PointsAnswerer.h"
#include "format/NumberForms.h"
#include "report/ReportLines.h"
#include "support/GuiTestSupport.h"

namespace kinetra {
namespace {

using testing::answerChoice;
using testing::findControl;
using testing::GuiTest;
using testing::PointsAnswerer;
using testing::PointsEntry;
using testing::settle;

const QString kCritica = QStringLiteral("Crítica de Dados");
const QString kWrongData = QStringLiteral("Wrong Data");

const std::vector<double> kWorkedConc = {0.025, 0.05, 0.1, 0.15, 0.25, 0.35, 0.5,
                                         0.75,  1,    1.5, 2.5,  4,    6};

double hill(double s, double V, double n, double K) { return V * std::pow(s, n) / (std::pow(K, n) + std::pow(s, n)); }

struct Points {
    std::vector<double> conc, rate;
};

// The worked case: rates 5 + 100 S / (0.5 + S).
Points workedCase()
{
    Points d{kWorkedConc, {}};
    for (double s : d.conc) d.rate.push_back(5 + hill(s, 100, 1, 0.5));
    return d;
}

// Two phases: 50 S / (0.1 + S) above a baseline of 5 (points 1..8), then above its plateau
// 40 S / (100 + S) (points 9..16).
Points twoPhases()
{
    return Points{{0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 10, 20, 50, 100, 200, 500, 1000, 3000},
                   {9.549454145494543, 13.341331733653268, 21.686656671664167, 30.03996003996004,
                    38.4131736526946, 46.86567164179105, 50.85058505850585, 53.403361344537814,
                    58.14131413141314, 61.41791044776119, 68.23353293413173, 74.95004995004996,
                    81.6416791604198, 88.32333533293341, 91.35863686358637, 93.70801080824188}};
}

struct LocaleGuard {
    explicit LocaleGuard(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
};

std::vector<std::string> joined(const std::vector<std::vector<std::string>>& parts)
{
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// The same calculation run by the core alone, with the points given straight away: the
// results the window must show and report.
class DirectHooks : public CalculationHooks {
public:
    explicit DirectHooks(std::vector<std::array<double, 3>> points) : entries(std::move(points)) {}
    CurveChoice askCurvePoints(int curve) override
    {
        const auto& e = entries.at(static_cast<std::size_t>(curve - 1));
        return CurveChoice{static_cast<int>(e[0]), static_cast<int>(e[1]), curve == 1 ? e[2] : 0.0};
    }
    void showWarning(const std::string&) override {}
    void presentCurve(const CurveFit&) override {}

private:
    std::vector<std::array<double, 3>> entries;
};

class CalculationWindowTest : public GuiTest {
protected:
    WindowState& st() { return hub->state(); }

    // No child window open: the menu gone by a new calculation, its data entry window closed.
    void clearWorkspace()
    {
        hub->startCalculation();
        hub->closeDataEntry();
        hub->closeGraph2();
        settle();
        ASSERT_EQ(hub->menuWindow(), nullptr);
    }

    // The record as the hand-off leaves it.
    void load(const Points& d, const std::string& destination = "N")
    {
        resetForCalculation(st());
        st().pointCount = static_cast<std::int16_t>(d.conc.size());
        st().dataSet.concentration = d.conc;
        st().dataSet.rate = d.rate;
        st().dataSet.rateUnit = "U/mg";
        st().dataSet.concUnit = "mM";
        st().outputDestination = destination;
        initial = st();
    }

    frmCalCinetico* open()
    {
        hub->openCalculation();
        settle();
        auto* w = qobject_cast<frmCalCinetico*>(hub->calculationWindow());
        EXPECT_NE(w, nullptr);
        return w;
    }

    // Clicks "1" or "2" and answers the points windows that follow.
    std::unique_ptr<PointsAnswerer> run(frmCalCinetico* w, const char* button, std::deque<PointsEntry> entries)
    {
        auto answerer = std::make_unique<PointsAnswerer>(std::move(entries));
        findControl<QPushButton>(w, QLatin1String(button))->click();
        settle();
        EXPECT_TRUE(answerer->exhausted());
        return answerer;
    }

    // The results of the same calculation from the core alone.
    std::vector<CurveFit> expectedResults(const std::vector<std::array<double, 3>>& points)
    {
        DirectHooks hooks(points);
        const CalculationOutcome out = runCalculation(initial.dataSet, static_cast<int>(points.size()), hooks);
        EXPECT_FALSE(out.end.has_value());
        return out.curves;
    }

    QString label(frmCalCinetico* w, int k)
    {
        return findControl<QLabel>(w, QStringLiteral("Label%1").arg(k))->text();
    }

    WindowState initial;
};

TEST_F(CalculationWindowTest, OneCurveOfTheWorkedCaseShowsItsResultsAndAsksForTheGraph)
{
    struct Case {
        QLocale locale;
        QString sep;
    };
    for (const Case& c : {Case{QLocale::c(), QStringLiteral(".")},
                          Case{QLocale(QLocale::German, QLocale::Germany), QStringLiteral(",")}}) {
        SCOPED_TRACE(c.locale.name().toStdString());
        LocaleGuard guard(c.locale);
        load(workedCase());
        frmCalCinetico* w = open();
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(findControl<QGroupBox>(w, QStringLiteral("fraResultado"))->isVisible());
        EXPECT_FALSE(findControl<QGroupBox>(w, QStringLiteral("fraGrafico2"))->isVisible());

        auto answers = run(w, "Command1", {{QStringLiteral("1"), QStringLiteral("13"), QStringLiteral("5")}});
        EXPECT_EQ(answers->showings, 1);
        EXPECT_TRUE(platform->messages.empty());
        EXPECT_FALSE(findControl<QPushButton>(w, QStringLiteral("Command2"))->isEnabled());
        EXPECT_EQ(findControl<QLineEdit>(w, QStringLiteral("txtNumOfCurve"))->text(), QStringLiteral("1"));

        auto* graphQuestion = findControl<QGroupBox>(w, QStringLiteral("fraGrafico2"));
        EXPECT_TRUE(graphQuestion->isVisible());
        EXPECT_TRUE(graphQuestion->isEnabled());
        EXPECT_FALSE(findControl<QRadioButton>(w, QStringLiteral("optGraSim"))->isChecked());
        EXPECT_FALSE(findControl<QRadioButton>(w, QStringLiteral("optGraNao"))->isChecked());
        EXPECT_TRUE(findControl<QGroupBox>(w, QStringLiteral("fraResultado"))->isVisible());

        EXPECT_EQ(label(w, 1), QStringLiteral("CALCULATED KINETIC PARAMETERS OF CURVE # 1   Points: 1-13"));
        const QStringList names = {QStringLiteral("V "), QStringLiteral("n "), QStringLiteral("K "),
                                   QStringLiteral("V/K "), QStringLiteral("Correlation "),
                                   QStringLiteral("Total Activity "),
                                   QStringLiteral("Baseline used for this curve ")};
        const QStringList values = {"1" + c.sep + "000E+02  U/mg", "1" + c.sep + "000E+00",
                                    "5" + c.sep + "000E-01 mM",    "2" + c.sep + "000E+02",
                                    "1" + c.sep + "000E+00",       "1" + c.sep + "050E+02  U/mg",
                                    "5" + c.sep + "000E+00  U/mg"};
        for (int row = 0; row < 7; ++row) {
            EXPECT_EQ(label(w, 2 + row), names[row]);
            EXPECT_EQ(label(w, 9 + row), values[row]);
        }
        // a second click on the same button changes nothing
        findControl<QPushButton>(w, QStringLiteral("Command1"))->click();
        settle();
        EXPECT_EQ(answers->showings, 1);
        hub->closeCalculation();
        settle();
    }
}

TEST_F(CalculationWindowTest, SecondCurveStartsAfterTheFirstAndSitsOnItsPlateau)
{
    load(twoPhases());
    frmCalCinetico* w = open();
    ASSERT_NE(w, nullptr);
    auto answers = run(w, "Command2",
                       {{QStringLiteral("1"), QStringLiteral("8"), QStringLiteral("5")},
                        {QStringLiteral("9"), QStringLiteral("16"), QString()}});
    for (const auto& m : platform->messages) ADD_FAILURE() << m.text.toStdString();
    EXPECT_FALSE(findControl<QPushButton>(w, QStringLiteral("Command1"))->isEnabled());
    ASSERT_EQ(answers->hints.size(), 2u);
    EXPECT_EQ(answers->hints[0], QStringLiteral("First Point (1-16)"));
    EXPECT_EQ(answers->hints[1], QStringLiteral("First Point (9-16)"));

    // curve 2's baseline is curve 1's total activity (V of about 50 plus 5)
    ASSERT_EQ(st().curves.size(), 2u);
    const double totalActivity1 = st().curves[0].V + st().curves[0].points.baseline;
    EXPECT_NEAR(totalActivity1, 55.0, 1.0);
    EXPECT_DOUBLE_EQ(st().curves[1].points.baseline, totalActivity1);
    EXPECT_EQ(label(w, 1), QStringLiteral("CALCULATED KINETIC PARAMETERS OF CURVE # 2   Points: 9-16"));
    EXPECT_EQ(label(w, 15), QString::fromStdString(formatE3(totalActivity1)) + QStringLiteral("  U/mg"));
    EXPECT_TRUE(findControl<QGroupBox>(w, QStringLiteral("fraGrafico2"))->isVisible());
    hub->closeCalculation();
    settle();
}

TEST_F(CalculationWindowTest, EachCurveAppendsItsSectionToTheReportFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("report.txt"));
    {
        QFile header(path);
        ASSERT_TRUE(header.open(QIODevice::WriteOnly));
        header.write("HEADER\r\n");
    }
    load(twoPhases(), "F");
    st().outputFileName = path.toStdString();
    initial = st();
    frmCalCinetico* w = open();
    ASSERT_NE(w, nullptr);
    run(w, "Command2",
        {{QStringLiteral("1"), QStringLiteral("8"), QStringLiteral("5")},
         {QStringLiteral("9"), QStringLiteral("16"), QString()}});
    EXPECT_TRUE(platform->messages.empty());

    const std::vector<CurveFit> curves = expectedResults({{1, 8, 5}, {9, 16, 0}});
    ASSERT_EQ(curves.size(), 2u);
    std::string expected = "HEADER\r\n";
    for (const CurveFit& r : curves) {
        for (const std::string& line : reportCurveLines(r, "U/mg", "mM", ReportForm::File)) expected += line + "\r\n";
    }
    QFile report(path);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_EQ(report.readAll().toStdString(), expected);
    EXPECT_EQ(platform->jobsBegun, 0);
    hub->closeCalculation();
    settle();
}

TEST_F(CalculationWindowTest, PrintedSectionsGoIntoOneJobEndedAfterTheLastCurve)
{
    for (const bool jobOpenBefore : {false, true}) {
        SCOPED_TRACE(jobOpenBefore ? "job begun at the hand-off" : "no job open");
        platform->printedJobs.clear();
        platform->jobsBegun = platform->jobsEnded = 0;
        load(twoPhases(), "P");
        std::vector<std::string> header;
        if (jobOpenBefore) {
            hub->setReportJob(platform->beginTextJob(QStringLiteral("Kinetra")));
            hub->reportJob()->writeLine("HEADER");
            header.push_back("HEADER");
        }
        frmCalCinetico* w = open();
        ASSERT_NE(w, nullptr);
        run(w, "Command2",
            {{QStringLiteral("1"), QStringLiteral("8"), QStringLiteral("5")},
             {QStringLiteral("9"), QStringLiteral("16"), QString()}});
        EXPECT_TRUE(platform->messages.empty());

        const std::vector<CurveFit> curves = expectedResults({{1, 8, 5}, {9, 16, 0}});
        ASSERT_EQ(curves.size(), 2u);
        EXPECT_EQ(platform->jobsBegun, 1);
        EXPECT_EQ(platform->jobsEnded, 1);
        EXPECT_EQ(hub->reportJob(), nullptr);
        ASSERT_EQ(platform->printedJobs.size(), 1u);
        EXPECT_EQ(platform->printedJobs[0],
                  joined({header, reportCurveLines(curves[0], "U/mg", "mM", ReportForm::Printer),
                          reportCurveLines(curves[1], "U/mg", "mM", ReportForm::Printer)}));
        hub->closeCalculation();
        settle();
    }
}

TEST_F(CalculationWindowTest, EveryEndingClosesTheWindowAndOpensTheNextOne)
{
    Points zeroFirst = workedCase();
    zeroFirst.conc[0] = 0;
    Points falling = workedCase();
    for (std::size_t i = 0; i < falling.rate.size(); ++i) falling.rate[i] = 200 - 10.0 * static_cast<double>(i);
    const Points twoPoints{{1, 2}, {10, 20}};

    struct Case {
        const char* what;
        Points data;
        std::deque<PointsEntry> entries;
        QString title;
        QString textStart;
        bool toDataEntry;
    };
    const std::vector<Case> cases = {
        {"first concentration 0", zeroFirst, {}, kCritica, QStringLiteral("Error n.1: Division by zero"), false},
        {"falling rates", falling, {{QStringLiteral("1"), QStringLiteral("13"), QStringLiteral("0")}}, kWrongData,
         QStringLiteral("Error: Data can´t be fitted by a sigmoid"), true},
        {"two points", twoPoints, {{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("0")}}, kWrongData,
         QStringLiteral("Error\r\n\r\nErro Number: "), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform->messages.clear();
        clearWorkspace();
        load(c.data);
        frmCalCinetico* w = open();
        ASSERT_NE(w, nullptr);
        auto answers = run(w, "Command1", c.entries);
        EXPECT_EQ(answers->showings, static_cast<int>(c.entries.size()));
        ASSERT_EQ(platform->messages.size(), 1u);
        EXPECT_EQ(platform->messages[0].title, c.title);
        EXPECT_EQ(platform->messages[0].icon, MessageIcon::Critical);
        EXPECT_TRUE(platform->messages[0].text.startsWith(c.textStart)) << platform->messages[0].text.toStdString();
        settle();
        EXPECT_EQ(hub->calculationWindow(), nullptr);
        EXPECT_EQ(hub->dataEntryWindow() != nullptr, c.toDataEntry);
        if (!c.toDataEntry) {
            EXPECT_NE(hub->menuWindow(), nullptr);
        }
        EXPECT_EQ(hub->graph2Window(), nullptr);
    }
}

TEST_F(CalculationWindowTest, GraphQuestionLeadsToGraphTwoOrToTheMenu)
{
    struct Case {
        const char* option;       // the window's option clicked
        const char* baselineAnswer;  // the answer to "Consider Baseline?"
        bool graph2;
        bool considerBaseline;
    };
    for (const Case& c : {Case{"optGraSim", "optyes", true, true}, Case{"optGraSim", "optno", true, false},
                          Case{"optGraSim", "", true, false}, Case{"optGraNao", nullptr, false, true}}) {
        SCOPED_TRACE(std::string(c.option) + " " + (c.baselineAnswer ? c.baselineAnswer : "-"));
        clearWorkspace();
        load(workedCase());
        frmCalCinetico* w = open();
        ASSERT_NE(w, nullptr);
        run(w, "Command1", {{QStringLiteral("1"), QStringLiteral("13"), QStringLiteral("5")}});
        st().considerBaseline = true;
        if (c.baselineAnswer) answerChoice(QLatin1String(c.baselineAnswer));
        findControl<QRadioButton>(w, QLatin1String(c.option))->click();
        settle();
        EXPECT_EQ(hub->calculationWindow(), nullptr);
        EXPECT_EQ(hub->graph2Window() != nullptr, c.graph2);
        EXPECT_EQ(hub->menuWindow() != nullptr, !c.graph2);
        EXPECT_EQ(st().considerBaseline, c.considerBaseline);
    }
    hub->closeGraph2();
    settle();
}

TEST_F(CalculationWindowTest, CloseBoxWhileTheQuestionWaitsOpensNothing)
{
    clearWorkspace();
    load(workedCase());
    frmCalCinetico* w = open();
    ASSERT_NE(w, nullptr);
    run(w, "Command1", {{QStringLiteral("1"), QStringLiteral("13"), QStringLiteral("5")}});
    ASSERT_NE(w->subWindow(), nullptr);
    w->subWindow()->close();
    settle();
    EXPECT_EQ(hub->calculationWindow(), nullptr);
    EXPECT_EQ(hub->graph2Window(), nullptr);
    EXPECT_EQ(hub->menuWindow(), nullptr);
    EXPECT_FALSE(hub->programEnded());
}

TEST_F(CalculationWindowTest, ClosingThePointsWindowEndsTheProgramWithoutAMessage)
{
    load(workedCase());
    frmCalCinetico* w = open();
    ASSERT_NE(w, nullptr);
    PointsEntry closeBox;
    closeBox.closeWindow = true;
    run(w, "Command1", {closeBox});
    EXPECT_TRUE(hub->programEnded());
    EXPECT_TRUE(platform->messages.empty());
    EXPECT_EQ(hub->calculationWindow(), nullptr);
}

TEST_F(CalculationWindowTest, StopEndsTheProgramAndHelpOpensTopicThree)
{
    st().helpPath = "/opt/kinetra";
    frmCalCinetico* w = open();
    ASSERT_NE(w, nullptr);
    findControl<QPushButton>(w, QStringLiteral("cmmhelp"))->click();
    ASSERT_EQ(platform->helpRequests.size(), 1u);
    EXPECT_EQ(platform->helpRequests[0].first, QStringLiteral("/opt/kinetra/helpkinetra.hlp"));
    EXPECT_EQ(platform->helpRequests[0].second, 3);
    findControl<QPushButton>(w, QStringLiteral("Command3"))->click();
    settle();
    EXPECT_TRUE(hub->programEnded());
}

}  // namespace
}  // namespace kinetra
