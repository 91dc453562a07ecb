#include "launcher/path_text.h"

namespace smeltra {
namespace {

bool IsBlankOrQuote(char16_t c) { return c == u' ' || c == u'\t' || c == u'"'; }
bool IsLetter(char16_t c) { return (c | 0x20) >= u'a' && (c | 0x20) <= u'z'; }

// The root of an absolute folder, without its separator: the drive ("C:",
// "\\?\C:") or the share ("\\server\share").
std::u16string_view Root(std::u16string_view folder) {
  const std::size_t drive = folder.starts_with(u"\\\\?\\") ? 4 : 0;
  if (folder.size() >= drive + 2 && folder[drive + 1] == u':') return folder.substr(0, drive + 2);
  std::size_t end = folder.find_first_of(u"\\/", 2);
  if (end != folder.npos) end = folder.find_first_of(u"\\/", end + 1);
  return folder.substr(0, end);
}

}  // namespace

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsAbsolute(std::u16string_view path) {
  const bool drive =
      path.size() >= 3 && IsLetter(path[0]) && path[1] == u':' && IsSeparator(path[2]);
  return drive || (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]));
}

std::u16string FolderAsWritten(std::u16string_view text) {
  while (!text.empty() && IsBlankOrQuote(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrQuote(text.back())) text.remove_suffix(1);
  while (text.size() > 1 && IsSeparator(text.back()) && text[text.size() - 2] != u':') {
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
  if (path.empty() || IsAbsolute(path)) return std::u16string(path);
  if (IsSeparator(path[0])) return std::u16string(Root(folder)).append(path);
  if (path.size() < 2 || path[1] != u':' || !IsLetter(path[0])) return Joined(folder, path);
  const std::u16string_view root = Root(folder);
  const bool same_drive =
      root.ends_with(u':') && (root[root.size() - 2] | 0x20) == (path[0] | 0x20);
  if (same_drive) return Joined(folder, path.substr(2));
  return std::u16string(path.substr(0, 2)).append(u"\\").append(path.substr(2));
}

}  // namespace smeltra
