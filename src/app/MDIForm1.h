#pragma once
// The main window and hub: owns the one WindowState, holds the child windows in its
// workspace, switches between them on the windows' requests, keeps the choice dialogs
// and the open report print job, and ends the program.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>

#include "ui/ChildForm.h"
#include "ui/Shell.h"

class QMdiArea;
class QMdiSubWindow;

namespace kinetra {

class ChoiceDialog;
class frmDadParcial;
class frmMenu;

class MDIForm1 : public QMainWindow, public Shell {
    Q_OBJECT
public:
    explicit MDIForm1(Platform& platform, QWidget* parent = nullptr);
    ~MDIForm1() override;

    // Shell
    WindowState& state() override { return st; }
    Platform& platform() override { return desktop; }
    QWidget* mainWindow() override { return this; }
    void showMenu() override;
    void startCalculation() override;
    void showDataEntry() override;
    void hideDataEntry() override;
    void closeDataEntry() override;
    void openGraph1() override;
    void closeGraph1() override;
    void openCalculation() override;
    void closeCalculation() override;
    void openGraph2() override;
    void closeGraph2() override;
    void openStatistics(const CalculationStatistics& calculation) override;
    void openComparison(const std::vector<DataSetPoints>& sets, Weighting weighting) override;
    void endProgram() override;
    bool askCurvePoints() override;
    QString askChoice(ChoiceId id) override;
    void setReportJob(std::unique_ptr<TextPrintJob> job) override;
    TextPrintJob* reportJob() override { return report.get(); }
    void endReportJob() override;
    void discardReportJob() override { report.reset(); }
    void openHelp(QWidget* parent, const QString& helpFile, int topic) override;

    // The windows that are open now (null when not open; a hidden data entry window is open).
    frmMenu* menuWindow() const;
    QWidget* dataEntryWindow() const;
    QWidget* graph1Window() const;
    QWidget* calculationWindow() const;
    QWidget* graph2Window() const;
    QWidget* statisticsWindow() const;
    QWidget* comparisonWindow() const;
    // The points window of the run, created on first use.
    frmDadParcial& pointsWindow();
    // The existing instance of a choice dialog, or null.
    ChoiceDialog* choiceDialog(ChoiceId id) const;
    QMdiArea* workspace() const { return area; }
    bool programEnded() const { return ended; }

signals:
    // A child window's activated() has just run (for tests and diagnostics).
    void childActivated(QWidget* form);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ChildSlot {
        QPointer<ChildForm> form;
        QPointer<QMdiSubWindow> frame;
        bool hiddenByHub = false;
        bool closedByProgram = false;
        bool closingByUser = false;
        bool closingItself = false;
    };
    enum Child { Menu, DataEntry, Graph1, Calculation, Graph2, Statistics, Compare, ChildCount };

    template <class W>
    W* showChild(Child which);
    void closeChild(Child which);
    ChildForm* live(Child which) const;
    void placeInWorkspace(ChildSlot& slot, ChildForm* form);
    void subWindowActivated(QMdiSubWindow* frame);
    void noteActivation(ChildForm* form, bool force);
    void deliverActivation();

    Platform& desktop;
    WindowState st;
    QMdiArea* area = nullptr;
    std::array<ChildSlot, ChildCount> children;
    std::array<QPointer<ChoiceDialog>, 7> choices;
    QPointer<frmDadParcial> points;
    std::unique_ptr<TextPrintJob> report;
    QPointer<ChildForm> lastActivated;
    bool activationQueued = false;
    bool openedOnce = false;
    bool ended = false;
};

}  // namespace kinetra
