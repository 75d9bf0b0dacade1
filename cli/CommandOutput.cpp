#include "CommandOutput.h"

#include "PictureFile.h"

#include <cerrno>

#include "base/FileReplacement.h"
#include "base/RuntimeFailure.h"
#include "FitCommand.h"
#include "graphs/GraphGeometry.h"
#include "report/StatisticsLines.h"

namespace kinetra::cli {

namespace {

using json = nlohmann::ordered_json;

// The bytes of a file, put in place only when whole.
template <typename MakeBytes>
int writeFile(const std::string& path, const MakeBytes& bytes, std::ostream& err)
{
    try {
        // a device or a pipe is written directly
        replaceFile(path, bytes(), FileReplacement::OtherTargets::WriteDirectly, FileAccess::Read);
        return kExitFitted;
    } catch (const RuntimeFailure& f) {
        err << path << ": " << kTitleWrongData << ": " << forTerminal(failureText(f)) << '\n';
        return kExitEnded;
    }
}

}  // namespace

std::string forTerminal(std::string text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i]);
    }
    return out;
}

json endObject(const std::string& title, const std::string& message, bool toDataEntry)
{
    return json{{"title", title}, {"message", message}, {"returnTo", toDataEntry ? "dataEntry" : "menu"}};
}

json endObject(const Failure& f)
{
    switch (f.kind) {
    case FailureKind::FitAbort: return endObject(kTitleCritica, f.text, false);
    case FailureKind::NotSigmoid: return endObject(kTitleWrongData, f.text, true);
    case FailureKind::Refused: return endObject(kTitleCritica, f.text, true);
    case FailureKind::RunTime: break;
    }
    return endObject(kTitleWrongData, failureMessage(f), false);
}

json programObject() { return json{{"name", "kinetra-fit"}, {"version", programVersion()}}; }

json settingsObject(const FitOptions& options, SettingsFor what, json curves)
{
    json o;
    if (!curves.is_null()) o["curves"] = std::move(curves);
    o["baseline"] = options.baseline;
    o["weighting"] = weightingName(options.weighting);
    if (what == SettingsFor::Comparison) {
        o["files"] = options.dataFiles;
        o["tables"] = options.tables;
    }
    if (what != SettingsFor::DataFile)
        o["columns"] = options.columnsText.empty() ? json(nullptr) : json(options.columnsText);
    return o;
}

bool standardOutputLost(std::ostream& out, std::ostream& err)
{
    const bool goodBefore = out.good();
    errno = 0;
    out.flush();
    if (out.good()) return false;
    // the system's reason is known only when this flush failed; otherwise the disk was full
    const int number = goodBefore && errno != 0 ? failureNumberForErrno(errno, FileAccess::Write) : failure::DiskFull;
    err << "kinetra-fit: standard output: " << kTitleWrongData << ": " << forTerminal(failureText(RuntimeFailure(number)))
        << '\n';
    return true;
}

int writeCsv(const std::string& path, const std::vector<std::vector<std::string>>& rows, std::ostream& err)
{
    return writeFile(path, [&] { return csvText(rows); }, err);
}

int writePictureFile(const std::string& path, const DisplayList& picture, std::ostream& err)
{
    return writeFile(path, [&] { return pictureBytes(picture, pictureFormatFor(path)); }, err);
}

}  // namespace kinetra::cli
