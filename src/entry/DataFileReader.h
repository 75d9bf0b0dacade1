#pragma once
// Reading a data file of (concentration, rate) records.
//
// Fields are separated by a comma, by blanks or tabs, or by a line end (CR LF, LF or CR).
// A record is two consecutive fields. A field that is not a number, an empty field and an
// empty line read as 0. At most 200 records are read; the rest of the file is never read.
// A record cut off by the end of the file is a read failure, and so is an empty line after
// the last record (it starts a record that has no rate). Each value is kept as the point
// list keeps it: the "0.000E+00" text, so the analysis sees four significant digits.

#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace kinetra {

struct ReadRecord {
    std::string concentrationText;  // "0.000E+00" with the point as separator
    std::string rateText;
    double concentration = 0.0;     // the value the text reads back as
    double rate = 0.0;
};

// Called once per record whose concentration or rate is not greater than 0, with the
// record's point number, at the moment the record is read (before it is listed).
using ReadWarning = std::function<void(int point)>;

inline constexpr const char* kReadWarningText = "Concentration and rate must be greater than zero";

// Throws RuntimeFailure: 53 the file does not exist, 70 it may not be read, 75 it is a
// directory or cannot be opened otherwise, 62 a record cut off by the end of the file,
// 6 a number too large for a double.
// With RecordTexts::Skipped the records' texts are left empty: for a reader that wants only
// the values, which are the same either way.
enum class RecordTexts { Kept, Skipped };
std::vector<ReadRecord> readDataFile(std::istream& in, const ReadWarning& onWarning = {},
                                     RecordTexts texts = RecordTexts::Kept);
// The same reading of a data file's contents held in memory (fields are read in place).
std::vector<ReadRecord> readDataText(std::string_view text, const ReadWarning& onWarning = {},
                                     RecordTexts texts = RecordTexts::Kept);
std::vector<ReadRecord> readDataFile(const std::string& path, const ReadWarning& onWarning = {},
                                     RecordTexts texts = RecordTexts::Kept);

}  // namespace kinetra
