#include "entry/HandOff.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "format/NumberForms.h"
#include "state/RuntimeFailure.h"

namespace kinetra {

namespace {

// A list text as a number. The list holds the texts the program formatted itself; a text
// that is not a number (or is empty) reads as 0, so a concentration like that is passed
// over as a deleted point.
double listValue(const std::string& text, char sep)
{
    bool overflow = false;
    const std::optional<double> v = parseDecimal(text, sep, &overflow);
    if (overflow) throw RuntimeFailure(failure::Overflow);
    return v ? *v : 0.0;
}

[[noreturn]] void failWrite(int err) { throw RuntimeFailure(failureNumberForErrno(err, FileAccess::Write)); }

bool writeAll(int fd, const std::string& bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(fd, p, left);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += put;
        left -= static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace

HandOffCopy copyListToState(SharedState& st, const std::vector<ListRow>& rows, int deletedCount,
                            char sep, bool withSavedLines)
{
    HandOffCopy copy;
    const int rowCount = static_cast<int>(rows.size());
    const int wanted = st.pointCount != 0 ? st.pointCount - deletedCount : rowCount - deletedCount;

    int k = 0;
    for (std::size_t r = 0; r < rows.size() && k < wanted; ++r) {
        const double conc = listValue(rows[r].concentration, sep);
        if (conc == 0.0) continue;  // a deleted point
        const double rate = listValue(rows[r].rate, sep);
        ++k;
        st.concentration[k] = conc;  // a 201st point is a subscript failure
        st.rate[k] = rate;
        if (withSavedLines) copy.savedLines.push_back(savedPointLine(conc, rate));
    }
    copy.activeCount = k;
    // The sort leaves pointCount - deletedCount: make that the number of points taken, also
    // when the rows ran out or pointCount was never set.
    st.pointCount = makeWhole16(static_cast<double>(k) + deletedCount);
    return copy;
}

void OrdenaVetor(SharedState& st, int n, int deletedCount)
{
    // The shared counters end where the loops over them would leave them: the outer one
    // (loopIndex) at n + 1, the inner one (kPrime) at n + 1, untouched when nothing is sorted.
    PointArray::checkRange(1, n);
    double* conc = st.concentration.data();
    double* rate = st.rate.data();
    // Points already in ascending order are never exchanged: one look along them is enough.
    bool ascending = true;
    for (int i = 1; i < n && ascending; ++i) ascending = !(conc[i] > conc[i + 1]);
    for (int i = 1; i <= n && !ascending; ++i) {
        for (int j = i + 1; j <= n; ++j) {
            if (conc[i] > conc[j]) {
                std::swap(conc[i], conc[j]);
                std::swap(rate[i], rate[j]);
            }
        }
    }
    st.loopIndex = n >= 1 ? n + 1 : 1;
    if (n >= 1) st.kPrime = n + 1;
    st.pointCount = makeWhole16(static_cast<double>(st.pointCount) - deletedCount);
}

void rewriteList(const SharedState& st, std::vector<ListRow>& rows, int activeCount, char sep)
{
    for (std::size_t r = 1; r <= rows.size(); ++r) {
        ListRow& row = rows[r - 1];
        if (static_cast<int>(r) <= activeCount) {
            row.concentration = formatE3(st.concentration[static_cast<long long>(r)], sep);
            row.rate = formatE3(st.rate[static_cast<long long>(r)], sep);
        } else {
            row.number.clear();
            row.concentration.clear();
            row.rate.clear();
        }
    }
}

std::string savedPointLine(double concentration, double rate)
{
    return formatGeneralNumber(concentration, '.') + "," + formatGeneralNumber(rate, '.');
}

void writeFileAtomically(const std::string& path, const std::vector<std::string>& lines)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(path);
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec) target = resolved;
    }

    // Only a regular file is replaced: never a directory or a device.
    mode_t mode = 0;
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) throw RuntimeFailure(failure::PathFileAccessError);
        mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        failWrite(errno);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = static_cast<mode_t>(0666 & ~mask);
    }

    std::string temp = target.string() + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) failWrite(errno);

    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    int err = 0;
    if (!writeAll(fd, bytes)) err = errno;
    if (err == 0 && ::fchmod(fd, mode) != 0) err = errno;
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        failWrite(err);
    }
}

}  // namespace kinetra
