#include "registry/memory_registry.h"

#include <algorithm>

#include "registry/subkey_list.h"
#include "registry/text_encoding.h"

namespace smeltra {
namespace {

constexpr std::int32_t kInvalidHandle = 6;

bool IsPredefined(KeyHandle key) { return key >= 0x80000000 && key <= 0x80000006; }

// Splits a key path at its separators; false for a path with an empty part.
// One trailing separator is tolerated, as the platform does.
bool SplitPath(std::string_view path, std::vector<std::string_view>& parts) {
  parts.clear();
  if (path.empty()) return true;
  if (path.back() == '\\') path.remove_suffix(1);
  for (;;) {
    const std::size_t cut = path.find('\\');
    const std::string_view part = path.substr(0, cut);
    if (part.empty()) return false;
    parts.push_back(part);
    if (cut == std::string_view::npos) return true;
    path.remove_prefix(cut + 1);
  }
}

}  // namespace

struct InMemoryRegistry::Value {
  std::string name;
  std::uint32_t type = reg_type::kNone;
  std::vector<std::uint8_t> data;
  std::uint32_t grow_by = 0;
};

struct InMemoryRegistry::Node {
  std::string name;
  std::vector<std::unique_ptr<Node>> children;
  std::vector<Value> values;
  bool denied = false;
  std::optional<std::pair<std::uint32_t, std::int32_t>> enumeration_failure;

