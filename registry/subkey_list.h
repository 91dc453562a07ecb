#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace smeltra {

// The names of a key's direct subkeys in enumeration order. Each name is also
// its own lookup key, compared without regard to (ASCII) letter case, so a
// name may appear only once.
class SubkeyList {
 public:
  // Appends `name`; throws LauncherError kDuplicateSubkey when a name equal to
  // it without regard to case is already in the list.
  void Add(std::string name);

  bool Contains(std::string_view name) const;

  const std::vector<std::string>& names() const { return names_; }
  std::size_t size() const { return names_.size(); }
  bool empty() const { return names_.empty(); }
  auto begin() const { return names_.begin(); }
  auto end() const { return names_.end(); }

 private:
  std::vector<std::string> names_;
  std::unordered_set<std::string> folded_names_;
};

// Equality without regard to ASCII letter case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace smeltra
