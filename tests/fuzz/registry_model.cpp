#include "registry_model.h"

#include <algorithm>

#include "registry/text_encoding.h"

namespace smeltra::fuzz {
namespace {

constexpr std::size_t kFirstQuerySize = 1024;

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return Fold(x) == Fold(y); });
}

// UTF-16LE code units, a trailing odd byte ignored.
std::u16string Units(const std::vector<std::uint8_t>& data) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  return units;
}

std::string TextDroppingTerminators(const std::vector<std::uint8_t>& data,
                                    std::size_t terminators) {
  std::u16string units = Units(data);
  while (terminators-- > 0 && !units.empty() && units.back() == u'\0') units.pop_back();
  return Utf16ToUtf8(units);
}

std::string UpToNul(std::string text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace

ModelKey* ModelKey::Subkey(std::string_view subkey_name) {
  for (ModelKey& subkey : subkeys) {
    if (SameName(subkey.name, subkey_name)) return &subkey;
  }
  return nullptr;
}

ModelValue* ModelKey::Value(std::string_view value_name) {
  for (ModelValue& value : values) {
    if (SameName(value.name, value_name)) return &value;
  }
  return nullptr;
}

ModelKey& ModelKey::AddSubkey(std::string_view subkey_name) {
  exists = true;
  if (ModelKey* existing = Subkey(subkey_name)) return *existing;
  ModelKey& added = subkeys.emplace_back();
  added.name = std::string(subkey_name);
  added.exists = true;
  return added;
}

ModelValue& ModelKey::SetValue(std::string_view value_name, std::uint32_t type,
                               std::vector<std::uint8_t> data) {
  exists = true;
  ModelValue* value = Value(value_name);
  if (value == nullptr) {
    value = &values.emplace_back();
    value->name = std::string(value_name);
  }
  value->type = type;
  value->data = std::move(data);
  return *value;
}

std::vector<std::string> Listing(const ModelKey& key) {
  std::vector<std::string> names;
  if (!Openable(key)) return names;
  for (std::size_t i = 0; i < key.subkeys.size(); ++i) {
    if (key.enumeration_failure && key.enumeration_failure->first == i) break;
    names.push_back(key.subkeys[i].name);
  }
  return names;
}

ExpectedRead Convert(std::uint32_t type, const std::vector<std::uint8_t>& data) {
  switch (type) {
    case reg_type::kSz:
    case reg_type::kExpandSz:
      return {false, TextDroppingTerminators(data, 1)};
    case reg_type::kMultiSz:
      return {false, TextDroppingTerminators(data, 2)};
    case reg_type::kDword: {
      std::uint32_t bits = 0;
      for (std::size_t i = 0; i < std::min<std::size_t>(4, data.size()); ++i) {
        bits |= std::uint32_t{data[i]} << (8 * i);
      }
      return {false, static_cast<std::int32_t>(bits)};
    }
    case reg_type::kBinary:
      return {false, data};
    default:
      return {true, {}};
  }
}

ExpectedRead Read(ModelKey* key, std::string_view value_name,
                  const std::optional<RegistryValue>& default_value) {
  const ExpectedRead fallback{false, default_value.value_or(RegistryValue{})};
  if (key == nullptr || !Openable(*key)) return fallback;
  ModelValue* value = key->Value(value_name);
  if (value == nullptr) return fallback;
  if (value->data.size() > kFirstQuerySize && value->grow_by != 0) {
    // Too big for the first buffer, then bigger again than the second.
    value->data.resize(value->data.size() + 2 * std::size_t{value->grow_by}, 0);
    return fallback;
  }
  return Convert(value->type, value->data);
}

std::string JavaHomeText(const RegistryValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return UpToNul(*text);
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_string(*number);
  if (const auto* bytes = std::get_if<RegistryBytes>(&value)) {
    return UpToNul(Utf16ToUtf8(Units(*bytes)));
  }
  return {};
}

}  // namespace smeltra::fuzz
