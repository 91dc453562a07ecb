#include "launcher/path_text.h"

#include <algorithm>
#include <cstdint>

#include "common/text.h"

namespace smeltra {
namespace {

bool IsBlankOrQuote(char16_t c) { return c == u' ' || c == u'\t' || c == u'"'; }
bool IsLetter(char16_t c) { return (c | 0x20) >= u'a' && (c | 0x20) <= u'z'; }
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }
bool OpensNetworkPath(std::u16string_view path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

constexpr std::size_t kNone = std::u16string_view::npos;

// Where the name that starts at `from` ends; kNone when no name starts there.
std::size_t NameEnd(std::u16string_view path, std::size_t from) {
  if (from >= path.size() || IsSeparator(path[from])) return kNone;
  return std::min(path.find_first_of(u"\\/", from), path.size());
}

// Where "server\share" from `from` ends; kNone without both.
std::size_t ShareEnd(std::u16string_view path, std::size_t from) {
  const std::size_t server = NameEnd(path, from);
  return server == kNone ? kNone : NameEnd(path, server + 1);
}

// Where an absolute path's root ends, its closing separator not counted:
// "C:", "\\server\share", "\\?\C:", "\\?\UNC\server\share"; kNone for any
// other path.
std::size_t RootEnd(std::u16string_view path) {
  if (path.size() >= 3 && IsLetter(path[0]) && path[1] == u':' && IsSeparator(path[2])) return 2;
  if (!OpensNetworkPath(path)) return kNone;
  if (path.size() < 4 || (path[2] != u'?' && path[2] != u'.') || !IsSeparator(path[3])) {
    return ShareEnd(path, 2);
  }
  const std::size_t device = NameEnd(path, 4);
  const bool unc = device == 7 && EqualsIgnoringAsciiCase(path.substr(4, 3), u"unc");
  return unc ? ShareEnd(path, 8) : device;
}

// The root of an absolute folder, without its separator.
std::u16string_view Root(std::u16string_view folder) { return folder.substr(0, RootEnd(folder)); }

}  // namespace

PathKind KindOf(std::u16string_view path) {
  if (RootEnd(path) != kNone) return PathKind::kAbsolute;
  return OpensNetworkPath(path) ? PathKind::kNoFolder : PathKind::kRelative;
}

std::u16string FolderAsWritten(std::u16string_view text) {
  while (!text.empty() && IsBlankOrQuote(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrQuote(text.back())) text.remove_suffix(1);
  while (text.size() > 1 && IsSeparator(text.back()) && text[text.size() - 2] != u':' &&
         !(text.size() == 2 && OpensNetworkPath(text))) {
    text.remove_suffix(1);
  }
  return std::u16string(text);
}

std::u16string FolderOfFile(std::u16string_view file_path) {
  const std::size_t last = file_path.find_last_of(u"\\/");
  if (last == std::u16string_view::npos) return {};
  if (last > 0 && file_path[last - 1] == u':') return std::u16string(file_path.substr(0, last + 1));
  return std::u16string(file_path.substr(0, last));
}

std::u16string Joined(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (!path.empty() && !name.empty() && !IsSeparator(path.back())) path += u'\\';
  return path.append(name);
}

std::u16string RuntimeProgram(std::u16string_view java_home) {
  return std::u16string(java_home) + u"\\bin\\java.exe";
}

std::u16string AbsoluteAgainst(std::u16string_view path, std::u16string_view folder) {
  if (path.empty() || KindOf(path) != PathKind::kRelative) return std::u16string(path);
  if (IsSeparator(path[0])) return std::u16string(Root(folder)).append(path);
  if (path.size() < 2 || path[1] != u':' || !IsLetter(path[0])) return Joined(folder, path);
  const std::u16string_view root = Root(folder);
  const bool same_drive =
      root.ends_with(u':') && (root[root.size() - 2] | 0x20) == (path[0] | 0x20);
  if (same_drive) return Joined(folder, path.substr(2));
  return std::u16string(path.substr(0, 2)).append(u"\\").append(path.substr(2));
}

std::u16string InstallationKey(std::u16string_view folder) {
  std::u16string name;  // the folder in upper case, one '\\' between names
  for (std::size_t at = 0; at < folder.size(); ++at) {
    const char16_t unit = folder[at];
    const bool opening_pair = at == 1 && IsSeparator(folder[0]);  // of "\\server"
    if (IsSeparator(unit) && !name.empty() && name.back() == u'\\' && !opening_pair) continue;
    name += IsSeparator(unit) ? u'\\' : IsLetter(unit) ? static_cast<char16_t>(unit & ~0x20) : unit;
  }
  if (name.starts_with(u"\\\\?\\UNC\\")) {
    name.replace(0, 8, u"\\\\");
  } else if (name.starts_with(u"\\\\?\\")) {
    name.erase(0, 4);
  }
  if (name.ends_with(u'\\') && name.size() > 2) name.pop_back();
  // FNV-1a over the UTF-16 units, each as two bytes.
  std::uint64_t hash = 0xCBF29CE484222325;
  for (const char16_t unit : name) {
    hash = (hash ^ static_cast<std::uint8_t>(unit)) * 0x100000001B3;
    hash = (hash ^ (unit >> 8)) * 0x100000001B3;
  }
  return Hex(hash, 16);
}

}  // namespace smeltra
