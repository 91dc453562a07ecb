#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "registry/registry.h"
#include "registry/registry_value.h"

namespace smeltra::fuzz {

// The fuzz target's own account of what it stored in the in-memory registry,
// kept apart from it so that every answer of the code under test can be
// compared with what the documented rules say it must be.
//
// Only the four runtime keys exist, in two views, each with version subkeys;
// names compare without regard to ASCII case, as the registry's do.

struct ModelValue {
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  std::uint32_t grow_by = 0;  // bytes the value grows by each time a query answers 234
};

struct ModelKey {
  std::string name;
  bool exists = false;
  bool denied = false;
  std::optional<std::pair<std::uint32_t, std::int32_t>> enumeration_failure;  // index, code
  std::vector<ModelKey> subkeys;
  std::vector<ModelValue> values;

  ModelKey* Subkey(std::string_view subkey_name);
  ModelValue* Value(std::string_view value_name);
  // The existing subkey or value of that name when there is one, as the registry does.
  ModelKey& AddSubkey(std::string_view subkey_name);
  ModelValue& SetValue(std::string_view value_name, std::uint32_t type,
                       std::vector<std::uint8_t> data);
};

// One RegReadValue call as the documented rules answer it: either error 1001
// or a value (the converted data, or the caller's default).
struct ExpectedRead {
  bool unsupported_type = false;
  RegistryValue value;
};

class RegistryModel {
 public:
  static constexpr std::size_t kKeyCount = 4;

  explicit RegistryModel(RegistryView native_view) : native_view_(native_view) {}

  RegistryView native_view() const { return native_view_; }
  // k64Bit or k32Bit: the tree that `view` reaches.
  RegistryView Resolve(RegistryView view) const {
    return view == RegistryView::kNative ? native_view_ : view;
  }
  ModelKey& RuntimeKey(RegistryView view, std::size_t index) {
    return keys_[Resolve(view) == RegistryView::k32Bit ? 1 : 0][index % kKeyCount];
  }

 private:
  RegistryView native_view_;
  std::array<std::array<ModelKey, kKeyCount>, 2> keys_{};
};

inline bool Openable(const ModelKey& key) { return key.exists && !key.denied; }

// The names an enumeration yields: all subkeys in order, cut short where the
// enumeration fails; none when the key cannot be opened.
std::vector<std::string> Listing(const ModelKey& key);

// Reads `value_name` of `key` (null: a key that does not exist) as the
// registry and the documented conversion answer. Growing values grow here
// exactly as they do in the registry, so call this once per real read.
ExpectedRead Read(ModelKey* key, std::string_view value_name,
                  const std::optional<RegistryValue>& default_value);

// The documented conversion alone, for a value that could be read.
ExpectedRead Convert(std::uint32_t type, const std::vector<std::uint8_t>& data);

// The text that discovery makes of a value: text up to its first NUL, an
// integer's decimal digits, a byte array as UTF-16 text; Empty gives "".
std::string JavaHomeText(const RegistryValue& value);

}  // namespace smeltra::fuzz
