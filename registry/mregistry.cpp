#include "registry/mregistry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "registry/launcher_error.h"
#include "registry/scoped_key.h"
#include "registry/text_encoding.h"

namespace smeltra {
namespace {

constexpr std::uint32_t kFirstBufferSize = 1024;

// Text data is UTF-16LE; drops up to `terminators` trailing NUL units, so a
// value stored without its terminator keeps its last character.
std::string DecodeText(std::span<const std::uint8_t> data, std::size_t terminators) {
  std::u16string units = Utf16LeBytesToUnits(data);
  for (std::size_t i = 0; i < terminators && !units.empty() && units.back() == u'\0'; ++i) {
    units.pop_back();
  }
  return Utf16ToUtf8(units);
}

// Reads the buffer, not the data: a value shorter than four bytes gets its
// missing bytes from the zero-filled buffer.
std::int32_t DecodeDword(std::span<const std::uint8_t> buffer) {
  std::uint32_t bits = 0;
  const std::size_t count = std::min<std::size_t>(4, buffer.size());
  for (std::size_t i = 0; i < count; ++i) bits |= std::uint32_t{buffer[i]} << (8 * i);
  return static_cast<std::int32_t>(bits);
}

}  // namespace

std::optional<ScopedKey> OpenForReading(Registry& registry, RegistryView view, KeyHandle parent,
                                        std::string_view path) {
  KeyHandle opened = 0;
  if (registry.OpenKey(parent, path, kKeyRead | ViewAccessFlag(view), opened) !=
      reg_result::kSuccess) {
    return std::nullopt;
  }
  return std::optional<ScopedKey>(std::in_place, registry, opened);
}

bool RegKeyExists(Registry& registry, RegistryView view, KeyHandle key, std::string_view key_path) {
  return OpenForReading(registry, view, key, key_path).has_value();
}

SubkeyList RegListSubkeys(Registry& registry, RegistryView view, KeyHandle key,
                          std::string_view key_path) {
  SubkeyList subkeys;
  std::optional<ScopedKey> opened;
  if (!key_path.empty()) {
    opened = OpenForReading(registry, view, key, key_path);
    if (!opened) return subkeys;
    key = opened->get();
  }
  std::string name;
  for (std::uint32_t index = 0; registry.EnumKey(key, index, name) == reg_result::kSuccess;
       ++index) {
    subkeys.Add(std::move(name));
    name.clear();
  }
  return subkeys;
}

RegistryValue RegReadValue(Registry& registry, RegistryView view, KeyHandle key,
                           std::string_view key_path, std::string_view value_name,
                           const std::optional<RegistryValue>& default_value) {
  RegistryValue result = default_value.value_or(RegistryValue{});
  const std::optional<ScopedKey> opened = OpenForReading(registry, view, key, key_path);
  if (!opened) return result;

  std::uint32_t type = 0;
  std::uint32_t length = kFirstBufferSize;
  std::vector<std::uint8_t> buffer(kFirstBufferSize);
  std::int32_t code = registry.QueryValue(opened->get(), value_name, type, buffer, length);
  if (code == reg_result::kMoreData) {
    buffer.assign(length, 0);
    code = registry.QueryValue(opened->get(), value_name, type, buffer, length);
  }
  // A value that grew between the two queries is treated as unreadable.
  if (code != reg_result::kSuccess) return result;

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
      throw LauncherError(error_number::kUnsupportedValueType, "Unsupported value type");
  }
}

}  // namespace smeltra
