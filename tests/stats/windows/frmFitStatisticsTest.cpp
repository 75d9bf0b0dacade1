// The "Statistics" button of the calculation window and the "Fit Statistics" window: the
// button waits for a calculated curve and covers no other control; the window shows the
// figures of the core for Puromycin (treated) with each weighting, its lack-of-fit test,
// draws one residual and one fitted point per point, names a point that cannot be weighted,
// copies its table, saves the CSV table through the save dialog and opens its help topic.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <variant>

#include "stats/windows/StatisticsWindowFixture.h"
#include "windows/stats/StatisticsText.h"

namespace kinetra {
namespace {

using testing::findControl;
using testing::GuiTest;
using testing::settle;

class FitStatisticsWindowTest : public testing::StatisticsWindowTest {
protected:
    // What the core says for the same points.
    static CurveStatistics expected() { return computeCurveStatistics(puromycinInput(0.0, Weighting::None)); }
};

TEST_F(FitStatisticsWindowTest, ButtonCoversNoOtherControlOfTheCalculationWindow)
{
    frmCalCinetico* w = calculate();
    ASSERT_NE(w, nullptr);
    const QRect button = findControl<QPushButton>(w, QStringLiteral("cmdStatistics"))->geometry();
    EXPECT_TRUE(w->rect().contains(button));
    for (QWidget* other : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (other->objectName() == QLatin1String("cmdStatistics") || other->objectName().isEmpty()) continue;
        EXPECT_FALSE(other->geometry().intersects(button)) << other->objectName().toStdString();
    }
}

TEST_F(FitStatisticsWindowTest, ShowsTheCoreFiguresAndOneResidualPerPoint)
{
    frmFitStatistics* s = openStatistics(calculate());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->windowTitle(), QStringLiteral("Fit Statistics"));
    const CurveStatistics core = expected();
    auto* grid = findControl<QTableWidget>(s, QStringLiteral("grdStatistics"));
    ASSERT_EQ(grid->rowCount(), 4);
    const std::pair<QString, const ParameterStatistics*> rows[4] = {
        {QStringLiteral("V"), &core.V}, {QStringLiteral("n"), &core.n}, {QStringLiteral("K"), &core.K},
        {QStringLiteral("V/K"), &core.VK}};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(grid->item(r, 1)->text(), rows[r].first);
        // the figures to the six digits the window shows
        EXPECT_NEAR(grid->item(r, 2)->text().toDouble(), rows[r].second->estimate,
                    1e-5 * std::fabs(rows[r].second->estimate));
        EXPECT_NEAR(grid->item(r, 4)->text().toDouble(), *rows[r].second->ci95->low,
                    1e-5 * std::fabs(*rows[r].second->ci95->low));
        if (r < 3) {
            EXPECT_NEAR(grid->item(r, 6)->text().toDouble(), *rows[r].second->profileCi95->low,
                        1e-5 * std::fabs(*rows[r].second->profileCi95->low));
        }
    }
    EXPECT_EQ(grid->item(3, 6), nullptr);  // V/K has no profile: its cells stay empty
    const QString comparison = findControl<QLabel>(s, QStringLiteral("lblComparison"))->text();
    EXPECT_TRUE(comparison.contains(QStringLiteral("these data do not show that n differs from 1 (F test p = 0.068"))) << comparison.toStdString();
    EXPECT_TRUE(findControl<QLabel>(s, QStringLiteral("lblFit"))->text().contains(QStringLiteral("Syx = 9.48602")));
    for (const DisplayList* plot : {&s->residualPlot(), &s->fitPlot()}) {
        int circles = 0;
        for (const DrawOp& op : plot->ops) circles += std::holds_alternative<Circle>(op) ? 1 : 0;
        EXPECT_EQ(circles, 12);
    }
    EXPECT_TRUE(findControl<QLabel>(s, QStringLiteral("lblFitPlot"))->text().contains(QStringLiteral("95 % confidence band")));
}

