// The data file reader: fields, records, the four significant digits the list keeps, the
// 200-record limit and the failures of opening and reading.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "entry/DataFileReader.h"
#include "base/RuntimeFailure.h"

namespace kinetra {
namespace {

const std::string kData = KINETRA_TEST_DATA_DIR;

std::string fixture(const std::string& name) { return kData + "/" + name; }

struct Listed {
    const char* concentration;
    const char* rate;
};

struct FileCase {
    const char* file;
    std::vector<Listed> rows;
    std::vector<int> warnings;
};

class ReadFixture : public ::testing::TestWithParam<FileCase> {};

TEST_P(ReadFixture, ListsTheRecordsAndWarnsForEachOffendingOne)
{
    const FileCase& c = GetParam();
    std::vector<int> warned;
    const std::vector<ReadRecord> got =
        readDataFile(fixture(c.file), [&](int point) { warned.push_back(point); });
    ASSERT_EQ(got.size(), c.rows.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].concentrationText, c.rows[i].concentration) << "record " << i + 1;
        EXPECT_EQ(got[i].rateText, c.rows[i].rate) << "record " << i + 1;
    }
    EXPECT_EQ(warned, c.warnings);
}

INSTANTIATE_TEST_SUITE_P(
    DataFiles, ReadFixture,
    ::testing::Values(
        FileCase{"two_points_crlf.txt", {{"1.000E+00", "2.000E+00"}, {"3.000E+00", "4.000E+00"}}, {}},
        FileCase{"four_fields_one_line.txt", {{"1.000E+00", "2.000E+00"}, {"3.000E+00", "4.000E+00"}}, {}},
        FileCase{"two_points_lf.txt", {{"1.000E+00", "2.000E+00"}, {"3.000E+00", "4.000E+00"}}, {}},
        FileCase{"two_points_cr.txt", {{"1.000E+00", "2.000E+00"}, {"3.000E+00", "4.000E+00"}}, {}},
        FileCase{"two_points_tabs.txt", {{"1.000E+00", "2.000E+00"}, {"3.000E+00", "4.000E+00"}}, {}},
        FileCase{"empty.txt", {}, {}},
        FileCase{"zero_concentration.txt", {{"0.000E+00", "5.000E+00"}}, {1}},
        FileCase{"text_concentration.txt", {{"0.000E+00", "5.000E+00"}}, {1}},
        FileCase{"four_digits_kept.txt", {{"1.235E-03", "5.000E-01"}}, {}},
        FileCase{"warnings_in_order.txt",
                 {{"1.000E+00", "2.000E+00"},
                  {"0.000E+00", "3.000E+00"},
                  {"4.000E+00", "5.000E+00"},
                  {"6.000E+00", "-1.000E+00"},
                  {"0.000E+00", "7.000E+00"}},
                 {2, 4, 5}}),
    [](const ::testing::TestParamInfo<FileCase>& param) {
        std::string name = std::filesystem::path(param.param.file).stem().string();
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return "f" + name;
    });

TEST(DataFileReader, TheAnalysisSeesTheListedValueNotTheFilesDigits)
{
    const std::vector<ReadRecord> got = readDataFile(fixture("four_digits_kept.txt"));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].concentration, 0.001235);
    EXPECT_EQ(got[0].rate, 0.5);
}

TEST(DataFileReader, FieldRulesOnStreams)
{
    struct Case {
        const char* text;
        std::vector<double> values;  // concentration, rate, concentration, rate, ...
    };
    const std::vector<Case> cases = {
        {"1,5", {1, 5}},                          // no line end after the last field
        {"1,,5,6", {1, 0, 5, 6}},                 // an empty field between two commas
        {"  1 ,  2 \r\n", {1, 2}},                // blanks around a comma are one separator
        {"1,\r\n2,3\r\n", {1, 0, 2, 3}},          // a comma, then a line end: an empty field
        {"-2.5e1 +.5\n", {-25, 0.5}},             // signs, lower-case exponent, no leading 0
        {"1.5,2.0\r\n\r\n3,4,5", {1.5, 2, 0, 3, 4, 5}},  // an empty line is a field of 0
        {"12abc 3", {0, 3}},                      // not a number as a whole
        {"inf,nan", {0, 0}},                      // not numbers either
        {"1e-400,2", {0, 2}},                     // below the smallest double
        {"123456789,0.000123456789", {1.235e8, 1.235e-4}},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        const std::vector<ReadRecord> got = readDataFile(in);
        ASSERT_EQ(got.size() * 2, c.values.size()) << c.text;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_DOUBLE_EQ(got[i].concentration, c.values[2 * i]) << c.text;
            EXPECT_DOUBLE_EQ(got[i].rate, c.values[2 * i + 1]) << c.text;
        }
    }
}

