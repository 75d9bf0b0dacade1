#pragma once
// A file written whole or not at all. The bytes go to a temporary file beside the target;
// only commit() puts it in the target's place (fsync, then rename), so a failure part of the
// way never leaves a half-written file where an older one stood. An existing target keeps its
// permissions; a symbolic link is followed and the file it names replaced.
//
// The temporary file is named "<target's name>.kinetra-tmp-<process id>-<6 random characters>"
// and locked (flock) by its writer while it is written. A writer killed part of the way
// leaves it behind; the next write of the same target removes it (removeStaleTemporaries).

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/RuntimeFailure.h"

namespace kinetra {

class FileReplacement {
public:
    // What becomes of a target that exists and is not a regular file (a device such as
    // /dev/null or /dev/full, a pipe, a directory): refused (failure 75), or opened and
    // written directly, as nothing could be replaced there.
    enum class OtherTargets { Refuse, WriteDirectly };

    // Creates the temporary file (or opens the target directly). Failures throw
    // RuntimeFailure with the number failureNumberForErrno gives for `access`.
    FileReplacement(const std::string& path, OtherTargets others, FileAccess access = FileAccess::Write);
    // Without commit() the temporary file is removed and the target left as it was.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Writes at once, unbuffered. After a failure every further call fails too.
    void write(std::string_view bytes);
    // Flushes to the disk, closes and renames over the target.
    void commit();

    bool writesDirectly() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Removes the temporary files that killed writers left beside `path` (a symbolic link is
// followed as a write would follow it): those named as this target's temporaries whose
// writing process no longer exists and which no process holds locked. A writer still running
// keeps its file, and so does a file that cannot be looked at. Returns how many went; never
// throws. Every FileReplacement that makes a temporary file calls it first.
int removeStaleTemporaries(const std::string& path) noexcept;

// The whole file in one go: created, written and committed.
void replaceFile(const std::string& path, std::string_view bytes, FileReplacement::OtherTargets others,
                 FileAccess access = FileAccess::Write);

// What tells two names of one file apart from two files: the device and inode of an existing
// regular file, the resolved path of one not made yet. Nothing for a device, a pipe or a
// directory (nothing is replaced there) nor for a name that cannot be looked at (its own
// failure comes when it is read or written).
std::optional<std::string> fileIdentity(const std::string& path);

// An output named as one of the inputs, or two outputs named as one file, would overwrite
// what it is made from or what was just written. `outputs` holds each output's label (the
// option that names it) and path; empty paths are passed over. The message, or nothing.
std::optional<std::string> outputsClash(const std::vector<std::pair<std::string, std::string>>& outputs,
                                        const std::vector<std::string>& inputs);

}  // namespace kinetra
