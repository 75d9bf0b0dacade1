// kinetra-fit run as a child process against damaged, hostile and extreme input. Whatever
// it is given, it ends with status 0, 1 or 2 and a message of its own on standard error,
// never by a signal or a hang, and never prints or writes NaN or infinity.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <nlohmann/json.hpp>

namespace kinetra {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kWrongData = "Wrong Data";
constexpr const char* kCritica = "Crítica de Dados";
constexpr const char* kReadWarning = "Concentration and rate must be greater than zero";

// ---------------------------------------------------------------- the child process

constexpr int kTimeoutSeconds = 60;
constexpr uid_t kNobody = 65534;
constexpr int kCannotDropRights = 126;
constexpr int kCannotStart = 127;
constexpr const char* kCannotDropText = "fault test: cannot drop root's rights";
constexpr const char* kCannotStartText = "fault test: cannot start kinetra-fit";

struct ChildSetup {
    bool asNobody = false;                 // root reads every file: run as nobody instead
    rlim_t fileSizeLimit = RLIM_INFINITY;  // a write beyond it fails with EFBIG
    std::string stdoutPath;                // empty: a file of the test, read back
};

struct ChildRun {
    bool started = false;
    bool hung = false;
    int signal = 0;      // the signal that ended it, 0 if none
    int exitCode = -1;   // -1 unless it exited
    long maxRssKb = 0;   // its peak resident size
    std::string out, err;
};

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void say(int fd, const char* text)
{
    if (::write(fd, text, std::strlen(text))) {}
}

// Runs kinetra-fit with `args`, standard input /dev/null, standard output and error into
// files in `dir`. A child still running after kTimeoutSeconds is killed and marked hung.
ChildRun runFit(const fs::path& dir, const std::vector<std::string>& args, const ChildSetup& setup = {})
{
    std::vector<std::string> storage{KINETRA_FIT_EXE};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);

    const fs::path outPath = dir / "child_stdout.txt", errPath = dir / "child_stderr.txt";
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int out = setup.stdoutPath.empty()
                        ? ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)
                        : ::open(setup.stdoutPath.c_str(), O_WRONLY | O_CLOEXEC);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ChildRun r;
    if (in < 0 || out < 0 || err < 0) {
        ADD_FAILURE() << "cannot open the child's files in " << dir << ": " << std::strerror(errno);
        for (int fd : {in, out, err})
            if (fd >= 0) ::close(fd);
        return r;
    }

    // Only async-signal-safe calls between fork and exec: the test process has threads.
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (setup.fileSizeLimit != RLIM_INFINITY) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            ::sigaction(SIGXFSZ, &ignore, nullptr);  // stays ignored across exec
            const rlimit limit{setup.fileSizeLimit, setup.fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (setup.asNobody &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            say(2, kCannotDropText);
            ::_exit(kCannotDropRights);
        }
        ::execv(argv[0], argv.data());
        say(2, kCannotStartText);
        ::_exit(kCannotStart);
    }
    ::close(in);
    ::close(out);
    ::close(err);
    if (pid < 0) {
        ADD_FAILURE() << "fork: " << std::strerror(errno);
        return r;
    }
    r.started = true;

    int status = 0;
    rusage usage{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeoutSeconds);
    for (;;) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) {
            ADD_FAILURE() << "wait4: " << std::strerror(errno);
            return r;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &usage);
            r.hung = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!r.hung && WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.maxRssKb = usage.ru_maxrss;
    if (setup.stdoutPath.empty()) r.out = slurp(outPath);
    r.err = slurp(errPath);
    return r;
}

// ---------------------------------------------------------------- what every run must show

// "nan", "inf" or "infinity" as a word of its own, in any case ("-nan", "INF", "1.#INF").
bool holdsNonFiniteWord(const std::string& text)
{
    std::string word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
        if (c < 0x80 && (std::isalnum(c) || c == '_')) {
            word.push_back(static_cast<char>(std::tolower(c)));
            continue;
        }
        if (word == "nan" || word == "inf" || word == "infinity") return true;
        word.clear();
    }
    return false;
}