TEST(DataFileReader, ReadFailures)
{
    struct Case {
        const char* what;
        std::string path;
        int number;
    };
    const std::vector<Case> cases = {
        {"empty line after the last record", fixture("empty_line_at_end.txt"), failure::InputPastEndOfFile},
        {"record cut off", fixture("record_cut_off.txt"), failure::InputPastEndOfFile},
        {"number too large", fixture("overflow_1e999.txt"), failure::Overflow},
        {"missing file", fixture("no_such_file.txt"), failure::FileNotFound},
        {"missing directory", kData + "/no_such_dir/a.txt", failure::FileNotFound},
        {"a directory", kData, failure::PathFileAccessError},
        {"a device", "/dev/zero", failure::PathFileAccessError},
    };
    for (const Case& c : cases) {
        try {
            readDataFile(c.path);
            ADD_FAILURE() << c.what << ": no failure";
        } catch (const RuntimeFailure& f) {
            EXPECT_EQ(f.number(), c.number) << c.what;
            EXPECT_FALSE(f.description().empty()) << c.what;
        }
    }
}

TEST(DataFileReader, StreamFailuresKeepTheirNumbers)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"1,2\r\n ", failure::InputPastEndOfFile},  // blanks start a record that never ends
        {"1", failure::InputPastEndOfFile},
        {"1,2 3", failure::InputPastEndOfFile},
        {"5,1E999", failure::Overflow},
        {"1.7976E308,1", failure::Overflow},  // a double, but listed as 1.798E+308 it is not
    };
    for (const auto& [text, number] : cases) {
        std::istringstream in(text);
        try {
            readDataFile(in);
            ADD_FAILURE() << text << ": no failure";
        } catch (const RuntimeFailure& f) {
            EXPECT_EQ(f.number(), number) << text;
        }
    }
    std::istringstream nearTheTop("9.9999E307,1");  // rounds to 1.000E+308, still a double
    const auto got = readDataFile(nearTheTop);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].concentrationText, "1.000E+308");
    EXPECT_DOUBLE_EQ(got[0].concentration, 1e308);
}

TEST(DataFileReader, UnreadableFileIsAccessRefused)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    const std::filesystem::path p = std::filesystem::temp_directory_path() / "kinetra_unreadable.txt";
    std::ofstream(p) << "1,2\r\n";
    ::chmod(p.c_str(), 0);
    try {
        readDataFile(p.string());
        ADD_FAILURE() << "no failure";
    } catch (const RuntimeFailure& f) {
        EXPECT_EQ(f.number(), failure::PermissionDenied);
    }
    std::filesystem::remove(p);
}

// A stream that fails the test when more than `fence` characters are asked of it.
class FencedBuffer : public std::streambuf {
public:
    FencedBuffer(std::string text, std::size_t fence) : text_(std::move(text)), fence_(fence) {}

protected:
    int_type underflow() override
    {
        if (next_ >= text_.size()) return traits_type::eof();
        if (next_ >= fence_) throw std::logic_error("read beyond the 200th record");
        // one character at a time, so every character asked for is counted
        current_ = text_[next_++];
        setg(&current_, &current_, &current_ + 1);
        return traits_type::to_int_type(current_);
    }

private:
    std::string text_;
    std::size_t fence_;
    std::size_t next_ = 0;
    char current_ = 0;
};

