#pragma once
// The data sets a command line names: each data file is one, and so is each data set of each
// table (--table, read with entry/TableReader.h and the columns --columns chooses); the data
// files come first, then the tables' data sets, each in the order given.
//
// A table's data set reaches the calculation as a data file of the same points would: each
// value kept with four significant digits (its "0.000E+00" text read back, as the point list
// keeps it), points whose concentration is 0 passed over, the rest sorted by the exchange
// sort. So a table and a data file of the same points give the same numbers.

#include <optional>
#include <string>
#include <vector>

#include "base/Outcome.h"
#include "entry/DataSetAnalysis.h"
#include "entry/TableReader.h"
#include "FitCommand.h"

namespace kinetra::cli {

struct DataSetSource {
    std::string file;      // the path as given
    bool inTable = false;
    std::string dataSet;   // the table's data set's name ("" for a table of one unnamed set)
    std::string label;     // how messages name it: the file, or "file#dataSet"
    std::string plotStem;  // what --fit-plot puts in the name: the file's stem, "stem-dataSet" in a table
    // A table's data set as read, or the failure of its table; none for a data file, which
    // is read in its turn.
    std::optional<Outcome<DataSet>> read;
    std::vector<std::string> tableWarnings;  // the table's warnings, with its first data set
    std::string concUnit, rateUnit;          // the units a table's header gives
};

// The data files (not read yet) and every table read. A table that cannot be read stands as
// one source that carries its failure.
std::vector<DataSetSource> dataSetSources(const FitOptions& options);

// The labels a data set is reported with: the units typed, or else the table header's.
ReportLabels sourceLabels(const FitOptions& options, const DataSetSource& source);

// A table's data set as the data set a data file of its points gives; a value that no
// longer fits a double once rounded is the overflow failure (6), as in a data file.
Outcome<DataSet> tableDataSet(const TableDataSet& set, const ReportLabels& labels);

}  // namespace kinetra::cli
