// Every kind of file kinetra-fit writes, and the saved point file, under the faults a desktop
// meets: the writer killed at any moment, a folder in the file's place, a folder that may not
// be written, a full disk. The file named is always either the older one or a whole new one,
// a failure is said with the file's name and the reason, and no temporary file outlives the
// next write.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iostream>
#include <random>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "FitRun.h"
#include "base/RuntimeFailure.h"
#include "entry/HandOff.h"
#include "support/TempDir.h"

namespace kinetra::cli {
namespace {

namespace fs = std::filesystem;
using kinetra::testing::slurp;

constexpr uid_t kNobody = 65534;
constexpr int kCannotDropRights = 126;

// One kind of output: the options that name it (the file's name goes after the first), or the
// saved point file when there are none.
struct OutputKind {
    const char* name;
    const char* fileName;
    std::vector<std::string> options;
};

const std::vector<OutputKind>& outputKinds()
{
    static const std::vector<OutputKind> kinds = {
        {"report", "report.txt", {"--report"}},
        {"CSV", "fits.csv", {"--csv"}},
        {"SVG", "graph2.svg", {"--graph2"}},
        {"PNG", "graph1.png", {"--graph1"}},
        {"PDF", "graph2.pdf", {"--graph2"}},
        {"band CSV", "band.csv", {"--band", "--band-points", "10000"}},
        {"saved points", "points.txt", {}},
    };
    return kinds;
}

// Writes `kind` over `target`: kinetra-fit's exit status and standard error.
std::pair<int, std::string> writeOutput(const OutputKind& kind, const fs::path& target)
{
    if (kind.options.empty()) {
        // far more points than a data set holds, so that the write itself takes a while
        std::vector<std::string> lines;
        for (int i = 1; i <= 100000; ++i) lines.push_back(savedPointLine(0.001 * i, 100.0 * i / (i + 500.0)));
        try {
            writeFileAtomically(target.string(), lines);
        } catch (const RuntimeFailure& f) {
            return {1, failureText(f)};
        }
        return {0, ""};
    }
    std::vector<std::string> args{std::string(KINETRA_TEST_DATA_DIR) + "/worked_case_13_points.txt",
                                  kind.options[0], target.string(), "--json"};
    args.insert(args.end(), kind.options.begin() + 1, kind.options.end());
    const CommandRun r = fit(args);
    return {r.exitCode, r.err};
}

// A PDF carries the moment it was made; the rest of it must match.
std::string comparable(std::string bytes)
{
    const std::string mark = "/CreationDate (D:";
    const std::size_t at = bytes.find(mark);
    if (at != std::string::npos)
        for (std::size_t i = at + mark.size(); i < bytes.size() && i < at + mark.size() + 14; ++i) bytes[i] = '0';
    return bytes;
}

// The temporary files in `folder`; with `writer`, only those that process made.
int temporariesIn(const fs::path& folder, pid_t writer = 0)
{
    const std::string mark = ".kinetra-tmp-" + (writer > 0 ? std::to_string(writer) + "-" : std::string());
    int count = 0;
    for (const auto& e : fs::directory_iterator(folder))
        count += e.path().filename().string().find(mark) != std::string::npos;
    return count;
}

// ------------------------------------------------------------ a writer in a child process

struct ChildSetup {
    bool asNobody = false;                 // root writes anywhere: write as nobody instead
    rlim_t fileSizeLimit = RLIM_INFINITY;  // a write beyond it fails with EFBIG
};

struct Child {
    pid_t pid = -1;
    int errPipe = -1;
};

// Forks a process that writes `kind` over `target` and ends with kinetra-fit's exit status;
// what it says on standard error comes through the pipe.
Child startWriter(const OutputKind& kind, const fs::path& target, const ChildSetup& setup = {})
{
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (setup.fileSizeLimit != RLIM_INFINITY) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{setup.fileSizeLimit, setup.fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (setup.asNobody && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(kCannotDropRights);
        const auto [code, err] = writeOutput(kind, target);
        if (::write(fds[1], err.data(), err.size())) {}
        ::_exit(code);
    }
    ::close(fds[1]);
    return {pid, fds[0]};
}

struct ChildEnd {
    int exitCode = -1;  // -1 when a signal ended it
    int signal = 0;
    std::string err;
};

ChildEnd finish(const Child& child)
{
    ChildEnd end;
    char buffer[4096];
    for (ssize_t got; (got = ::read(child.errPipe, buffer, sizeof buffer)) > 0;) end.err.append(buffer, std::size_t(got));
    ::close(child.errPipe);
    int status = 0;
    ::waitpid(child.pid, &status, 0);
    if (WIFEXITED(status)) end.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
    return end;
}

class OutputFiles : public kinetra::testing::TempDirTest {};

// ------------------------------------------------------------ killed at random moments

// KINETRA_KILLS sets the kills per kind (default 20; 100 for the full run).
int killsPerKind()
{
    const char* text = std::getenv("KINETRA_KILLS");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 20;
}

// Tells when a temporary file of a write is made in a folder and when it is renamed.
class TemporaryWatch {
public:
    explicit TemporaryWatch(const fs::path& folder) : fd_(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK))
    {
        if (fd_ >= 0 && ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_FROM) < 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~TemporaryWatch()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    TemporaryWatch(const TemporaryWatch&) = delete;
    TemporaryWatch& operator=(const TemporaryWatch&) = delete;

    bool works() const { return fd_ >= 0; }

    // Waits up to a few seconds for a temporary file to be made (IN_CREATE) or renamed
    // (IN_MOVED_FROM); false when none was.
    bool waitFor(std::uint32_t event)
    {
        alignas(inotify_event) char buffer[4096];
        for (int waited = 0; fd_ >= 0 && waited < 5000;) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) {
                waited += 10;
                continue;
            }
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            for (ssize_t at = 0; at < got;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((e->mask & event) && e->len > 0 && std::strstr(e->name, ".kinetra-tmp-")) return true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return false;
    }

private:
    int fd_;
};

TEST_F(OutputFiles, AKilledWriterLeavesTheOlderFileOrTheWholeNewOne)
{
    using Clock = std::chrono::steady_clock;
    using std::chrono::microseconds;
    const int kills = killsPerKind();
    const unsigned seed = 20261209;
    std::mt19937 random(seed);
    const std::string older = "an older file\r\n";
    if (!TemporaryWatch(dir).works()) std::cout << "[ kills    ] no inotify here: every kill at a moment of the whole run\n";
    std::cout << "[ kills    ] " << kills << " per kind, seed " << seed << "\n";
    for (const OutputKind& kind : outputKinds()) {
        const fs::path target = dir / kind.fileName;  // the report names itself: the same path each time
        ASSERT_EQ(writeOutput(kind, target).first, 0) << kind.name;
        const std::string whole = comparable(slurp(target));

        // How long a whole run takes, and how long its temporary file lives. Even kills come at
        // a moment of the run (and a little beyond), odd ones at a moment of the write itself.
        TemporaryWatch timing(dir);
        const Clock::time_point start = Clock::now();
        const Child timed = startWriter(kind, target);
        Clock::time_point made = start, renamed = start;
        if (timing.waitFor(IN_CREATE)) made = Clock::now();
        if (timing.waitFor(IN_MOVED_FROM)) renamed = Clock::now();
        const ChildEnd timedEnd = finish(timed);
        ASSERT_EQ(timedEnd.exitCode, 0) << kind.name << ": " << timedEnd.err;
        const auto run = std::chrono::duration_cast<microseconds>(Clock::now() - start).count();
        const auto write = std::chrono::duration_cast<microseconds>(renamed - made).count();
        std::uniform_int_distribution<long> inRun(0, run * 11 / 10), inWrite(0, write * 12 / 10);

        int before = 0, kept = 0, replaced = 0, leftTemporary = 0;
        for (int i = 0; i < kills; ++i) {
            std::ofstream(target, std::ios::binary | std::ios::trunc) << older;
            TemporaryWatch watch(dir);
            const Child child = startWriter(kind, target);
            ASSERT_GT(child.pid, 0);
            if (i % 2 == 1 && watch.waitFor(IN_CREATE))
                std::this_thread::sleep_for(microseconds(inWrite(random)));
            else
                std::this_thread::sleep_for(microseconds(inRun(random)));
            ::kill(child.pid, SIGKILL);
            const ChildEnd end = finish(child);
            if (end.signal == 0) {
                ++before;
                EXPECT_EQ(end.exitCode, 0) << kind.name << ": " << end.err;
            }
            const std::string now = comparable(slurp(target));
            kept += now == older;
            replaced += now == whole;
            EXPECT_TRUE(now == older || now == whole)
                << kind.name << ", kill " << i << ": " << now.size() << " bytes, neither the older file ("
                << older.size() << ") nor the whole new one (" << whole.size() << ")";
            // each write removes what the one killed before it left: one at most at a time
            EXPECT_LE(temporariesIn(dir), 1) << kind.name << ", kill " << i;
            leftTemporary += temporariesIn(dir, child.pid);
        }
        ASSERT_EQ(writeOutput(kind, target).first, 0) << kind.name;
        EXPECT_EQ(temporariesIn(dir), 0) << kind.name << ": a temporary file outlived the next write";
        EXPECT_TRUE(comparable(slurp(target)) == whole) << kind.name;
        std::cout << "[ kills    ] " << kind.name << " (" << whole.size() << " bytes, run " << run / 1000
                  << " ms, temporary file " << write / 1000.0 << " ms): " << kills << " kills, " << before
                  << " after the end, " << kept << " older file, " << replaced << " new file, " << leftTemporary
                  << " killed part of the way through the write\n";
    }
}

// ------------------------------------------------------------ unwritable places

TEST_F(OutputFiles, AnOutputThatCannotBeWrittenSaysWhyAndLeavesTheOlderFile)
{
    const std::string older = "an older file, longer than any limit of this test\r\n";
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    for (const OutputKind& kind : outputKinds()) {
        if (kind.options.empty()) continue;  // the windows say the saved point file's failures
        struct Fault {
            const char* what;
            const char* said;
            ChildSetup setup;
        };
        const std::vector<Fault> faults = {
            {"a folder in the file's place", "Erro Number: 75\nDescription: Path/File access error", {}},
            {"a folder that may not be written", "Erro Number: 70\nDescription: Permission denied", {true}},
            {"a full disk", "Erro Number: 61\nDescription: Disk full", {false, 20}},
        };
        for (const Fault& f : faults) {
            const std::string what = std::string(kind.name) + ", " + f.what;
            const fs::path folder = dir / "place";
            fs::create_directory(folder);
            const fs::path target = folder / kind.fileName;
            if (f.setup.fileSizeLimit == RLIM_INFINITY && !f.setup.asNobody) {
                fs::create_directory(target);
                std::ofstream(target / "inside.txt") << older;
            } else {
                std::ofstream(target, std::ios::binary) << older;
            }
            if (f.setup.asNobody) {
                if (::geteuid() != 0 && ::access(folder.c_str(), W_OK) == 0) {
                    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
                    if (::access(folder.c_str(), W_OK) == 0) {
                        std::cout << "[ passed over ] " << what << ": this user writes into read-only folders\n";
                        fs::permissions(folder, fs::perms::owner_all);
                        fs::remove_all(folder);
                        continue;
                    }
                } else {
                    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                fs::perms::others_read | fs::perms::others_exec);
                }
            }
            const ChildEnd end = finish(startWriter(kind, target, f.setup));
            fs::permissions(folder, fs::perms::owner_all);
            if (end.exitCode == kCannotDropRights) {
                std::cout << "[ passed over ] " << what << ": root cannot drop its rights here\n";
            } else {
                EXPECT_EQ(end.exitCode, 1) << what << "\n" << end.err;
                EXPECT_NE(end.err.find(target.string() + ": Wrong Data"), std::string::npos) << what << "\n" << end.err;
                EXPECT_NE(end.err.find(f.said), std::string::npos) << what << "\n" << end.err;
                const fs::path left = fs::is_directory(target) ? target / "inside.txt" : target;
                EXPECT_EQ(slurp(left), older) << what;
                EXPECT_EQ(temporariesIn(folder), 0) << what;
            }
            fs::remove_all(folder);
        }
    }
}

}  // namespace
}  // namespace kinetra::cli
