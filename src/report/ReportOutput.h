#pragma once
// Where a report goes: a file, a print job, standard output. The report is begun with its
// header and data section and each curve's section is appended; every call may throw
// RuntimeFailure.

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "base/FileReplacement.h"
#include "report/ReportLines.h"

namespace kinetra {

// Where the report goes: a file, a print job, standard output. Both calls may throw
// RuntimeFailure.
class ReportOutput {
public:
    virtual ~ReportOutput() = default;
    virtual ReportForm form() const { return ReportForm::File; }
    // The file name the header shows (empty for a printer or a terminal).
    virtual std::string fileName() const { return {}; }
    // A new report: its header and data section (an older report is replaced).
    virtual void begin(const std::vector<std::string>& lines) = 0;
    // One curve's section, after everything written before.
    virtual void append(const std::vector<std::string>& lines) = 0;
    // The calculation is over: `completed` is false when it ended early.
    virtual void finish(bool completed) { (void)completed; }
};

// A report file created at the hand-off and appended to by each curve; each part reaches
// the file whole or not at all.
class ReportFile : public ReportOutput {
public:
    explicit ReportFile(std::string path) : path_(std::move(path)) {}
    std::string fileName() const override { return path_; }
    void begin(const std::vector<std::string>& lines) override;
    void append(const std::vector<std::string>& lines) override;

private:
    std::string path_;
};

// A report file that replaces an older file only once it was written whole, at commit();
// a device or a pipe named as the report is written directly. After a failure the report
// is dropped and the older file stays as it was.
class ReportFileReplacement : public ReportOutput {
public:
    explicit ReportFileReplacement(std::string path);
    ~ReportFileReplacement() override;
    std::string fileName() const override;  // the whole path
    void begin(const std::vector<std::string>& lines) override;
    void append(const std::vector<std::string>& lines) override;
    // Puts the report in place. Throws RuntimeFailure.
    void commit();

private:
    std::string path_;
    std::unique_ptr<FileReplacement> file_;
};

// A report on a stream (a terminal), one line each.
class ReportStream : public ReportOutput {
public:
    explicit ReportStream(std::ostream& out) : out_(out) {}
    void begin(const std::vector<std::string>& lines) override { append(lines); }
    void append(const std::vector<std::string>& lines) override;

private:
    std::ostream& out_;
};

}  // namespace kinetra
