#pragma once
// A run-time error with a number and a description, the way every handler reports failures.

#include <stdexcept>
#include <string>

namespace talvoro {

class AppError : public std::runtime_error {
public:
    AppError(long number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    long number() const { return number_; }
    std::string description() const { return what(); }

private:
    long number_;
};

// Error numbers the core raises itself.
inline constexpr long kErrInvalidCall = 5;
inline constexpr long kErrOverflow = 6;
inline constexpr long kErrOutOfMemory = 7;
inline constexpr long kErrSubscript = 9;
inline constexpr long kErrObjectNotSet = 91;
inline constexpr long kErrAlreadyLoaded = 360;
inline constexpr long kErrDialogCancelled = 32755;

}  // namespace talvoro
