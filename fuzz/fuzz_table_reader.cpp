// The table reader on arbitrary bytes, with the columns left to the table or chosen by
// number or by a header text: either it refuses with a message, or it gives at least one
// data set, each with 1 to 200 finite points on lines in order and a unique UTF-8 name.
#include <cmath>
#include <set>
#include <string>

#include "FuzzInput.h"
#include "entry/TableReader.h"

using namespace kinetra;

namespace {

bool isUtf8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t more = c < 0x80             ? 0
                                 : (c & 0xE0) == 0xC0 ? 1
                                 : (c & 0xF0) == 0xE0 ? 2
                                 : (c & 0xF8) == 0xF0 ? 3
                                                      : 9;
        if (more == 9 || i + more >= s.size()) return false;
        for (std::size_t k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += more + 1;
    }
    return true;
}

// No choice, a column number, or a header a table is likely to have.
std::string choice(fuzz::Input& in)
{
    switch (in.below(4)) {
        case 0:
            return {};
        case 1:
            return std::to_string(in.below(5));
        case 2:
            return "S";
        default:
            return "v";
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    TableOptions options;
    if (in.flag()) {
        options.concentration = choice(in);
        options.rate = choice(in);
        options.names = choice(in);
    }
    const TableRead r = readTable(in.rest(), options);

    for (const std::string& w : r.warnings)
        if (w.empty() || !isUtf8(w)) fuzz::fail("warning empty or not UTF-8", w);
    if (!r.ok()) {
        if (!r.dataSets.empty()) fuzz::fail("refused, yet data sets given", r.failure);
        if (!isUtf8(r.failure)) fuzz::fail("failure not UTF-8", r.failure);
        return 0;
    }
    if (r.dataSets.empty()) fuzz::fail("read without a data set and without a message");
    // the limit's, the point limit's of each data set, the count of the rest
    if (r.warnings.size() > static_cast<std::size_t>(kMaxTableWarnings) + r.dataSets.size() + 1)
        fuzz::fail("too many warnings");
    std::set<std::string> names;
    for (const TableDataSet& d : r.dataSets) {
        if (!names.insert(d.name).second) fuzz::fail("two data sets of one name", d.name);
        if (!isUtf8(d.name) || !isUtf8(d.concUnit) || !isUtf8(d.rateUnit))
            fuzz::fail("name or unit not UTF-8", d.name);
        const std::size_t n = d.concentration.size();
        if (n == 0 || n > 200) fuzz::fail("data set of 0 or more than 200 points", d.name);
        if (d.rate.size() != n || d.lines.size() != n)
            fuzz::fail("points of unequal lengths", d.name);
        for (std::size_t i = 0; i < n; ++i) {
            if (!std::isfinite(d.concentration[i]) || !std::isfinite(d.rate[i]))
                fuzz::fail("value not finite", d.name);
            if (d.lines[i] < 1 || (i > 0 && d.lines[i] < d.lines[i - 1]))
                fuzz::fail("lines out of order", d.name);
        }
    }
    const TableLayout& l = r.layout;
    if (l.rateColumns.empty() || l.concentrationColumn < 1 ||
        l.concentrationColumn > kMaxTableColumns)
        fuzz::fail("layout without its columns");
    return 0;
}
