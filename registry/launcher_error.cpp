#include "registry/launcher_error.h"

#include <new>

namespace smeltra {

std::string ErrorDescription(const std::exception& error) {
  if (const auto* launcher_error = dynamic_cast<const LauncherError*>(&error)) {
    return launcher_error->description();
  }
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return "Out of memory";
  return error.what();
}

}  // namespace smeltra
