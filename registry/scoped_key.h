#pragma once

#include <optional>
#include <string_view>
#include <utility>

#include "registry/registry.h"

namespace smeltra {

// Owns one key handle that Registry::OpenKey returned and closes it when it
// goes out of scope, on every path out of the caller, exceptions included.
class ScopedKey {
 public:
  ScopedKey(Registry& registry, KeyHandle handle) : registry_(&registry), handle_(handle) {}
  ScopedKey(ScopedKey&& other) noexcept
      : registry_(other.registry_), handle_(std::exchange(other.handle_, kNoHandle)) {}
  ScopedKey& operator=(ScopedKey&& other) noexcept {
    if (this != &other) {
      Reset();
      registry_ = other.registry_;
      handle_ = std::exchange(other.handle_, kNoHandle);
    }
    return *this;
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ~ScopedKey() { Reset(); }

  KeyHandle get() const { return handle_; }

 private:
  void Reset() noexcept {
    if (handle_ != kNoHandle) registry_->CloseKey(std::exchange(handle_, kNoHandle));
  }

  static constexpr KeyHandle kNoHandle = 0;
  Registry* registry_;
  KeyHandle handle_;
};

// Opens `path` below `parent` for reading in `view`; empty when it cannot be
// opened, for whatever reason.
std::optional<ScopedKey> OpenForReading(Registry& registry, RegistryView view, KeyHandle parent,
                                        std::string_view path);

}  // namespace smeltra
