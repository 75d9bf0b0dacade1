#pragma once
// The "Compare Data Sets" window: whether data sets follow one Hill law or differ in V, n
// or K. A table of each set fitted alone (V, n, K with standard errors), a table of the four
// tests (V, n, K shared and one curve for all: F, p, deltaAICc) with their verdicts beside
// it, what kept a set or the tests out, and the plot of every set's points and fitted curve
// with a legend.
// "Copy" puts both tables on the clipboard, "Save CSV…" writes one row per test, "Help"
// opens the window's help topic.

#include <vector>

#include "graphs/DisplayList.h"
#include "stats/Comparison.h"
#include "ui/ChildForm.h"
#include "ui/Shell.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace kinetra {

class BackgroundWork;

inline constexpr int kComparisonHelpTopic = 7;

class frmCompare : public ChildForm {
    Q_OBJECT
public:
    explicit frmCompare(Shell& hub, QWidget* parent = nullptr);

    // Compares the sets (rates above the baseline) with the weighting off the event loop and
    // shows the outcome; the outcome before stays shown until then. While a comparison runs,
    // a further one is refused with a message.
    void setComparison(const std::vector<DataSetPoints>& sets, Weighting weighting);
    const Comparison& comparison() const { return result; }
    const DisplayList& overlayPlot() const { return plot; }
    // The comparison running; wait() on it shows its outcome at once.
    BackgroundWork& backgroundWork() const { return *work; }

private:
    void createControls();
    void connectHandlers();

    void cmdCopy_Click();
    void cmdSaveCsv_Click();
    void cmdHelp_Click();
    void cmdSavePicture_Click();
    void showComparison(Comparison compared, DisplayList overlay, Weighting weighting);

    Shell& shell;
    WindowState& st;
    Comparison result;
    DisplayList plot;
    BackgroundWork* work = nullptr;

    QLabel* lblWeighting = nullptr;
    QTableWidget* grdSets = nullptr;
    QTableWidget* grdTests = nullptr;
    QLabel* lblVerdicts = nullptr;
    QLabel* lblMessages = nullptr;
    QWidget* picOverlay = nullptr;
    QPushButton* cmdCopy = nullptr;
    QPushButton* cmdSaveCsv = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdSavePicture = nullptr;
    QLabel* lblBusy = nullptr;
};

}  // namespace kinetra
