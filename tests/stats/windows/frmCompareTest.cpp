// "Compare…" in the "Fit Statistics" window and the "Compare Data Sets" window: curve 1 of
// Puromycin (treated) against the untreated cells' data file gives R's figures and verdicts;
// a file that cannot be read is named and left out; the table's further data sets and the
// weighting chosen are taken; the tests go to the clipboard and a CSV file; Help opens its
// topic. Reference figures: tests/data/stats/experiments/references.json (R's nls).
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <tuple>
#include <variant>

#include "graphs/GraphGeometry.h"
#include "platform/HelpViewer.h"
#include "stats/windows/StatisticsWindowFixture.h"
#include "ui/BackgroundWork.h"
#include "windows/stats/ComparisonTable.h"
#include "windows/stats/frmCompare.h"
#include "windows/stats/frmFitStatistics.h"

namespace kinetra {
namespace {

using testing::experimentFile;
using testing::findControl;
using testing::settle;

class CompareWindowTest : public testing::StatisticsWindowTest {
protected:
    // Curve 1 of Puromycin (treated) compared with the files the dialog answers (paths
    // separated by line ends; empty: the dialog is cancelled).
    frmCompare* compareWith(const QString& answer)
    {
        frmFitStatistics* s = openStatistics(calculate());
        if (!s) return nullptr;
        if (!answer.isEmpty()) platform->fileAnswers.push_back(answer);
        findControl<QPushButton>(s, QStringLiteral("cmdCompare"))->click();
        BackgroundWork::waitForAll(hub.get());  // the files read, then the comparison
        settle();
        return qobject_cast<frmCompare*>(hub->comparisonWindow());
    }

    static QString cell(QWidget* w, const char* grid, int row, int column)
    {
        const QTableWidgetItem* item = findControl<QTableWidget>(w, QLatin1String(grid))->item(row, column);
        return item ? item->text() : QString();
    }
};

const QString kUntreated = QString::fromStdString(experimentFile("puromycin_untreated.csv"));

TEST_F(CompareWindowTest, PuromycinTreatedAgainstUntreatedGivesRsFigures)
{
    frmCompare* c = compareWith(kUntreated);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->windowTitle(), QStringLiteral("Compare Data Sets"));
    EXPECT_TRUE(platform->messages.empty());
    // each set alone (V and K), to the six digits the window shows
    const std::tuple<const char*, int, double, double> sets[] = {
        {"curve 1", 12, 237.94749654252624, 0.085882555182618794},
        {"puromycin_untreated", 11, 195.12793796596296, 0.082414062931224399}};
    for (int r = 0; r < 2; ++r) {
        const auto& [name, points, V, K] = sets[r];
        EXPECT_EQ(cell(c, "grdSets", r, 0) + cell(c, "grdSets", r, 1), QLatin1String(name) + QString::number(points));
        EXPECT_NEAR(cell(c, "grdSets", r, 2).toDouble(), V, 1e-5 * V);
        EXPECT_NEAR(cell(c, "grdSets", r, 6).toDouble(), K, 1e-5 * K);
    }
    // the four tests: F and p as R gives them, the verdicts in words
    const struct { double F, p; const char* verdict; } tests[] = {{0.89717320225123065, 0.35681145733834696, "V does not differ between the data sets (F test p = 0.36)"},
                 {0.41515155400244608, 0.5279651758275179, "n does not differ between the data sets (F test p = 0.53)"},
                 {0.0046824614490818661, 0.94624294919018836, "K does not differ between the data sets (F test p = 0.95)"},
                 {22.080082912546011, 4.2436546526693389e-06, "The data sets differ (F test p = 4.2e-06)"}};
    const QStringList verdicts = findControl<QLabel>(c, QStringLiteral("lblVerdicts"))->text().split(QLatin1Char('\n'));
    ASSERT_EQ(verdicts.size(), 4);
    for (int r = 0; r < 4; ++r) {
        EXPECT_NEAR(cell(c, "grdTests", r, 4).toDouble(), tests[r].F, 1e-4 * tests[r].F);
        EXPECT_NEAR(cell(c, "grdTests", r, 5).toDouble(), tests[r].p, 1e-4 * tests[r].p);
        EXPECT_EQ(verdicts[r], QLatin1String(tests[r].verdict));
    }
    EXPECT_EQ(findControl<QLabel>(c, QStringLiteral("lblWeighting"))->text(), QStringLiteral("Weighting: None"));
    // the plot's legend names both sets
    QStringList texts;
    for (const DrawOp& op : c->overlayPlot().ops)
        if (const auto* t = std::get_if<Text>(&op)) texts << QString::fromStdString(t->text);
    EXPECT_TRUE(texts.contains(QStringLiteral("curve 1")) && texts.contains(QStringLiteral("puromycin_untreated")));
}

TEST_F(CompareWindowTest, AFileThatCannotBeReadIsNamedAndLeftOut)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("no_such_file.txt"));
    frmCompare* c = compareWith(missing + QLatin1Char('\n') + kUntreated);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(platform->messages.size(), 1U);
    EXPECT_EQ(platform->messages[0].title, QStringLiteral("Wrong Data"));
    // named, with the number of a file not found
    EXPECT_TRUE(platform->messages[0].text.contains(missing) && platform->messages[0].text.contains(QStringLiteral("53")));
    ASSERT_EQ(c->comparison().sets.size(), 2U);
    EXPECT_EQ(c->comparison().sets[1].name, "puromycin_untreated");
}