TEST(DataFileReader, StopsAfter200RecordsWithoutReadingTheRest)
{
    std::ifstream file(fixture("250_records.txt"), std::ios::binary);
    std::ostringstream whole;
    whole << file.rdbuf();
    const std::string text = whole.str();
    const std::size_t record201 = text.find("201,201.5");
    ASSERT_NE(record201, std::string::npos);

    std::istringstream in(text);
    bool warned = false;
    const std::vector<ReadRecord> got = readDataFile(in, [&](int) { warned = true; });
    ASSERT_EQ(got.size(), 200u);
    EXPECT_FALSE(warned);
    EXPECT_EQ(got[199].concentrationText, "2.000E+02");
    EXPECT_EQ(got[199].rateText, "2.005E+02");
    EXPECT_EQ(static_cast<std::size_t>(in.tellg()), record201);

    FencedBuffer fenced(text, record201);
    std::istream guarded(&fenced);
    EXPECT_EQ(readDataFile(guarded).size(), 200u);

    EXPECT_EQ(readDataFile(fixture("250_records.txt")).size(), 200u);
}

TEST(DataFileReader, ExactlyTwoHundredRecordsEndCleanly)
{
    std::string text;
    for (int k = 1; k <= 200; ++k) text += std::to_string(k) + " " + std::to_string(2 * k) + "\n";
    std::istringstream in(text);
    const auto got = readDataFile(in);
    ASSERT_EQ(got.size(), 200u);
    EXPECT_EQ(got[0].concentrationText, "1.000E+00");
    EXPECT_EQ(got[199].rateText, "4.000E+02");
}

TEST(DataFileReader, WarningIsGivenAsTheRecordIsRead)
{
    // the warning of record 1 is out before the cut-off record 2 fails the read
    std::istringstream cut("0,1 2");
    std::vector<int> warned;
    EXPECT_THROW(readDataFile(cut, [&](int p) { warned.push_back(p); }), RuntimeFailure);
    EXPECT_EQ(warned, std::vector<int>{1});
}

// A file read into memory and parsed in place lists what the stream reading lists, warns for
// the same records and fails the same way.
TEST(DataFileReader, TextInMemoryReadsAsTheStream)
{
    const std::vector<std::string> texts = {
        "0.5,20\r\n1,33\r\n2,50\r\n4,67\r\n",
        "0.5 20\n1\t33\n2 50 4 67",
        "0.5\r20\r1,33,2,50\r4,67",
        "1,,2,x\n\n3,4\n",
        "-1.5e2,+.5,5.,1E-300,1.23456789012345678,9.99951,1e-320,0",
        std::string(5000, '7') + ",1",
        "1,2\r\n ",
        "1,2 3",
        "5,1E999",
        "1.7976E308,1",
        "9.9999E307,1",
        "",
    };
    for (const std::string& text : texts) {
        std::istringstream in(text);
        std::vector<int> streamWarned, memoryWarned;
        int streamFailure = 0, memoryFailure = 0;
        std::vector<ReadRecord> fromStream, fromMemory;
        try {
            fromStream = readDataFile(in, [&](int p) { streamWarned.push_back(p); });
        } catch (const RuntimeFailure& f) {
            streamFailure = f.number();
        }
        try {
            fromMemory = readDataText(text, [&](int p) { memoryWarned.push_back(p); });
        } catch (const RuntimeFailure& f) {
            memoryFailure = f.number();
        }
        EXPECT_EQ(memoryFailure, streamFailure) << text;
        EXPECT_EQ(memoryWarned, streamWarned) << text;
        ASSERT_EQ(fromMemory.size(), fromStream.size()) << text;
        for (std::size_t i = 0; i < fromMemory.size(); ++i) {
            EXPECT_EQ(fromMemory[i].concentrationText, fromStream[i].concentrationText) << text;
            EXPECT_EQ(fromMemory[i].rateText, fromStream[i].rateText) << text;
            EXPECT_EQ(fromMemory[i].concentration, fromStream[i].concentration) << text;
            EXPECT_EQ(fromMemory[i].rate, fromStream[i].rate) << text;
        }
    }
}

}  // namespace
}  // namespace kinetra
