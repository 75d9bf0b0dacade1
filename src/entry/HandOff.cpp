#include "entry/HandOff.h"

#include <algorithm>

#include "format/NumberForms.h"
#include "base/FileReplacement.h"
#include "base/RuntimeFailure.h"

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

}  // namespace

int pointsToHandOn(int pointCount, int rowCount, int deletedCount)
{
    return pointCount != 0 ? pointCount - deletedCount : rowCount - deletedCount;
}

ListedPoints copyList(const std::vector<ListRow>& rows, int wanted, char sep, bool withSavedLines)
{
    ListedPoints out;
    for (std::size_t r = 0; r < rows.size() && static_cast<int>(out.concentration.size()) < wanted; ++r) {
        const double conc = listValue(rows[r].concentration, sep);
        if (conc == 0.0) continue;  // a deleted point
        const double rate = listValue(rows[r].rate, sep);
        if (out.concentration.size() == static_cast<std::size_t>(kMaxPoints))
            throw RuntimeFailure(failure::SubscriptOutOfRange);  // the data set holds 200
        out.concentration.push_back(conc);
        out.rate.push_back(rate);
        if (withSavedLines) out.savedLines.push_back(savedPointLine(conc, rate));
    }
    return out;
}

void OrdenaVetor(std::vector<double>& conc, std::vector<double>& rate)
{
    const std::size_t n = std::min(conc.size(), rate.size());
    // Points already in ascending order are never exchanged: one look along them is enough.
    bool ascending = true;
    for (std::size_t i = 1; i < n && ascending; ++i) ascending = !(conc[i - 1] > conc[i]);
    for (std::size_t i = 0; i < n && !ascending; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (conc[i] > conc[j]) {
                std::swap(conc[i], conc[j]);
                std::swap(rate[i], rate[j]);
            }
        }
    }
}

DataSet dataSetOfRecords(const std::vector<ReadRecord>& records)
{
    DataSet data;
    data.concentration.reserve(records.size());
    data.rate.reserve(records.size());
    for (const ReadRecord& r : records) {
        if (r.concentration == 0.0) continue;  // passed over as the hand-off passes over it
        data.concentration.push_back(r.concentration);
        data.rate.push_back(r.rate);
    }
    OrdenaVetor(data.concentration, data.rate);
    return data;
}

void rewriteList(const DataSet& data, std::vector<ListRow>& rows, char sep)
{
    const std::size_t shown = static_cast<std::size_t>(data.pointCount());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ListRow& row = rows[r];
        if (r < shown) {
            row.concentration = formatE3(data.concentration[r], sep);
            row.rate = formatE3(data.rate[r], sep);
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
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    replaceFile(path, bytes, FileReplacement::OtherTargets::Refuse, FileAccess::Write);
}

}  // namespace kinetra
