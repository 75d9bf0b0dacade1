#include "base/FileReplacement.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kinetra {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTemporaryMark = ".kinetra-tmp-";
constexpr std::size_t kRandomChars = 6;  // what mkostemp puts in place of XXXXXX
constexpr std::size_t kNameMax = 255;    // the longest name of a folder entry

// The file a write of `path` replaces: a symbolic link is followed.
std::string resolvedTarget(const std::string& path)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path resolved = fs::canonical(path, ec);
        if (!ec) return resolved.string();
    }
    return path;
}

// What every temporary file of a target with this file name begins with. A long name is cut
// so that the process id (up to 10 digits), '-' and the random characters still fit.
std::string temporaryStem(const std::string& fileName)
{
    const std::size_t room = kNameMax - kTemporaryMark.size() - 10 - 1 - kRandomChars;
    return fileName.substr(0, room) + std::string(kTemporaryMark);
}

// The folder holding `target` and the stem of its temporary files.
std::pair<fs::path, std::string> temporaryPlace(const std::string& target)
{
    const fs::path p(target);
    return {p.parent_path(), temporaryStem(p.filename().string())};
}

// The process that made the temporary file `name`, or 0 when `name` is not one of `stem`.
pid_t writerOf(std::string_view name, std::string_view stem)
{
    if (name.size() <= stem.size() || name.substr(0, stem.size()) != stem) return 0;
    name.remove_prefix(stem.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || name.size() - dash - 1 != kRandomChars) return 0;
    for (const char c : name.substr(dash + 1))
        if (!std::isalnum(static_cast<unsigned char>(c))) return 0;
    long pid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + dash, pid);
    if (ec != std::errc() || end != name.data() + dash || pid <= 0 || pid != static_cast<pid_t>(pid)) return 0;
    return static_cast<pid_t>(pid);
}

// Removes the temporary file at `path` if no process holds it locked. A file system without
// locks leaves the process id as the only sign.
bool removeUnlocked(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat info {};
    bool removable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (removable && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) removable = false;
    removable = removable && ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removable;
}

}  // namespace

int removeStaleTemporaries(const std::string& path) noexcept
{
    try {
        const auto [folder, stem] = temporaryPlace(resolvedTarget(path));
        std::error_code ec;
        fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
        int removed = 0;
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const pid_t writer = writerOf(it->path().filename().string(), stem);
            if (writer == 0 || writer == ::getpid()) continue;
            if (::kill(writer, 0) == 0 || errno != ESRCH) continue;  // still running, or not ours to know
            if (removeUnlocked(folder / it->path().filename())) ++removed;
        }
        return removed;
    } catch (...) {
        return 0;
    }
}

struct FileReplacement::Impl {
    FileAccess access = FileAccess::Write;
    std::string target;  // the file replaced at commit()
    std::string temp;    // empty when the target is written directly
    int fd = -1;
    mode_t mode = 0;
    bool direct = false;
    bool failed = false;
    bool committed = false;

    // Closes and removes the temporary file; the target stays as it was.
    void discard() noexcept
    {
        if (fd >= 0) ::close(fd);
        fd = -1;
        if (!temp.empty()) ::unlink(temp.c_str());
        temp.clear();
    }

    [[noreturn]] void fail(int err)
    {
        failed = true;
        discard();
        throw RuntimeFailure(failureNumberForErrno(err, access));
    }
};

FileReplacement::FileReplacement(const std::string& path, OtherTargets others, FileAccess access)
    : impl_(std::make_unique<Impl>())
{
    Impl& d = *impl_;
    d.access = access;
    d.target = resolvedTarget(path);

    struct stat info {};
    if (::stat(d.target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            if (others == OtherTargets::Refuse) {
                d.failed = true;
                throw RuntimeFailure(failure::PathFileAccessError);
            }
            // nothing to replace: a device or a pipe takes the bytes as they come
            d.direct = true;
            d.fd = ::open(d.target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
            if (d.fd < 0) d.fail(errno);
            return;
        }
        d.mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        d.fail(errno);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        d.mode = static_cast<mode_t>(0666 & ~mask);
    }

    removeStaleTemporaries(d.target);
    const auto [folder, stem] = temporaryPlace(d.target);
    std::string temp = (folder / (stem + std::to_string(::getpid()) + "-XXXXXX")).string();
    d.fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (d.fd < 0) d.fail(errno);
    d.temp = std::move(temp);
    // the lock tells a later write that this file is still being written, whatever the process
    // id means where that write runs; it goes with the process
    (void)::flock(d.fd, LOCK_EX | LOCK_NB);
}

FileReplacement::~FileReplacement()
{
    if (impl_) impl_->discard();
}

void FileReplacement::write(std::string_view bytes)
{
    Impl& d = *impl_;
    if (d.failed || d.committed || d.fd < 0) throw RuntimeFailure(failure::PathFileAccessError);
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(d.fd, p, left);
        if (put < 0) {
            if (errno == EINTR) continue;
            d.fail(errno);
        }
        p += put;
        left -= static_cast<std::size_t>(put);
    }
}

void FileReplacement::commit()
{
    Impl& d = *impl_;
    if (d.failed || d.committed || d.fd < 0) throw RuntimeFailure(failure::PathFileAccessError);
    if (d.direct) {
        const int fd = d.fd;
        d.fd = -1;
        if (::close(fd) != 0) d.fail(errno);
        d.committed = true;
        return;
    }
    if (::fchmod(d.fd, d.mode) != 0) d.fail(errno);
    if (::fsync(d.fd) != 0) d.fail(errno);
    const int fd = d.fd;
    d.fd = -1;
    if (::close(fd) != 0) d.fail(errno);
    if (::rename(d.temp.c_str(), d.target.c_str()) != 0) d.fail(errno);
    d.temp.clear();
    d.committed = true;
}

bool FileReplacement::writesDirectly() const { return impl_->direct; }

void replaceFile(const std::string& path, std::string_view bytes, FileReplacement::OtherTargets others,
                 FileAccess access)
{
    FileReplacement file(path, others, access);
    file.write(bytes);
    file.commit();
}

std::optional<std::string> fileIdentity(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) return std::nullopt;
        return "inode " + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    }
    if (errno != ENOENT) return std::nullopt;
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    if (ec) return std::nullopt;
    return "path " + resolved.string();
}

std::optional<std::string> outputsClash(const std::vector<std::pair<std::string, std::string>>& outputs,
                                        const std::vector<std::string>& inputs)
{
    std::vector<std::pair<std::string, std::string>> seen;  // label, identity
    for (const auto& [label, path] : outputs) {
        if (path.empty()) continue;
        const std::optional<std::string> id = fileIdentity(path);
        if (!id) continue;
        for (const std::string& input : inputs) {
            if (fileIdentity(input) == id)
                return label + " " + path + " is the data file " + input +
                       ": the output would overwrite it; name another file";
        }
        for (const auto& [otherLabel, other] : seen) {
            if (other == *id)
                return otherLabel + " and " + label + " name the same file " + path +
                       ": one would overwrite the other; name two files";
        }
        seen.emplace_back(label, *id);
    }
    return std::nullopt;
}

}  // namespace kinetra
