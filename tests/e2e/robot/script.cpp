#include "script.h"

#include <windows.h>

#include <stdexcept>
#include <string_view>

#include "json_line.h"
#include "unique_handle.h"

namespace smeltra::robot {
namespace {

std::string ReadWholeFile(const std::wstring& path) {
  const HANDLE raw = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open the script");
  const KernelHandle file(raw);
  std::string content;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
    content.append(chunk, got);
  }
  return content;
}

std::vector<std::wstring> SplitFields(std::wstring_view line) {
  std::vector<std::wstring> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find(L'\t', start);
    fields.emplace_back(line.substr(start, tab == std::wstring_view::npos ? tab : tab - start));
    if (tab == std::wstring_view::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::vector<ScriptLine> ReadScript(const std::wstring& path) {
  const std::wstring text = FromUtf8(ReadWholeFile(path));
  std::vector<ScriptLine> script;
  std::size_t start = 0;
  int number = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
    ++number;
    start = end + 1;
    if (line.empty() || line.front() == L'#') continue;
    std::vector<std::wstring> fields = SplitFields(line);
    ScriptLine parsed;
    parsed.number = number;
    parsed.command = fields.front();
    parsed.arguments.assign(fields.begin() + 1, fields.end());
    script.push_back(std::move(parsed));
  }
  return script;
}

}  // namespace smeltra::robot
