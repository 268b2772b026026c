// Numbered runtime errors: what a handler may trap, with the Japanese description the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace rt {

// Runtime error numbers that handlers may trap.
constexpr int kErrInvalidCall = 5;
constexpr int kErrOutOfMemory = 7;  // also a window or drawing object that cannot be created
constexpr int kErrObjectNotSet = 91;
constexpr int kErrInvalidProperty = 380;
constexpr int kErrMinMaxResize = 384;

class RuntimeError : public std::runtime_error {
  public:
    explicit RuntimeError(int number);
    int Number() const { return number_; }
    // Japanese description, as shown to the user.
    const std::wstring& Description() const { return description_; }

  private:
    int number_;
    std::wstring description_;
};

std::wstring ErrorDescription(int number);

}  // namespace rt
