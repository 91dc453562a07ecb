#include "launcher/mod_main.h"

#include <exception>
#include <optional>
#include <variant>

#include "launcher/runtime_messages.h"
#include "launcher/runtime_version.h"
#include "registry/launcher_error.h"
#include "registry/mregistry.h"
#include "registry/text_encoding.h"

namespace smeltra {
namespace {

constexpr std::string_view kJavaHomeValueName = "JavaHome";

struct SearchResult {
  bool runtime_key_found = false;
  std::optional<std::string> java_home;  // set once a new enough runtime is chosen
};

// A NUL cannot stand in a folder name, and one in the command line would cut
// it short at the process start, so the folder ends at the first NUL.
std::string UpToFirstNul(std::string text) {
  text.resize(std::min(text.size(), text.find('\0')));
  return text;
}

std::string JavaHomeText(const RegistryValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return UpToFirstNul(*text);
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_string(*number);
  if (const auto* bytes = std::get_if<RegistryBytes>(&value)) {
    return UpToFirstNul(Utf16ToUtf8(Utf16LeBytesToUnits(*bytes)));
  }
  return {};
}

SearchResult Search(Registry& registry, std::span<const RegistryView> views) {
  SearchResult result;
  for (const std::string_view key_path : kRuntimeKeyPaths) {
    for (const RegistryView view : views) {
      if (!RegKeyExists(registry, view, kHkeyLocalMachine, key_path)) continue;
      result.runtime_key_found = true;
      for (const std::string& name : RegListSubkeys(registry, view, kHkeyLocalMachine, key_path)) {
        if (RuntimeVersionNumber(name) < kMinimumRuntimeVersion) continue;
        const std::string version_key = std::string(key_path) + "\\" + name;
        result.java_home = JavaHomeText(
            RegReadValue(registry, view, kHkeyLocalMachine, version_key, kJavaHomeValueName));
        return result;
      }
    }
  }
  return result;
}

// The compiler does not carry [[noreturn]] through a virtual call.
[[noreturn]] void EndProgram(UserInterface& ui, ExitCode code) {
  ui.EndProgram(code);
  std::terminate();
}

void ReportSearchError(UserInterface& ui, std::string_view description) {
  ui.ShowMessage(description);
  ui.ShowMessage(runtime_messages::kSearchError);
}

}  // namespace

std::vector<RegistryView> RuntimeSearchViews(bool windows_has_two_views) {
  if (windows_has_two_views) return {RegistryView::k64Bit, RegistryView::k32Bit};
  return {RegistryView::kNative};
}

std::string LocateJavaRuntime(Registry& registry, std::span<const RegistryView> views,
                              UserInterface& ui) {
  SearchResult result;
  try {
    result = Search(registry, views);
  } catch (const std::exception& error) {
    ReportSearchError(ui, ErrorDescription(error));
    return {};
  } catch (...) {
    ReportSearchError(ui, "Unexpected error");
    return {};
  }

  // Ending the program is not an error: it happens outside the handler.
  if (result.java_home) return *result.java_home;
  if (!result.runtime_key_found) {
    ui.ShowMessage(runtime_messages::kNotInstalled);
    EndProgram(ui, ExitCode::kNoRuntimeInstalled);
  }
  ui.ShowMessage(runtime_messages::kNotNewEnough);
  EndProgram(ui, ExitCode::kNoRuntimeNewEnough);
}

}  // namespace smeltra
