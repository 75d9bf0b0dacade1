// The data file reader on arbitrary bytes: it either lists at most 200 records whose texts
// read back as their values, or fails with a run-time failure.
#include <cmath>
#include <sstream>

#include "FuzzInput.h"
#include "entry/DataFileReader.h"
#include "format/NumberForms.h"
#include "state/SharedState.h"

using namespace kinetra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
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
            for (const auto& [text, value] : {std::pair{r.concentrationText, r.concentration},
                                              std::pair{r.rateText, r.rate}}) {
                if (!std::isfinite(value)) fuzz::fail("value not finite", text);
                if (fuzz::showsNonNumber(text)) fuzz::fail("nan or inf listed", text);
                const auto back = parseDecimal(text);
                if (!back || *back != value) fuzz::fail("listed text does not read back as its value", text);
            }
        }
    } catch (const RuntimeFailure&) {
        // 62 cut-off record, 6 overflow: the reader's own failures
    }
    return 0;
}
