#include "base/RuntimeFailure.h"

#include <cerrno>
#include <cmath>

namespace kinetra {

RuntimeFailure::RuntimeFailure(int number, std::string description)
    : number_(number), description_(std::move(description))
{
}

RuntimeFailure::RuntimeFailure(int number) : RuntimeFailure(number, standardDescription(number)) {}

std::string standardDescription(int number)
{
    switch (number) {
    case failure::InvalidArgument: return "Invalid procedure call or argument";
    case failure::Overflow: return "Overflow";
    case failure::OutOfMemory: return "Out of memory";
    case failure::InternalError: return "Internal error";
    case failure::SubscriptOutOfRange: return "Subscript out of range";
    case failure::DivisionByZero: return "Division by zero";
    case failure::TypeMismatch: return "Type mismatch";
    case failure::FileNotFound: return "File not found";
    case failure::DiskFull: return "Disk full";
    case failure::InputPastEndOfFile: return "Input past end of file";
    case failure::PermissionDenied: return "Permission denied";
    case failure::PathFileAccessError: return "Path/File access error";
    case failure::PrinterError: return "Printer error";
    default: return "Application-defined or object-defined error";
    }
}

std::string failureText(int number, const std::string& description)
{
    return "Error\r\n\r\nErro Number: " + std::to_string(number) + "\r\nDescription: " + description;
}

RuntimeFailure failureOf(const std::exception_ptr& thrown)
{
    try {
        std::rethrow_exception(thrown);
    } catch (const RuntimeFailure& f) {
        return f;
    } catch (const std::bad_alloc&) {
        return RuntimeFailure(failure::OutOfMemory);
    } catch (const std::exception& e) {
        return RuntimeFailure(failure::InternalError, std::string("Internal error: ") + e.what());
    } catch (...) {
        return RuntimeFailure(failure::InternalError);
    }
}

int failureNumberForErrno(int err, FileAccess access)
{
    switch (err) {
    case ENOENT:
        return access == FileAccess::Read ? failure::FileNotFound : failure::PathFileAccessError;
    case EACCES:
    case EPERM:
    case EROFS: return failure::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return failure::DiskFull;
    default: return failure::PathFileAccessError;
    }
}

double checkedFinite(double value)
{
    if (std::isnan(value)) throw RuntimeFailure(failure::InvalidArgument);
    if (std::isinf(value)) throw RuntimeFailure(failure::Overflow);
    return value;
}

}  // namespace kinetra
