#pragma once
// A run-time failure: the one exception type of the program. It carries the
// number and description that desktop users of such programs know (6 Overflow,
// 9 Subscript out of range, 11 Division by zero, 53 File not found, ...).
// It is caught once per large handler (file reading, calculation, each graph
// drawing) and shown with failureText().

#include <exception>
#include <new>
#include <string>

namespace kinetra {

namespace failure {
constexpr int InvalidArgument = 5;      // e.g. the logarithm of a number not above 0
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int DivisionByZero = 11;
constexpr int TypeMismatch = 13;
constexpr int InternalError = 51;     // a fault of the program itself, not of the data
constexpr int FileNotFound = 53;
constexpr int DiskFull = 61;
constexpr int InputPastEndOfFile = 62;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccessError = 75;
constexpr int PrinterError = 482;
}  // namespace failure

class RuntimeFailure : public std::exception {
public:
    RuntimeFailure(int number, std::string description);
    // The failure with its customary description ("Overflow", "Division by zero", ...).
    explicit RuntimeFailure(int number);

    int number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    int number_;
    std::string description_;
};

// Customary description of a failure number; "Application-defined or object-defined error"
// for a number without one.
std::string standardDescription(int number);

// "Error" CR LF CR LF "Erro Number: " n CR LF "Description: " d
std::string failureText(int number, const std::string& description);
inline std::string failureText(const RuntimeFailure& f) { return failureText(f.number(), f.description()); }

// The failure any exception stands for: a RuntimeFailure as it is, an exhausted memory as
// failure 7, anything else as an internal failure (51) with its text.
RuntimeFailure failureOf(const std::exception_ptr& thrown);

// The failure number for a system error code (errno) of opening, reading or writing a file:
// 53 no such file to read, 70 permission denied or read-only, 61 disk full (also a quota or
// size limit reached), 75 anything else (also a missing folder of a file to write).
enum class FileAccess { Read, Write };
int failureNumberForErrno(int err, FileAccess access = FileAccess::Read);

// Throws unless the value is finite; the failure is an overflow, the common cause.
double checkedFinite(double value);

}  // namespace kinetra