// Puromycin (treated) holds two rates at each of its six concentrations.
TEST_F(FitStatisticsWindowTest, TheLackOfFitLineOfTheReplicates)
{
    frmFitStatistics* s = openStatistics(calculate());
    ASSERT_NE(s, nullptr);
    const CurveStatistics core = expected();
    ASSERT_TRUE(core.replicates.has_value());
    const QString line = findControl<QLabel>(s, QStringLiteral("lblReplicates"))->text();
    EXPECT_TRUE(line.contains(QStringLiteral("at 6 concentrations"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("with 3 and 6 df"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("F = ") + shownFigure(core.replicates->F))) << line.toStdString();
    EXPECT_TRUE(line.endsWith(QString::fromStdString(replicatesVerdict(*core.replicates)))) << line.toStdString();
}

// Each weighting chosen (by the keyboard, as a user does) shows the core's figures for it.
TEST_F(FitStatisticsWindowTest, TheWeightingChosenComputesTheFiguresAgain)
{
    frmFitStatistics* s = openStatistics(calculate());
    ASSERT_NE(s, nullptr);
    auto* list = findControl<QComboBox>(s, QStringLiteral("cboWeighting"));
    auto* grid = findControl<QTableWidget>(s, QStringLiteral("grdStatistics"));
    const double unweightedK = expected().K.estimate;
    const struct {
        Qt::Key key;
        Weighting weighting;
        const char* caption;
    } steps[] = {{Qt::Key_Down, Weighting::Relative, "1/Y²"},
                 {Qt::Key_Down, Weighting::Poisson, "1/Y"},
                 {Qt::Key_Home, Weighting::None, "None"}};
    for (const auto& step : steps) {
        QTest::keyClick(list, step.key);
        settle();
        SCOPED_TRACE(step.caption);
        EXPECT_EQ(list->currentText(), QString::fromUtf8(step.caption));
        const CurveStatistics core = computeCurveStatistics(puromycinInput(0.0, step.weighting));
        ASSERT_TRUE(core.determined);
        ASSERT_EQ(grid->rowCount(), 4);
        const ParameterStatistics* params[3] = {&core.V, &core.n, &core.K};
        for (int r = 0; r < 3; ++r) {
            EXPECT_NEAR(grid->item(r, 2)->text().toDouble(), params[r]->estimate, 1e-5 * params[r]->estimate);
            EXPECT_NEAR(grid->item(r, 3)->text().toDouble(), *params[r]->standardError,
                        1e-5 * *params[r]->standardError);
        }
        EXPECT_TRUE(findControl<QLabel>(s, QStringLiteral("lblFit"))->text().contains(shownFigure(core.syx)));
        // the weights change the estimates themselves, not only their errors
        if (step.weighting != Weighting::None) {
            EXPECT_GT(std::fabs(core.K.estimate - unweightedK), 1e-3 * unweightedK);
        }
    }
}

// With the baseline at 47 point 2 has no rate above it: weights cannot be formed, the window
// says so where the figures would be, and shows no NaN or inf anywhere.
TEST_F(FitStatisticsWindowTest, APointThatCannotBeWeightedIsNamed)
{
    frmFitStatistics* s = openStatistics(calculate(QStringLiteral("47")));
    ASSERT_NE(s, nullptr);
    auto* list = findControl<QComboBox>(s, QStringLiteral("cboWeighting"));
    QTest::keyClick(list, Qt::Key_Down);
    settle();
    const CurveStatistics core = computeCurveStatistics(puromycinInput(47.0, Weighting::Relative));
    ASSERT_FALSE(core.determined);
    EXPECT_TRUE(core.reason.find("Point 2") != std::string::npos) << core.reason;
    auto* grid = findControl<QTableWidget>(s, QStringLiteral("grdStatistics"));
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 1)->text().toStdString(), core.reason);
    EXPECT_TRUE(findControl<QLabel>(s, QStringLiteral("lblFitPlot"))->text().contains(QString::fromStdString(core.reason)));
    QStringList shown;
    for (QLabel* l : s->findChildren<QLabel*>()) shown << l->text();
    for (const DisplayList* plot : {&s->residualPlot(), &s->fitPlot()})
        for (const DrawOp& op : plot->ops)
            if (const auto* t = std::get_if<Text>(&op)) shown << QString::fromStdString(t->text);
    const QRegularExpression notANumber(QStringLiteral("\\b(nan|inf)\\b"), QRegularExpression::CaseInsensitiveOption);
    for (const QString& text : shown) EXPECT_FALSE(text.contains(notANumber)) << text.toStdString();
}

TEST_F(FitStatisticsWindowTest, CopySaveCsvAndHelp)
{
    frmFitStatistics* s = openStatistics(calculate());
    ASSERT_NE(s, nullptr);
    findControl<QPushButton>(s, QStringLiteral("cmdCopy"))->click();
    const QString copied = QApplication::clipboard()->text();
    if (copied.isEmpty()) GTEST_SKIP() << "no clipboard on this platform";
    EXPECT_TRUE(copied.startsWith(QStringLiteral("curve\tparameter\testimate\tstandard error")));
    EXPECT_TRUE(copied.contains(QStringLiteral("\r\n1\tK\t")));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("stats.csv"));
    const QList<QByteArray> lines = savedCsvLines(s, path);
    ASSERT_EQ(lines.size(), 3);  // header, curve 1, nothing after the last CR LF
    EXPECT_TRUE(lines[0].startsWith("file,curve,firstPoint,lastPoint,baseline,V,n,K,VK,r,totalActivity,V_SE"));
    EXPECT_TRUE(lines[1].startsWith(",1,1,12,0,237.947"));
    EXPECT_TRUE(lines[1].trimmed().endsWith(",true"));

    // a cancelled dialog writes nothing
    QFile::remove(path);
    findControl<QPushButton>(s, QStringLiteral("cmdSaveCsv"))->click();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(platform->messages.empty());

    findControl<QPushButton>(s, QStringLiteral("cmdHelp"))->click();
    ASSERT_EQ(platform->helpRequests.size(), 1U);
    EXPECT_EQ(platform->helpRequests[0].second, kStatisticsHelpTopic);
    EXPECT_TRUE(platform->helpRequests[0].first.endsWith(QStringLiteral("helpkinetra.hlp")));
}

TEST_F(FitStatisticsWindowTest, ANewCalculationClosesTheWindow)
{
    frmFitStatistics* s = openStatistics(calculate());
    ASSERT_NE(s, nullptr);
    hub->startCalculation();
    settle();
    EXPECT_EQ(hub->statisticsWindow(), nullptr);
}

}  // namespace
}  // namespace kinetra
