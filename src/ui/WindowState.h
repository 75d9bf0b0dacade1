#pragma once
// What the windows remember between steps, in one object the hub owns and hands to each
// window it creates: the data entry's counts, where the report goes, the points window's
// answers, the data set handed on with the curves fitted from it, graph 2's choices and the
// help folder. The core never sees it: the windows pass it the values it computes from.

#include <cstdint>
#include <string>
#include <vector>

#include "entry/DataEntry.h"
#include "kinetics/DataSet.h"

namespace kinetra {

struct WindowState : EntryCounts {
    // Where the report goes: "F" a file, "P" the printer, "N" none; empty until chosen.
    std::string outputDestination;
    std::string outputFileName;

    // The data set handed on and the curves of the last calculation, as shown and reported.
    DataSet dataSet;
    std::vector<CurveFit> curves;
    // Further data sets read from a table with the one handed on, which a comparison of
    // data sets offers after the calculation's own.
    std::vector<DataSet> otherDataSets;

    // The points window: the curve asked for, its first and last point and the baseline.
    std::int16_t curveNumber = 0;
    std::int16_t firstPoint = 0;
    std::int16_t lastPoint = 0;
    double baseline = 0.0;

    // Graph 2: the rates with their baseline, and the range chosen (0 until one is).
    bool considerBaseline = false;
    double rangeLowConc = 0.0;
    double rangeHighConc = 0.0;

    // The folder the help file is looked for in.
    std::string helpPath;
};

// The reset that starts every calculation: everything but the help folder and the counts of
// an entry of points, and the next data entry starts with an empty list.
void resetForCalculation(WindowState& st);

}  // namespace kinetra
