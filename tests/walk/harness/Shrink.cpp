// Shrinking a failing walk: chunks of steps are dropped, halving the chunks when none can go,
// down to single steps, while the failure still shows.
#include <algorithm>
#include <cstddef>

#include "walk/harness/Walk.h"

namespace kinetra::walk {

std::vector<Step> shrinkSteps(std::vector<Step> steps, const std::function<bool(const std::vector<Step>&)>& fails)
{
    std::size_t parts = 2;
    while (steps.size() >= 2) {
        const std::size_t chunk = (steps.size() + parts - 1) / parts;
        bool reduced = false;
        for (std::size_t start = 0; start < steps.size(); start += chunk) {
            std::vector<Step> candidate(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(start));
            candidate.insert(candidate.end(), steps.begin() + static_cast<std::ptrdiff_t>(std::min(steps.size(), start + chunk)),
                             steps.end());
            if (fails(candidate)) {
                steps = std::move(candidate);
                parts = std::max<std::size_t>(parts - 1, 2);
                reduced = true;
                break;
            }
        }
        if (!reduced) {
            if (parts >= steps.size()) break;
            parts = std::min(steps.size(), parts * 2);
        }
    }
    return steps;
}

}  // namespace kinetra::walk
