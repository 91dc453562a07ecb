#include "launcher/path_text.h"

namespace smeltra {
namespace {

bool IsBlankOrQuote(char16_t c) { return c == u' ' || c == u'\t' || c == u'"'; }

}  // namespace

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsAbsolute(std::u16string_view path) {
  const bool drive = path.size() >= 3 && (path[0] | 0x20) >= u'a' && (path[0] | 0x20) <= u'z' &&
                     path[1] == u':' && IsSeparator(path[2]);
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
  if (!path.empty() && !IsSeparator(path.back())) path += u'\\';
  return path.append(name);
}

std::u16string RuntimeProgram(std::u16string_view java_home) {
  return std::u16string(java_home) + u"\\bin\\java.exe";
}

}  // namespace smeltra
