#include "report/ReportOutput.h"

#include <filesystem>

namespace kinetra {

void ReportFile::begin(const std::vector<std::string>& lines)
{
    FileLineSink sink(path_, FileLineSink::Mode::Create);
    writeLines(sink, lines);
    sink.close();
}

void ReportFile::append(const std::vector<std::string>& lines)
{
    FileLineSink sink(path_, FileLineSink::Mode::Append);
    writeLines(sink, lines);
    sink.close();
}

ReportFileReplacement::ReportFileReplacement(std::string path) : path_(std::move(path)) {}
ReportFileReplacement::~ReportFileReplacement() = default;

std::string ReportFileReplacement::fileName() const
{
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path_, ec);
    return ec ? path_ : full.lexically_normal().string();
}

void ReportFileReplacement::begin(const std::vector<std::string>& lines)
{
    // a device or a pipe named as the report is written directly
    file_ = std::make_unique<FileReplacement>(path_, FileReplacement::OtherTargets::WriteDirectly, FileAccess::Read);
    append(lines);
}

void ReportFileReplacement::append(const std::vector<std::string>& lines)
{
    if (!file_) throw RuntimeFailure(failure::PathFileAccessError);  // it failed before
    std::string bytes;
    for (const std::string& l : lines) {
        bytes += l;
        bytes += "\r\n";
    }
    try {
        file_->write(bytes);
    } catch (const RuntimeFailure&) {
        file_.reset();
        throw;
    }
}

void ReportFileReplacement::commit()
{
    if (!file_) return;
    const std::unique_ptr<FileReplacement> file = std::move(file_);
    file->commit();
}

void ReportStream::append(const std::vector<std::string>& lines)
{
    for (const std::string& l : lines) out_ << l << '\n';
}

}  // namespace kinetra
