#include "stats/Weighting.h"

#include <cmath>

#include "format/NumberForms.h"

namespace kinetra {

std::optional<Weighting> parseWeighting(std::string_view name)
{
    for (Weighting w : {Weighting::None, Weighting::Relative, Weighting::Poisson})
        if (name == weightingName(w)) return w;
    return std::nullopt;
}

const char* weightingName(Weighting weighting)
{
    switch (weighting) {
    case Weighting::Relative: return "relative";
    case Weighting::Poisson: return "poisson";
    case Weighting::None: break;
    }
    return "none";
}

std::optional<std::string> weightingProblem(const std::vector<double>& rate, Weighting weighting)
{
    if (weighting == Weighting::None) return std::nullopt;
    for (std::size_t i = 0; i < rate.size(); ++i) {
        if (rate[i] > 0.0) continue;
        const std::string what =
            std::isfinite(rate[i]) ? "a rate of " + formatGeneralNumber(rate[i]) : std::string("no rate");
        return "Point " + std::to_string(i + 1) + " has " + what + " above the baseline: " + (weighting == Weighting::Relative ? "relative" : "Poisson") +
               " weights need every rate above the baseline to be greater than 0";
    }
    return std::nullopt;
}

double inverseWeight(Weighting weighting, double y)
{
    switch (weighting) {
    case Weighting::Relative: return y * y;
    case Weighting::Poisson: return std::fabs(y);
    case Weighting::None: break;
    }
    return 1.0;
}

}  // namespace kinetra