// A table's further data set is compared with no file chosen, with the weighting of the
// statistics window: the figures are the core's for the same sets.
TEST_F(CompareWindowTest, TheTablesDataSetsAndTheWeightingChosen)
{
    const DataSet untreated = *readDataSet(experimentFile("puromycin_untreated.csv"), ReportLabels{});
    frmFitStatistics* s = openStatistics(calculate());
    ASSERT_NE(s, nullptr);
    hub->state().otherDataSets = {untreated};
    QTest::keyClick(findControl<QComboBox>(s, QStringLiteral("cboWeighting")), Qt::Key_Down);
    findControl<QPushButton>(s, QStringLiteral("cmdCompare"))->click();
    BackgroundWork::waitForAll(hub.get());
    auto* c = qobject_cast<frmCompare*>(hub->comparisonWindow());
    ASSERT_NE(c, nullptr);
    const Comparison& shown = c->comparison();
    EXPECT_EQ(findControl<QLabel>(c, QStringLiteral("lblWeighting"))->text(), QStringLiteral("Weighting: 1/Y²"));
    const StatisticsInput curve1 = puromycinInput(0.0, Weighting::Relative);
    const Comparison core = compareDataSets({{"curve 1", curve1.concentration, curve1.rate, curve1.start},
                                             {"table set 1", untreated.concentration, untreated.rate, std::nullopt}},
                                            Weighting::Relative);
    ASSERT_EQ(shown.sets.size(), 2U);
    EXPECT_EQ(shown.sets[1].name, "table set 1");
    for (std::size_t t = 0; t < 4; ++t) {
        ASSERT_TRUE(shown.tests[t].fit && core.tests[t].fit);
        EXPECT_NEAR(shown.tests[t].fit->p, core.tests[t].fit->p, 1e-6 * core.tests[t].fit->p);
    }
}

