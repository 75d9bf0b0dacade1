#pragma once
// The fixture of the statistics windows: Puromycin (treated) handed off, one curve over its
// 12 points calculated with the baseline asked for, and the "Fit Statistics" window opened
// from the calculation window.
#include <QFile>
#include <QPushButton>
#include <string>
#include <vector>

#include "kinetics/windows/PointsAnswerer.h"
#include "stats/CurveStatistics.h"
#include "support/GuiTestSupport.h"
#include "windows/kinetics/frmCalCinetico.h"
#include "windows/stats/frmFitStatistics.h"

namespace kinetra::testing {

inline const std::vector<double> kPuromycinConc = {0.02, 0.02, 0.06, 0.06, 0.11, 0.11,
                                                   0.22, 0.22, 0.56, 0.56, 1.10, 1.10};
inline const std::vector<double> kPuromycinRate = {76, 47, 97, 107, 123, 139, 159, 152, 191, 201, 207, 200};

inline std::string experimentFile(const char* name)
{
    return std::string(KINETRA_TEST_DATA_DIR) + "/stats/experiments/" + name;
}

class StatisticsWindowTest : public GuiTest {
protected:
    frmCalCinetico* calculate(const QString& baseline = QStringLiteral("0"))
    {
        hub->startCalculation();
        hub->closeDataEntry();
        WindowState& st = hub->state();
        resetForCalculation(st);
        st.pointCount = static_cast<std::int16_t>(kPuromycinConc.size());
        st.dataSet.concentration = kPuromycinConc;
        st.dataSet.rate = kPuromycinRate;
        st.dataSet.rateUnit = "counts/min";
        st.dataSet.concUnit = "pp";
        st.outputDestination = "N";
        hub->openCalculation();
        settle();
        auto* w = qobject_cast<frmCalCinetico*>(hub->calculationWindow());
        EXPECT_NE(w, nullptr);
        if (!w) return nullptr;
        EXPECT_FALSE(findControl<QPushButton>(w, QStringLiteral("cmdStatistics"))->isEnabled());
        PointsAnswerer answers({{QStringLiteral("1"), QStringLiteral("12"), baseline}});
        findControl<QPushButton>(w, QStringLiteral("Command1"))->click();
        settle();
        EXPECT_TRUE(answers.exhausted());
        return w;
    }

    frmFitStatistics* openStatistics(frmCalCinetico* w)
    {
        if (!w) return nullptr;
        auto* button = findControl<QPushButton>(w, QStringLiteral("cmdStatistics"));
        EXPECT_TRUE(button->isEnabled());
        button->click();
        settle();
        auto* s = qobject_cast<frmFitStatistics*>(hub->statisticsWindow());
        EXPECT_NE(s, nullptr);
        return s;
    }

    // "Save CSV…" in the window with the dialog answering `path`: the lines of the file
    // written (split at LF), none when no file was written.
    QList<QByteArray> savedCsvLines(QWidget* window, const QString& path)
    {
        platform->fileAnswers.push_back(path);
        findControl<QPushButton>(window, QStringLiteral("cmdSaveCsv"))->click();
        QFile csv(path);
        if (!csv.open(QIODevice::ReadOnly)) return {};
        return csv.readAll().split('\n');
    }

    // The points of the curve as the core takes them, rates above `baseline`.
    static StatisticsInput puromycinInput(double baseline, Weighting weighting)
    {
        StatisticsInput in{kPuromycinConc, kPuromycinRate, HillEstimates{237.9475, 0.7393948, 0.08588256}, weighting};
        for (double& v : in.rate) v -= baseline;
        return in;
    }
};

}  // namespace kinetra::testing
