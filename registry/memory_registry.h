#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry.h"

namespace smeltra {

// A registry held in memory that answers like the platform's: the same result
// codes, subkeys enumerated in the order they were added, names compared
// without regard to case. It also keeps the books a test needs: open handles,
// every access mask asked for, and the number of value queries. Keys can be
// told to deny access, enumerations to fail at an index and values to grow
// between two queries.
//
// There are two trees, the 64-bit and the 32-bit view; kNative opens in the
// view given to the constructor.
class InMemoryRegistry final : public Registry {
 public:
  explicit InMemoryRegistry(RegistryView native_view = RegistryView::k64Bit);
  ~InMemoryRegistry() override;
  InMemoryRegistry(InMemoryRegistry&&) noexcept;
  InMemoryRegistry& operator=(InMemoryRegistry&&) noexcept;

  // Building the registry. Paths are relative to `hive`; missing keys on the
  // way are created. Keys and values keep the order in which they were added.
  void AddKey(RegistryView view, KeyHandle hive, std::string_view path);
  void SetValue(RegistryView view, KeyHandle hive, std::string_view path, std::string_view name,
                std::uint32_t type, std::vector<std::uint8_t> data);
  // A REG_SZ value as the platform stores it: UTF-16LE with its terminator.
  void SetString(RegistryView view, KeyHandle hive, std::string_view path, std::string_view name,
                 std::string_view utf8);

  // Opening the key answers 5 (access denied).
  void DenyAccess(RegistryView view, KeyHandle hive, std::string_view path);
  // Enumerating the key at `index` answers `code` instead of the name.
  void FailEnumerationAt(RegistryView view, KeyHandle hive, std::string_view path,
                         std::uint32_t index, std::int32_t code);
  // Each time a query answers 234 for this value, the value grows by `bytes`,
  // so the next query finds it larger than it was told.
  void GrowOnQuery(RegistryView view, KeyHandle hive, std::string_view path, std::string_view name,
                   std::uint32_t bytes);

  // The books.
  std::size_t open_handle_count() const { return open_handles_.size(); }
  const std::vector<std::uint32_t>& requested_access() const { return requested_access_; }
  std::size_t query_count() const { return query_count_; }
  std::size_t close_count() const { return close_count_; }

  // Registry.
  std::int32_t OpenKey(KeyHandle parent, std::string_view path, std::uint32_t access,
                       KeyHandle& opened) override;
  std::int32_t EnumKey(KeyHandle key, std::uint32_t index, std::string& name) override;
  std::int32_t QueryValue(KeyHandle key, std::string_view value_name, std::uint32_t& type,
                          std::span<std::uint8_t> buffer, std::uint32_t& length) override;
  void CloseKey(KeyHandle key) override;

 private:
  struct Node;
  struct Value;

  Node& Root(RegistryView view, KeyHandle hive);
  Node& Make(RegistryView view, KeyHandle hive, std::string_view path);
  Node* Resolve(KeyHandle key, RegistryView& view) const;

  RegistryView native_view_;
  std::map<std::pair<RegistryView, KeyHandle>, std::unique_ptr<Node>> roots_;
  struct OpenKeyRecord {
    Node* node;
    RegistryView view;
  };
  std::map<KeyHandle, OpenKeyRecord> open_handles_;
  KeyHandle next_handle_ = 0x1000;
  std::vector<std::uint32_t> requested_access_;
  std::size_t query_count_ = 0;
  std::size_t close_count_ = 0;
};

}  // namespace smeltra