// The comparison runs off the event loop: meanwhile the window says so, holds the buttons
// that act on its outcome and refuses a further comparison; then it shows the core's figures.
TEST_F(CompareWindowTest, ABusyComparisonRefusesASecondAndShowsTheCoresFigures)
{
    const DataSet untreated = *readDataSet(experimentFile("puromycin_untreated.csv"), ReportLabels{});
    const StatisticsInput curve1 = puromycinInput(0.0, Weighting::None);
    const std::vector<DataSetPoints> sets = {{"curve 1", curve1.concentration, curve1.rate, curve1.start},
                                             {"untreated", untreated.concentration, untreated.rate, std::nullopt}};
    hub->openComparison(sets, Weighting::Poisson);
    auto* c = qobject_cast<frmCompare*>(hub->comparisonWindow());
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(c->backgroundWork().busy());
    EXPECT_EQ(findControl<QLabel>(c, QStringLiteral("lblBusy"))->text(), QStringLiteral("Comparing 2 data sets…"));
    EXPECT_FALSE(findControl<QPushButton>(c, QStringLiteral("cmdCopy"))->isEnabled());
    hub->openComparison({sets[1], sets[0], sets[1]}, Weighting::None);
    ASSERT_EQ(platform->messages.size(), 1U);
    EXPECT_TRUE(platform->messages[0].text.startsWith(QStringLiteral("The data sets are still being compared")));

    c->backgroundWork().wait();
    EXPECT_FALSE(findControl<QLabel>(c, QStringLiteral("lblBusy"))->isVisible());
    EXPECT_TRUE(findControl<QPushButton>(c, QStringLiteral("cmdCopy"))->isEnabled());
    const Comparison core = compareDataSets(sets, Weighting::Poisson);
    const Comparison& shown = c->comparison();
    ASSERT_EQ(shown.sets.size(), 2U);
    EXPECT_EQ(findControl<QTableWidget>(c, QStringLiteral("grdSets"))->rowCount(), 2);
    for (std::size_t k = 0; k < 2; ++k) EXPECT_EQ(shown.sets[k].own.estimates.K, core.sets[k].own.estimates.K);
    for (std::size_t t = 0; t < 4; ++t) {
        ASSERT_TRUE(shown.tests[t].fit && core.tests[t].fit);
        EXPECT_EQ(shown.tests[t].fit->F, core.tests[t].fit->F);
        EXPECT_EQ(shown.tests[t].fit->p, core.tests[t].fit->p);
    }
}

// One set more than a comparison takes: the window says so and draws none of them.
TEST_F(CompareWindowTest, MoreSetsThanAComparisonTakesAreRefusedAndNoneIsDrawn)
{
    const std::vector<DataSetPoints> sets(kMaxComparedSets + 1, {"s", {1, 2, 3, 4}, {1, 2, 3, 4}, std::nullopt});
    hub->openComparison(sets, Weighting::None);
    auto* c = qobject_cast<frmCompare*>(hub->comparisonWindow());
    ASSERT_NE(c, nullptr);
    c->backgroundWork().wait();
    EXPECT_EQ(findControl<QLabel>(c, QStringLiteral("lblMessages"))->text(),
              QStringLiteral("A comparison takes at most 20 data sets; 21 were given"));
    EXPECT_EQ(findControl<QTableWidget>(c, QStringLiteral("grdSets"))->rowCount(), 0);
    for (const DrawOp& op : c->overlayPlot().ops) {
        if (const auto* t = std::get_if<Text>(&op)) {
            EXPECT_EQ(t->colour, kBlack) << "a legend entry " << t->text;
        }
    }
}

// Compare… reads the files off the event loop; a second Compare… meanwhile does not start.
TEST_F(CompareWindowTest, CompareIsHeldWhileTheFilesAreRead)
{
    frmFitStatistics* s = openStatistics(calculate());
    ASSERT_NE(s, nullptr);
    auto* compare = findControl<QPushButton>(s, QStringLiteral("cmdCompare"));
    platform->fileAnswers.push_back(kUntreated);
    compare->click();
    EXPECT_TRUE(s->backgroundWork().busy());
    EXPECT_FALSE(findControl<QComboBox>(s, QStringLiteral("cboWeighting"))->isEnabled());
    compare->click();
    EXPECT_EQ(platform->fileDialogTitles.size(), 1U);
    BackgroundWork::waitForAll(hub.get());
    EXPECT_TRUE(compare->isEnabled());
    auto* c = qobject_cast<frmCompare*>(hub->comparisonWindow());
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->comparison().sets.size(), 2U);
    EXPECT_EQ(c->comparison().sets[1].name, "puromycin_untreated");
}

