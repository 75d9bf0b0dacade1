#pragma once
// The hub's interface, which every window includes instead of other windows: windows never
// construct each other; they ask the hub to switch. MDIForm1 implements it.

#include <QString>
#include <memory>
#include <vector>

#include "ui/ChoiceId.h"
#include "platform/Platform.h"
#include "ui/WindowState.h"

class QWidget;

namespace kinetra {

struct CalculationStatistics;
struct DataSetPoints;
enum class Weighting;

class Shell {
public:
    virtual ~Shell() = default;

    virtual WindowState& state() = 0;
    virtual Platform& platform() = 0;
    // The main window, parent of every child window and modal dialog.
    virtual QWidget* mainWindow() = 0;

    // Window switches. "show" creates the window when it does not exist and activates it;
    // "close" unloads (destroys) it.
    virtual void showMenu() = 0;
    virtual void startCalculation() = 0;   // reset, close the menu, show the data entry window
    virtual void showDataEntry() = 0;
    virtual void hideDataEntry() = 0;
    virtual void closeDataEntry() = 0;
    virtual void openGraph1() = 0;
    virtual void closeGraph1() = 0;
    virtual void openCalculation() = 0;
    virtual void closeCalculation() = 0;
    virtual void openGraph2() = 0;
    virtual void closeGraph2() = 0;
    // The "Fit Statistics" window with the curves of a calculation (shown again with the
    // new curves when it is open).
    virtual void openStatistics(const CalculationStatistics& calculation) = 0;
    // The "Compare Data Sets" window on these data sets (their rates above the baseline)
    // with that weighting (computed anew when it is open).
    virtual void openComparison(const std::vector<DataSetPoints>& sets, Weighting weighting) = 0;
    virtual void endProgram() = 0;

    // Shows the points window modally for curve st.curveNumber (created on first use, one
    // for the whole run). True once a valid entry was stored in the window state; false
    // when the window was closed instead (the program ends).
    virtual bool askCurvePoints() = 0;

    // Shows a choice dialog modally (creating it on first use) and returns the object name
    // of the option selected when it returns ("optyes", "optno", "optdelete", "optad",
    // "optchange", "optok"), or an empty text when none is selected.
    virtual QString askChoice(ChoiceId id) = 0;

    // The printed report: begun at the hand-off, continued by each curve, ended by the
    // calculation window after the last curve.
    virtual void setReportJob(std::unique_ptr<TextPrintJob> job) = 0;
    virtual TextPrintJob* reportJob() = 0;   // null when no job is open
    virtual void endReportJob() = 0;         // ends the open job, if any
    // Drops the open job without printing it (a calculation that ended early).
    virtual void discardReportJob() = 0;

    // Opens the help file at a topic (the caller builds the path by the help path rule).
    virtual void openHelp(QWidget* parent, const QString& helpFile, int topic) = 0;
};

}  // namespace kinetra
