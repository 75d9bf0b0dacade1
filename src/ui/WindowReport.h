#pragma once
// Where the windows send the report: the file chosen under "Output To" (created at the
// hand-off, appended to by each curve) or the printer, through the one print job the hub
// keeps from the hand-off to the last curve.

#include <memory>

#include "report/ReportOutput.h"
#include "ui/Shell.h"

namespace kinetra {

class PrintedReport : public ReportOutput {
public:
    explicit PrintedReport(Shell& hub) : shell(hub) {}
    ReportForm form() const override { return ReportForm::Printer; }
    void begin(const std::vector<std::string>& lines) override;
    void append(const std::vector<std::string>& lines) override;
    // The pages of the header, the data and every curve are printed as one job once the
    // calculation is complete; a calculation that ended early prints no half report.
    void finish(bool completed) override;

private:
    Shell& shell;
};

// The destination the user chose: a file with a name ("F"), the printer ("P"), or none (an
// "F" whose file dialog was cancelled, "N", or nothing chosen).
std::unique_ptr<ReportOutput> chosenReportOutput(Shell& hub);

}  // namespace kinetra
