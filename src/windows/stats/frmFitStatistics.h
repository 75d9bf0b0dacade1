#pragma once
// The "Fit Statistics" window: for the curves of the last calculation, a table of each
// parameter's estimate, standard error, 95 % limits and profile limits, Syx and R², the
// comparison with n = 1 and its verdict, and the residual plot (drawn from a display list,
// so it prints and exports as the graphs do). "Copy" puts the table on the clipboard,
// "Save CSV…" writes the CSV table, "Help" opens the window's help topic.

#include "graphs/DisplayList.h"
#include "stats/CalculatedCurve.h"
#include "ui/ChildForm.h"
#include "ui/Shell.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace kinetra {

inline constexpr int kStatisticsHelpTopic = 6;

class frmFitStatistics : public ChildForm {
    Q_OBJECT
public:
    explicit frmFitStatistics(Shell& hub, QWidget* parent = nullptr);

    void setCalculation(const CalculationStatistics& calculation);
    const DisplayList& residualPlot() const { return plot; }

private:
    void createControls();
    void connectHandlers();

    void cmdCopy_Click();
    void cmdSaveCsv_Click();
    void cmdHelp_Click();

    Shell& shell;
    WindowState& st;
    CalculationStatistics calc;
    DisplayList plot;

    QTableWidget* grdStatistics = nullptr;
    QLabel* lblFit = nullptr;
    QLabel* lblComparison = nullptr;
    QWidget* picResiduals = nullptr;
    QPushButton* cmdCopy = nullptr;
    QPushButton* cmdSaveCsv = nullptr;
    QPushButton* cmdHelp = nullptr;
};

}  // namespace kinetra
