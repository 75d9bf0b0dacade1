#pragma once
// kinetra-fit --stats: the fit statistics of each calculated curve, in the JSON, after the
// curve's section of the report, in the CSV table and as the residual plot; --band and
// --fit-plot: the 95 % bands about each curve.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kinetics/CurveLoop.h"
#include "report/ReportOutput.h"
#include "stats/Bands.h"
#include "stats/CurveStatistics.h"

namespace kinetra::cli {

// The "statistics" object of a curve: source, determined, reason, points,
// degreesOfFreedom, estimates, standardErrors, ci95, profileCi95, ssr, syx, r2,
// hyperbolic, fTest, deltaAICc, residuals, verdict, replicates (concentrations,
// pureErrorSS, pureErrorDf, lackOfFitSS, lackOfFitDf, F, p, verdict), weighting; null where
// a figure does not exist.
nlohmann::ordered_json statisticsObject(const CurveStatistics& stats);

// The curve's statistics section of the report: with weights, the weighting below the
// section's first line; with replicates, the lack-of-fit test before its closing rule.
std::vector<std::string> statisticsSection(const CurveStatistics& stats, int curve, const std::string& rateUnit,
                                           const std::string& concUnit, ReportForm form);

// The CSV table's columns and rows (report/StatisticsLines.h), with statistics followed by
// the lack-of-fit test: replicateConcentrations, pureErrorSS, pureErrorDf, lackOfFitSS,
// lackOfFitDf, lackOfFitF, lackOfFitP (empty where there is none).
std::vector<std::string> csvColumns(bool withStatistics);
std::vector<std::string> csvCurveRow(const std::string& file, const CurveFit& results, const CurveStatistics* stats);

// Why a curve's rates cannot be weighted, naming the data set's point ("point 13 has a rate
// of 0 above the baseline of curve 2: ..."); none when they can.
std::optional<std::string> unweightablePoint(const DataSet& data, const CurveChoice& curve, int curveNumber,
                                             Weighting weighting);

// The bands of a curve over its lowest to highest concentration.
CurveBands bandsOverCurve(const CurveStatistics& stats, const std::vector<double>& concentration, int count);
// The band CSV: file, curve, S, fit, confidenceLow, confidenceHigh, predictionLow,
// predictionHigh; one row per band point.
std::vector<std::string> bandCsvHeader();
void appendBandRows(std::vector<std::vector<std::string>>& rows, const std::string& file, int curve,
                    const CurveBands& bands);

// The curves chosen beforehand (as ChosenCurves) whose statistics are worked out as each
// curve is presented, before its report section is written.
class StatisticsCurves : public ChosenCurves {
public:
    // Without `enabled` it is ChosenCurves and works nothing out.
    StatisticsCurves(const DataSet& data, std::vector<std::pair<int, int>> points, double baseline,
                     WarningCallback onWarning, bool enabled, Weighting weighting)
        : ChosenCurves(std::move(points), baseline, std::move(onWarning)), data_(data), enabled_(enabled),
          weighting_(weighting) {}
    void presentCurve(const CurveFit& fit) override;
    const std::vector<std::pair<int, CurveStatistics>>& statistics() const { return stats_; }
    // The statistics of the last curve presented whose section is not yet reported.
    std::optional<std::pair<int, CurveStatistics>> takePending();

private:
    const DataSet& data_;
    std::vector<std::pair<int, CurveStatistics>> stats_;
    std::optional<std::size_t> pending_;
    bool enabled_;
    Weighting weighting_;
};

// A report whose curve sections are each followed by the statistics section of that curve;
// both reach the report in one part.
class ReportWithStatistics : public ReportOutput {
public:
    ReportWithStatistics(ReportOutput& inner, StatisticsCurves& curves, const DataSet& data)
        : inner_(inner), curves_(curves), data_(data) {}
    ReportForm form() const override { return inner_.form(); }
    std::string fileName() const override { return inner_.fileName(); }
    void begin(const std::vector<std::string>& lines) override { inner_.begin(lines); }
    void append(const std::vector<std::string>& lines) override;
    void finish(bool completed) override { inner_.finish(completed); }

private:
    ReportOutput& inner_;
    StatisticsCurves& curves_;
    const DataSet& data_;
};

}  // namespace kinetra::cli
