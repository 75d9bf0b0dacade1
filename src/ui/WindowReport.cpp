#include "ui/WindowReport.h"

namespace kinetra {

void PrintedReport::begin(const std::vector<std::string>& lines)
{
    std::unique_ptr<TextPrintJob> job = shell.platform().beginTextJob(QStringLiteral("Kinetra report"));
    writeLines(*job, lines);
    shell.setReportJob(std::move(job));
}

void PrintedReport::append(const std::vector<std::string>& lines)
{
    if (!shell.reportJob()) shell.setReportJob(shell.platform().beginTextJob(QStringLiteral("Kinetra")));
    TextPrintJob* job = shell.reportJob();
    if (!job) throw RuntimeFailure(failure::PrinterError);
    writeLines(*job, lines);
}

void PrintedReport::finish(bool completed)
{
    if (completed)
        shell.endReportJob();
    else
        shell.discardReportJob();
}

std::unique_ptr<ReportOutput> chosenReportOutput(Shell& hub)
{
    const WindowState& st = hub.state();
    if (st.outputDestination == "F" && !st.outputFileName.empty())
        return std::make_unique<ReportFile>(st.outputFileName);
    if (st.outputDestination == "P") return std::make_unique<PrintedReport>(hub);
    return nullptr;
}

}  // namespace kinetra
