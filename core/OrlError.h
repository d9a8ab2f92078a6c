#pragma once
// The one failure type of the panel: an error number and its description, as the
// error log writes them ("Error # 6 - Overflow").

#include <stdexcept>
#include <string>

namespace orl {

enum ErrorNumber : int {
    InvalidProcedureCall = 5,
    OverflowError = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    TypeMismatch = 13,
    InternalError = 51,
    FileNotFound = 53,
    DeviceIOError = 57,
    PermissionDenied = 70,
    PathFileAccessError = 75,
};

class OrlError : public std::runtime_error {
public:
    OrlError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int Number() const { return number_; }
    std::string Description() const { return what(); }

private:
    int number_;
};

[[noreturn]] inline void ThrowOverflow() {
    throw OrlError(OverflowError, "Overflow");
}
[[noreturn]] inline void ThrowSubscript() {
    throw OrlError(SubscriptOutOfRange, "Subscript out of range");
}
[[noreturn]] inline void ThrowInvalidCall() {
    throw OrlError(InvalidProcedureCall, "Invalid procedure call or argument");
}
[[noreturn]] inline void ThrowFileAccess() {
    throw OrlError(PathFileAccessError, "Path/File access error");
}

// Number and description of the failure currently being handled (inside a catch block);
// anything that is not an OrlError is mapped onto the closest number.
struct CurrentError {
    int number;
    std::string description;
};
CurrentError DescribeCurrentError();

} // namespace orl
