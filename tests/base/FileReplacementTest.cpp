// Files written whole or not at all: an older file stays as it was until the new one is
// complete, and no temporary file is left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

#include "base/FileReplacement.h"
#include "report/ReportLines.h"
#include "base/RuntimeFailure.h"
#include "support/TempDir.h"

namespace kinetra {
namespace {

namespace fs = std::filesystem;
using Others = FileReplacement::OtherTargets;

using testing::slurp;

int failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const RuntimeFailure& f) {
        return f.number();
    }
    return 0;
}

class Replacement : public testing::TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        older = dir / "report.txt";
        std::ofstream(older, std::ios::binary) << kOlder;
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> list;
        for (const auto& e : fs::directory_iterator(dir)) list.push_back(e.path().filename().string());
        std::sort(list.begin(), list.end());
        return list;
    }
    static constexpr const char* kOlder = "an older report, longer than the new one\r\n";
    fs::path older;
};

TEST_F(Replacement, TheTargetChangesOnlyAtCommit)
{
    fs::permissions(older, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = dir / "link.txt";
    fs::create_symlink(older.filename(), link);
    {
        FileReplacement file(link.string(), Others::Refuse);
        file.write("new\r\n");
        file.write("");
        file.write("lines\r\n");
        EXPECT_EQ(slurp(older), kOlder);  // not yet
        file.commit();
    }
    EXPECT_EQ(slurp(older), "new\r\nlines\r\n");
    EXPECT_TRUE(fs::is_symlink(link));  // the file it names was replaced, not the link
    EXPECT_EQ(fs::status(older).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(names(), (std::vector<std::string>{"link.txt", "report.txt"}));

    // once committed, nothing more goes in
    FileReplacement once((dir / "once.txt").string(), Others::Refuse);
    once.commit();
    EXPECT_EQ(failureOf([&] { once.write("more"); }), failure::PathFileAccessError);
    EXPECT_EQ(slurp(dir / "once.txt"), "");
}

TEST_F(Replacement, WithoutCommitTheOlderFileStaysAndTheTemporaryFileGoes)
{
    {
        FileReplacement file(older.string(), Others::WriteDirectly);
        file.write("half of a new re");
    }
    EXPECT_EQ(slurp(older), kOlder);
    {
        FileReplacement file((dir / "new.txt").string(), Others::WriteDirectly);
        file.write("never finished");
    }
    EXPECT_EQ(names(), std::vector<std::string>{"report.txt"});
}

TEST_F(Replacement, DevicesAndDirectories)
{
    // a device is never replaced: refused, or written directly
    EXPECT_EQ(failureOf([] { replaceFile("/dev/null", "x", Others::Refuse); }), failure::PathFileAccessError);
    EXPECT_EQ(failureOf([] { replaceFile("/dev/null", "x", Others::WriteDirectly); }), 0);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    if (fs::exists("/dev/full")) {
        FileReplacement full("/dev/full", Others::WriteDirectly);
        EXPECT_TRUE(full.writesDirectly());
        EXPECT_EQ(failureOf([&] { full.write("a line"); }), failure::DiskFull);
        EXPECT_EQ(failureOf([&] { full.commit(); }), failure::PathFileAccessError);  // it failed before
    }
    for (const Others others : {Others::Refuse, Others::WriteDirectly})
        EXPECT_EQ(failureOf([&] { replaceFile(dir.string(), "x", others); }), failure::PathFileAccessError);
    EXPECT_TRUE(fs::is_directory(dir));

    // a missing folder: the failure number follows the caller's choice
    const std::string inMissing = (dir / "missing" / "r.txt").string();
    EXPECT_EQ(failureOf([&] { replaceFile(inMissing, "x", Others::Refuse, FileAccess::Read); }), failure::FileNotFound);
    EXPECT_EQ(failureOf([&] { replaceFile(inMissing, "x", Others::Refuse, FileAccess::Write); }),
              failure::PathFileAccessError);
    EXPECT_EQ(names(), std::vector<std::string>{"report.txt"});
    EXPECT_EQ(slurp(older), kOlder);
}

// The report sink's created file: put in place when closed or destroyed normally, not when an
// exception unwinds past it.
TEST_F(Replacement, ACreatedReportReplacesTheOlderOneOnlyWhenFinished)
{
    try {
        FileLineSink sink(older.string(), FileLineSink::Mode::Create);
        sink.writeLine("header of a report that is never finished");
        throw std::runtime_error("the calculation failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(slurp(older), kOlder);
    EXPECT_EQ(names(), std::vector<std::string>{"report.txt"});

    {
        FileLineSink sink(older.string(), FileLineSink::Mode::Create);
        sink.writeLine("header");
    }
    EXPECT_EQ(slurp(older), "header\r\n");

    // more than the sink holds back before writing
    const std::string line(1000, 'x');
    FileLineSink big(older.string(), FileLineSink::Mode::Create);
    for (int i = 0; i < 200; ++i) big.writeLine(line);
    EXPECT_EQ(slurp(older), "header\r\n");
    big.close();
    EXPECT_EQ(fs::file_size(older), 200u * (line.size() + 2));
    EXPECT_EQ(names(), std::vector<std::string>{"report.txt"});
}

}  // namespace
}  // namespace kinetra
