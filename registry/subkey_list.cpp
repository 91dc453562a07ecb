#include "registry/subkey_list.h"

#include <algorithm>

#include "registry/launcher_error.h"

namespace smeltra {
namespace {

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Folded(std::string_view text) {
  std::string folded(text);
  std::ranges::transform(folded, folded.begin(), FoldCase);
  return folded;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

bool SubkeyList::Contains(std::string_view name) const {
  return folded_names_.contains(Folded(name));
}

void SubkeyList::Add(std::string name) {
  if (!folded_names_.insert(Folded(name)).second) {
    throw LauncherError(error_number::kDuplicateSubkey, "Duplicate subkey name: " + name);
  }
  names_.push_back(std::move(name));
}

}  // namespace smeltra