// A NaN or an infinity in the results would be written as null: only "end" may be null.
void expectNoNullBesidesEnd(const json& j, const std::string& where, const std::string& what)
{
    if (j.is_object()) {
        for (const auto& [key, value] : j.items()) {
            if (key == "end" && value.is_null()) continue;
            EXPECT_FALSE(value.is_null()) << what << ": " << where << "/" << key << " is null";
            expectNoNullBesidesEnd(value, where + "/" + key, what);
        }
    } else if (j.is_array()) {
        for (std::size_t i = 0; i < j.size(); ++i) {
            EXPECT_FALSE(j[i].is_null()) << what << ": " << where << "[" << i << "] is null";
            expectNoNullBesidesEnd(j[i], where + "[" + std::to_string(i) + "]", what);
        }
    }
}

std::vector<json> jsonLines(const std::string& out, const std::string& what)
{
    std::vector<json> objects;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        try {
            objects.push_back(json::parse(line));
        } catch (const json::exception& e) {
            ADD_FAILURE() << what << ": standard output is no JSON line: " << e.what() << "\n" << line.substr(0, 300);
        }
    }
    for (const json& o : objects) expectNoNullBesidesEnd(o, "", what);
    return objects;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The run ended by itself with one of `exits`; a failure is said on standard error with the
// program's own title (or as a usage message); no NaN or infinity anywhere it wrote.
void expectSoundEnd(const ChildRun& r, const std::vector<int>& exits, const std::string& what)
{
    ASSERT_TRUE(r.started) << what;
    EXPECT_FALSE(r.hung) << what << ": still running after " << kTimeoutSeconds << " s";
    EXPECT_EQ(r.signal, 0) << what << ": ended by signal " << r.signal << " (" << strsignal(r.signal) << ")\n" << r.err;
    EXPECT_TRUE(std::find(exits.begin(), exits.end(), r.exitCode) != exits.end())
        << what << ": exit status " << r.exitCode << "\n" << r.err;
    if (r.exitCode != 0) {
        EXPECT_TRUE(contains(r.err, kWrongData) || contains(r.err, kCritica) || r.err.rfind("kinetra-fit: ", 0) == 0)
            << what << ": no message of the program on standard error:\n" << r.err;
    }
    EXPECT_FALSE(holdsNonFiniteWord(r.out)) << what << ": standard output:\n" << r.out.substr(0, 2000);
    EXPECT_FALSE(holdsNonFiniteWord(r.err)) << what << ": standard error:\n" << r.err;
}

void expectSaid(const ChildRun& r, const std::vector<std::string>& texts, const std::string& what)
{
    for (const std::string& t : texts) EXPECT_TRUE(contains(r.err, t)) << what << ": \"" << t << "\" not said:\n" << r.err;
}

// The read warning for `point`: on standard error, or in the JSON object's readWarnings.
void expectReadWarning(const ChildRun& r, bool asJson, int point, const std::string& what)
{
    if (!asJson) {
        EXPECT_TRUE(contains(r.err, "point " + std::to_string(point) + ": " + kCritica + ": " + kReadWarning))
            << what << "\n" << r.err;
        return;
    }
    const std::vector<json> objects = jsonLines(r.out, what);
    ASSERT_EQ(objects.size(), 1u) << what;
    bool found = false;
    for (const json& w : objects[0]["readWarnings"]) found = found || (w["point"] == point && w["message"] == kReadWarning);
    EXPECT_TRUE(found) << what << ": " << objects[0]["readWarnings"].dump();
}

// ---------------------------------------------------------------- data

std::string workedCase() { return slurp(std::string(KINETRA_TEST_DATA_DIR) + "/worked_case_13_points.txt"); }

std::string fixed(double value, int decimals)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return std::string(buf, res.ptr);
}

