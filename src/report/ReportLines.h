#pragma once
// The report's lines: header and data section (written at the hand-off) and one results
// section per curve. Each comes in a file form and a printer form; files end every line
// with CR LF, the printer takes one print line each.

#include <memory>
#include <string>
#include <vector>

#include "base/LineSink.h"

namespace kinetra {

struct CurveFit;

enum class ReportForm { File, Printer };

// Every label of the report starts with 10 blanks.
inline constexpr const char* kReportMargin = "          ";

// The rule line: 10 blanks and 83 "-" (the printer's closing rule of the data section is
// closingRuleLine).
std::string ruleLine();

struct ReportHeader {
    std::string date;        // "DD/MM/YYYY"
    std::string time;        // "14:05:09"
    std::string user, experiment, rateUnit, concUnit, ligand;  // as typed, untrimmed
    std::string numberOfPoints;  // the hidden field's text (always empty)
    std::string fileName;        // outputFileName
};

// Today's date "DD/MM/YYYY" and the time of day "HH:MM:SS", local time, both taken from
// the same moment.
struct ReportClock {
    std::string date;
    std::string time;
};
ReportClock currentDateTime();

// The closing rule of the data section: the file's rule line, or 9 blanks and 83 "-" on the
// printer.
std::string closingRuleLine(ReportForm form);

// Lines 1 to 17: rules, title, date and hour, the labels, the column heads.
std::vector<std::string> reportHeaderLines(const ReportHeader& header, ReportForm form);

// The data lines for the listed values (texts as the list shows them, read back with
// `sep` and written "0.000E+00" with `sep`), then the closing rule line.
struct ListedPoint {
    std::string concentration;
    std::string rate;
};
std::vector<std::string> reportDataLines(const std::vector<ListedPoint>& points, ReportForm form,
                                         char sep = '.');

// The results section of one curve (rule, title with the curve number, V, n, K, V/K,
// correlation, specific activity, baseline, rule, four blank lines).
std::vector<std::string> reportCurveLines(const CurveFit& results, const std::string& rateUnit,
                                          const std::string& concUnit, ReportForm form,
                                          char sep = '.');

// A report file: created (replacing an existing file) or opened for appending; each line
// ended by CR LF; closed by the destructor or close(). Throws RuntimeFailure when the file
// cannot be opened or written (53, 61 disk full, 70, 75). A created file is written beside
// the target and takes its place only when closed whole (see FileReplacement): a failure, or
// an exception that unwinds past the sink, leaves an older file as it was.
class FileLineSink : public LineSink {
public:
    enum class Mode { Create, Append };
    FileLineSink(const std::string& path, Mode mode);
    ~FileLineSink() override;
    void writeLine(const std::string& line) override;
    void close();  // flushes and checks that everything reached the file

private:
    void closeFromDestructor() noexcept;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Writes every line to the sink.
void writeLines(LineSink& sink, const std::vector<std::string>& lines);

}  // namespace kinetra
