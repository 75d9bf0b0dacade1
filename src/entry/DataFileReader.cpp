#include "entry/DataFileReader.h"

#include <cmath>

#include <cerrno>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>

#include "format/NumberForms.h"
#include "base/RuntimeFailure.h"
#include "state/SharedState.h"

namespace kinetra {

namespace {

// A field longer than this is not a number; its characters are passed over, not kept.
constexpr std::size_t kMaxFieldLength = 4096;

constexpr int kEnd = std::char_traits<char>::eof();

bool isBlank(int c) { return c == ' ' || c == '\t'; }
bool isLineEnd(int c) { return c == '\r' || c == '\n'; }
bool endsField(int c) { return c == kEnd || c == ',' || isBlank(c) || isLineEnd(c); }

// Reads the fields of a data file one character at a time from the stream's buffer, so
// the file is read no further than the records taken from it.
class FieldReader {
public:
    explicit FieldReader(std::streambuf& buf) : buf_(buf) {}

    bool atEnd() { return buf_.sgetc() == kEnd; }

    // One field as the value the point list keeps. A field cut off by the end of the file
    // (nothing but blanks left) is a read failure.
    double readField()
    {
        int c = buf_.sgetc();
        while (isBlank(c)) c = buf_.snextc();
        if (c == kEnd) throw RuntimeFailure(failure::InputPastEndOfFile);

        if (c == ',') {  // an empty field
            buf_.sbumpc();
            return 0.0;
        }
        if (isLineEnd(c)) {  // an empty line
            consumeLineEnd();
            return 0.0;
        }

        std::string text;
        bool tooLong = false;
        while (!endsField(c)) {
            if (text.size() < kMaxFieldLength) text.push_back(static_cast<char>(c));
            else tooLong = true;
            c = buf_.snextc();
        }
        consumeSeparator();
        if (tooLong) return 0.0;
        return listedValue(text);
    }

private:
    // The separator after a field: blanks, then at most one comma or one line end.
    void consumeSeparator()
    {
        int c = buf_.sgetc();
        while (isBlank(c)) c = buf_.snextc();
        if (c == ',') buf_.sbumpc();
        else if (isLineEnd(c)) consumeLineEnd();
    }

    // CR LF, LF or a lone CR.
    void consumeLineEnd()
    {
        if (buf_.sbumpc() == '\r' && buf_.sgetc() == '\n') buf_.sbumpc();
    }

    // A number reads as itself, anything else as 0; too large for a double is an overflow.
    static double listedValue(const std::string& text)
    {
        bool overflow = false;
        const std::optional<double> v = parseDecimal(text, '.', &overflow);
        if (overflow) throw RuntimeFailure(failure::Overflow);
        return v ? *v : 0.0;
    }

    std::streambuf& buf_;
};

// The value as the point list shows it and as the hand-off reads it back.
void keepAsListed(double value, std::string& text, double& listed)
{
    text = formatScientific(value, 3, '.', &listed);
    if (std::isinf(listed)) throw RuntimeFailure(failure::Overflow);  // 1.798E+308 no longer fits
}

// A read-only file as a stream buffer of small chunks, with read errors kept apart from
// the end of the file.
class FileBuffer : public std::streambuf {
public:
    explicit FileBuffer(int fd) : fd_(fd) {}
    ~FileBuffer() override { ::close(fd_); }
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

protected:
    int_type underflow() override
    {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        ssize_t got;
        do {
            got = ::read(fd_, chunk_, sizeof chunk_);
        } while (got < 0 && errno == EINTR);
        if (got < 0) throw RuntimeFailure(failure::PathFileAccessError);
        if (got == 0) return traits_type::eof();
        setg(chunk_, chunk_, chunk_ + got);
        return traits_type::to_int_type(*gptr());
    }

private:
    int fd_;
    char chunk_[4096];
};

}  // namespace

std::vector<ReadRecord> readDataFile(std::istream& in, const ReadWarning& onWarning)
{
    std::streambuf* buf = in.rdbuf();
    if (buf == nullptr || !in) throw RuntimeFailure(failure::PathFileAccessError);

    FieldReader fields(*buf);
    std::vector<ReadRecord> records;
    // the end of the file is tested only before each record
    while (static_cast<int>(records.size()) < kMaxPoints && !fields.atEnd()) {
        const int point = static_cast<int>(records.size()) + 1;
        ReadRecord rec;
        const double conc = fields.readField();
        const double rate = fields.readField();
        keepAsListed(conc, rec.concentrationText, rec.concentration);
        keepAsListed(rate, rec.rateText, rec.rate);
        if (!(rec.concentration > 0.0) || !(rec.rate > 0.0)) {
            if (onWarning) onWarning(point);
        }
        records.push_back(std::move(rec));
    }
    if (records.size() < static_cast<std::size_t>(kMaxPoints)) in.setstate(std::ios::eofbit);
    return records;
}

std::vector<ReadRecord> readDataFile(const std::string& path, const ReadWarning& onWarning)
{
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw RuntimeFailure(failureNumberForErrno(errno));

    struct stat info {};
    if (::fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode))) {
        // a directory, a device or a socket is no data file
        ::close(fd);
        throw RuntimeFailure(failure::PathFileAccessError);
    }
    // reads block again (a pipe with its writer still at work)
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    FileBuffer buffer(fd);
    std::istream in(&buffer);
    return readDataFile(in, onWarning);
}

}  // namespace kinetra