// `count` points of v = 10 S^2 / (2^2 + S^2), S = 0.5, 1, 1.5, ... , with the concentrations
// times 10^concExp and the rates times 10^rateExp (written as exponents, so any scale fits).
std::string hillRecords(int count, int concExp = 0, int rateExp = 0)
{
    std::string text;
    for (int i = 1; i <= count; ++i) {
        const double s = 0.5 * i;
        const double v = 10.0 * s * s / (4.0 + s * s);
        text += fixed(s, 4) + "E" + std::to_string(concExp) + "," + fixed(v, 6) + "E" + std::to_string(rateExp) + "\r\n";
    }
    return text;
}

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("kinetra_fault_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path write(const std::string& name, const std::string& bytes)
    {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    fs::path dir;
};

// A row run as nobody is passed over where the machine does not let root drop its rights, or
// where nobody may not start the executable.
bool passedOver(const ChildRun& r, const ChildSetup& setup, const std::string& what)
{
    if (!setup.asNobody) return false;
    if ((r.exitCode == kCannotDropRights && contains(r.err, kCannotDropText)) ||
        (r.exitCode == kCannotStart && contains(r.err, kCannotStartText))) {
        std::cout << "[ passed over ] " << what << ": " << r.err << "\n";
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- files that cannot be read

TEST_F(FaultTest, FilesThatCannotBeReadEndWithTheReadFailure)
{
    const fs::path locked = write("locked.txt", workedCase());
    fs::permissions(locked, fs::perms::none);
    const bool root = ::geteuid() == 0;

    struct Case {
        const char* what;
        std::string path;
        ChildSetup setup;
        std::vector<std::string> said;
    };
    const std::vector<Case> cases = {
        {"a missing file", (dir / "no_such_file.txt").string(), {}, {"Erro Number: 53", "File not found"}},
        {"a directory", dir.string(), {}, {"Erro Number: 75"}},
        // the kernel refuses to read address 0 of the process's own memory: EIO on read
        {"a file whose reading fails", "/proc/self/mem", {}, {"Erro Number: 75"}},
        {"a file without read permission", locked.string(), ChildSetup{root, RLIM_INFINITY, {}},
         {"Erro Number: 70", "Permission denied"}},
    };
    for (const Case& c : cases) {
        for (const bool asJson : {false, true}) {
            const std::string what = std::string(c.what) + (asJson ? " (--json)" : "");
            std::vector<std::string> args{c.path};
            if (asJson) args.push_back("--json");
            const ChildRun r = runFit(dir, args, c.setup);
            if (passedOver(r, c.setup, what)) continue;
            expectSoundEnd(r, {2}, what);
            expectSaid(r, c.said, what);
            EXPECT_TRUE(contains(r.err, c.path + ": " + kWrongData + ": Error")) << what << "\n" << r.err;
            if (asJson) {
                const std::vector<json> objects = jsonLines(r.out, what);
                ASSERT_EQ(objects.size(), 1u) << what;
                EXPECT_EQ(objects[0]["pointCount"], 0) << what;
                EXPECT_TRUE(contains(objects[0]["end"].value("message", ""), c.said.front())) << what;
            } else {
                EXPECT_EQ(r.out, "") << what;
            }
        }
    }
}

// ---------------------------------------------------------------- damaged records

TEST_F(FaultTest, DamagedRecordsNeverCrashOrHang)
{
    std::mt19937 random(20050927u);
    std::string garbage(20000, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = i % 97 == 0 ? '\0' : static_cast<char>(random() & 0xFF);

    std::string withNul = workedCase();
    withNul.insert(0, std::string("0.0") + '\0' + "2,50\r\n");  // a NUL inside the first number

    std::string oneLongLine;  // the worked case's records, all on one line of 100,000 characters
    {
        std::string unit;
        std::istringstream in(workedCase());
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            unit += line + ",";
        }
        while (oneLongLine.size() < 100000) oneLongLine += unit;
        oneLongLine.pop_back();
        oneLongLine += "\r\n";
    }

    struct Case {
        const char* what;
        std::string bytes;
        std::vector<int> exits;
        std::vector<std::string> said;
        int warnedPoint;  // the point a read warning must name; 0: none asked for
        int pointCount;   // in the JSON object; -1: not asked for
    };
    const std::vector<Case> cases = {
        {"a record cut off by the end of the file", workedCase() + "7\r\n", {2},
         {"Erro Number: 62", "Input past end of file"}, 0, 0},
        {"an empty line at the end (CR LF)", workedCase() + "\r\n", {2}, {"Erro Number: 62"}, 0, 0},
        {"an empty line at the end (LF)", "1,2\n3,4\n\n", {2}, {"Erro Number: 62"}, 0, 0},
        {"binary garbage with NUL bytes", garbage, {1, 2}, {}, 0, -1},
        {"a NUL byte inside a number", withNul, {0, 1}, {}, 1, -1},
        {"a field of 100,000 letters", std::string(100000, 'x') + ",50\r\n" + workedCase(), {0}, {}, 1, 13},
        {"a number of 100,000 digits", std::string(100000, '1') + ",50\r\n" + workedCase(), {0, 2}, {}, 0, -1},
        {"a line of 100,000 characters holding every record", oneLongLine, {0}, {}, 0, 200},
    };
    for (const Case& c : cases) {
        const fs::path file = write("data.txt", c.bytes);
        for (const bool asJson : {false, true}) {
            const std::string what = std::string(c.what) + (asJson ? " (--json)" : "");
            std::vector<std::string> args{file.string()};
            if (asJson) args.push_back("--json");
            const ChildRun r = runFit(dir, args);
            expectSoundEnd(r, c.exits, what);
            expectSaid(r, c.said, what);
            if (c.warnedPoint > 0) expectReadWarning(r, asJson, c.warnedPoint, what);
            if (asJson) {
                const std::vector<json> objects = jsonLines(r.out, what);
                ASSERT_EQ(objects.size(), 1u) << what;
                if (c.pointCount >= 0) {
                    EXPECT_EQ(objects[0]["pointCount"], c.pointCount) << what;
                }
                EXPECT_LE(objects[0]["pointCount"].get<int>(), 200) << what;
                EXPECT_EQ(objects[0]["end"].is_null(), r.exitCode == 0) << what;
            }
        }
    }
}

// ---------------------------------------------------------------- numbers a double cannot hold

TEST_F(FaultTest, NumberTextsBeyondTheDoublesAreOverflowsOrNoNumbers)
{
    struct Text {
        const char* text;
        bool overflow;  // too large for a double: failure 6; otherwise it reads as 0
    };
    const std::vector<Text> texts = {
        {"1E999", true},     {"-1E999", true}, {"1.7976931348623157E308", true}, {"1e5000000000000000000", true},
        {"NaN", false},      {"nan", false},   {"Inf", false},  {"-inf", false}, {"+Inf", false},
        {"INFINITY", false}, {"1e-400", false}, {"-0", false},
    };
    for (const Text& t : texts) {
        for (const bool inRate : {false, true}) {
            // one record before the worked case; as a rate, the concentration is a fine 0.3
            const std::string record = inRate ? std::string("0.3,") + t.text : std::string(t.text) + ",50";
            const fs::path file = write("data.txt", record + "\r\n" + workedCase());
            for (const bool asJson : {false, true}) {
                const std::string what = "\"" + record + "\"" + (asJson ? " (--json)" : "");
                std::vector<std::string> args{file.string()};
                if (asJson) args.push_back("--json");
                const ChildRun r = runFit(dir, args);
                if (t.overflow) {
                    expectSoundEnd(r, {2}, what);
                    expectSaid(r, {"Erro Number: 6", "Overflow"}, what);
                } else {
                    // no concentration: the record is passed over and the worked case fitted;
                    // a point without a rate stays and may spoil the fit
                    expectSoundEnd(r, inRate ? std::vector<int>{0, 1} : std::vector<int>{0}, what);
                    expectReadWarning(r, asJson, 1, what);
                }
                if (asJson) jsonLines(r.out, what);
            }
        }
    }

    // the same texts typed as option values are usage errors
    const std::string worked = write("worked.txt", workedCase()).string();
    struct Option {
        std::vector<std::string> args;
        const char* said;
    };
    const std::vector<Option> options = {
        {{"--baseline", "NaN"}, "Base Line wrong"},
        {{"--baseline", "inf"}, "Base Line wrong"},
        {{"--baseline=-inf"}, "Base Line wrong"},
        {{"--baseline", "1E999"}, "Base Line wrong"},
        {{"--curve", "nan-5"}, "Wrong First Point"},
        {{"--curve", "1-inf"}, "Wrong Last Point"},
        {{"--curve", "1-1E999"}, "Wrong Last Point"},
        {{"--graph2", (dir / "g.svg").string(), "--graph2-range", "nan-inf"}, "Wrong Low Substrate Concentration"},
        {{"--graph2", (dir / "g.svg").string(), "--graph2-range", "1-1E999"}, "Wrong Highest Substrate Concentration"},
        {{"--graph2", (dir / "g.svg").string(), "--graph2-range=-inf-1"}, "Wrong Low Substrate Concentration"},
    };
    for (const Option& o : options) {
        std::vector<std::string> args{worked, "--json"};
        args.insert(args.end(), o.args.begin(), o.args.end());
        const std::string what = o.args.back();
        const ChildRun r = runFit(dir, args);
        expectSoundEnd(r, {2}, what);
        expectSaid(r, {std::string(kCritica) + ": " + o.said}, what);
        EXPECT_FALSE(fs::exists(dir / "g.svg")) << what;
    }
}

// ---------------------------------------------------------------- a large file

TEST_F(FaultTest, AFileOf50MegabytesIsReadNoFurtherThanItsFirst200Records)
{
    // 200 good records, then 50 MB that would end the run if they were read: overflows and,
    // at the very end, a record cut off
    const fs::path big = dir / "big.txt";
    {
        std::ofstream out(big, std::ios::binary);
        out << hillRecords(200);
        std::string chunk;
        while (chunk.size() < (1u << 20)) chunk += "1E999,1E999\r\n";
        for (int i = 0; i < 50; ++i) out << chunk;
        out << "7";
        ASSERT_TRUE(out.good());
    }
    ASSERT_GE(fs::file_size(big), 50u << 20);

    const ChildRun small = runFit(dir, {write("small.txt", hillRecords(10)).string(), "--json"});
    expectSoundEnd(small, {0}, "ten records");

    const ChildRun r = runFit(dir, {big.string(), "--json"});
    expectSoundEnd(r, {0}, "50 MB");
    const std::vector<json> objects = jsonLines(r.out, "50 MB");
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]["pointCount"], 200);
    ASSERT_EQ(objects[0]["curves"].size(), 1u);
    EXPECT_NEAR(objects[0]["curves"][0]["V"].get<double>(), 10.0, 0.01);
    EXPECT_NEAR(objects[0]["curves"][0]["n"].get<double>(), 2.0, 0.01);
    // the file is not taken into memory: far below its size, whatever the build adds
    const long limitKb = std::max(64L * 1024, small.maxRssKb + 40L * 1024);
    EXPECT_LT(r.maxRssKb, limitKb) << "peak resident size in KB; ten records took " << small.maxRssKb;
}

// ---------------------------------------------------------------- output that cannot be written

TEST_F(FaultTest, ReportsAndGraphsThatCannotBeWrittenAreSaidSo)
{
    const std::string worked = write("worked.txt", workedCase()).string();
    const std::string plain = write("plain.txt", "a regular file\n").string();
    const bool haveFull = fs::exists("/dev/full");

    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::vector<std::string> said;
    };
    std::vector<Case> cases = {
        {"--report inside a regular file", {"--report", plain + "/report.txt"}, {"Erro Number: 75"}},
        {"--report onto a directory", {"--report", dir.string()}, {"Erro Number: 75"}},
        {"--report where no file can be made", {"--report", "/proc/kinetra_report.txt"}, {"Erro Number: "}},
        {"--graph1 inside a regular file", {"--graph1", plain + "/g1.svg"}, {"Erro Number: 75"}},
        {"--graph2 inside a regular file", {"--graph2", plain + "/g2.svg"}, {"Erro Number: 75"}},
    };
    if (haveFull) {
        cases.push_back({"--report onto a full disk", {"--report", "/dev/full"}, {"Erro Number: 61", "Disk full"}});
        cases.push_back({"--graph1 onto a full disk", {"--graph1", "/dev/full"}, {"Erro Number: 61", "Disk full"}});
        cases.push_back({"--graph2 onto a full disk", {"--graph2", "/dev/full"}, {"Erro Number: 61", "Disk full"}});
    }
    for (const Case& c : cases) {
        for (const bool asJson : {false, true}) {
            const std::string what = std::string(c.what) + (asJson ? " (--json)" : "");
            std::vector<std::string> args{worked};
            args.insert(args.end(), c.args.begin(), c.args.end());
            if (asJson) args.push_back("--json");
            const ChildRun r = runFit(dir, args);
            expectSoundEnd(r, {1}, what);
            expectSaid(r, c.said, what);
            EXPECT_TRUE(contains(r.err, kWrongData)) << what << "\n" << r.err;
            if (asJson) {
                const std::vector<json> objects = jsonLines(r.out, what);
                ASSERT_EQ(objects.size(), 1u) << what;
                // an output that cannot be written is lost alone: the fit still runs
                EXPECT_EQ(objects[0]["curves"].size(), 1u) << what;
            }
        }
    }
    EXPECT_EQ(slurp(plain), "a regular file\n");
}

