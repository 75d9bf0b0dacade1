// kinetra-fit's command line on arbitrary arguments (the bytes split at NUL): parsing gives
// options or an exit with its text, never an exception; accepted curve points lie inside
// the data set, at least two points each, the second curve after the first.
#include <string>
#include <vector>

#include "FitCommand.h"
#include "FuzzInput.h"

using namespace kinetra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const int pointCount = in.below(202);
    std::vector<std::string> args(1);
    for (const char ch : in.rest()) {
        if (ch == '\0') args.emplace_back();
        else args.back() += ch;
    }

    const cli::ParseOutcome outcome = cli::parse(args);
    if (!outcome.options) {
        if (outcome.exitCode == cli::kExitFitted && outcome.out.empty()) fuzz::fail("no options and nothing said");
        if (outcome.exitCode == cli::kExitUsage && outcome.err.empty()) fuzz::fail("usage error without a message");
        return 0;
    }
    const cli::FitOptions& options = *outcome.options;
    if (options.rangeLow && options.rangeHigh && fuzz::showsNonNumber(std::to_string(*options.rangeLow)))
        fuzz::fail("range not finite");

    std::vector<std::pair<int, int>> points;
    const auto message = cli::checkCurvePoints(options, pointCount, &points);
    if (message) {
        if (*message != "Wrong First Point" && *message != "Wrong Last Point") fuzz::fail("unknown message", *message);
        return 0;
    }
    int lowest = 1;
    for (const auto& [first, last] : points) {
        if (first < lowest || last > pointCount || first + 1 > last) fuzz::fail("curve points accepted wrongly");
        lowest = last + 1;
    }
    if (points.size() > 2) fuzz::fail("more than two curves accepted");
    return 0;
}
