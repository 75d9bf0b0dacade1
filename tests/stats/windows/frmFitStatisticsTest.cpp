// The "Statistics" button of the calculation window and the "Fit Statistics" window: the
// button waits for a calculated curve and covers no other control; the window shows the
// figures of the core for Puromycin (treated), draws one residual per point, copies its
// table, saves the CSV table through the save dialog and opens its help topic.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <variant>

#include "kinetics/windows/PointsAnswerer.h"
#include "windows/kinetics/frmCalCinetico.h"
#include "windows/stats/frmFitStatistics.h"
#include "support/GuiTestSupport.h"

namespace kinetra {
namespace {

using testing::findControl;
using testing::GuiTest;
using testing::PointsAnswerer;
using testing::settle;

const std::vector<double> kConc = {0.02, 0.02, 0.06, 0.06, 0.11, 0.11, 0.22, 0.22, 0.56, 0.56, 1.10, 1.10};
const std::vector<double> kRate = {76, 47, 97, 107, 123, 139, 159, 152, 191, 201, 207, 200};

class FitStatisticsWindowTest : public GuiTest {
protected:
    // Puromycin (treated) handed off, the calculation window open, one curve over 1-12.
    frmCalCinetico* calculate()
    {
        hub->startCalculation();
        hub->closeDataEntry();
        WindowState& st = hub->state();
        resetForCalculation(st);
        st.pointCount = static_cast<std::int16_t>(kConc.size());
        st.dataSet.concentration = kConc;
        st.dataSet.rate = kRate;
        st.dataSet.rateUnit = "counts/min";
        st.dataSet.concUnit = "pp";
        st.outputDestination = "N";
        hub->openCalculation();
        settle();
        auto* w = qobject_cast<frmCalCinetico*>(hub->calculationWindow());
        EXPECT_NE(w, nullptr);
        if (!w) return nullptr;
        EXPECT_FALSE(findControl<QPushButton>(w, QStringLiteral("cmdStatistics"))->isEnabled());
        PointsAnswerer answers({{QStringLiteral("1"), QStringLiteral("12"), QStringLiteral("0")}});
        findControl<QPushButton>(w, QStringLiteral("Command1"))->click();
        settle();
        EXPECT_TRUE(answers.exhausted());
        return w;
    }

    frmFitStatistics* openStatistics(frmCalCinetico* w)
    {
        auto* button = findControl<QPushButton>(w, QStringLiteral("cmdStatistics"));
        EXPECT_TRUE(button->isEnabled());
        button->click();
        settle();
        auto* s = qobject_cast<frmFitStatistics*>(hub->statisticsWindow());
        EXPECT_NE(s, nullptr);
        return s;
    }

    // What the core says for the same points.
    CurveStatistics expected() const
    {
        return computeCurveStatistics(StatisticsInput{kConc, kRate, HillEstimates{237.9475, 0.7393948, 0.08588256}});
    }
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
    int circles = 0;
    for (const DrawOp& op : s->residualPlot().ops) circles += std::holds_alternative<Circle>(op) ? 1 : 0;
    EXPECT_EQ(circles, 12);
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
    platform->fileAnswers.push_back(path);
    findControl<QPushButton>(s, QStringLiteral("cmdSaveCsv"))->click();
    QFile csv(path);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3);  // header, curve 1, nothing after the last CR LF
    EXPECT_TRUE(lines[0].startsWith("file,curve,firstPoint,lastPoint,baseline,V,n,K,VK,r,totalActivity,V_SE"));
    EXPECT_TRUE(lines[1].startsWith(",1,1,12,0,237.947"));
    EXPECT_TRUE(lines[1].trimmed().endsWith(",true"));

    // a cancelled dialog writes nothing
    csv.close();
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