// Output that cannot be written whole is a failure, and the file it was to replace stays
// as it was.
TEST_F(FaultTest, OutputThatCannotBeWrittenWholeLeavesTheOlderFileInPlace)
{
    const std::string older = [] {
        std::string text;
        for (int i = 0; i < 200; ++i) text += "an older file, line " + std::to_string(i) + "\r\n";
        return text;
    }();
    const std::string worked = write("worked.txt", workedCase()).string();

    // the report's header alone, and either graph, is longer than 1024 bytes; the JSON line
    // on standard output is shorter
    for (const char* option : {"--report", "--graph1", "--graph2"}) {
        const std::string what = std::string(option) + " beyond the file size limit";
        const fs::path olderFile = write("older.txt", older);
        const ChildRun r = runFit(dir, {worked, option, olderFile.string(), "--json"}, ChildSetup{false, 1024, {}});
        expectSoundEnd(r, {1}, what);
        expectSaid(r, {"Erro Number: 61", "Disk full"}, what);
        const std::string left = slurp(olderFile);
        EXPECT_TRUE(left == older) << what << ": the older file (" << older.size() << " bytes) was replaced by "
                                   << left.size() << " bytes:\n" << left.substr(0, 200);
    }

    // the report and the JSON on standard output
    if (fs::exists("/dev/full")) {
        for (const bool asJson : {false, true}) {
            const std::string what = std::string("standard output onto a full disk") + (asJson ? " (--json)" : "");
            std::vector<std::string> args{worked};
            if (asJson) args.push_back("--json");
            ChildSetup full;
            full.stdoutPath = "/dev/full";
            const ChildRun r = runFit(dir, args, full);
            expectSoundEnd(r, {1}, what);
            expectSaid(r, {"Disk full"}, what);
        }
    }
}