  Node* Child(std::string_view child_name) const {
    for (const auto& child : children) {
      if (EqualsIgnoringCase(child->name, child_name)) return child.get();
    }
    return nullptr;
  }
  Value* Find(std::string_view value_name) {
    for (auto& value : values) {
      if (EqualsIgnoringCase(value.name, value_name)) return &value;
    }
    return nullptr;
  }
};

InMemoryRegistry::InMemoryRegistry(RegistryView native_view)
    : native_view_(native_view == RegistryView::kNative ? RegistryView::k64Bit : native_view) {}

InMemoryRegistry::~InMemoryRegistry() = default;
InMemoryRegistry::InMemoryRegistry(InMemoryRegistry&&) noexcept = default;
InMemoryRegistry& InMemoryRegistry::operator=(InMemoryRegistry&&) noexcept = default;

InMemoryRegistry::Node& InMemoryRegistry::Root(RegistryView view, KeyHandle hive) {
  if (view == RegistryView::kNative) view = native_view_;
  auto& root = roots_[{view, hive}];
  if (!root) root = std::make_unique<Node>();
  return *root;
}

InMemoryRegistry::Node& InMemoryRegistry::Make(RegistryView view, KeyHandle hive,
                                               std::string_view path) {
  Node* node = &Root(view, hive);
  std::vector<std::string_view> parts;
  SplitPath(path, parts);
  for (const std::string_view part : parts) {
    Node* child = node->Child(part);
    if (child == nullptr) {
      node->children.push_back(std::make_unique<Node>());
      child = node->children.back().get();
      child->name = std::string(part);
    }
    node = child;
  }
  return *node;
}

void InMemoryRegistry::AddKey(RegistryView view, KeyHandle hive, std::string_view path) {
  Make(view, hive, path);
}

void InMemoryRegistry::SetValue(RegistryView view, KeyHandle hive, std::string_view path,
                                std::string_view name, std::uint32_t type,
                                std::vector<std::uint8_t> data) {
  Node& node = Make(view, hive, path);
  Value* value = node.Find(name);
  if (value == nullptr) {
    node.values.push_back(Value{std::string(name), reg_type::kNone, {}, 0});
    value = &node.values.back();
  }
  value->type = type;
  value->data = std::move(data);
}

void InMemoryRegistry::SetString(RegistryView view, KeyHandle hive, std::string_view path,
                                 std::string_view name, std::string_view utf8) {
  std::u16string units = Utf8ToUtf16(utf8);
  units.push_back(u'\0');
  SetValue(view, hive, path, name, reg_type::kSz, Utf16UnitsToLeBytes(units));
}

void InMemoryRegistry::DenyAccess(RegistryView view, KeyHandle hive, std::string_view path) {
  Make(view, hive, path).denied = true;
}

void InMemoryRegistry::FailEnumerationAt(RegistryView view, KeyHandle hive, std::string_view path,
                                         std::uint32_t index, std::int32_t code) {
  Make(view, hive, path).enumeration_failure = {index, code};
}

void InMemoryRegistry::GrowOnQuery(RegistryView view, KeyHandle hive, std::string_view path,
                                   std::string_view name, std::uint32_t bytes) {
  Node& node = Make(view, hive, path);
  if (Value* value = node.Find(name)) value->grow_by = bytes;
}

InMemoryRegistry::Node* InMemoryRegistry::Resolve(KeyHandle key, RegistryView& view) const {
  const auto found = open_handles_.find(key);
  if (found == open_handles_.end()) return nullptr;
  view = found->second.view;
  return found->second.node;
}

std::int32_t InMemoryRegistry::OpenKey(KeyHandle parent, std::string_view path,
                                       std::uint32_t access, KeyHandle& opened) {
  requested_access_.push_back(access);
  RegistryView view = native_view_;
  Node* node = nullptr;
  if (IsPredefined(parent)) {
    if ((access & kKeyWow64_64Key) != 0) view = RegistryView::k64Bit;
    if ((access & kKeyWow64_32Key) != 0) view = RegistryView::k32Bit;
    node = &Root(view, parent);
  } else {
    node = Resolve(parent, view);
    if (node == nullptr) return kInvalidHandle;
  }
  std::vector<std::string_view> parts;
  if (!SplitPath(path, parts)) return reg_result::kBadPathname;
  for (const std::string_view part : parts) {
    node = node->Child(part);
    if (node == nullptr) return reg_result::kFileNotFound;
  }
  if (node->denied) return reg_result::kAccessDenied;
  opened = next_handle_;
  next_handle_ += 4;
  open_handles_[opened] = OpenKeyRecord{node, view};
  return reg_result::kSuccess;
}

std::int32_t InMemoryRegistry::EnumKey(KeyHandle key, std::uint32_t index, std::string& name) {
  RegistryView view{};
  const Node* node = IsPredefined(key) ? &Root(RegistryView::kNative, key) : Resolve(key, view);
  if (node == nullptr) return kInvalidHandle;
  if (node->enumeration_failure && node->enumeration_failure->first == index) {
    return node->enumeration_failure->second;
  }
  if (index >= node->children.size()) return reg_result::kNoMoreItems;
  name = node->children[index]->name;
  return reg_result::kSuccess;
}

std::int32_t InMemoryRegistry::QueryValue(KeyHandle key, std::string_view value_name,
                                          std::uint32_t& type, std::span<std::uint8_t> buffer,
                                          std::uint32_t& length) {
  ++query_count_;
  RegistryView view{};
  Node* node = IsPredefined(key) ? &Root(RegistryView::kNative, key) : Resolve(key, view);
  if (node == nullptr) return kInvalidHandle;
  Value* value = node->Find(value_name);
  if (value == nullptr) return reg_result::kFileNotFound;
  type = value->type;
  const std::size_t room = std::min<std::size_t>(length, buffer.size());
  length = static_cast<std::uint32_t>(value->data.size());
  if (value->data.size() > room) {
    value->data.resize(value->data.size() + value->grow_by, 0);
    return reg_result::kMoreData;
  }
  std::ranges::copy(value->data, buffer.begin());
  return reg_result::kSuccess;
}

void InMemoryRegistry::CloseKey(KeyHandle key) {
  if (IsPredefined(key)) return;
  if (open_handles_.erase(key) != 0) ++close_count_;
}

}  // namespace smeltra
