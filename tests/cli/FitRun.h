#pragma once
// kinetra-fit run in-process, as its main runs it, with the report's date and hour pinned.
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "FitCommand.h"

namespace kinetra::cli {

struct CommandRun {
    int exitCode = 0;
    std::string out, err;

    // Standard output as JSON Lines.
    std::vector<nlohmann::json> lines() const
    {
        std::vector<nlohmann::json> objects;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) objects.push_back(nlohmann::json::parse(line));
        return objects;
    }
};

inline const ReportClock kPinnedClock{"27/09/2005", "14:05:09"};

// `args` without the program's name; `env`'s clock is replaced by the pinned one.
inline CommandRun fit(std::vector<std::string> args, CommandEnvironment env = {})
{
    std::vector<char*> argv;
    std::string program = "kinetra-fit";
    argv.push_back(program.data());
    for (std::string& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    env.clock = [] { return kPinnedClock; };
    CommandRun r;
    r.exitCode = runFitCommand(static_cast<int>(argv.size()), argv.data(), out, err, env);
    r.out = out.str();
    r.err = err.str();
    return r;
}

}  // namespace kinetra::cli
