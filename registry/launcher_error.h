#pragma once

#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <utility>

namespace smeltra {

// The numbered errors the launcher raises itself.
namespace error_number {
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kUnsupportedValueType = 1001;
inline constexpr std::int32_t kDuplicateSubkey = 1002;
inline constexpr std::int32_t kOptionsFileRefused = 1003;
}  // namespace error_number

// The one exception type of the launcher: a number (ours, or the platform's
// error code when a system call failed) and the text shown to the user.
class LauncherError : public std::exception {
 public:
  LauncherError(std::int32_t number, std::u16string description)
      : number_(number), description_(std::move(description)) {}

  std::int32_t number() const noexcept { return number_; }
  const std::u16string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return "launcher error"; }

 private:
  std::int32_t number_;
  std::u16string description_;
};

// The text a user is shown for a failure: a LauncherError's description,
// "Out of memory" for a failed allocation, else what the exception says.
inline std::u16string ErrorDescription(const std::exception& error) {
  if (const auto* launcher_error = dynamic_cast<const LauncherError*>(&error)) {
    return launcher_error->description();
  }
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return u"Out of memory";
  std::u16string text;  // the standard library's own texts are ASCII
  for (const char* c = error.what(); *c != '\0'; ++c) text += static_cast<unsigned char>(*c);
  return text;
}

}  // namespace smeltra
