// Temporary files left by killed writers: recognised by their names, removed by the next write
// of the same target, and never taken from a writer that still runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/FileReplacement.h"
#include "support/TempDir.h"

namespace kinetra {
namespace {

namespace fs = std::filesystem;
using Others = FileReplacement::OtherTargets;

// A process that ran and is gone (reaped): its id names no process for a while.
pid_t deadProcess()
{
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

class StaleTemporaries : public testing::TempDirTest {
protected:
    void TearDown() override
    {
        if (alive > 0) {
            ::kill(alive, SIGKILL);
            ::waitpid(alive, nullptr, 0);
        }
        TempDirTest::TearDown();
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> list;
        for (const auto& e : fs::directory_iterator(dir)) list.push_back(e.path().filename().string());
        std::sort(list.begin(), list.end());
        return list;
    }
    pid_t alive = -1;
};

TEST_F(StaleTemporaries, TheNextWriteRemovesOnlyThoseOfDeadWriters)
{
    alive = ::fork();
    if (alive == 0) {
        ::pause();
        ::_exit(0);
    }
    ASSERT_GT(alive, 0);
    const std::string dead = std::to_string(deadProcess());
    const std::string live = std::to_string(alive);
    const std::string own = std::to_string(::getpid());
    const std::string target = (dir / "report.txt").string();
    file("report.txt", "older");

    struct Case {
        std::string name;
        bool removed;
    };
    const std::vector<Case> cases = {
        {"report.txt.kinetra-tmp-" + dead + "-a1B2c3", true},
        {"report.txt.kinetra-tmp-" + dead + "-zzzzzz", true},
        {"report.txt.kinetra-tmp-" + live + "-a1B2c3", false},     // its writer still runs
        {"report.txt.kinetra-tmp-" + own + "-a1B2c3", false},      // this process writes it
        {"report.txt.kinetra-tmp-" + dead + "-locked", false},     // a writer elsewhere holds it
        {"other.txt.kinetra-tmp-" + dead + "-a1B2c3", false},      // another target's
        {"report.txt.kinetra-tmp-" + dead + "-a1B2c", false},      // not a temporary's name
        {"report.txt.kinetra-tmp-" + dead + "-a1B2c3d", false},
        {"report.txt.kinetra-tmp-" + dead + "-a1B.c3", false},
        {"report.txt.kinetra-tmp-x" + dead + "-a1B2c3", false},
        {"report.txt.kinetra-tmp--a1B2c3", false},
        {"report.txt.kinetra-tmp-0-a1B2c3", false},
        {"report.txt.kinetra-tmp-99999999999-a1B2c3", false},
        {"xreport.txt.kinetra-tmp-" + dead + "-a1B2c3", false},
        {"report.txt." + dead + ".a1B2c3", false},
    };
    for (const Case& c : cases) file(c.name.c_str(), "half of a report");
    const int lock = ::open((dir / cases[4].name).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    fs::create_directory(dir / ("report.txt.kinetra-tmp-" + dead + "-folder"));  // not a file
    const std::vector<std::string> before = names();

    replaceFile(target, "new", Others::Refuse);
    EXPECT_EQ(testing::slurp(target), "new");
    std::vector<std::string> expected = before;
    for (const Case& c : cases)
        if (c.removed) expected.erase(std::find(expected.begin(), expected.end(), c.name));
    EXPECT_EQ(names(), expected);

    // the lock gone, the last one goes too; a second look finds nothing more
    ::close(lock);
    EXPECT_EQ(removeStaleTemporaries(target), 1);
    EXPECT_FALSE(fs::exists(dir / cases[4].name));
    EXPECT_EQ(removeStaleTemporaries(target), 0);
    EXPECT_TRUE(fs::exists(dir / cases[2].name));
}

TEST_F(StaleTemporaries, TheTemporaryIsNamedAfterTheTargetAndItsWriter)
{
    const std::string longName(250, 'r');  // with a suffix of its own it would be too long a name
    for (const std::string& name : {std::string("points.txt"), longName}) {
        const std::string target = file(name.c_str(), "older");
        // a symbolic link is followed: the temporary sits beside the file it names
        fs::create_symlink(dir / name, dir / "link");
        {
            FileReplacement file((dir / "link").string(), Others::Refuse);
            file.write("points");
            std::vector<std::string> list = names();
            std::erase(list, "link");
            std::erase(list, name);
            ASSERT_EQ(list.size(), 1u) << name;
            const std::string& temp = list[0];
            const std::string stem = name.substr(0, 225) + ".kinetra-tmp-" + std::to_string(::getpid()) + "-";
            EXPECT_TRUE(temp.substr(0, stem.size()) == stem &&
                        std::regex_match(temp.substr(stem.size()), std::regex("[A-Za-z0-9]{6}")))
                << temp;
            file.commit();
        }
        EXPECT_EQ(testing::slurp(target), "points");
        EXPECT_EQ(names().size(), 2u) << name;
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
}

}  // namespace
}  // namespace kinetra
