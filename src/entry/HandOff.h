#pragma once
// The hand-off of the point list to the shared arrays, the exchange sort and the
// saved point file.

#include <string>
#include <vector>

#include "state/SharedState.h"

namespace kinetra {

// One row of the point list as text: the number (the row's item text) and the two values.
struct ListRow {
    std::string number;
    std::string concentration;
    std::string rate;
};

struct HandOffCopy {
    int activeCount = 0;                   // points handed on (after any shortfall is settled)
    std::vector<std::string> savedLines;   // lines of the saved point file, in list order
};

// The copy: visits rows in list order, passes over rows whose concentration reads 0 and
// takes each other row as the next point, until activeCount points are taken
// (activeCount = pointCount - deletedCount, or rows - deletedCount when pointCount is 0).
// Texts are read with the decimal separator `sep`. Sets concentration[k], rate[k].
// When the rows run out before activeCount points, activeCount becomes the number of
// points actually taken, so the list and the arrays agree. pointCount is set to
// activeCount + deletedCount, so that the sort's pointCount - deletedCount leaves exactly
// the points taken (also when pointCount was 0). A list text that is not a number reads
// as 0 (a concentration like that is passed over); one too large for a double is an
// overflow (RuntimeFailure 6). A 201st point is a subscript failure (RuntimeFailure 9).
// The saved point file's lines are made only when `withSavedLines` is set.
HandOffCopy copyListToState(SharedState& st, const std::vector<ListRow>& rows, int deletedCount,
                            char sep, bool withSavedLines = true);

// The exchange sort of points 1..n by ascending concentration (not stable), each rate
// moving with its concentration; the inner counter is kept in kPrime and the outer one in
// loopIndex. Then pointCount = pointCount - deletedCount.
void OrdenaVetor(SharedState& st, int n, int deletedCount);

// The list after the sort: rows 1..activeCount show the sorted points in "0.000E+00"
// (the number text is kept), later rows are emptied. Rows are never removed.
void rewriteList(const SharedState& st, std::vector<ListRow>& rows, int activeCount, char sep);

// One line of a saved point file: "12.35,45.6", plain decimal notation with the point
// (exponent notation for very large or very small magnitudes), no blanks; a data file
// reads it back.
std::string savedPointLine(double concentration, double rate);

// Writes the whole file to a temporary file beside `path` and renames it over `path`, so an
// existing file is never left half-written. Lines end with CR LF. Throws RuntimeFailure:
// 70 access refused, 61 disk full, 75 any other failure (also a target that is not a
// regular file); the temporary file is removed and the target left as it was.
void writeFileAtomically(const std::string& path, const std::vector<std::string>& lines);

}  // namespace kinetra
