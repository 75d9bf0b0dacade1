#pragma once
// kinetra-fit --compare: the data files are the data sets of one experiment. Each gives its
// points (all of them, or those --curve names), rates above --baseline; they are fitted
// alone and together with V, n, K and all three shared (stats/Comparison.h), by weighted
// least squares when --weight asks for it. No described fit is run: the sets' own fits start
// from automatic start values.
//
// Output: with --json one line {"comparison": {...}}, otherwise a readable report; --csv one
// row per test; --compare-plot every set's points and curve as SVG. Exit status: 0 every
// test computed; 1 a set left out or not fitted, a test not computed, more data sets than a
// comparison takes, or an output not written; 2 a data file that cannot be read or whose
// points do not hold the curve asked for (then nothing is compared).

#include <ostream>

#include "FitCommand.h"

namespace kinetra::cli {

int runComparison(const FitOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kinetra::cli
