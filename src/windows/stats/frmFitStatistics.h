#pragma once
// The "Fit Statistics" window: for the curves of the last calculation, a table of each
// parameter's estimate, standard error, 95 % limits and profile limits, Syx and R², the
// comparison with n = 1 and its verdict, the lack-of-fit test where a curve has replicates,
// the residual plot and the fit plot of one curve with its 95 % bands (both drawn from
// display lists, so they print and export as the graphs do). The weighting chosen computes
// every figure again with it, from the described fit's V, n, K. "Copy" puts the table on
// the clipboard, "Save CSV…" writes the CSV table, "Compare…" compares curve 1 with further
// data sets, "Help" opens the window's help topic.

#include <vector>

#include "graphs/DisplayList.h"
#include "stats/CalculatedCurve.h"
#include "stats/Comparison.h"
#include "ui/ChildForm.h"
#include "ui/Shell.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace kinetra {

class BackgroundWork;

inline constexpr int kStatisticsHelpTopic = 6;
inline constexpr int kFitPlotPoints = 100;  // concentrations along the fitted curve and its bands

class frmFitStatistics : public ChildForm {
    Q_OBJECT
public:
    explicit frmFitStatistics(Shell& hub, QWidget* parent = nullptr);

    // The curves as calculated; their points are taken from the window state's data set.
    void setCalculation(const CalculationStatistics& calculation);
    // The statistics as shown, with the weighting chosen.
    const CalculationStatistics& shownStatistics() const { return shown; }
    const DisplayList& residualPlot() const { return plot; }
    const DisplayList& fitPlot() const { return fitPicture; }
    // The reading of the files chosen in Compare…, which runs off the event loop; wait() on
    // it hands the data sets on at once.
    BackgroundWork& backgroundWork() const { return *filesWork; }

private:
    void createControls();
    void connectHandlers();

    void showStatistics();
    void showFitPlot();
    // Curve 1's points, then the table's further data sets.
    std::vector<DataSetPoints> setsAtHand() const;
    // The files chosen read off the event loop; then the sets at hand and those read are
    // compared.
    void readComparedFiles(std::vector<DataSetPoints> sets, const QStringList& paths, Weighting weighting);

    void cboWeighting_Click();
    void cboPlotCurve_Click();
    void cmdCopy_Click();
    void cmdSaveCsv_Click();
    void cmdCompare_Click();
    void cmdHelp_Click();
    void cmdSaveResiduals_Click();
    void cmdSaveFitPlot_Click();

    Shell& shell;
    WindowState& st;
    CalculationStatistics calc;            // as the calculation window gave it
    std::vector<StatisticsInput> inputs;   // each curve's points and the described fit's V, n, K
    CalculationStatistics shown;           // computed again with the weighting chosen
    DisplayList plot;
    DisplayList fitPicture;
    BackgroundWork* filesWork = nullptr;

    QComboBox* cboWeighting = nullptr;
    QComboBox* cboPlotCurve = nullptr;
    QTableWidget* grdStatistics = nullptr;
    QLabel* lblFit = nullptr;
    QLabel* lblComparison = nullptr;
    QLabel* lblReplicates = nullptr;
    QLabel* lblFitPlot = nullptr;
    QWidget* picResiduals = nullptr;
    QWidget* picFit = nullptr;
    QPushButton* cmdCopy = nullptr;
    QPushButton* cmdSaveCsv = nullptr;
    QPushButton* cmdCompare = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdSaveResiduals = nullptr;
    QPushButton* cmdSaveFitPlot = nullptr;
};

}  // namespace kinetra
