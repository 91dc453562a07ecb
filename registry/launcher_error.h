#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace smeltra {

// The numbered errors the launcher raises and reports.
namespace error_number {
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kUnsupportedValueType = 1001;
inline constexpr std::int32_t kDuplicateSubkey = 1002;
}  // namespace error_number

// The one exception type of the launcher: a number (ours, or the platform's
// error code when a system call failed) and the text shown to the user.
class LauncherError : public std::exception {
 public:
  LauncherError(std::int32_t number, std::string description)
      : number_(number), description_(std::move(description)) {}

  std::int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::int32_t number_;
  std::string description_;
};

// The text a user is shown for a failure: a LauncherError's description,
// "Out of memory" for a failed allocation, else what the exception says.
std::string ErrorDescription(const std::exception& error);

}  // namespace smeltra
