#include "registry/mregistry.h"
#include "common/text.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

#include "common/launcher_error.h"

namespace smeltra {
namespace {

constexpr std::uint32_t kFirstBufferSize = 1024;

// Owns a key that Registry::OpenKey returned and closes it on every path out
// of the helper, exceptions included.
class ScopedKey {
 public:
  ScopedKey(Registry& registry, KeyHandle handle) : registry_(registry), handle_(handle) {}
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ~ScopedKey() { registry_.CloseKey(handle_); }
  KeyHandle get() const { return handle_; }

 private:
  Registry& registry_;
  KeyHandle handle_;
};

// Opens `path` for reading; empty when it cannot be opened, for any reason.
std::optional<ScopedKey> OpenForReading(Registry& registry, RegistryView view, KeyHandle parent,
                                        std::u16string_view path) {
  KeyHandle opened = 0;
  if (registry.OpenKey(parent, path, kKeyRead | ViewAccessFlag(view), opened) !=
      reg_result::kSuccess) {
    return std::nullopt;
  }
  return std::optional<ScopedKey>(std::in_place, registry, opened);
}

std::u16string FoldedAsciiCase(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return text;
}

// Drops up to `terminators` trailing NUL units, so that a value stored
// without its terminator keeps its last character.
std::u16string DecodeText(std::span<const std::uint8_t> data, std::size_t terminators) {
  std::u16string units = Utf16FromLeBytes(data);
  for (std::size_t i = 0; i < terminators && !units.empty() && units.back() == u'\0'; ++i) {
    units.pop_back();
  }
  return units;
}

// Reads the buffer, not the data: a value shorter than four bytes gets its
// missing bytes from the zero-filled buffer.
std::int32_t DecodeDword(std::span<const std::uint8_t> buffer) {
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < 4 && i < buffer.size(); ++i)
    bits |= std::uint32_t{buffer[i]} << (8 * i);
  return static_cast<std::int32_t>(bits);
}

std::vector<std::u16string> ListSubkeys(Registry& registry, KeyHandle key) {
  std::vector<std::u16string> names;
  std::unordered_set<std::u16string> folded;
  std::u16string name;
  for (std::uint32_t index = 0; registry.EnumKey(key, index, name) == reg_result::kSuccess;
       ++index) {
    if (!folded.insert(FoldedAsciiCase(name)).second) {
      throw LauncherError(u"Duplicate subkey name: " + name);
    }
    names.push_back(std::exchange(name, {}));
  }
  return names;
}

}  // namespace

bool RegKeyExists(Registry& registry, RegistryView view, KeyHandle key,
                  std::u16string_view key_path) {
  return OpenForReading(registry, view, key, key_path).has_value();
}

std::vector<std::u16string> RegListSubkeys(Registry& registry, RegistryView view, KeyHandle key,
                                           std::u16string_view key_path) {
  const std::optional<ScopedKey> opened = OpenForReading(registry, view, key, key_path);
  if (!opened) return {};
  return ListSubkeys(registry, opened->get());
}

RegistryValue RegReadValue(Registry& registry, RegistryView view, KeyHandle key,
                           std::u16string_view key_path, std::u16string_view value_name,
                           std::uint32_t* stored_type) {
  if (stored_type != nullptr) *stored_type = 0;
  const std::optional<ScopedKey> opened = OpenForReading(registry, view, key, key_path);
  if (!opened) return {};

  std::uint32_t type = 0;
  std::uint32_t length = kFirstBufferSize;
  std::vector<std::uint8_t> buffer(kFirstBufferSize);
  std::int32_t code = registry.QueryValue(opened->get(), value_name, type, buffer, length);
  if (code == reg_result::kMoreData) {
    buffer.assign(length, 0);
    code = registry.QueryValue(opened->get(), value_name, type, buffer, length);
  }
  // A value that grew between the two queries is treated as unreadable.
  if (code != reg_result::kSuccess) return {};
  if (stored_type != nullptr) *stored_type = type;

  const std::span<const std::uint8_t> data(buffer.data(),
                                           std::min<std::size_t>(length, buffer.size()));
  switch (type) {
    case reg_type::kSz:
    case reg_type::kExpandSz:
      return DecodeText(data, 1);
    case reg_type::kMultiSz:
      return DecodeText(data, 2);
    case reg_type::kDword:
      return DecodeDword(buffer);
    case reg_type::kBinary:
      return RegistryBytes(data.begin(), data.end());
    default:
      throw LauncherError(u"Unsupported value type");
  }
}

}  // namespace smeltra
