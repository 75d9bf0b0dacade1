#include "report/ReportLines.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>

#include "format/NumberForms.h"
#include "kinetics/KineticResults.h"
#include "base/FileReplacement.h"
#include "base/RuntimeFailure.h"

namespace kinetra {

namespace {


// Blanks up to column `column` (counted from 1): the next character lands there. A line
// that already reaches that column gets nothing.
void padToColumn(std::string& line, std::size_t column)
{
    if (line.size() + 1 < column) line.append(column - 1 - line.size(), ' ');
}

std::string blanks(std::size_t count) { return std::string(count, ' '); }

// The list text read back and written again in "0.000E+00"; a text that is not a number
// reads as 0.
std::string listedValueText(const std::string& text, char sep)
{
    const std::optional<double> v = parseDecimal(text, sep);
    return formatE3(v ? *v : 0.0, sep);
}

void appendTwoDigits(std::string& out, int value)
{
    out.push_back(static_cast<char>('0' + (value / 10) % 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

std::string ruleLine() { return blanks(10) + std::string(83, '-'); }

std::string closingRuleLine(ReportForm form)
{
    return form == ReportForm::File ? ruleLine() : blanks(9) + std::string(83, '-');
}

ReportClock currentDateTime()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    ReportClock clock;
    appendTwoDigits(clock.date, local.tm_mday);
    clock.date += '/';
    appendTwoDigits(clock.date, local.tm_mon + 1);
    clock.date += '/';
    clock.date += std::to_string(local.tm_year + 1900);
    appendTwoDigits(clock.time, local.tm_hour);
    clock.time += ':';
    appendTwoDigits(clock.time, local.tm_min);
    clock.time += ':';
    appendTwoDigits(clock.time, local.tm_sec);
    return clock;
}

std::vector<std::string> reportHeaderLines(const ReportHeader& header, ReportForm form)
{
    const bool file = form == ReportForm::File;
    std::vector<std::string> lines;
    lines.reserve(17);
    lines.push_back(ruleLine());
    lines.push_back(blanks(31) + "K I N E T R A" + blanks(file ? 23 : 22));
    lines.push_back(ruleLine());

    std::string dateLine = std::string(kReportMargin) + "Date: " + header.date;
    if (file) padToColumn(dateLine, 30);
    else dateLine += blanks(11);
    lines.push_back(dateLine + "Hour: " + header.time);

    lines.push_back(std::string(kReportMargin) + "User: " + header.user);
    lines.push_back(std::string(kReportMargin) + "Experiment: " + header.experiment);
    lines.push_back(std::string(kReportMargin) + "Rate unit: " + header.rateUnit);
    lines.push_back(std::string(kReportMargin) + "Substrate concentration unit: " + header.concUnit);
    lines.push_back(std::string(kReportMargin) + "Substrate (Ligand): " + header.ligand);
    lines.push_back(std::string(kReportMargin) + "Number of experimental points: " + header.numberOfPoints);
    lines.push_back(std::string(kReportMargin) + "Filename: " + header.fileName);
    lines.push_back(" ");
    lines.push_back(" ");
    lines.push_back(" ");
    lines.push_back(ruleLine());

    std::string heads = std::string(kReportMargin) + "DATA";
    if (file) padToColumn(heads, 21);
    else heads += blanks(16);
    heads += "CONCENTRATION";
    if (file) padToColumn(heads, 47);
    else heads += blanks(13);
    lines.push_back(heads + "RATE");
    lines.push_back(ruleLine());
    return lines;
}

std::vector<std::string> reportDataLines(const std::vector<ListedPoint>& points, ReportForm form,
                                         char sep)
{
    const bool file = form == ReportForm::File;
    std::vector<std::string> lines;
    lines.reserve(points.size() + 1);
    int number = 0;
    for (const ListedPoint& p : points) {
        std::string line = formatPointNumber(++number);
        if (file) padToColumn(line, 21);
        else line += blanks(16);
        line += listedValueText(p.concentration, sep);
        if (file) padToColumn(line, 43);
        else line += blanks(13);
        line += listedValueText(p.rate, sep);
        lines.push_back(std::move(line));
    }
    lines.push_back(closingRuleLine(form));
    return lines;
}

std::vector<std::string> reportCurveLines(const CurveFit& results, const std::string& rateUnit,
                                          const std::string& concUnit, ReportForm form, char sep)
{
    const std::string m(kReportMargin);
    auto number = [sep](double v) { return formatReportNumber(v, sep); };
    std::vector<std::string> lines;
    lines.reserve(21);
    lines.push_back(ruleLine());
    lines.push_back(blanks(17) + "CALCULATED KINETIC PARAMETERS OF CURVE #" + number(results.curve));
    lines.push_back(ruleLine());
    lines.push_back(m + "V     = " + number(results.V) + rateUnit);
    lines.push_back(" ");
    lines.push_back(m + "n     = " + number(results.n));
    lines.push_back(" ");
    lines.push_back(m + "K     = " + number(results.K) + concUnit);
    lines.push_back(" ");
    lines.push_back(m + (form == ReportForm::File ? "V /K  = " : "V/K   = ") + vkText(results, rateUnit, concUnit, sep));
    lines.push_back(" ");
    lines.push_back(m + "Correlation = " + number(results.r));
    lines.push_back(" ");
    lines.push_back(m + "Specific activity = " + number(results.totalActivity) + rateUnit);
    lines.push_back(" ");
    lines.push_back(m + "Baseline used for this curve = " + number(results.points.baseline));
    lines.push_back(ruleLine());
    for (int i = 0; i < 4; ++i) lines.push_back(" ");
    return lines;
}

// Create writes through a FileReplacement, so an older report is replaced only once the new
// one was written whole; Append adds to the file in place.
struct FileLineSink::Impl {
    std::FILE* file = nullptr;                     // Append
    std::unique_ptr<FileReplacement> replacement;  // Create
    std::string pending;                           // Create: lines not yet written
    bool failed = false;
    int uncaughtAtStart = 0;

    [[noreturn]] void fail(int err)
    {
        failed = true;
        if (file != nullptr) {
            std::fclose(file);
            file = nullptr;
        }
        replacement.reset();  // the temporary file goes, the older report stays
        throw RuntimeFailure(failureNumberForErrno(err, FileAccess::Write));
    }

    void writePending()
    {
        try {
            replacement->write(pending);
        } catch (const RuntimeFailure&) {
            failed = true;
            replacement.reset();
            throw;
        }
        pending.clear();
    }
};

namespace {
constexpr std::size_t kPendingLimit = 1 << 16;
}

FileLineSink::FileLineSink(const std::string& path, Mode mode) : impl_(std::make_unique<Impl>())
{
    impl_->uncaughtAtStart = std::uncaught_exceptions();
    if (mode == Mode::Create) {
        impl_->replacement = std::make_unique<FileReplacement>(path, FileReplacement::OtherTargets::WriteDirectly,
                                                               FileAccess::Write);
        return;
    }
    errno = 0;
    impl_->file = std::fopen(path.c_str(), "abe");
    if (impl_->file == nullptr) impl_->fail(errno);
}

FileLineSink::~FileLineSink()
{
    if (!impl_) return;
    if (impl_->file != nullptr) std::fclose(impl_->file);
    // a report left behind by an exception is not put in the older one's place
    if (impl_->replacement && std::uncaught_exceptions() == impl_->uncaughtAtStart) {
        closeFromDestructor();
    }
}

// A destructor cannot say that the file failed: the report then stays unwritten (an older
// report keeps its place) and close() is where a caller that wants to know asks.
void FileLineSink::closeFromDestructor() noexcept
{
    try {
        close();
    } catch (const std::exception&) {
        impl_.reset();
    }
}

void FileLineSink::writeLine(const std::string& line)
{
    Impl& d = *impl_;
    if (d.failed || (d.file == nullptr && !d.replacement)) throw RuntimeFailure(failure::PathFileAccessError);
    if (d.replacement) {
        d.pending += line;
        d.pending += "\r\n";
        if (d.pending.size() >= kPendingLimit) d.writePending();
        return;
    }
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), d.file) != line.size() || std::fwrite("\r\n", 1, 2, d.file) != 2)
        d.fail(errno);
}

void FileLineSink::close()
{
    Impl& d = *impl_;
    if (d.replacement) {
        d.writePending();
        try {
            d.replacement->commit();
        } catch (const RuntimeFailure&) {
            d.failed = true;
            d.replacement.reset();
            throw;
        }
        d.replacement.reset();
        return;
    }
    if (d.file == nullptr) return;
    errno = 0;
    if (std::fflush(d.file) != 0) d.fail(errno);
    std::FILE* f = d.file;
    d.file = nullptr;
    if (std::fclose(f) != 0) throw RuntimeFailure(failureNumberForErrno(errno, FileAccess::Write));
}

void writeLines(LineSink& sink, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) sink.writeLine(line);
}

}  // namespace kinetra
