#pragma once
// The plots of an experiment, drawn as display lists in the frame of the graphs (twips, x to
// the right and y downwards from the top-left corner, texts by their top-left corner), so
// that they show, print and export as the graphs do. Both plot the rate above the baseline
// against the decimal logarithm of concentration, on whole decades that hold every point.
// Neither fails: values that are not finite, and concentrations not above 0, are left out.

#include <optional>
#include <string>
#include <vector>

#include "graphs/DisplayList.h"
#include "stats/Bands.h"
#include "stats/CurveStatistics.h"

namespace kinetra {

// One curve: its points as red circles, the fitted curve as a blue line, the 95 % confidence
// band shaded in light blue and the 95 % prediction band as dashed lines. The curve and the
// bands are drawn where `band` has points (an empty band leaves the points alone).
DisplayList buildFitPlot(const std::vector<double>& concentration, const std::vector<double>& rate,
                         const std::vector<BandPoint>& band, const std::string& rateUnit,
                         const std::string& concUnit, char sep = '.');

// One data set of a comparison: its name for the legend, its points, its own fitted curve.
struct OverlaySet {
    std::string name;
    std::vector<double> concentration, rate;
    std::optional<HillEstimates> fit;  // none: the points alone
};

// Every set's points and fitted curve on one axis, one colour per set (the colours repeat
// after ten), and a legend of the names in the frame's top-left corner.
DisplayList buildComparisonPlot(const std::vector<OverlaySet>& sets, const std::string& rateUnit,
                                const std::string& concUnit, char sep = '.');

// The colour of the i-th set (from 0) in the comparison plot.
Rgb overlayColour(std::size_t i);

}  // namespace kinetra
