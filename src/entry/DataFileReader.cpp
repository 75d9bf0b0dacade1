#include "entry/DataFileReader.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include <cerrno>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>

#include "format/NumberForms.h"
#include "base/RuntimeFailure.h"
#include "kinetics/DataSet.h"

namespace kinetra {

namespace {

// A field longer than this is not a number; its characters are passed over, not kept.
constexpr std::size_t kMaxFieldLength = 4096;

// A regular file up to this size is read into memory at once; a larger one (its first 200
// records are all that is read of it) and a pipe are read in chunks as the fields need them.
constexpr off_t kWholeFileLimit = 16 << 20;

constexpr int kEnd = std::char_traits<char>::eof();

bool isBlank(int c) { return c == ' ' || c == '\t'; }
bool isLineEnd(int c) { return c == '\r' || c == '\n'; }
bool endsField(int c) { return c == kEnd || c == ',' || isBlank(c) || isLineEnd(c); }

// The characters of a data file held in memory: a field is a view into them.
class MemorySource {
public:
    explicit MemorySource(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    int peek() const { return p_ < end_ ? static_cast<unsigned char>(*p_) : kEnd; }
    int next()
    {
        ++p_;
        return peek();
    }
    int bump()
    {
        const int c = peek();
        if (p_ < end_) ++p_;
        return c;
    }
    // The field that starts at the current character (not a separator), to its end.
    std::string_view field()
    {
        const char* const start = p_;
        while (p_ < end_ && !endsField(static_cast<unsigned char>(*p_))) ++p_;
        return {start, static_cast<std::size_t>(p_ - start)};
    }

private:
    const char* p_;
    const char* end_;
};

// The characters of a stream, one at a time from its buffer, so that the stream is read no
// further than the records taken from it.
class StreamSource {
public:
    explicit StreamSource(std::streambuf& buf) : buf_(buf) {}

    int peek() { return buf_.sgetc(); }
    int next() { return buf_.snextc(); }
    int bump() { return buf_.sbumpc(); }
    // The field's characters are copied; beyond the longest number, only one more is kept.
    std::string_view field()
    {
        text_.clear();
        int c = buf_.sgetc();
        while (!endsField(c)) {
            if (text_.size() <= kMaxFieldLength) text_.push_back(static_cast<char>(c));
            c = buf_.snextc();
        }
        return text_;
    }

private:
    std::streambuf& buf_;
    std::string text_;
};

// The fields of a data file, each kept as the point list keeps it.
template <typename Source>
class FieldReader {
public:
    explicit FieldReader(Source& source) : src_(source) {}

    bool atEnd() { return src_.peek() == kEnd; }

    // One field as the point list keeps it: its text and the value that text reads back as.
    // A field cut off by the end of the file (nothing but blanks left) is a read failure.
    // `text` may be null when only the value is wanted.
    void readField(std::string* text, double& listed)
    {
        int c = src_.peek();
        while (isBlank(c)) c = src_.next();
        if (c == kEnd) throw RuntimeFailure(failure::InputPastEndOfFile);

        if (c == ',') {  // an empty field
            src_.bump();
            keepZero(text, listed);
            return;
        }
        if (isLineEnd(c)) {  // an empty line
            consumeLineEnd();
            keepZero(text, listed);
            return;
        }

        const std::string_view field = src_.field();
        if (field.size() > kMaxFieldLength) {  // too long to be a number
            consumeSeparator();
            keepZero(text, listed);
            return;
        }
        const ListedNumber kind = listFourDigits(field, text, listed);
        consumeSeparator();  // after the field is read: the stream's copy is reused
        switch (kind) {
        case ListedNumber::Number: break;
        case ListedNumber::NotANumber: keepZero(text, listed); return;
        case ListedNumber::Overflow: throw RuntimeFailure(failure::Overflow);
        }
        if (std::isinf(listed)) throw RuntimeFailure(failure::Overflow);  // 1.798E+308 no longer fits
    }

private:
    static void keepZero(std::string* text, double& listed)
    {
        if (text) *text = "0.000E+00";
        listed = 0.0;
    }

    // The separator after a field: blanks, then at most one comma or one line end.
    void consumeSeparator()
    {
        int c = src_.peek();
        while (isBlank(c)) c = src_.next();
        if (c == ',') src_.bump();
        else if (isLineEnd(c)) consumeLineEnd();
    }

