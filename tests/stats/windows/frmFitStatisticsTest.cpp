// The "Statistics" button of the calculation window and the "Fit Statistics" window: the
// button waits for a calculated curve and covers no other control; the window shows the
// figures of the core for Puromycin (treated) with each weighting, R's lack-of-fit test,
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
    EXPECT_TRUE(findControl<QLabel>(s, QStringLiteral("lblFitPlot"))->text().contains(QStringLiteral("95 % bands: confidence shaded")));
    // two rates at each of six concentrations: the lack-of-fit test with R's F
    EXPECT_TRUE(findControl<QLabel>(s, QStringLiteral("lblReplicates"))->text().contains(QStringLiteral(
        "at 6 concentrations: F = 0.322184 with 3 and 6 df; the Hill law fits as well as the replicates allow (p = 0.81)")));
}

// Each weighting chosen (by the keyboard, as a user does) shows the core's figures for it;
// the weights change the estimates themselves, not only their errors.
TEST_F(FitStatisticsWindowTest, TheWeightingChosenComputesTheFiguresAgain)
{
    frmFitStatistics* s = openStatistics(calculate());
    ASSERT_NE(s, nullptr);
    auto* list = findControl<QComboBox>(s, QStringLiteral("cboWeighting"));
    auto* grid = findControl<QTableWidget>(s, QStringLiteral("grdStatistics"));
    const std::pair<Qt::Key, Weighting> steps[] = {
        {Qt::Key_Down, Weighting::Relative}, {Qt::Key_Down, Weighting::Poisson}, {Qt::Key_Home, Weighting::None}};
    for (const auto& [key, weighting] : steps) {
        QTest::keyClick(list, key);
        SCOPED_TRACE(list->currentText().toStdString());
        const CurveStatistics core = computeCurveStatistics(puromycinInput(0.0, weighting));
        ASSERT_TRUE(core.determined && grid->rowCount() == 4);
        const ParameterStatistics* params[3] = {&core.V, &core.n, &core.K};
        for (int r = 0; r < 3; ++r) {
            EXPECT_NEAR(grid->item(r, 2)->text().toDouble(), params[r]->estimate, 1e-5 * params[r]->estimate);
            EXPECT_NEAR(grid->item(r, 3)->text().toDouble(), *params[r]->standardError, 1e-5 * *params[r]->standardError);
        }
        if (weighting != Weighting::None) { EXPECT_GT(std::fabs(core.K.estimate / expected().K.estimate - 1), 1e-3); }
    }
}

// With the baseline at 47 point 2 has no rate above it: no weights, and the window says so
// where the figures would be, with no NaN or inf in any text or plot.
TEST_F(FitStatisticsWindowTest, APointThatCannotBeWeightedIsNamed)
{
    frmFitStatistics* s = openStatistics(calculate(QStringLiteral("47")));
    ASSERT_NE(s, nullptr);
    QTest::keyClick(findControl<QComboBox>(s, QStringLiteral("cboWeighting")), Qt::Key_Down);
    const QString reason = QString::fromStdString(computeCurveStatistics(puromycinInput(47.0, Weighting::Relative)).reason);
    EXPECT_TRUE(reason.startsWith(QStringLiteral("Point 2 has a rate of 0"))) << reason.toStdString();
    auto* grid = findControl<QTableWidget>(s, QStringLiteral("grdStatistics"));
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 1)->text(), reason);
    EXPECT_TRUE(findControl<QLabel>(s, QStringLiteral("lblFitPlot"))->text().endsWith(reason));
    QStringList shown;
    for (QLabel* l : s->findChildren<QLabel*>()) shown << l->text();
    for (const DisplayList* plot : {&s->residualPlot(), &s->fitPlot()})
        for (const DrawOp& op : plot->ops)
            if (const auto* t = std::get_if<Text>(&op)) shown << QString::fromStdString(t->text);
    const QRegularExpression notANumber(QStringLiteral("\\b(nan|inf)\\b"), QRegularExpression::CaseInsensitiveOption);
    EXPECT_EQ(shown.filter(notANumber), QStringList());
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
