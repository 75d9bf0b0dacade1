#pragma once
// The hand-off of the point list into a data set: the copy of the rows in use, the exchange
// sort, the list rewritten sorted, and the saved point file.

#include <string>
#include <vector>

#include "entry/DataFileReader.h"
#include "kinetics/DataSet.h"

namespace kinetra {

// One row of the point list as text: the number (the row's item text) and the two values.
struct ListRow {
    std::string number;
    std::string concentration;
    std::string rate;
};

// The points the hand-off takes: `pointCount` points counted by the entry less the deleted
// rows, or every row less the deleted ones when the entry counted none.
int pointsToHandOn(int pointCount, int rowCount, int deletedCount);

struct ListedPoints {
    std::vector<double> concentration, rate;  // in list order
    std::vector<std::string> savedLines;      // lines of the saved point file, in list order
};

// The copy: visits rows in list order, passes over rows whose concentration reads 0 (deleted
// points) and takes each other row as the next point, until `wanted` points are taken or the
// rows run out. Texts are read with the decimal separator `sep`; one that is not a number
// reads as 0, one too large for a double is an overflow (RuntimeFailure 6). A 201st point is
// a subscript failure (RuntimeFailure 9). The saved point file's lines are made only when
// `withSavedLines` is set.
ListedPoints copyList(const std::vector<ListRow>& rows, int wanted, char sep, bool withSavedLines = true);

// The exchange sort of the points by ascending concentration (not stable), each rate moving
// with its concentration.
void OrdenaVetor(std::vector<double>& concentration, std::vector<double>& rate);

// A data file's records as a data set, as the hand-off of their list would give it: records
// whose concentration is 0 passed over, the rest sorted.
DataSet dataSetOfRecords(const std::vector<ReadRecord>& records);

// The list after the sort: the first rows show the data set's sorted points in "0.000E+00"
// (the number text is kept), later rows are emptied. Rows are never removed.
void rewriteList(const DataSet& data, std::vector<ListRow>& rows, char sep);

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
