#pragma once
// The residual plot of the fit statistics: each curve's residuals (rate minus fitted rate)
// against the decimal logarithm of concentration, with a line at 0. Twips, x to the right
// and y downwards from the top-left corner, texts by their top-left corner, in the frame of
// graph 1 (1000..10000 x 300..6500) so that it prints and exports as the graphs do.

#include <string>
#include <vector>

#include "graphs/DisplayList.h"

namespace kinetra {

struct ResidualSeries {
    int curve = 1;
    std::vector<double> concentration;  // > 0
    std::vector<double> residual;       // same length
};

// Never fails: an empty series list gives the frame and the zero line alone, values that
// are not finite are left out.
DisplayList buildResidualPlot(const std::vector<ResidualSeries>& series, const std::string& rateUnit,
                              const std::string& concUnit, char sep = '.');

}  // namespace kinetra
