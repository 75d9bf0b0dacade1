#include "entry/TableReader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "entry/DataFileReader.h"
#include "format/NumberForms.h"
#include "kinetics/DataSet.h"

namespace kinetra {

static_assert(kMaxPoints == 200, "kPointLimitText names the limit");

namespace {

// The separator is chosen on the first lines only, up to these many records or bytes.
// Past kSampleBytes, the sample ends once it holds kFewestSampled records.
constexpr int kSampleRecords = 10;
constexpr int kFewestSampled = 3;
constexpr std::size_t kSampleBytes = 2048;
// A cell quoted in a warning is cut to this many bytes.
constexpr std::size_t kShownCellBytes = 40;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

bool isAnyOf(std::string_view text, std::initializer_list<std::string_view> words)
{
    return std::any_of(words.begin(), words.end(),
                       [&](std::string_view w) { return equalsNoCase(text, w); });
}

bool isConcentrationName(std::string_view n)
{
    return isAnyOf(n, {"s", "[s]", "conc", "concentration"});
}
bool isRateName(std::string_view n)
{
    return isAnyOf(n, {"v", "rate", "velocity", "activity"});
}
bool isNamesName(std::string_view n)
{
    return isAnyOf(n, {"set", "condition", "sample", "group"});
}

// The texts instruments and spreadsheets write where a value is missing; such a cell does
// not make a row a header.
bool marksMissing(std::string_view cell)
{
    std::string_view t = trimmed(cell);
    if (t.empty()) return true;
    if (t.front() == '+' || t.front() == '-') {
        if (t.size() == 1) return true;  // a lone dash
        t.remove_prefix(1);
    }
    return isAnyOf(t,
                   {"over", "under", "invalid", "nan", "inf", "infinity", "n/a", "#n/a", "n.d."});
}

// Checks the bytes as UTF-8 up to the last character they hold whole; `whole` is how many
// bytes that is (a character cut off by the end of `s` is left for the next piece). False
// for bytes that cannot be UTF-8.
bool validUtf8Prefix(std::string_view s, std::size_t& whole)
{
    const auto* const begin = reinterpret_cast<const unsigned char*>(s.data());
    const auto* p = begin;
    const auto* const end = p + s.size();
    whole = s.size();
    while (p < end) {
        std::uint64_t eight;  // eight ASCII bytes at a time
        if (end - p >= 8 && (std::memcpy(&eight, p, 8), (eight & 0x8080808080808080ULL) == 0)) {
            p += 8;
            continue;
        }
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned cp;
        unsigned least;
        if ((c & 0xE0U) == 0xC0U) {
            more = 1, cp = c & 0x1FU, least = 0x80;
        } else if ((c & 0xF0U) == 0xE0U) {
            more = 2, cp = c & 0x0FU, least = 0x800;
        } else if ((c & 0xF8U) == 0xF0U) {
            more = 3, cp = c & 0x07U, least = 0x10000;
        } else {
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            if (p + k == end) {  // cut off: the rest of the character comes with the next piece
                whole = static_cast<std::size_t>(p - begin);
                return true;
            }
            if ((p[k] & 0xC0U) != 0x80U) return false;
            cp = (cp << 6) | (p[k] & 0x3FU);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        p += more + 1;
    }
    return true;
}

bool validUtf8(std::string_view s)
{
    std::size_t whole = 0;
    return validUtf8Prefix(s, whole) && whole == s.size();
}

// A cell's text in UTF-8, its blanks trimmed.
std::string utf8Text(std::string_view cell, bool latin1)
{
    cell = trimmed(cell);
    if (!latin1) return std::string(cell);
    std::string out;
    out.reserve(cell.size());
    for (const char ch : cell) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

// A cell as a warning quotes it: in UTF-8, cut short at a character's start.
std::string shownCell(std::string_view cell, bool latin1)
{
    std::string text = utf8Text(cell, latin1);
    if (text.size() <= kShownCellBytes) return text;
    std::size_t cut = kShownCellBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80U) --cut;
    text.resize(cut);
    return text + "...";
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A number cell's value: blanks, an optional sign, digits with an optional decimal point (or
// comma), an optional exponent, blanks. Nothing for anything else, and nothing for a number
// too large for a double (`overflow` set); one too small to hold reads as 0.
std::optional<double> cellNumber(std::string_view cell, bool decimalComma, bool* overflow = nullptr)
{
    if (overflow) *overflow = false;
    cell = trimmed(cell);
    std::size_t lead = 0;  // a minus sign
    if (!cell.empty() && cell.front() == '+')
        cell.remove_prefix(1);
    else if (!cell.empty() && cell.front() == '-')
        lead = 1;
    // a digit or a separator first: no "inf", "nan" or second sign
    if (cell.size() <= lead || !(isDigit(cell[lead]) || cell[lead] == '.' || cell[lead] == ','))
        return std::nullopt;
    char copy[64];
    const std::size_t comma = decimalComma ? cell.find(',') : std::string_view::npos;
    if (comma != std::string_view::npos) {
        if (cell.size() > sizeof copy) return parseDecimal(cell, ',', overflow);
        std::memcpy(copy, cell.data(), cell.size());
        copy[comma] = '.';
        cell = std::string_view(copy, cell.size());
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (end != cell.data() + cell.size()) return std::nullopt;
    if (ec == std::errc::result_out_of_range) {  // too large, or too small: the rare way
        bool big = false;
        const std::optional<double> v = parseDecimal(cell, '.', &big);
        if (overflow) *overflow = big;
        return v;
    }
    if (ec != std::errc()) return std::nullopt;
    return value;
}

// The bytes of a table as its records are read: the whole text held by the caller, or a file
// read a piece at a time, so that a large file never sits in memory whole. `text()` holds
// the bytes from the first one still needed; `base()` is where it starts in the table.
class TableSource {
public:
    explicit TableSource(std::string_view whole) : text_(whole) {}
    // The file open as `fd` at its start, `size` bytes of it read (a file that grew since
    // its size was taken is read as far as that size).
    TableSource(int fd, std::size_t size) : fd_(fd), left_(size), complete_(size == 0) {}

    std::string_view text() const { return text_; }
    std::size_t base() const { return base_; }
    // Whether text() reaches the end of the table.
    bool complete() const { return complete_; }
    // The errno of a read that failed, 0 when none did.
    int error() const { return error_; }

    void dropFront(std::size_t n)
    {
        text_.remove_prefix(n);
        start_ += n;
        base_ += n;
    }

    // Drops the bytes before `keep` (an offset in text()) and reads on: at least a piece, and
    // at least as many bytes as are still held, so that a record longer than a piece is read
    // again only a few times. False when nothing more can be read.
    bool more(std::size_t keep)
    {
        if (complete_) return false;
        const std::size_t held = text_.size() - keep;
        buffer_.erase(0, start_ + keep);
        start_ = 0;
        base_ += keep;
        const std::size_t want = std::min(left_, std::max(kTablePieceBytes, held));
        buffer_.resize(held + want);
        std::size_t got = 0;
        while (got < want) {
            const ssize_t n = ::read(fd_, buffer_.data() + held + got, want - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                error_ = n < 0 ? errno : 0;
                left_ = 0;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        buffer_.resize(held + got);
        left_ -= std::min(left_, got);
        complete_ = left_ == 0;
        text_ = buffer_;
        return got > 0;
    }

private:
    std::string_view text_;
    std::string buffer_;  // a file's bytes held
    std::size_t start_ = 0;  // where text_ starts in buffer_
    std::size_t base_ = 0;
    int fd_ = -1;
    std::size_t left_ = 0;  // bytes of the file not yet read
    bool complete_ = true;
    int error_ = 0;
};

struct Record {
    int line = 0;  // where the record starts
    std::vector<std::string_view> cells;

    // Fields up to the last one that holds something: empty ones after it do not count.
    int width() const
    {
        std::size_t n = cells.size();
        while (n > 0 && trimmed(cells[n - 1]).empty()) --n;
        return static_cast<int>(n);
    }
    bool blank() const { return width() == 0; }
};

// The records of a table, one at a time. The separator ' ' stands for runs of blanks and tabs.
// A quoted field with doubled quotes is kept, undoubled, in the reader's own buffer: a
// record's cells stay valid until the next record is read.
class RecordReader {
public:
    // `dropsRead`: the bytes of the records read are dropped from the source as the reading
    // goes on; otherwise they stay held, and a further reader can start at the same place.
    RecordReader(TableSource& source, char sep, bool dropsRead = true)
        : source_(source), text_(source.text()), sep_(sep), dropsRead_(dropsRead), base_(source.base())
    {
        for (const char c : {sep, '\r', '\n'}) ends_[static_cast<unsigned char>(c)] = true;
        if (sep == ' ') ends_[static_cast<unsigned char>('\t')] = true;
    }

    // False at the end of the text, or when a quote is never closed (unclosedQuoteLine()).
    bool next(Record& record)
    {
        if (unclosedLine_ != 0) return false;
        follow();
        std::size_t start = pos_;
        const int startLine = line_;
        for (;;) {
            const bool read = readRecord(record);
            // a record that runs into the end of the bytes held is read again with more of them
            if (pos_ < text_.size() || source_.complete()) return read;
            pos_ = start;
            line_ = startLine;
            unclosedLine_ = 0;
            const std::size_t keep = dropsRead_ ? start : 0;
            if (!source_.more(keep)) return read;
            follow();
            start = pos_;
        }
    }

    int unclosedQuoteLine() const { return unclosedLine_; }
    // How far the reader is into the table.
    std::size_t position() const { return base_ + pos_; }

private:
    // text_ again after the source read on (possibly for another reader), pos_ kept in place
    void follow()
    {
        pos_ -= source_.base() - base_;
        base_ = source_.base();
        text_ = source_.text();
    }

    bool readRecord(Record& record)
    {
        record.cells.clear();
        moved_.clear();
        scratch_.clear();
        if (pos_ >= text_.size()) return false;
        record.line = line_;
        for (;;) {
            skipPadding();
            if (atRecordEnd()) {
                // an empty field after a separator (or an empty line); runs of blanks have none
                if (sep_ != ' ' || record.cells.empty()) record.cells.emplace_back();
                break;
            }
            if (!readField(record.cells)) return false;
            if (pos_ < text_.size() && text_[pos_] == sep_) {
                ++pos_;
                continue;
            }
            if (sep_ == ' ') {
                skipPadding();
                if (!atRecordEnd()) continue;
            }
            break;
        }
        endLine();
        for (const Moved& m : moved_)
            record.cells[m.cell] = std::string_view(scratch_).substr(m.begin, m.size);
        return true;
    }

    // Where a quoted field's text stands: in the table, or in the buffer.
    struct Span {
        std::size_t begin;
        std::size_t size;
        bool inScratch;
    };
    // A field kept in the buffer: its cell, and where it stands in the buffer.
    struct Moved {
        std::size_t cell;
        std::size_t begin;
        std::size_t size;
    };

    bool padding(char c) const { return c == ' ' || (c == '\t' && sep_ != '\t'); }
    bool endsField(char c) const { return ends_[static_cast<unsigned char>(c)]; }
    bool atRecordEnd() const { return pos_ >= text_.size() || isLineEnd(text_[pos_]); }

    void skipPadding()
    {
        while (pos_ < text_.size() && padding(text_[pos_])) ++pos_;
    }

    // CR LF, LF or a lone CR; counts the line.
    void consumeLineEnd()
    {
        if (text_[pos_++] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        ++line_;
    }
    void endLine()
    {
        if (pos_ < text_.size()) consumeLineEnd();
    }

    // One field from its first character on, added to the cells; false for a quote never
    // closed.
    bool readField(std::vector<std::string_view>& cells)
    {
        if (text_[pos_] != '"') {
            const std::size_t begin = pos_;
            while (pos_ < text_.size() && !endsField(text_[pos_])) ++pos_;
            cells.push_back(trimmed(text_.substr(begin, pos_ - begin)));
            return true;
        }
        const int opened = line_;
        const std::size_t begin = ++pos_;
        bool undoubled = false;
        Span span{begin, 0, false};
        for (;;) {
            if (pos_ >= text_.size()) {
                unclosedLine_ = opened;
                return false;
            }
            const char c = text_[pos_];
            if (c == '"') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                    if (!undoubled) {  // the field moves to the buffer from here on
                        undoubled = true;
                        span = {scratch_.size(), 0, true};
                        scratch_.append(text_.substr(begin, pos_ - begin));
                    }
                    scratch_ += '"';
                    pos_ += 2;
                    continue;
                }
                if (!undoubled) span.size = pos_ - begin;
                ++pos_;
                break;
            }
            if (isLineEnd(c)) {
                const std::size_t at = pos_;
                consumeLineEnd();
                if (undoubled) scratch_.append(text_.substr(at, pos_ - at));
                continue;
            }
            if (undoubled) scratch_ += c;
            ++pos_;
        }
        if (undoubled) span.size = scratch_.size() - span.begin;
        // what follows the closing quote up to the separator belongs to the field as written
        const std::size_t after = pos_;
        while (pos_ < text_.size() && !endsField(text_[pos_])) ++pos_;
        const std::string_view tail = trimmed(text_.substr(after, pos_ - after));
        if (!tail.empty()) {
            if (!span.inScratch) {
                const std::string_view head = text_.substr(span.begin, span.size);
                span = {scratch_.size(), 0, true};
                scratch_.append(head);
            }
            scratch_.append(tail);
            span.size = scratch_.size() - span.begin;
        }
        if (span.inScratch) moved_.push_back({cells.size(), span.begin, span.size});
        cells.push_back(span.inScratch ? std::string_view() : text_.substr(span.begin, span.size));
        return true;
    }

    TableSource& source_;
    std::string_view text_;
    char sep_;
    bool dropsRead_;
    std::size_t base_;  // where text_ starts in the table
    std::size_t pos_ = 0;
    int line_ = 1;
    int unclosedLine_ = 0;
    std::vector<Moved> moved_;
    bool ends_[256] = {};  // the characters that end an unquoted field
    std::string scratch_;
};

// The separator that splits the most of the first lines into two fields or more; among
// separators that split as many, the one that gives the most cells that read as numbers;
// ties go to tab, semicolon, comma, blanks in turn.
char detectSeparator(TableSource& source)
{
    constexpr char kCandidates[] = {'\t', ';', ',', ' '};
    // what a separator makes of the first lines: lines split, or cells that are numbers
    const auto score = [&](char sep, bool numbers) {
        RecordReader reader(source, sep, false);
        Record rec;
        int records = 0;
        int count = 0;
        while (records < (reader.position() < kSampleBytes ? kSampleRecords : kFewestSampled) &&
               reader.next(rec)) {
            const int width = rec.width();
            if (width == 0) continue;
            ++records;
            if (!numbers) count += width >= 2 ? 1 : 0;
            for (int i = 0; numbers && i < width; ++i)
                if (cellNumber(rec.cells[static_cast<std::size_t>(i)], sep != ',')) ++count;
        }
        return count;
    };
    int split[4];
    for (int k = 0; k < 4; ++k) split[k] = score(kCandidates[k], false);
    const int most = *std::max_element(split, split + 4);
    char best = 0;
    int bestNumbers = -1;
    for (int k = 0; k < 4; ++k) {
        if (split[k] != most) continue;
        if (std::count(split, split + 4, most) == 1) return kCandidates[k];
        const int numbers = score(kCandidates[k], true);
        if (numbers > bestNumbers) {
            bestNumbers = numbers;
            best = kCandidates[k];
        }
    }
    return best;
}

struct Column {
    std::string header;  // the whole header text, "" without a header
    std::string name;    // the header without its unit
    std::string unit;
    int index = 0;  // 0-based
};

// "S (mM)" is the name S with the unit mM, "v [U/mg]" the name v with the unit U/mg; "[S]"
// alone is a name.
void splitUnit(Column& col)
{
    const std::string_view t = trimmed(col.header);
    col.name = std::string(t);
    if (t.empty() || (t.back() != ')' && t.back() != ']')) return;
    const char close = t.back();
    const char open = close == ')' ? '(' : '[';
    int depth = 0;
    for (std::size_t i = t.size(); i-- > 0;) {
        if (t[i] == close) {
            ++depth;
        } else if (t[i] == open && --depth == 0) {
            const std::string_view name = trimmed(t.substr(0, i));
            if (name.empty()) return;
            col.name = std::string(name);
            col.unit = std::string(trimmed(t.substr(i + 1, t.size() - i - 2)));
            return;
        }
    }
}

bool isHeaderRow(const Record& rec, bool decimalComma)
{
    return std::any_of(rec.cells.begin(), rec.cells.end(), [&](std::string_view c) {
        return !marksMissing(c) && !cellNumber(c, decimalComma);
    });
}

// Separated by blanks, "S (mM)" comes in two cells: a cell that is a bracketed unit alone
// joins the cell before it.
void joinUnitCells(Record& rec, std::vector<std::string>& joined)
{
    for (const std::string_view c : rec.cells) {
        const bool unitAlone = c.size() >= 2 && ((c.front() == '(' && c.back() == ')') ||
                                                 (c.front() == '[' && c.back() == ']'));
        if (unitAlone && !joined.empty())
            joined.back().append(" ").append(c);
        else
            joined.emplace_back(c);
    }
}

std::string columnWord(int index)
{
    return "column " + std::to_string(index + 1);
}

// The columns the data sets come from.
struct Plan {
    TableShape shape = TableShape::Long;
    int conc = -1;
    int names = -1;
    std::vector<int> rates;
};

class Planner {
public:
    Planner(const std::vector<Column>& columns, bool header) : cols_(columns), header_(header) {}

    std::string failure;

    // Empty `failure` when the columns were found.
    Plan plan(const TableOptions& options)
    {
        Plan p;
        const bool rateChosen = !options.rate.empty();
        if (!options.names.empty() && (p.names = find(options.names, "names")) < 0) return p;
        if (rateChosen) {
            const int rate = find(options.rate, "rate");
            if (rate < 0) return p;
            p.rates.push_back(rate);
        } else if (options.names.empty()) {
            p.names = firstWhere([](const Column& c) { return isNamesName(c.name); });
        }
        if (!options.concentration.empty()) {
            if ((p.conc = find(options.concentration, "concentration")) < 0) return p;
        } else {
            const auto taken = [&](int i) { return rateChosen && p.rates[0] == i; };
            p.conc = firstWhere(
                [&](const Column& c) { return isConcentrationName(c.name) && !taken(c.index); });
            // else the first column that is neither the names nor a rate
            if (p.conc < 0)
                p.conc = firstWhere([&](const Column& c) {
                    return c.index != p.names && !taken(c.index) &&
                           (rateChosen || !isRateName(c.name));
                });
            if (p.conc < 0) p.conc = taken(0) ? 1 : 0;
        }
        if (p.names == p.conc) {
            if (!options.names.empty()) return refuse("the concentration and the names", p.conc);
            p.names = -1;
        }
        if (rateChosen) {
            if (p.rates[0] == p.conc) return refuse("the concentration and the rate", p.conc);
            if (p.rates[0] == p.names) return refuse("the rate and the names", p.names);
            return p;
        }
        std::vector<int> others;
        std::vector<int> named;
        for (const Column& c : cols_) {
            if (c.index == p.conc || c.index == p.names) continue;
            others.push_back(c.index);
            if (isRateName(c.name)) named.push_back(c.index);
        }
        if (others.empty()) {
            failure = "no column of numbers for the rate: the table has only the concentration" +
                      std::string(p.names >= 0 ? " and the names" : "");
        } else if (p.names >= 0 || named.size() == 1 || others.size() == 1) {
            p.rates.push_back(named.empty() ? others[0] : named[0]);
        } else {
            p.shape = TableShape::Wide;
            p.rates = std::move(others);
        }
        return p;
    }

private:
    Plan refuse(const std::string& what, int column)
    {
        failure = what + " cannot be the same column (" + columnWord(column) + ")";
        return {};
    }

    template <typename Test>
    int firstWhere(Test test) const
    {
        const auto it = std::find_if(cols_.begin(), cols_.end(), test);
        return it == cols_.end() ? -1 : it->index;
    }

    int find(const std::string& choice, const char* role)
    {
        const std::string_view c = trimmed(choice);
        const int count = static_cast<int>(cols_.size());
        if (!c.empty() &&
            std::all_of(c.begin(), c.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
            const int n = c.size() > 6 ? count + 1 : std::stoi(std::string(c));
            if (n >= 1 && n <= count) return n - 1;
            failure = "the " + std::string(role) + " column " + std::string(c) +
                      " is not among the table's " + std::to_string(count) + " columns";
            return -1;
        }
        if (!header_) {
            failure = "the table has no header row to find the " + std::string(role) +
                      " column \"" + std::string(c) + "\" in; name it by its number";
            return -1;
        }
        const int found = firstWhere([&](const Column& col) {
            return equalsNoCase(col.header, c) || equalsNoCase(col.name, c);
        });
        if (found >= 0) return found;
        failure = "no column headed \"" + std::string(c) + "\" for the " + role;
        return -1;
    }

    const std::vector<Column>& cols_;
    bool header_;
};

// Warnings in the order they arise, at most kMaxTableWarnings; the rest are counted.
class Warnings {
public:
    explicit Warnings(std::vector<std::string>& into) : out_(into) {}

    bool full() const { return kept_ >= kMaxTableWarnings; }
    void add(std::string text)
    {
        if (full()) {
            ++untold_;
            return;
        }
        out_.push_back(std::move(text));
        ++kept_;
    }
    void countOne() { ++untold_; }
    // A warning kept beyond the others' limit (at most one a data set).
    void addAlways(std::string text) { out_.push_back(std::move(text)); }
    void close()
    {
        if (untold_ > 0) out_.push_back(std::to_string(untold_) + " more warnings are not shown");
    }

private:
    std::vector<std::string>& out_;
    int kept_ = 0;
    long long untold_ = 0;
};

std::string lineWord(int line)
{
    return "line " + std::to_string(line);
}

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

// Reads the rows of a planned table into its data sets.
class TableBuilder {
public:
    // `lines`: about as many lines as the table has, to make room for the points at once.
    TableBuilder(TableRead& out, const std::vector<Column>& columns, const Plan& plan, bool latin1,
                 bool decimalComma, std::size_t lines)
        : out_(out),
          cols_(columns),
          plan_(plan),
          latin1_(latin1),
          decimalComma_(decimalComma),
          warnings_(out.warnings)
    {
        if (plan.shape == TableShape::Wide) {
            std::unordered_map<std::string, int> byName;
            for (const int c : plan.rates) {
                const Column& col = cols_[static_cast<std::size_t>(c)];
                const std::string name = col.name.empty() ? columnWord(c) : col.name;
                const auto [it, fresh] = byName.emplace(name, static_cast<int>(sets_.size()));
                if (fresh)
                    addSet(name, col.unit);
                else if (set(it->second).rateUnit.empty())
                    set(it->second).rateUnit = col.unit;
                setOfRate_.push_back(it->second);
            }
            std::vector<std::size_t> replicates(sets_.size());
            for (const int k : setOfRate_) ++replicates[static_cast<std::size_t>(k)];
            for (std::size_t k = 0; k < sets_.size(); ++k)
                makeRoom(sets_[k], replicates[k] * lines);
        } else if (plan.names < 0) {
            addSet("", rateColumn().unit);
            makeRoom(sets_[0], lines);
        }
    }

    // One row of data; false (with out.failure set) when the table is refused.
    bool addRow(const Record& rec)
    {
        const std::string_view concCell = cell(rec, plan_.conc);
        bool overflow = false;
        const std::optional<double> conc = cellNumber(concCell, decimalComma_, &overflow);
        if (conc) ++concNumbers_;
        int setIndex = 0;
        if (plan_.names >= 0) {
            const std::string_view nameCell = trimmed(cell(rec, plan_.names));
            if (nameCell.empty()) {
                warnMissing(rec.line, plan_.names, nameCell, false, "the row is left out");
                return true;
            }
            setIndex = namedSet(nameCell, rec.line);
            if (setIndex < 0) return false;
        }
        if (!conc) {
            const bool wide = plan_.shape == TableShape::Wide;
            warnMissing(rec.line, plan_.conc, concCell, overflow,
                        wide ? "the row is left out" : "the point is left out");
            // the rates count as read all the same
            for (std::size_t k = 0; k < plan_.rates.size(); ++k)
                if (cellNumber(cell(rec, plan_.rates[k]), decimalComma_)) ++rateNumbers_;
            return true;
        }
        for (std::size_t k = 0; k < plan_.rates.size(); ++k) {
            const int column = plan_.rates[k];
            const int target = plan_.shape == TableShape::Wide ? setOfRate_[k] : setIndex;
            addPoint(rec.line, column, target, *conc, cell(rec, column));
        }
        return true;
    }

    // The data sets that hold points, the others dropped with a warning; false (with
    // out.failure set) when no point was read.
    bool finish()
    {
        if (concNumbers_ == 0) {
            out_.failure = "no column of numbers for the concentration: " + columnOf(plan_.conc) +
                           " holds none";
        } else if (rateNumbers_ == 0) {
            out_.failure =
                "no column of numbers for the rate: " +
                (plan_.rates.size() == 1
                     ? columnOf(plan_.rates[0]) + " holds none"
                     : "none of its " + std::to_string(plan_.rates.size()) + " columns holds one");
        }
        for (std::size_t i = 0; i < sets_.size(); ++i) {
            if (!sets_[i].concentration.empty())
                out_.dataSets.push_back(std::move(sets_[i]));
            else if (out_.failure.empty())
                warnings_.add("data set " + quoted(sets_[i].name) +
                              " has no points and is left out");
        }
        if (out_.failure.empty() && out_.dataSets.empty())
            out_.failure = "no row has both a concentration and a rate";
        warnings_.close();
        return out_.failure.empty();
    }

private:
    TableDataSet& set(int i) { return sets_[static_cast<std::size_t>(i)]; }
    static void makeRoom(TableDataSet& d, std::size_t points)
    {
        points = std::min(points, static_cast<std::size_t>(kMaxPoints));
        d.concentration.reserve(points);
        d.rate.reserve(points);
        d.lines.reserve(points);
    }
    const Column& rateColumn() const { return cols_[static_cast<std::size_t>(plan_.rates[0])]; }
    const Column& column(int i) const { return cols_[static_cast<std::size_t>(i)]; }
    // how warnings name a column: column 3 "WT", or column 3 without a header
    std::string columnOf(int i) const
    {
        const std::string& header = column(i).header;
        return header.empty() ? columnWord(i) : columnWord(i) + " " + quoted(header);
    }

    std::string_view cell(const Record& rec, int column) const
    {
        const auto i = static_cast<std::size_t>(column);
        return i < rec.cells.size() ? rec.cells[i] : std::string_view{};
    }

    void addSet(std::string name, const std::string& rateUnit)
    {
        TableDataSet& s = sets_.emplace_back();
        s.name = std::move(name);
        s.concUnit = column(plan_.conc).unit;
        s.rateUnit = rateUnit;
        limitWarned_.push_back(false);
    }

    int namedSet(std::string_view nameCell, int line)
    {
        key_ = utf8Text(nameCell, latin1_);
        const auto found = byName_.find(key_);
        if (found != byName_.end()) return found->second;
        if (static_cast<int>(sets_.size()) >= kMaxTableDataSets) {
            out_.failure = "more than " + std::to_string(kMaxTableDataSets) +
                           " data sets: " + lineWord(line) + " starts one more, " +
                           quoted(shownCell(nameCell, latin1_));
            return -1;
        }
        const int index = static_cast<int>(sets_.size());
        byName_.emplace(key_, index);
        addSet(key_, rateColumn().unit);
        return index;
    }

    void addPoint(int line, int col, int target, double conc, std::string_view rateCell)
    {
        // a full data set whose limit was told learns nothing more from its cells once some
        // rate has been read
        if (rateNumbers_ > 0 && limitWarned_[static_cast<std::size_t>(target)]) return;
        bool overflow = false;
        const std::optional<double> rate = cellNumber(rateCell, decimalComma_, &overflow);
        if (rate) ++rateNumbers_;
        TableDataSet& s = set(target);
        if (s.concentration.size() >= static_cast<std::size_t>(kMaxPoints)) {
            char& warned = limitWarned_[static_cast<std::size_t>(target)];
            if (rate && !warned) {
                warned = true;
                const std::string from = "the points from " + lineWord(line) + " on are left out.";
                warnings_.addAlways(
                    std::string(kPointLimitText) +
                    (s.name.empty() ? " In this table " : " In data set " + quoted(s.name) + ", ") +
                    from);
            }
            return;
        }
        if (!rate) {
            warnMissing(line, col, rateCell, overflow, "the point is left out");
            return;
        }
        s.concentration.push_back(conc);
        s.rate.push_back(*rate);
        s.lines.push_back(line);
        if (!(conc > 0.0) || !(*rate > 0.0)) {
            if (warnings_.full())
                warnings_.countOne();
            else if (plan_.shape == TableShape::Wide)
                warnings_.add(lineWord(line) + ", " + columnOf(col) + ": " + kReadWarningText);
            else
                warnings_.add(lineWord(line) + ": " + kReadWarningText);
        }
    }

    void warnMissing(int line, int col, std::string_view cellText, bool overflow,
                     const char* consequence)
    {
        if (warnings_.full()) {
            warnings_.countOne();
            return;
        }
        std::string what;
        if (trimmed(cellText).empty())
            what = "empty cell";
        else
            what = quoted(shownCell(cellText, latin1_)) +
                   (overflow ? " is too large a number" : " is not a number");
        warnings_.add(lineWord(line) + ", " + columnOf(col) + ": " + what + "; " + consequence);
    }

    TableRead& out_;
    const std::vector<Column>& cols_;
    const Plan& plan_;
    bool latin1_;
    bool decimalComma_;
    Warnings warnings_;
    std::vector<TableDataSet> sets_;
    std::vector<char> limitWarned_;  // a data set's limit was told
    std::vector<int> setOfRate_;     // wide: the data set of each rate column
    std::unordered_map<std::string, int> byName_;
    std::string key_;
    long long concNumbers_ = 0;
    long long rateNumbers_ = 0;
};

std::string fieldCount(int line, int fields)
{
    return lineWord(line) + " has " + std::to_string(fields) + (fields == 1 ? " field" : " fields");
}

// The columns of the first row: its header texts, or numbers alone.
std::vector<Column> makeColumns(Record& first, bool header, bool latin1, char sep, int& width)
{
    std::vector<Column> cols;
    if (header && sep == ' ') {
        std::vector<std::string> joined;
        joinUnitCells(first, joined);
        width = static_cast<int>(joined.size());
        for (const std::string& text : joined) cols.emplace_back().header = utf8Text(text, latin1);
    } else {
        cols.resize(static_cast<std::size_t>(width));
        for (std::size_t i = 0; header && i < cols.size(); ++i)
            cols[i].header = utf8Text(first.cells[i], latin1);
    }
    for (std::size_t i = 0; i < cols.size(); ++i) {
        splitUnit(cols[i]);
        cols[i].index = static_cast<int>(i);
    }
    return cols;
}

}  // namespace

std::string parseColumnList(std::string_view list, TableOptions& into)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        items.emplace_back(trimmed(list.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    const bool blankItem =
        std::any_of(items.begin(), items.end(), [](const std::string& s) { return s.empty(); });
    if (items.size() < 2 || items.size() > 3 || blankItem)
        return "the columns are the concentration, the rate and optionally the names, each by its "
               "header or "
               "number, separated by commas (\"S,v\" or \"1,2,3\"), not \"" +
               std::string(list) + "\"";
    into.concentration = items[0];
    into.rate = items[1];
    into.names = items.size() == 3 ? items[2] : std::string();
    return {};
}

namespace {

// What a first look over the whole table finds, before its records are read.
struct TableFacts {
    bool latin1 = false;        // the bytes are not valid UTF-8
    std::size_t lineEnds = 0;   // LF, or CR where the table has no LF
};

TableRead readRecords(TableSource& source, const TableFacts& facts, const TableOptions& options)
{
    TableRead out;
    if (source.text().empty()) source.more(0);
    if (source.text().substr(0, 3) == "\xEF\xBB\xBF") source.dropFront(3);
    TableLayout& layout = out.layout;
    layout.latin1 = facts.latin1;
    layout.separator = detectSeparator(source);
    const bool decimalComma = layout.separator != ',';

    RecordReader reader(source, layout.separator);
    Record rec;
    const auto nextFilled = [&] {
        while (reader.next(rec))
            if (!rec.blank()) return true;
        return false;
    };
    const auto unclosed = [&] {
        out.failure =
            "the quote opened on " + lineWord(reader.unclosedQuoteLine()) + " is never closed";
        return out;
    };

    if (!nextFilled()) {
        if (reader.unclosedQuoteLine() != 0) return unclosed();
        out.failure = "the table is empty";
        return out;
    }
    const int firstLine = rec.line;
    int width = rec.width();
    layout.header = isHeaderRow(rec, decimalComma);
    const std::vector<Column> cols =
        makeColumns(rec, layout.header, layout.latin1, layout.separator, width);
    if (width > kMaxTableColumns) {
        out.failure = fieldCount(firstLine, width) + "; a table has at most " +
                      std::to_string(kMaxTableColumns) + " columns";
        return out;
    }
    if (width < 2) {
        out.failure = fieldCount(firstLine, width) +
                      ": a table needs a column for the concentration and one for the rate";
        return out;
    }
    if (layout.header && !nextFilled()) {
        if (reader.unclosedQuoteLine() != 0) return unclosed();
        out.failure = "only a header row: no row of numbers follows " + lineWord(firstLine);
        return out;
    }

    Planner planner(cols, layout.header);
    const Plan plan = planner.plan(options);
    if (!planner.failure.empty()) {
        out.failure = planner.failure;
        return out;
    }
    layout.shape = plan.shape;
    layout.concentrationColumn = plan.conc + 1;
    layout.namesColumn = plan.names + 1;
    for (const int c : plan.rates) layout.rateColumns.push_back(c + 1);

    TableBuilder builder(out, cols, plan, layout.latin1, decimalComma, facts.lineEnds + 1);
    do {
        if (rec.blank()) continue;
        const int fields = rec.width();
        const int given = static_cast<int>(rec.cells.size());
        if (given < width || fields > width) {
            out.failure = fieldCount(rec.line, given < width ? given : fields) + "; " +
                          lineWord(firstLine) + " has " + std::to_string(width);
            return out;
        }
        if (!builder.addRow(rec)) return out;
    } while (reader.next(rec));
    if (reader.unclosedQuoteLine() != 0) return unclosed();
    builder.finish();
    return out;
}

std::string tooLong(std::size_t bytes)
{
    return "the table is " + std::to_string(bytes) + " bytes long; at most " +
           std::to_string(kMaxTableBytes) + " bytes are read";
}

}  // namespace

TableRead readTable(std::string_view bytes, const TableOptions& options)
{
    if (bytes.size() > kMaxTableBytes) {
        TableRead out;
        out.failure = tooLong(bytes.size());
        return out;
    }
    TableFacts facts;
    facts.latin1 = !validUtf8(bytes);
    const auto lf = std::count(bytes.begin(), bytes.end(), '\n');
    facts.lineEnds = static_cast<std::size_t>(lf != 0 ? lf : std::count(bytes.begin(), bytes.end(), '\r'));
    TableSource source(bytes);
    return readRecords(source, facts, options);
}

namespace {

// The facts of a file's bytes, taken a piece at a time; the file is left at its start. Its
// size is what it holds once read; the errno of a read that failed, 0 when none did.
int surveyFile(int fd, TableFacts& facts, std::size_t& size)
{
    std::string piece(kTablePieceBytes, '\0');
    std::size_t carried = 0;  // the start of a UTF-8 character cut off by the piece before
    std::size_t lf = 0;
    std::size_t cr = 0;
    size = 0;
    bool utf8 = true;
    for (;;) {
        const ssize_t got = ::read(fd, piece.data() + carried, piece.size() - carried);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) break;
        const std::string_view bytes(piece.data() + carried, static_cast<std::size_t>(got));
        size += bytes.size();
        lf += static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
        cr += static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\r'));
        if (size > kMaxTableBytes) break;  // refused: the rest is not wanted
        std::size_t whole = 0;
        const std::string_view held(piece.data(), carried + bytes.size());
        if (utf8 && !validUtf8Prefix(held, whole)) utf8 = false;
        carried = utf8 ? held.size() - whole : 0;
        if (carried > 0) std::memmove(piece.data(), piece.data() + whole, carried);
    }
    facts.latin1 = !utf8 || carried > 0;  // a character cut off by the end of the file
    facts.lineEnds = lf != 0 ? lf : cr;
    return ::lseek(fd, 0, SEEK_SET) == 0 ? 0 : errno;
}

}  // namespace

// A regular file is read twice, a piece at a time: once for the facts of its bytes, then
// record by record. A pipe is read whole into memory.
TableRead readTableFile(const std::string& path, const TableOptions& options)
{
    TableRead out;
    const auto refuse = [&](const std::string& why) {
        out.failure = "cannot read \"" + path + "\": " + why;
        return out;
    };
    const auto reason = [](int err) -> std::string {
        switch (err) {
            case ENOENT:
                return "there is no such file";
            case EACCES:
            case EPERM:
                return "permission denied";
            case EISDIR:
                return "it is a folder";
            default:
                return "system error " + std::to_string(err);
        }
    };
    const std::string tooLarge = "it is larger than " + std::to_string(kMaxTableBytes) + " bytes";
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return refuse(reason(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) ||
        !(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode))) {
        const bool folder = S_ISDIR(info.st_mode);
        ::close(fd);
        return refuse(folder ? "it is a folder" : "it is not a file");
    }
    if (S_ISREG(info.st_mode)) {
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{fd};
        if (static_cast<std::uintmax_t>(info.st_size) > kMaxTableBytes) return refuse(tooLarge);
        TableFacts facts;
        std::size_t size = 0;
        if (const int err = surveyFile(fd, facts, size)) return refuse(reason(err));
        if (size > kMaxTableBytes) return refuse(tooLarge);
        TableSource source(fd, size);
        TableRead read = readRecords(source, facts, options);
        if (source.error() != 0) return refuse(reason(source.error()));
        return read;
    }
    // at most one byte beyond the limit is read: enough to know the table is too large
    std::string bytes;
    std::size_t size = 0;
    bytes.resize(std::size_t{1} << 16);
    for (;;) {
        if (size == bytes.size()) {
            if (size > kMaxTableBytes) break;
            bytes.resize(std::min(2 * size, kMaxTableBytes + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int err = errno;
            ::close(fd);
            return refuse(reason(err));
        }
        if (got == 0) break;
        size += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (size > kMaxTableBytes) return refuse(tooLarge);
    bytes.resize(size);
    return readTable(bytes, options);
}

}  // namespace kinetra
