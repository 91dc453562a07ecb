#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "registry/registry.h"

namespace smeltra::testing {

// A registry in memory that answers like the platform's: the same result
// codes, subkeys in the order they were added, names without regard to ASCII
// case. HKLM has a 64-bit and a 32-bit view (kNative is the 64-bit one);
// HKCU's keys are shared by both views, as on Windows. It keeps the books a
// test needs: open handles, the access masks asked for, query buffer sizes.
class MemoryRegistry final : public Registry {
 public:
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::uint32_t grow_on_more_data = 0;  // grows between two queries
  };
  struct Key {
    std::vector<std::u16string> subkeys;
    std::map<std::u16string, Value> values;
    bool denied = false;
    std::optional<std::pair<std::uint32_t, std::int32_t>> failure;
  };

  void AddKey(RegistryView view, KeyHandle hive, const std::u16string& path) {
    keys_[Id(view, hive, u"")];
    std::u16string parent;
    for (std::size_t cut = 0; cut != std::u16string::npos;) {
      cut = path.find(u'\\', parent.size() + (parent.empty() ? 0 : 1));
      const std::u16string child = path.substr(0, cut);
      if (!keys_.contains(Id(view, hive, child))) {
        const std::size_t start = parent.empty() ? 0 : parent.size() + 1;
        keys_[Id(view, hive, parent)].subkeys.push_back(child.substr(start));
        keys_[Id(view, hive, child)];
      }
      parent = child;
    }
  }
  void SetValue(RegistryView view, KeyHandle hive, const std::u16string& path,
                const std::u16string& name, Value value) {
    AddKey(view, hive, path);
    keys_[Id(view, hive, path)].values[Folded(name)] = std::move(value);
  }
  // REG_SZ as the platform stores it: UTF-16LE with its terminator.
  void SetString(RegistryView view, KeyHandle hive, const std::u16string& path,
                 const std::u16string& name, const std::u16string& text) {
    SetValue(view, hive, path, name, {reg_type::kSz, LeBytes(text + u'\0')});
  }
  // The key at `path`, made when missing, for a test to deny it (5 for every
  // open), fail its enumeration at an index, or list a name twice.
  Key& At(RegistryView view, KeyHandle hive, const std::u16string& path) {
    AddKey(view, hive, path);
    return keys_[Id(view, hive, path)];
  }

  static std::vector<std::uint8_t> LeBytes(std::u16string_view units) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : units) {
      bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
  }

  struct OpenKeyRecord {
    RegistryView view;
    KeyHandle hive;
    std::u16string path;
    Key* key;
  };
  std::map<KeyHandle, OpenKeyRecord> open;
  std::vector<std::uint32_t> access_masks;
  std::vector<std::uint32_t> query_sizes;

  std::int32_t OpenKey(KeyHandle parent, std::u16string_view path, std::uint32_t access,
                       KeyHandle& opened) override {
    access_masks.push_back(access);
    auto [view, hive, base, unused] = Where(parent);
    if (parent == hive && (access & kKeyWow64_32Key) != 0) view = RegistryView::k32Bit;
    const std::u16string full = base.empty()   ? std::u16string(path)
                                : path.empty() ? base
                                               : base + u"\\" + std::u16string(path);
    const auto key = keys_.find(Id(view, hive, full));
    if (key == keys_.end()) return reg_result::kFileNotFound;
    if (key->second.denied) return reg_result::kAccessDenied;
    opened = next_handle_++;
    open[opened] = {view, hive, full, &key->second};
    return reg_result::kSuccess;
  }
  std::int32_t EnumKey(KeyHandle handle, std::uint32_t index, std::u16string& name) override {
    const Key& key = *Where(handle).key;
    if (key.failure && key.failure->first == index) return key.failure->second;
    if (index >= key.subkeys.size()) return reg_result::kNoMoreItems;
    name = key.subkeys[index];
    return reg_result::kSuccess;
  }
  std::int32_t QueryValue(KeyHandle handle, std::u16string_view value_name, std::uint32_t& type,
                          std::span<std::uint8_t> buffer, std::uint32_t& length) override {
    query_sizes.push_back(length);
    auto& values = Where(handle).key->values;
    const auto value = values.find(Folded(std::u16string(value_name)));
    if (value == values.end()) return reg_result::kFileNotFound;
    Value& stored = value->second;
    type = stored.type;
    const std::size_t room = std::min<std::size_t>(length, buffer.size());
    length = static_cast<std::uint32_t>(stored.data.size());
    if (stored.data.size() > room) {
      stored.data.resize(stored.data.size() + stored.grow_on_more_data);
      return reg_result::kMoreData;
    }
    std::copy(stored.data.begin(), stored.data.end(), buffer.begin());
    return reg_result::kSuccess;
  }
  void CloseKey(KeyHandle handle) override { open.erase(handle); }

 private:
  using KeyId = std::tuple<RegistryView, KeyHandle, std::u16string>;

  static std::u16string Folded(std::u16string text) {
    for (char16_t& c : text) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    return text;
  }
  static KeyId Id(RegistryView view, KeyHandle hive, const std::u16string& path) {
    if (view == RegistryView::kNative || hive == kHkeyCurrentUser) view = RegistryView::k64Bit;
    return {view, hive, Folded(path)};
  }
  // A predefined hive is its own root, in the 64-bit view unless the access
  // mask of the open asks for the other.
  OpenKeyRecord Where(KeyHandle handle) {
    const auto found = open.find(handle);
    if (found != open.end()) return found->second;
    return {RegistryView::k64Bit, handle, u"", &keys_[Id(RegistryView::k64Bit, handle, u"")]};
  }

  std::map<KeyId, Key> keys_;
  KeyHandle next_handle_ = 0x1000;
};

}  // namespace smeltra::testing