    // CR LF, LF or a lone CR.
    void consumeLineEnd()
    {
        if (src_.bump() == '\r' && src_.peek() == '\n') src_.bump();
    }

    Source& src_;
};

// Records up to the 200th or the end of the source; the end is tested only before a record.
template <typename Source>
std::vector<ReadRecord> readRecords(Source& source, const ReadWarning& onWarning, std::size_t expected,
                                    RecordTexts texts)
{
    const bool keep = texts == RecordTexts::Kept;
    FieldReader<Source> fields(source);
    std::vector<ReadRecord> records;
    records.reserve(std::min<std::size_t>(expected, kMaxPoints));
    while (static_cast<int>(records.size()) < kMaxPoints && !fields.atEnd()) {
        const int point = static_cast<int>(records.size()) + 1;
        ReadRecord& rec = records.emplace_back();
        fields.readField(keep ? &rec.concentrationText : nullptr, rec.concentration);
        fields.readField(keep ? &rec.rateText : nullptr, rec.rate);
        if (!(rec.concentration > 0.0) || !(rec.rate > 0.0)) {
            if (onWarning) onWarning(point);
        }
    }
    return records;
}

// A read-only file as a stream buffer of small chunks, or read whole; read errors are kept
// apart from the end of the file.
class FileBuffer : public std::streambuf {
public:
    explicit FileBuffer(int fd) : fd_(fd) {}
    ~FileBuffer() override { ::close(fd_); }
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    // The rest of the file, `expected` bytes long as far as is known. Once that many bytes
    // came in one read, the file is taken as read: a file that grows while it is read is
    // read as it was when it was opened.
    std::string readAll(std::size_t expected)
    {
        std::string text(expected + 1, '\0');
        std::size_t size = 0;
        for (;;) {
            if (size == text.size()) text.resize(2 * text.size());
            const std::size_t got = readSome(text.data() + size, text.size() - size);
            size += got;
            if (got == 0 || (expected > 0 && size == expected)) break;
        }
        text.resize(size);
        return text;
    }

protected:
    int_type underflow() override
    {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        const std::size_t got = readSome(chunk_, sizeof chunk_);
        if (got == 0) return traits_type::eof();
        setg(chunk_, chunk_, chunk_ + got);
        return traits_type::to_int_type(*gptr());
    }

private:
    // At most `room` bytes; 0 at the end of the file.
    std::size_t readSome(char* into, std::size_t room)
    {
        ssize_t got;
        do {
            got = ::read(fd_, into, room);
        } while (got < 0 && errno == EINTR);
        if (got < 0) throw RuntimeFailure(failure::PathFileAccessError);
        return static_cast<std::size_t>(got);
    }

    int fd_;
    char chunk_[4096];
};

}  // namespace

std::vector<ReadRecord> readDataText(std::string_view text, const ReadWarning& onWarning, RecordTexts texts)
{
    MemorySource source(text);
    // a record takes four characters at the least
    return readRecords(source, onWarning, text.size() / 4 + 1, texts);
}

std::vector<ReadRecord> readDataFile(std::istream& in, const ReadWarning& onWarning, RecordTexts texts)
{
    std::streambuf* buf = in.rdbuf();
    if (buf == nullptr || !in) throw RuntimeFailure(failure::PathFileAccessError);

    StreamSource source(*buf);
    std::vector<ReadRecord> records = readRecords(source, onWarning, kMaxPoints, texts);
    if (records.size() < static_cast<std::size_t>(kMaxPoints)) in.setstate(std::ios::eofbit);
    return records;
}

std::vector<ReadRecord> readDataFile(const std::string& path, const ReadWarning& onWarning, RecordTexts texts)
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
    FileBuffer buffer(fd);
    if (S_ISREG(info.st_mode) && info.st_size <= kWholeFileLimit) {
        const std::string text = buffer.readAll(static_cast<std::size_t>(info.st_size));
        return readDataText(text, onWarning, texts);
    }
    // reads block again (a pipe with its writer still at work); a regular file never blocks
    if (S_ISFIFO(info.st_mode)) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::istream in(&buffer);
    return readDataFile(in, onWarning, texts);
}

}  // namespace kinetra
