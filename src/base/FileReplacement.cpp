#include "base/FileReplacement.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kinetra {

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
    namespace fs = std::filesystem;
    Impl& d = *impl_;
    d.access = access;
    d.target = path;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path resolved = fs::canonical(path, ec);
        if (!ec) d.target = resolved.string();
    }

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

    std::string temp = d.target + ".XXXXXX";
    d.fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (d.fd < 0) d.fail(errno);
    d.temp = std::move(temp);
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
