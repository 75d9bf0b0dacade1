#pragma once
// The pictures of the two graph windows, built as display lists.
//
// Graph 1: rate against the decimal logarithm of concentration, red dots, frame
// 1000..10000 x 300..6500 twips. Graph 2: v/V against concentration on a logarithmic axis,
// the fitted rate law as a 9000-step blue curve and the points as red circles.

#include <functional>
#include <string>
#include <vector>

#include "base/RuntimeFailure.h"
#include "graphs/DisplayList.h"
#include "kinetics/DataSet.h"

namespace kinetra {

// A message box the drawing shows before it goes on (text, title).
using GraphMessage = std::function<void(const std::string& text, const std::string& title)>;

inline constexpr const char* kZeroSpanMessage = "Maximun distances (X ou Y) is 0";

// Graph 1. With a zero span it calls onMessage(kZeroSpanMessage, "Wrong Data") and then
// fails. Throws RuntimeFailure on any failure of the drawing (a concentration not above 0,
// a zero span).
DisplayList buildGraph1(const DataSet& data, const GraphMessage& onMessage = {});

// State of the graph 2 window between drawings.
struct Graph2State {
    bool firstDrawing = true;        // the first way of drawing (range from the data)
    double fontPointSize = 8.25;     // 12 pt from the Y axis label of the first drawing on
};

// Graph 2 of the curves fitted (the first, and the second when there is one), with the
// measured rates (considerBaseline) or the rates above the first curve's baseline. First way
// (g.firstDrawing): the range is the data's, widened by two decades. Second way: the list
// starts with Clear and the range is lowConc..highConc rounded down to powers of ten. Throws
// RuntimeFailure on any failure of the drawing.
DisplayList buildGraph2(const DataSet& data, const std::vector<CurveFit>& curves, bool considerBaseline,
                        Graph2State& g, double lowConc = 0.0, double highConc = 0.0);

// The graph as an SVG 1.1 document in twips (viewBox 0 0 11800 8000).
std::string writeSvg(const DisplayList& list);

}  // namespace kinetra
