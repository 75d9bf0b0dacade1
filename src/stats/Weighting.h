#pragma once
// How much each point counts in least squares. With weights w_i the fit minimises
// sum w_i (y_i - f_i)^2, s^2 = sum w_i (y_i - f_i)^2 / df and the covariance is
// s^2 (J^T W J)^-1; y is the measured rate above the baseline.
//   none      w = 1      the scatter is the same at every rate
//   relative  w = 1/y^2  the scatter grows in proportion to the rate
//   poisson   w = 1/y    the variance grows in proportion to the rate (counted events)
// A weighted fit needs every rate above the baseline to be greater than 0.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kinetra {

enum class Weighting { None, Relative, Poisson };

// "none", "relative", "poisson" (as typed on the command line), or none.
std::optional<Weighting> parseWeighting(std::string_view name);
const char* weightingName(Weighting weighting);

// Why the rates cannot be weighted, naming the first point (numbered from 1 in the given
// order) whose rate is not above 0; none when they can (always with Weighting::None).
std::optional<std::string> weightingProblem(const std::vector<double>& rate, Weighting weighting);

// 1/w at a rate y: the variance of a measurement there relative to s^2 (1, y^2 or |y|).
double inverseWeight(Weighting weighting, double y);

}  // namespace kinetra
