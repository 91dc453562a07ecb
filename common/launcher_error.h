#pragma once

#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <utility>

namespace smeltra {

// The one exception type of the launcher: what went wrong, in the words the
// user reads in the box. A step that fails throws it; the start-up catches it
// once and shows it. Where the system refused, its error number comes with
// the words, for the few callers that tell one refusal from another.
class LauncherError : public std::exception {
 public:
  explicit LauncherError(std::u16string description, std::uint32_t code = 0)
      : description_(std::move(description)), code_(code) {}

  const std::u16string& description() const noexcept { return description_; }
  std::uint32_t code() const noexcept { return code_; }
  const char* what() const noexcept override { return "launcher error"; }

 private:
  std::u16string description_;
  std::uint32_t code_;
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
