// kinetra-fit -j: data sets fitted side by side give the bytes of one after another, each
// file's messages together, the highest exit status; the progress line shows only on a
// terminal and leaves the messages as they were.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "FitCommand.h"
#include "FitRun.h"
#include "OrderedBatch.h"

namespace kinetra::cli {
namespace {

std::string data(const std::string& name) { return std::string(KINETRA_TEST_DATA_DIR) + "/" + name; }


// Good files, files with read warnings, a read failure (status 2), a fit that ends with one
// of the program's messages (status 1), a curve the points window refuses: several times
// over, so that the jobs overtake one another.
std::vector<std::string> mixedBatch()
{
    const std::vector<std::string> kinds = {"worked_case_13_points.txt", "record_cut_off.txt",
                                            "zero_rates.txt",            "text_concentration.txt",
                                            "hill_n2_10_points.txt",     "two_points_crlf.txt",
                                            "two_phases_16_points.txt",  "no_such_file.txt",
                                            "warnings_in_order.txt"};
    std::vector<std::string> files;
    for (int round = 0; round < 4; ++round)
        for (const std::string& k : kinds) files.push_back(data(k));
    return files;
}

TEST(ParallelBatch, JobsGiveTheBytesOfOneFileAfterAnother)
{
    const std::vector<std::vector<std::string>> modes = {
        {"--json"},
        {"--json", "--baseline", "1"},
        {"--rate-unit", "U/mg", "--conc-unit", "mM"},  // reports on standard output
        {"--curve", "1-3", "--json"},
    };
    for (const auto& mode : modes) {
        std::vector<std::string> args = mixedBatch();
        args.insert(args.end(), mode.begin(), mode.end());
        auto with = [&](const char* jobs) {
            std::vector<std::string> a = args;
            a.insert(a.end(), {"-j", jobs});
            return fit(a);
        };
        const CommandRun one = with("1");
        EXPECT_EQ(one.exitCode, kExitUsage) << mode[0];  // the read failure is the highest
        EXPECT_FALSE(one.out.empty());
        EXPECT_FALSE(one.err.empty());
        for (const char* jobs : {"2", "3", "8"}) {
            const CommandRun many = with(jobs);
            EXPECT_EQ(many.exitCode, one.exitCode) << "-j " << jobs << " " << mode[0];
            EXPECT_EQ(many.out, one.out) << "-j " << jobs << " " << mode[0];
            EXPECT_EQ(many.err, one.err) << "-j " << jobs << " " << mode[0];
        }
        // the messages of one file stay together: once another file's message came, the
        // file is not named again until its next appearance in the batch (a new round)
        std::istringstream lines(with("2").err);
        std::vector<std::string> order;
        for (std::string line; std::getline(lines, line);) {
            // a failure's text goes on over lines of its own, without the prefix
            if (line.rfind(KINETRA_TEST_DATA_DIR, 0) != 0) continue;
            const std::string file = line.substr(0, line.find(": "));
            if (order.empty() || order.back() != file) order.push_back(file);
        }
        std::set<std::string> distinct(order.begin(), order.end());
        EXPECT_LE(order.size(), distinct.size() * 4) << mode[0];
    }
}

TEST(ParallelBatch, JobsMustBeAPositiveWholeNumber)
{
    for (const char* jobs : {"0", "-1", "two", "1.5"}) {
        const CommandRun r = fit({data("worked_case_13_points.txt"), "-j", jobs});
        EXPECT_EQ(r.exitCode, kExitUsage) << jobs;
        EXPECT_TRUE(r.out.empty()) << jobs;
    }
    EXPECT_EQ(fit({data("worked_case_13_points.txt"), "--jobs", "4", "--json"}).exitCode, kExitFitted);
}

// A clock that moves on 0.4 s each time it is read.
std::function<std::chrono::steady_clock::time_point()> fastClock()
{
    auto t = std::make_shared<std::chrono::steady_clock::time_point>();
    return [t] { return *t += std::chrono::milliseconds(400); };
}

// Standard error without the progress line's drawing and clearing.
std::string withoutProgress(const std::string& err)
{
    std::string out;
    for (std::size_t i = 0; i < err.size();) {
        if (err[i] == '\r') {
            const std::size_t end = err.find("\x1b[K", i);
            i = end == std::string::npos ? err.size() : end + 3;
        } else {
            out += err[i++];
        }
    }
    return out;
}

TEST(ParallelBatch, ProgressLineOnlyOnATerminalAndOutOfTheWay)
{
    std::vector<std::string> args = mixedBatch();
    args.push_back("--json");
    for (const char* jobs : {"1", "2"}) {
        std::vector<std::string> a = args;
        a.insert(a.end(), {"-j", jobs});
        CommandEnvironment quiet;
        quiet.batch.now = fastClock();
        const CommandRun plain = fit(a, quiet);
        EXPECT_EQ(plain.err.find('\r'), std::string::npos) << "not a terminal: no progress";
        EXPECT_EQ(plain.err.find('\x1b'), std::string::npos);

        CommandEnvironment terminal = quiet;
        terminal.batch.now = fastClock();
        terminal.batch.errorIsTerminal = true;
        const CommandRun shown = fit(a, terminal);
        EXPECT_NE(shown.err.find("\rkinetra-fit: "), std::string::npos) << jobs;
        EXPECT_NE(shown.err.find(" of 36 files, "), std::string::npos) << jobs;
        EXPECT_NE(shown.err.find(" s left\x1b[K"), std::string::npos) << jobs;
        // cleared at the end, and every message starts on a line of its own
        const std::string end = "\r\x1b[K";
        ASSERT_GE(shown.err.size(), end.size());
        EXPECT_EQ(shown.err.substr(shown.err.size() - end.size()), end) << jobs;
        EXPECT_EQ(withoutProgress(shown.err), plain.err) << jobs;
        EXPECT_EQ(shown.out, plain.out) << jobs;
    }
    // one file shows no progress, however long it takes
    CommandEnvironment terminal;
    terminal.batch.now = fastClock();
    terminal.batch.errorIsTerminal = true;
    EXPECT_EQ(fit({data("worked_case_13_points.txt"), "--json"}, terminal).err, "");
}

TEST(ParallelBatch, ProgressTextGivesDoneTotalRateAndTimeLeft)
{
    struct Case {
        std::size_t done, total;
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {0, 10, 1.5, "kinetra-fit: 0 of 10 files"},
        {5, 10, 2.0, "kinetra-fit: 5 of 10 files, 3 files/s, 2 s left"},
        {300, 1000, 1.2, "kinetra-fit: 300 of 1000 files, 250 files/s, 3 s left"},
        {1000, 1000, 4.0, "kinetra-fit: 1000 of 1000 files, 250 files/s, 0 s left"},
    };
    for (const Case& c : cases) EXPECT_EQ(progressText(c.done, c.total, c.seconds), c.text);
}

}  // namespace
}  // namespace kinetra::cli
