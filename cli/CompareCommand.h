#pragma once
// kinetra-fit --compare: the data files and the tables' data sets are the data sets of one
// experiment. Each gives its points (all of them, or those --curve names), rates above --baseline; they are fitted
// alone and together with V, n, K and all three shared (stats/Comparison.h), by weighted
// least squares when --weight asks for it. No described fit is run: the sets' own fits start
// from automatic start values.
//
// Output: with --json one line {"comparison": {...}, "settings", "program"}, otherwise a readable report; --csv one
// row per test; --compare-plot every set's points and curve as SVG. Exit status: 0 every
// test computed; 1 a set left out or not fitted, a test not computed, more data sets than a
// comparison takes, or an output not written; 2 a data file or table that cannot be read or
// a data set whose points do not hold the curve asked for (then nothing is compared).

#include <ostream>

#include <vector>

#include "DataSetSources.h"
#include "FitCommand.h"

namespace kinetra::cli {

int runComparison(const FitOptions& options, const std::vector<DataSetSource>& sources, std::ostream& out,
                  std::ostream& err);

}  // namespace kinetra::cli
