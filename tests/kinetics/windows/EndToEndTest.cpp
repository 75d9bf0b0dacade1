// The two main roads through the program, from the menu back to the menu, through the real
// hub and windows: a data file with one curve reported to a file and graph 2 redrawn over a
// new range; typed points with a correction, a saved point file, two curves printed and
// graph 2 printed. Each road is checked against kinetra-fit run on the same data with the
// same choices: the same report, the same numbers, the same graphs.
#include <gtest/gtest.h>

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/frmMenu.h"
#include "entry/DataFileReader.h"
#include "entry/HandOff.h"
#include "windows/entry/frmEntDados.h"
#include "format/NumberForms.h"
#include "graphs/GraphGeometry.h"
#include "windows/graphs/frmGrafico1.h"
#include "windows/graphs/frmGrafico2.h"
#include "kinetics/SigmoidFit.h"
#include "kinetics/windows/PointsAnswerer.h"
#include "report/ReportLines.h"
#include "support/GuiTestSupport.h"

namespace kinetra {
namespace {

using nlohmann::json;
using testing::findControl;
using testing::GuiTest;
using testing::PointsAnswerer;
using testing::settle;
using testing::typeAndTab;
using testing::typeText;
using testing::whenModalNamed;
using testing::answerNamed;
using testing::typePoints;

// The labels typed in the data entry window (the rate unit with the blanks a user may leave).
struct Labels {
    QString user = QStringLiteral("José Lima");
    QString experiment = QStringLiteral("Run 7");
    QString rateUnit = QStringLiteral(" U/mg ");
    QString concUnit = QStringLiteral("mM");
    QString ligand = QStringLiteral("ATP");
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// A report with its moment masked: the only part two runs may not share.
std::string masked(std::string text)
{
    static const QRegularExpression date(QStringLiteral("Date: \\d\\d/\\d\\d/\\d{4}"));
    static const QRegularExpression hour(QStringLiteral("Hour: \\d\\d:\\d\\d:\\d\\d"));
    QString s = QString::fromStdString(text);
    s.replace(date, QStringLiteral("Date: DD/MM/YYYY"));
    s.replace(hour, QStringLiteral("Hour: HH:MM:SS"));
    return s.toStdString();
}

std::vector<std::string> masked(std::vector<std::string> lines)
{
    for (std::string& line : lines) line = masked(line);
    return lines;
}

std::string fileText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

void append(std::vector<std::string>& to, const std::vector<std::string>& lines)
{
    to.insert(to.end(), lines.begin(), lines.end());
}

// The report header as written for these labels, at a masked moment.
std::vector<std::string> expectedHeader(const Labels& l, const std::string& fileName, ReportForm form)
{
    ReportHeader h;
    h.date = "DD/MM/YYYY";
    h.time = "HH:MM:SS";
    h.user = l.user.toStdString();
    h.experiment = l.experiment.toStdString();
    h.rateUnit = l.rateUnit.toStdString();
    h.concUnit = l.concUnit.toStdString();
    h.ligand = l.ligand.toStdString();
    h.fileName = fileName;
    return reportHeaderLines(h, form);
}

// The data section for points listed in ascending concentration.
std::vector<std::string> expectedData(const std::vector<std::pair<double, double>>& sorted, ReportForm form)
{
    std::vector<ListedPoint> listed;
    for (const auto& [c, r] : sorted) listed.push_back({formatE3(c), formatE3(r)});
    return reportDataLines(listed, form);
}

// ---------------------------------------------------------------- kinetra-fit

struct FitRun {
    int exitCode = -1;
    QByteArray out, err;
};

FitRun runFit(const QStringList& args)
{
    FitRun run;
    QProcess process;
    process.start(QStringLiteral(KINETRA_FIT_EXE), args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "kinetra-fit did not finish";
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QStringList labelArguments(const Labels& l)
{
    return {QStringLiteral("--user"),      l.user,    QStringLiteral("--experiment"), l.experiment,
            QStringLiteral("--rate-unit"), l.rateUnit, QStringLiteral("--conc-unit"), l.concUnit,
            QStringLiteral("--ligand"),    l.ligand};
}

// The command's results of one curve, as the report takes them.
CurveFit resultsOf(const json& curve)
{
    CurveFit r;
    r.curve = curve.at("curve").get<int>();
    r.points.firstPoint = curve.at("firstPoint").get<int>();
    r.points.lastPoint = curve.at("lastPoint").get<int>();
    r.V = curve.at("V").get<double>();
    r.n = curve.at("n").get<double>();
    r.K = curve.at("K").get<double>();
    r.VK = curve.at("VK").get<double>();
    r.r = curve.at("r").get<double>();
    r.totalActivity = curve.at("totalActivity").get<double>();
    r.points.baseline = curve.at("baseline").get<double>();
    return r;
}

// ---------------------------------------------------------------- pictures

int redCircles(const DisplayList& list)
{
    return static_cast<int>(std::count_if(list.ops.begin(), list.ops.end(), [](const DrawOp& op) {
        const Circle* c = std::get_if<Circle>(&op);
        return c && c->outline == kRed;
    }));
}

// The texts on the X axis' tick label line.
std::vector<std::string> xLabels(const DisplayList& list)
{
    std::vector<std::string> labels;
    for (const DrawOp& op : list.ops)
        if (const Text* t = std::get_if<Text>(&op); t && t->topLeft.y == 6600.0F) labels.push_back(t->text);
    return labels;
}

// Pages of a PDF file written by Qt.
int pdfPages(const QString& path)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    const QString text = QString::fromLatin1(readAll(path));
    int pages = 0;
    for (auto it = page.globalMatch(text); it.hasNext(); it.next()) ++pages;
    return pages;
}

// ---------------------------------------------------------------- driving the windows

class EndToEnd : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    template <class W = QWidget>
    W* control(QWidget* form, const char* name)
    {
        return findControl<W>(form, QString::fromLatin1(name));
    }
    void click(QWidget* form, const char* name)
    {
        control<QAbstractButton>(form, name)->click();
        settle();
    }

    // The menu's "Calculation of Kinetic Parameters".
    frmEntDados* startFromMenu()
    {
        frmMenu* menu = hub->menuWindow();
        EXPECT_NE(menu, nullptr);
        if (!menu) return nullptr;
        menu->cmdMenCalcula->click();
        settle();
        EXPECT_EQ(hub->menuWindow(), nullptr);
        return qobject_cast<frmEntDados*>(hub->dataEntryWindow());
    }

    // Types a label key by key, letters beyond ASCII too (as a keyboard layout sends them).
    static void typeLabel(QLineEdit* field, const QString& text)
    {
        typeText(field, QString());
        for (const QChar ch : text) {
            if (ch.unicode() < 0x80) QTest::keyClick(field, ch.toLatin1());
            else QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
        EXPECT_EQ(field->text(), text);
    }

    void typeLabels(frmEntDados* entry, const Labels& l)
    {
        typeLabel(entry->txtUser, l.user);
        typeLabel(entry->txtExperiment, l.experiment);
        typeLabel(entry->txtRatUnit, l.rateUnit);
        typeLabel(entry->txtSubConUnit, l.concUnit);
        typeLabel(entry->txtSubLigand, l.ligand);
    }


    // Row `row` (from 1) corrected through the change dialog's "Change" answer.
    void correctRow(frmEntDados* entry, int row, const QString& concentration, const QString& rate)
    {
        QTreeWidgetItem* item = entry->lvwDados->topLevelItem(row - 1);
        ASSERT_NE(item, nullptr);
        entry->lvwDados->scrollToItem(item);
        answerNamed("frmchangedata", "optchange");
        testing::clickInWindow(entry->lvwDados->viewport(), entry->lvwDados->visualItemRect(item).center());
        settle();
        ASSERT_TRUE(testing::waitActive(entry->txtConCorrigida));
        typeText(entry->txtConCorrigida, concentration);
        testing::pressEnter(entry->txtConCorrigida);
        typeText(entry->txtRatCorrigida, rate);
        testing::pressEnter(entry->txtRatCorrigida);
        settle();
        EXPECT_FALSE(entry->txtRatCorrigida->isVisible()) << "the correction was not accepted";
    }

    // Graph 2's Next with "Change X axis?" Yes, the baseline answer and a new range.
    void newRange(frmGrafico2* g2, const char* baselineAnswer, const QString& low, const QString& high)
    {
        answerNamed("frmchangeX", "optyes");
        answerNamed("frmconsiderabaseline2", baselineAnswer);
        whenModalNamed(QStringLiteral("frmSubConcentration"), [low, high](QWidget* d) {
            typeAndTab(findControl<QLineEdit>(d, QStringLiteral("txtLowConcentration")), low);
            typeAndTab(findControl<QLineEdit>(d, QStringLiteral("txtHigConcentration")), high);
        });
        click(g2, "cmdNext");
    }

    // Graph 2's Next with "Change X axis?" No: back to the menu.
    void backToMenu(frmGrafico2* g2)
    {
        answerNamed("frmchangeX", "optno");
        click(g2, "cmdNext");
        EXPECT_EQ(hub->graph2Window(), nullptr);
        EXPECT_NE(hub->menuWindow(), nullptr);
        EXPECT_FALSE(hub->programEnded());
    }

    void expectNoMessages()
    {
        for (const auto& m : platform->messages)
            ADD_FAILURE() << m.title.toStdString() << ": " << m.text.toStdString();
    }

    QTemporaryDir dir;
};

// ---------------------------------------------------------------- the data file road

// The worked case: rates 5 + 100 S / (0.5 + S).
const std::vector<double> kWorkedConc = {0.025, 0.05, 0.1, 0.15, 0.25, 0.35, 0.5, 0.75, 1, 1.5, 2.5, 4, 6};

TEST_F(EndToEnd, DataFileOneCurveReportFileAndGraphTwoOverANewRange)
{
    const QString data = QStringLiteral(KINETRA_TEST_DATA_DIR "/worked_case_13_points.txt");
    std::vector<std::pair<double, double>> points;
    for (double s : kWorkedConc) points.emplace_back(s, 5 + 100 * s / (0.5 + s));
    const QString report = path("report of the worked case.txt");
    const Labels labels;

    // data entry: the file, the labels, the report file, Draw Graph
    frmEntDados* entry = startFromMenu();
    ASSERT_NE(entry, nullptr);
    platform->fileAnswers.push_back(data);
    entry->optFile->click();
    settle();
    ASSERT_EQ(entry->lvwDados->topLevelItemCount(), 13);
    typeLabels(entry, labels);
    entry->cmmdataOk->click();
    platform->fileAnswers.push_back(report);
    entry->optDestFile->click();
    entry->cmdDesenha->click();
    settle();
    expectNoMessages();

    // graph 1: every point drawn
    auto* g1 = qobject_cast<frmGrafico1*>(hub->graph1Window());
    ASSERT_NE(g1, nullptr);
    EXPECT_FALSE(entry->isVisibleTo(hub.get()));
    EXPECT_EQ(redCircles(g1->picture()), 13);
    const std::string graph1Svg = writeSvg(g1->picture());
    click(g1, "cmdNext");
    EXPECT_EQ(hub->graph1Window(), nullptr);

    // the calculation window: one curve over points 1-13 above a baseline of 5
    QWidget* calc = hub->calculationWindow();
    ASSERT_NE(calc, nullptr);
    {
        PointsAnswerer answers({{QStringLiteral("1"), QStringLiteral("13"), QStringLiteral("5")}});
        click(calc, "Command1");
        EXPECT_TRUE(answers.exhausted());
        EXPECT_EQ(answers.showings, 1);
    }
    EXPECT_TRUE(control<QGroupBox>(calc, "fraResultado")->isVisible());
    EXPECT_EQ(control<QLabel>(calc, "Label1")->text(),
              QStringLiteral("CALCULATED KINETIC PARAMETERS OF CURVE # 1   Points: 1-13"));
    EXPECT_EQ(control<QLabel>(calc, "Label9")->text(), QStringLiteral("1.000E+02  U/mg"));
    EXPECT_EQ(control<QLabel>(calc, "Label11")->text(), QStringLiteral("5.000E-01 mM"));
    ASSERT_TRUE(control<QGroupBox>(calc, "fraGrafico2")->isVisible());

    // "Graph ?" Yes, with the baseline
    answerNamed("frmrespostabaseline", "optyes");
    click(calc, "optGraSim");
    EXPECT_EQ(hub->calculationWindow(), nullptr);
    auto* g2 = qobject_cast<frmGrafico2*>(hub->graph2Window());
    ASSERT_NE(g2, nullptr);
    EXPECT_TRUE(hub->state().considerBaseline);
    ASSERT_FALSE(g2->picture().empty());
    EXPECT_EQ(redCircles(g2->picture().back()), 13);

    // Next: a new range without the baseline, the picture drawn afresh over 10^-2..10^2
    newRange(g2, "optno", QStringLiteral("0.01"), QStringLiteral("100"));
    ASSERT_EQ(hub->graph2Window(), g2);
    EXPECT_FALSE(g2->firstDrawing());
    EXPECT_FALSE(hub->state().considerBaseline);
    ASSERT_EQ(g2->picture().size(), 1u);
    EXPECT_EQ(xLabels(g2->picture()[0]), (std::vector<std::string>{"-2", "-1", "0", "1", "2"}));
    EXPECT_EQ(redCircles(g2->picture()[0]), 13) << "every point inside the new range";
    const std::string graph2Svg = writeSvg(g2->picture()[0]);

    backToMenu(g2);
    expectNoMessages();

    // the report: header and data as written for these labels and points, then the curve
    const std::string windowsReport = readAll(report).toStdString();
    std::vector<std::string> start = expectedHeader(labels, report.toStdString(), ReportForm::File);
    append(start, expectedData(points, ReportForm::File));
    ASSERT_GT(windowsReport.size(), fileText(start).size());
    EXPECT_EQ(masked(windowsReport.substr(0, fileText(start).size())), fileText(start));

    // kinetra-fit on the same file with the same labels and choices, into the same report
    // file: the same report, the same graphs
    const QString graph1File = path("graph1.svg");
    const QString graph2File = path("graph2.svg");
    const FitRun fit = runFit(QStringList{data, QStringLiteral("--curve"), QStringLiteral("1-13"),
                                          QStringLiteral("--baseline"), QStringLiteral("5"),
                                          QStringLiteral("--report"), report, QStringLiteral("--json"),
                                          QStringLiteral("--graph1"), graph1File, QStringLiteral("--graph2"),
                                          graph2File, QStringLiteral("--graph2-range"),
                                          QStringLiteral("0.01-100")}
                              + labelArguments(labels));
    ASSERT_EQ(fit.exitCode, 0) << fit.err.toStdString();
    EXPECT_EQ(masked(windowsReport), masked(readAll(report).toStdString()));
    EXPECT_EQ(graph1Svg, readAll(graph1File).toStdString());
    EXPECT_EQ(graph2Svg, readAll(graph2File).toStdString());

    // and both recovered the rate law the data were made from
    const json results = json::parse(fit.out.toStdString());
    ASSERT_EQ(results.at("curves").size(), 1u);
    const json& curve = results["curves"][0];
    // (the listed points keep four significant digits, so the recovery is close, not exact)
    EXPECT_NEAR(curve.at("V").get<double>(), 100.0, 1e-2);
    EXPECT_NEAR(curve.at("n").get<double>(), 1.0, 1e-4);
    EXPECT_NEAR(curve.at("K").get<double>(), 0.5, 5e-5);
    EXPECT_NEAR(curve.at("r").get<double>(), 1.0, 1e-7);
    ASSERT_EQ(hub->state().curves.size(), 1u);
    EXPECT_DOUBLE_EQ(hub->state().curves[0].V, curve.at("V").get<double>());
    EXPECT_DOUBLE_EQ(hub->state().curves[0].n, curve.at("n").get<double>());
    EXPECT_DOUBLE_EQ(hub->state().curves[0].K, curve.at("K").get<double>());
}

// ---------------------------------------------------------------- the keyboard road

// Two phases: 5 + 50 S / (0.1 + S) + 40 S / (100 + S), in ascending concentration, rates to
// four significant digits: a data file keeps no more than that (the point list shows four),
// so the saved point file, read again, holds exactly the points the windows analysed.
const std::vector<std::pair<double, double>> kTwoPhases = {
    {0.01, 9.549}, {0.02, 13.34}, {0.05, 21.69}, {0.1, 30.04}, {0.2, 38.41},  {0.5, 46.87},
    {1, 50.85},    {2, 53.4},     {10, 58.14},   {20, 61.42},  {50, 68.23},   {100, 74.95},
    {200, 81.64},  {500, 88.32},  {1000, 91.36}, {3000, 93.71}};

// The order the points are typed in (indexes into kTwoPhases).
const std::vector<std::size_t> kTypedOrder = {8, 0, 15, 3, 11, 5, 1, 13, 9, 2, 7, 14, 4, 10, 6, 12};
constexpr int kMistypedRow = 5;  // the point at 100, typed as 10 and 7.495 first

QString text(double v) { return QString::number(v, 'g', 10); }

TEST_F(EndToEnd, TypedPointsCorrectedSavedTwoCurvesPrintedAndGraphTwoPrinted)
{
    platform->pdfDirectory = dir.path();
    const Labels labels;
    const QString saved = path("typed points.txt");

    // data entry: 16 points typed out of order, one of them mistyped and then corrected
    frmEntDados* entry = startFromMenu();
    ASSERT_NE(entry, nullptr);
    std::vector<std::pair<QString, QString>> typed;
    for (std::size_t k : kTypedOrder) typed.emplace_back(text(kTwoPhases[k].first), text(kTwoPhases[k].second));
    typed[kMistypedRow - 1] = {QStringLiteral("10"), QStringLiteral("7.495")};
    typePoints(entry, typed);
    ASSERT_EQ(entry->lvwDados->topLevelItemCount(), 16);
    correctRow(entry, kMistypedRow, QStringLiteral("100"), QStringLiteral("74.95"));
    QTreeWidgetItem* corrected = entry->lvwDados->topLevelItem(kMistypedRow - 1);
    EXPECT_EQ(corrected->text(1), QStringLiteral("1.000E+02"));
    EXPECT_EQ(corrected->text(2), QStringLiteral("7.495E+01"));
    typeLabels(entry, labels);

    // the printer as destination; "Save data changed?" Yes, into a file
    entry->cmmdataOk->click();
    entry->optDestPrinter->click();
    answerNamed("frmsalvaarquivo", "optyes");
    platform->fileAnswers.push_back(saved);
    entry->cmdDesenha->click();
    settle();
    expectNoMessages();
    ASSERT_NE(hub->graph1Window(), nullptr);

    // the saved file holds the list as it stood, in its order, and reads back as a data file
    std::string savedText;
    for (std::size_t i = 0; i < kTypedOrder.size(); ++i) {
        const auto& [c, r] = kTwoPhases[kTypedOrder[i]];
        savedText += savedPointLine(c, r) + "\r\n";
    }
    EXPECT_EQ(readAll(saved).toStdString(), savedText);
    const std::vector<ReadRecord> back = readDataFile(saved.toStdString());
    ASSERT_EQ(back.size(), 16u);
    EXPECT_EQ(back[kMistypedRow - 1].concentrationText, "1.000E+02");

    // the hand-off sorted the points
    ASSERT_EQ(hub->state().dataSet.pointCount(), static_cast<int>(kTwoPhases.size()));
    for (std::size_t i = 0; i < kTwoPhases.size(); ++i) {
        EXPECT_DOUBLE_EQ(hub->state().dataSet.concentration[i], kTwoPhases[i].first) << i;
        EXPECT_DOUBLE_EQ(hub->state().dataSet.rate[i], kTwoPhases[i].second) << i;
    }

    // graph 1 -> Next -> two curves: points 1-8 above a baseline of 5, then 9-16
    click(hub->graph1Window(), "cmdNext");
    QWidget* calc = hub->calculationWindow();
    ASSERT_NE(calc, nullptr);
    {
        PointsAnswerer answers({{QStringLiteral("1"), QStringLiteral("8"), QStringLiteral("5")},
                                {QStringLiteral("9"), QStringLiteral("16"), QString()}});
        click(calc, "Command2");
        EXPECT_TRUE(answers.exhausted());
        EXPECT_EQ(answers.showings, 2);
    }
    expectNoMessages();
    EXPECT_EQ(control<QLabel>(calc, "Label1")->text(),
              QStringLiteral("CALCULATED KINETIC PARAMETERS OF CURVE # 2   Points: 9-16"));
    // the second curve sits on the plateau of the first: about 50 above the baseline of 5
    ASSERT_EQ(hub->state().curves.size(), 2u);
    EXPECT_NEAR(hub->state().curves[1].points.baseline, 55.0, 1.0);

    // the print job: begun at the hand-off, ended once after the second curve
    EXPECT_EQ(platform->jobsBegun, 1);
    EXPECT_EQ(platform->jobsEnded, 1);
    EXPECT_EQ(hub->reportJob(), nullptr);
    ASSERT_EQ(platform->printedJobs.size(), 1u);
    const std::vector<std::string> printed = platform->printedJobs[0];

    // graph 2 without the baseline, printed, then back to the menu
    answerNamed("frmrespostabaseline", "optno");
    click(calc, "optGraSim");
    auto* g2 = qobject_cast<frmGrafico2*>(hub->graph2Window());
    ASSERT_NE(g2, nullptr);
    EXPECT_FALSE(hub->state().considerBaseline);
    ASSERT_FALSE(g2->picture().empty());
    const std::string graph2Svg = writeSvg(g2->picture().back());
    click(g2, "cmdPrint");
    EXPECT_EQ(platform->picturesPrinted, 1);
    EXPECT_TRUE(readAll(platform->picturePdfPath(1)).startsWith("%PDF-"));
    EXPECT_EQ(pdfPages(platform->picturePdfPath(1)), 1);
    backToMenu(g2);
    expectNoMessages();

    // kinetra-fit on the saved file with the same choices
    const QString graph2File = path("graph2.svg");
    const FitRun fit = runFit(QStringList{saved, QStringLiteral("--curve"), QStringLiteral("1-8"),
                                          QStringLiteral("--curve"), QStringLiteral("9-16"),
                                          QStringLiteral("--baseline"), QStringLiteral("5"), QStringLiteral("--json"),
                                          QStringLiteral("--graph2"), graph2File}
                              + labelArguments(labels));
    ASSERT_EQ(fit.exitCode, 0) << fit.err.toStdString();
    const json results = json::parse(fit.out.toStdString());
    ASSERT_EQ(results.at("curves").size(), 2u);
    EXPECT_EQ(graph2Svg, readAll(graph2File).toStdString());

    // the same numbers
    std::vector<CurveFit> curves;
    ASSERT_EQ(hub->state().curves.size(), 2u);
    for (std::size_t c = 0; c < 2; ++c) {
        SCOPED_TRACE(c);
        curves.push_back(resultsOf(results["curves"][c]));
        EXPECT_DOUBLE_EQ(hub->state().curves[c].V, curves.back().V);
        EXPECT_DOUBLE_EQ(hub->state().curves[c].n, curves.back().n);
        EXPECT_DOUBLE_EQ(hub->state().curves[c].K, curves.back().K);
        EXPECT_DOUBLE_EQ(hub->state().curves[c].points.baseline, curves.back().points.baseline);
    }

    // the printed report: header and data in printer form, then both curves' sections with
    // the command's results (correlations included)
    std::vector<std::string> expected = expectedHeader(labels, "", ReportForm::Printer);
    append(expected, expectedData(kTwoPhases, ReportForm::Printer));
    for (const CurveFit& r : curves) append(expected, reportCurveLines(r, "U/mg", "mM", ReportForm::Printer));
    EXPECT_EQ(masked(printed), expected);

    // printed as a PDF by the same painting code as a printer, page by page
    const int perPage = platform->pdfLinesPerPage();
    ASSERT_GT(perPage, 0);
    EXPECT_EQ(pdfPages(platform->jobPdfPath(1)), (static_cast<int>(printed.size()) + perPage - 1) / perPage);
}

}  // namespace
}  // namespace kinetra
