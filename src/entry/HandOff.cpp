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
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    replaceFile(path, bytes, FileReplacement::OtherTargets::Refuse, FileAccess::Write);
}

}  // namespace kinetra
