#pragma once
// The fit statistics of the calculated curves as texts: the report section "STATISTICS OF
// CURVE # n", the rows of a CSV table and the tab-separated table of the statistics window.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kinetics/DataSet.h"
#include "report/ReportLines.h"
#include "stats/CurveStatistics.h"

namespace kinetra {

// The curve's statistics section for the report: rule, title, the figures, rule, four blank
// lines, each number in the report number form with `sep`.
std::vector<std::string> statisticsReportLines(const CurveStatistics& stats, int curve, const std::string& rateUnit,
                                               const std::string& concUnit, ReportForm form, char sep = '.');

// One field of a CSV file (RFC 4180): quoted, with doubled quotes, when it holds a comma, a
// quote or a line end.
std::string csvField(const std::string& text);
// A number as CSV writes it: the shortest text that reads back to the same double, with a
// point whatever the locale; none gives an empty field.
std::string csvNumber(std::optional<double> value);

// The columns of the CSV table: without statistics file, curve, firstPoint, lastPoint,
// baseline, V, n, K, VK, r, totalActivity; with them, then the SE, the 95 % limits and the
// profile limits of each parameter, Syx, R2, F, p, deltaAICc and determined.
std::vector<std::string> csvHeader(bool withStatistics);
std::vector<std::string> csvRow(const std::string& file, const CurveFit& results, const CurveStatistics* stats);
// Rows joined by commas, each line ended by CR LF.
std::string csvText(const std::vector<std::vector<std::string>>& rows);

// The statistics of the curves as a table for the clipboard: a header row, then per curve
// one row per parameter (estimate, SE, 95 % limits, profile limits) and the rows of Syx,
// R2 and the n = 1 test; cells separated by tabs, "not determined" where a figure does not
// exist; numbers in the general number form with `sep`.
std::string statisticsTable(const std::vector<std::pair<int, CurveStatistics>>& curves, char sep);

// A figure in the general number form with `sep`, or "not determined".
std::string figureText(std::optional<double> value, char sep);

inline constexpr const char* kNotDetermined = "not determined";

}  // namespace kinetra
