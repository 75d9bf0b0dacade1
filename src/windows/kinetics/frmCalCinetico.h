#pragma once
// The calculation window: the user tells how many curves the data hold ("1" or "2"), which
// starts the calculation; each curve's points are asked in the points window, its results
// are shown in the "Results" frame and appended to the report; then "Graph ?" is asked.

#include <memory>

#include "ui/ChildForm.h"
#include "ui/Shell.h"
#include "kinetics/CurveLoop.h"
#include "stats/CalculatedCurve.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kinetra {

class frmCalCinetico : public ChildForm {
    Q_OBJECT
public:
    explicit frmCalCinetico(Shell& hub, QWidget* parent = nullptr);
    ~frmCalCinetico() override;

    void activated() override;

private:
    class Hooks;
    friend class Hooks;

    void createControls();
    void createResultsFrame();
    void connectHandlers();
    void placeInMainWindow();

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void cmmhelp_Click();
    void cmdStatistics_Click();
    void txtNumOfCurve_Change();
    void optGraSim_Click();
    void optGraNao_Click();

    void runCurves();
    void showCurveResults(const CurveFit& results);
    void showGraphQuestion();
    // Message box of an ended calculation, then this window closes and the hub goes on.
    void endCalculation(const Failure& failure);

    Shell& shell;
    WindowState& st;
    std::unique_ptr<Hooks> hooks;
    bool placed = false;
    CalculationStatistics statistics;  // of the curves calculated so far

    QLabel* lblNumOfCurve = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label18 = nullptr;
    QPushButton* Command2 = nullptr;
    QLineEdit* txtNumOfCurve = nullptr;
    QGroupBox* fraGrafico2 = nullptr;
    QRadioButton* optGraSim = nullptr;
    QRadioButton* optGraNao = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* cmmhelp = nullptr;
    QPushButton* cmdStatistics = nullptr;
    QGroupBox* fraResultado = nullptr;
    QLabel* Label[16] = {};  // Label1 .. Label15 of the results frame (index 0 unused)
};

}  // namespace kinetra
