#pragma once
// Reading data sets from a table a spreadsheet or a plate reader exported.
//
// The text: UTF-8 (a byte order mark is passed over) or, when it is not valid UTF-8,
// Latin-1 (names and headers come out in UTF-8). Lines end in CR LF, LF or a lone CR.
// Fields are separated by commas, semicolons, tabs or runs of blanks: the separator that
// splits the most of the first lines into two fields or more, and among equals the one
// that gives the most numbers. Fields may be quoted ("a;b", "say ""x"""): separators and
// line ends inside quotes belong to the field. Blank lines and empty fields after the last
// column are passed over. Numbers are read without the C locale: a sign, digits with the
// decimal point (or the decimal comma where the separator is not a comma, "1,5e-3"), an
// exponent, blanks around; a number too small for a double reads as 0.
//
// The first row is a header when one of its cells is text (an empty cell or a cell that
// marks a missing value, such as OVER, Invalid or NaN, does not count). A header decides
// the columns: the concentration is the column headed S, [S], conc or concentration, the
// rate the column headed v, rate, velocity or activity, the names the column headed set,
// condition, sample or group (case does not matter; a unit in brackets or parentheses
// after the name, "S (mM)" or "v [U/mg]", becomes the data set's unit label). Without a
// header the first column is the concentration; under a header that names none, the first
// column that is neither the names nor headed as a rate. TableOptions can choose instead.
//
// Two shapes:
// - Long: one rate column, when there is a names column, when the header names a single
//   rate column, or when one column is left besides the concentration; other columns are
//   passed over. With names, each row belongs to the data set its name cell names, and
//   data sets come in the order their names first appear; without, the table is one data
//   set with an empty name.
// - Wide: otherwise, the concentration and every other column as a rate column. Columns
//   with the same header are replicates of one data set named by that header; a column
//   without a header (every column, in a table without a header row) is a data set of its
//   own, named "column N". A data set's points come in row order, and within a row in
//   column order: each replicate cell is a point at that row's concentration.
//
// A cell that is empty, OVER, Invalid, NaN, infinite or no number is a missing value: the
// point is left out with a warning that names the line and the column (in a wide table,
// only that replicate; a missing concentration leaves out the whole row), never read as
// 0. A point whose concentration or rate is not greater than 0 is kept, as a data file
// keeps it, with the data file's warning (kReadWarningText). A data set keeps its first
// kMaxPoints points and warns once when a further point is left out. A data set left
// without points is dropped with a warning.
//
// A row with fewer fields than the first row, or with a value beyond its columns, is a
// failure; so is an empty table, a table of a header alone, a quote never closed, or a
// table with no numbers for the concentration or the rate. Warnings are kept in the order
// they arise, at most kMaxTableWarnings of them besides the point limit's (one a data
// set), and then one that counts the rest.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kinetra {

inline constexpr std::size_t kMaxTableBytes = std::size_t{100} << 20;  // 100 MiB
inline constexpr int kMaxTableColumns = 10000;
inline constexpr int kMaxTableDataSets = 10000;
inline constexpr int kMaxTableWarnings = 100;
// A table file is read this many bytes at a time (a record longer than that in as many bytes
// as it takes): what the reading holds does not grow with the file.
inline constexpr std::size_t kTablePieceBytes = std::size_t{1} << 20;

// The text the keyboard entry shows for a point beyond a data set's limit.
inline constexpr const char* kPointLimitText =
    "A data set holds at most 200 points: no further point can be entered.";

// Columns chosen by the user; an empty choice is decided from the table. Each is a
// 1-based column number (digits only) or a header's text, whole ("S (mM)") or without
// its unit ("S"), case not mattering. Once the rate column is chosen, the table is long
// and its names are those of the names column chosen, if any.
struct TableOptions {
    std::string concentration;
    std::string rate;
    std::string names;
};

// "S,v" or "S,v,set" (as the command line takes it) into the options; an empty text on
// success, otherwise what is wrong with the list.
std::string parseColumnList(std::string_view list, TableOptions& into);

struct TableDataSet {
    std::string name;      // the name cell, the column header, or empty for the one data set
    std::string concUnit;  // from the header, "" when it gives none
    std::string rateUnit;
    std::vector<double> concentration;  // the numbers as read
    std::vector<double> rate;
    std::vector<int> lines;  // the 1-based line of the file each point stands on
};

enum class TableShape { Long, Wide };

// How the table was read, for the user's information.
struct TableLayout {
    TableShape shape = TableShape::Long;
    char separator = ',';  // ',' ';' '\t' or ' ' (runs of blanks)
    bool header = false;
    bool latin1 = false;          // the bytes were read as Latin-1
    int concentrationColumn = 0;  // 1-based
    int namesColumn = 0;          // 0: none
    std::vector<int> rateColumns;
};

struct TableRead {
    std::vector<TableDataSet> dataSets;
    std::vector<std::string> warnings;
    std::string failure;  // empty when the table was read
    TableLayout layout;

    bool ok() const { return failure.empty(); }
};

TableRead readTable(std::string_view bytes, const TableOptions& options = {});
// The same, from a file, with the same data sets, warnings and failures; a file that cannot
// be opened or read, or one larger than kMaxTableBytes, is a failure whose text names the
// file (a file too large is refused before it is read).
TableRead readTableFile(const std::string& path, const TableOptions& options = {});

}  // namespace kinetra