// Under a German locale the window writes decimal commas; the CSV file keeps the point.
TEST_F(CompareWindowTest, SaveCsvCopyAndHelp)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    frmCompare* c = compareWith(kUntreated);
    QLocale::setDefault(QLocale::c());
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(findControl<QLabel>(c, QStringLiteral("lblVerdicts"))->text().contains(QStringLiteral("(F test p = 0,95)")));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QList<QByteArray> lines = savedCsvLines(c, dir.filePath(QStringLiteral("tests.csv")));
    ASSERT_EQ(lines.size(), 6);  // header, four tests, nothing after the last CR LF
    EXPECT_EQ(lines[0], "weighting,shared,sharedValue,ssr,df,separateSsr,separateDf,F,p,deltaAICc,verdict\r");
    EXPECT_TRUE(lines[3].startsWith("none,K,0.0852968") && lines[3].contains(",18,1243.900")) << lines[3].toStdString();
    EXPECT_TRUE(lines[3].trimmed().endsWith("K does not differ between the data sets (F test p = 0.95)"));
    EXPECT_TRUE(lines[4].startsWith("none,all,,6090.738")) << lines[4].toStdString();

    findControl<QPushButton>(c, QStringLiteral("cmdCopy"))->click();
    EXPECT_TRUE(QApplication::clipboard()->text().contains(QStringLiteral("SE of K\r\ncurve 1\t12\t237.947")));

    // the topic is there in the help file
    findControl<QPushButton>(c, QStringLiteral("cmdHelp"))->click();
    ASSERT_EQ(platform->helpRequests.size(), 1U);
    EXPECT_EQ(platform->helpRequests[0].second, 7);
    QFile help(QStringLiteral(KINETRA_SOURCE_DIR "/help/helpkinetra.hlp"));
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    QStringList titles;
    for (const HelpTopic& t : parseHelpText(QString::fromUtf8(help.readAll()))) titles << t.title;
    EXPECT_EQ(titles.value(6), QStringLiteral("Comparing data sets"));
}

TEST_F(CompareWindowTest, EveryPlotSavesItsPicture)
{
    frmCompare* c = compareWith(kUntreated);
    ASSERT_NE(c, nullptr);
    auto* s = qobject_cast<frmFitStatistics*>(hub->statisticsWindow());
    ASSERT_NE(s, nullptr);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::tuple<QWidget*, const char*, QString, const DisplayList*> saves[] = {
        {c, "cmdSavePicture", dir.filePath(QStringLiteral("sets.svg")), &c->overlayPlot()},
        {s, "cmdSaveResiduals", dir.filePath(QStringLiteral("residuals.svg")), &s->residualPlot()},
        {s, "cmdSaveFitPlot", dir.filePath(QStringLiteral("fit.svg")), &s->fitPlot()},
    };
    for (const auto& [window, button, path, picture] : saves) {
        platform->fileAnswers.push_back(path);
        findControl<QPushButton>(window, QLatin1String(button))->click();
        settle();
        QFile saved(path);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << button;
        EXPECT_EQ(saved.readAll().toStdString(), writeSvg(*picture)) << button;
    }
    EXPECT_TRUE(platform->messages.empty());
}

TEST(ComparisonTable, ARefusedComparisonSaysWhyInEveryTest)
{
    const Comparison refused = compareDataSets({{"alone", {1, 2, 3, 4}, {1, 2, 3, 4}, std::nullopt}});
    const auto figure = [](std::optional<double> v) { return v ? std::to_string(*v) : std::string("-"); };
    const ComparisonTable table = comparisonTable(refused, figure, '.');
    ASSERT_EQ(table.tests.size(), 4U);
    for (const auto& row : table.tests) EXPECT_EQ(row.back(), kReasonTooFewSets);
    const auto rows = comparisonCsvRows(refused);
    ASSERT_EQ(rows.size(), 5U);
    EXPECT_EQ(rows[4][3], "");  // no SSR where nothing was fitted
    EXPECT_EQ(rows[4].back(), kReasonTooFewSets);
}

}  // namespace
}  // namespace kinetra