// No report or graph ever takes the place of the data file it was made from.
TEST_F(FaultTest, NoOutputTakesThePlaceOfTheDataFile)
{
    const std::string worked = (dir / "worked.txt").string();
    struct Case {
        const char* what;
        const char* option;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"the report named as the data file", "--report", worked},
        {"the report named as the data file by another path", "--report", (dir / "." / "worked.txt").string()},
        {"graph 1 named as the data file", "--graph1", worked},
        {"graph 2 named as the data file", "--graph2", worked},
    };
    for (const Case& c : cases) {
        write("worked.txt", workedCase());
        const ChildRun r = runFit(dir, {worked, c.option, c.path, "--json"});
        expectSoundEnd(r, {1, 2}, c.what);
        const std::string now = slurp(worked);
        EXPECT_TRUE(now == workedCase()) << c.what << ": the data file was overwritten; it begins\n"
                                         << now.substr(0, 200);
    }
}

// ---------------------------------------------------------------- extreme values

TEST_F(FaultTest, ExtremeConcentrationsAndRatesEndWithFiniteResultsOrAMessage)
{
    // scales the fit must handle, and scales at the ends of the doubles that may end with
    // one of the program's messages instead
    const std::vector<int> concExps = {-300, -100, 0, 100, 300};
    const std::vector<int> rateExps = {-300, -10, 0, 10, 300};
    auto mustFit = [](int concExp, int rateExp) { return std::abs(concExp) <= 100 && std::abs(rateExp) <= 10; };

    const fs::path report = dir / "report.txt", g1 = dir / "g1.svg", g2 = dir / "g2.svg";
    for (int ce : concExps) {
        for (int re : rateExps) {
            const std::string what = "concentrations 1e" + std::to_string(ce) + ", rates 1e" + std::to_string(re);
            const fs::path file = write("data.txt", hillRecords(10, ce, re));
            const std::vector<int> exits = mustFit(ce, re) ? std::vector<int>{0} : std::vector<int>{0, 1};

            fs::remove(report);
            fs::remove(g1);
            fs::remove(g2);
            const ChildRun printed = runFit(dir, {file.string(), "--graph1", g1.string(), "--graph2", g2.string()});
            expectSoundEnd(printed, exits, what);
            const ChildRun filed = runFit(dir, {file.string(), "--report", report.string()});
            expectSoundEnd(filed, exits, what + " (--report)");
            for (const fs::path& p : {report, g1, g2}) {
                if (fs::exists(p)) {
                    EXPECT_FALSE(holdsNonFiniteWord(slurp(p))) << what << ": " << p.filename();
                }
            }

            const ChildRun r = runFit(dir, {file.string(), "--json"});
            expectSoundEnd(r, exits, what + " (--json)");
            const std::vector<json> objects = jsonLines(r.out, what);
            ASSERT_EQ(objects.size(), 1u) << what;
            if (r.exitCode != 0) continue;
            ASSERT_EQ(objects[0]["curves"].size(), 1u) << what;
            const json& c = objects[0]["curves"][0];
            // V = 10, n = 2 and K = 2 in the data's own scales, four significant digits kept
            const double V = 10.0 * std::pow(10.0, re), K = 2.0 * std::pow(10.0, ce);
            EXPECT_NEAR(c["V"].get<double>() / V, 1.0, 0.01) << what;
            EXPECT_NEAR(c["n"].get<double>(), 2.0, 0.02) << what;
            EXPECT_NEAR(c["K"].get<double>() / K, 1.0, 0.01) << what;
            EXPECT_NEAR(c["VK"].get<double>() / (V / K), 1.0, 0.02) << what;
            EXPECT_GT(c["r"].get<double>(), 0.999) << what;
        }
    }

    // baselines at both ends
    const std::string worked = write("worked.txt", workedCase()).string();
    const ChildRun huge = runFit(dir, {worked, "--baseline", "1e300", "--json"});
    expectSoundEnd(huge, {1}, "a baseline of 1e300");
    expectSaid(huge, {"Erro Number: 6", "Overflow"}, "a baseline of 1e300");
    jsonLines(huge.out, "a baseline of 1e300");
    const ChildRun tiny = runFit(dir, {worked, "--baseline", "1e-300", "--json"});
    expectSoundEnd(tiny, {0}, "a baseline of 1e-300");
    const std::vector<json> objects = jsonLines(tiny.out, "a baseline of 1e-300");
    ASSERT_EQ(objects.size(), 1u);
    ASSERT_EQ(objects[0]["curves"].size(), 1u);
    EXPECT_EQ(objects[0]["curves"][0]["baseline"].get<double>(), 1e-300);
}

}  // namespace
}  // namespace kinetra
