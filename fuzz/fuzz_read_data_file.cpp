// The data file reader on arbitrary bytes: it either lists at most 200 records whose texts
// read back as their values, or fails with a run-time failure; read from memory, the same
// bytes give the same records, warnings and failure as from a stream.
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "base/RuntimeFailure.h"
#include "entry/DataFileReader.h"
#include "format/NumberForms.h"
#include "kinetics/DataSet.h"

using namespace kinetra;

namespace {

struct Reading {
    std::vector<ReadRecord> records;
    std::vector<int> warned;
    int failure = 0;
};

template <typename Read>
Reading readWith(Read read)
{
    Reading r;
    try {
        r.records = read([&r](int point) { r.warned.push_back(point); });
    } catch (const RuntimeFailure& f) {
        r.failure = f.number();
    }
    return r;
}

void compareWithMemory(const std::string& text)
{
    std::istringstream in(text, std::ios::binary);
    const Reading stream = readWith([&](const ReadWarning& w) { return readDataFile(in, w); });
    const Reading memory = readWith([&](const ReadWarning& w) { return readDataText(text, w); });
    if (stream.failure != memory.failure) fuzz::fail("memory and stream readings fail differently");
    if (stream.warned != memory.warned) fuzz::fail("memory and stream readings warn differently");
    if (stream.records.size() != memory.records.size()) fuzz::fail("memory and stream list different counts");
    for (std::size_t i = 0; i < stream.records.size(); ++i) {
        const ReadRecord& a = stream.records[i];
        const ReadRecord& b = memory.records[i];
        if (a.concentrationText != b.concentrationText || a.rateText != b.rateText ||
            a.concentration != b.concentration || a.rate != b.rate)
            fuzz::fail("memory and stream list different records", a.concentrationText);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    compareWithMemory(text);
    std::istringstream in(text, std::ios::binary);
    int warnings = 0;
    int lastWarned = 0;
    try {
        const auto records = readDataFile(in, [&](int point) {
            if (point <= lastWarned) fuzz::fail("warnings out of order");
            lastWarned = point;
            ++warnings;
        });
        if (records.size() > static_cast<std::size_t>(kMaxPoints)) fuzz::fail("more than 200 records");
        if (static_cast<std::size_t>(warnings) > records.size()) fuzz::fail("more warnings than records");
        for (const ReadRecord& r : records) {
            for (const auto& [listed, value] : {std::pair{r.concentrationText, r.concentration},
                                                std::pair{r.rateText, r.rate}}) {
                if (!std::isfinite(value)) fuzz::fail("value not finite", listed);
                if (fuzz::showsNonNumber(listed)) fuzz::fail("nan or inf listed", listed);
                const auto back = parseDecimal(listed);
                if (!back || *back != value) fuzz::fail("listed text does not read back as its value", listed);
            }
        }
    } catch (const RuntimeFailure&) {
        // 62 cut-off record, 6 overflow: the reader's own failures
    }
    return 0;
}
