#include "launcher/mod_main.h"

#include <exception>
#include <optional>
#include <variant>

#include "launcher/messages.h"
#include "launcher/runtime_version.h"
#include "registry/launcher_error.h"
#include "registry/mregistry.h"

namespace smeltra {
namespace {

// A NUL cannot stand in a folder name, and one in the command line would cut
// it short at the process start, so the folder ends at the first NUL.
std::u16string UpToFirstNul(std::u16string text) {
  text.resize(std::min(text.size(), text.find(u'\0')));
  return text;
}

std::u16string JavaHomeText(const RegistryValue& value) {
  if (const auto* text = std::get_if<std::u16string>(&value)) return UpToFirstNul(*text);
  if (const auto* number = std::get_if<std::int32_t>(&value)) {
    const std::string digits = std::to_string(*number);
    return std::u16string(digits.begin(), digits.end());
  }
  if (const auto* bytes = std::get_if<RegistryBytes>(&value)) {
    return UpToFirstNul(Utf16FromLeBytes(*bytes));
  }
  return {};
}

class RuntimeSearch {
 public:
  RuntimeSearch(Registry& registry, std::span<const RegistryView> views, Platform& platform)
      : registry_(registry), views_(views), platform_(platform) {}

  // The chosen runtime's home (possibly empty), or nothing when none is usable.
  std::optional<std::u16string> Run() {
    for (const KeyHandle hive : {kHkeyLocalMachine, kHkeyCurrentUser}) {
      if (auto home = ClassicRuntime(hive)) return home;
      if (auto home = NewestVendorRuntime(hive)) return home;
    }
    return std::nullopt;
  }

  bool runtime_key_found() const { return runtime_key_found_; }

 private:
  bool HoldsJava(const std::u16string& home) {
    return platform_.FileExists(home + u"\\bin\\java.exe");
  }

  std::optional<std::u16string> ClassicRuntime(KeyHandle hive) {
    for (const std::u16string_view key_path : kRuntimeKeyPaths) {
      for (const RegistryView view : views_) {
        if (!RegKeyExists(registry_, view, hive, key_path)) continue;
        runtime_key_found_ = true;
        for (const std::u16string& name : RegListSubkeys(registry_, view, hive, key_path)) {
          if (RuntimeVersionNumber(name) < kMinimumRuntimeVersion) continue;
          const std::u16string version_key = std::u16string(key_path) + u"\\" + name;
          std::u16string home =
              JavaHomeText(RegReadValue(registry_, view, hive, version_key, u"JavaHome"));
          if (home.empty() || HoldsJava(home)) return home;
        }
      }
    }
    return std::nullopt;
  }

  std::optional<std::u16string> NewestVendorRuntime(KeyHandle hive) {
    std::optional<std::vector<std::uint32_t>> newest;
    std::u16string newest_home;
    for (const VendorRegistration& vendor : kVendorRegistrations) {
      for (const std::u16string_view key : vendor.keys) {
        if (key.empty()) break;
        const std::u16string key_path = u"SOFTWARE\\" + std::u16string(key);
        for (const RegistryView view : views_) {
          if (!RegKeyExists(registry_, view, hive, key_path)) continue;
          runtime_key_found_ = true;
          for (const std::u16string& name : QuietSubkeys(view, hive, key_path)) {
            const auto version = VendorVersion(name);
            if (!version || version->front() < kMinimumVendorMajor ||
                (newest && *version <= *newest)) {
              continue;
            }
            for (const std::u16string& entry :
                 EntryKeys(vendor, view, hive, key_path + u"\\" + name)) {
              std::u16string home = VendorFolder(view, hive, entry, vendor.folder_value);
              if (home.empty() || !HoldsJava(home)) continue;
              newest = version;
              newest_home = std::move(home);
              break;
            }
          }
        }
      }
    }
    if (!newest) return std::nullopt;
    return newest_home;
  }

  // The keys that may name the folder of one vendor version subkey.
  std::vector<std::u16string> EntryKeys(const VendorRegistration& vendor, RegistryView view,
                                        KeyHandle hive, const std::u16string& version_key) {
    if (!vendor.variant_msi_layout) return {version_key};
    std::vector<std::u16string> keys;
    for (const std::u16string& variant : QuietSubkeys(view, hive, version_key)) {
      keys.push_back(version_key + u"\\" + variant + u"\\MSI");
    }
    return keys;
  }

  // A vendor key that cannot be listed is passed over like one with no runtime.
  std::vector<std::u16string> QuietSubkeys(RegistryView view, KeyHandle hive,
                                           const std::u16string& key_path) {
    try {
      return RegListSubkeys(registry_, view, hive, key_path);
    } catch (const LauncherError&) {
      return {};
    }
  }

  // Only text names a folder here; any other type gives empty text.
  std::u16string VendorFolder(RegistryView view, KeyHandle hive, const std::u16string& key_path,
                              std::u16string_view value_name) {
    try {
      const RegistryValue value = RegReadValue(registry_, view, hive, key_path, value_name);
      if (const auto* text = std::get_if<std::u16string>(&value)) return UpToFirstNul(*text);
    } catch (const LauncherError&) {
    }
    return {};
  }

  Registry& registry_;
  std::span<const RegistryView> views_;
  Platform& platform_;
  bool runtime_key_found_ = false;
};

// The compiler does not carry [[noreturn]] through a virtual call.
[[noreturn]] void EndProgram(Platform& platform, ExitCode code) {
  platform.EndProgram(code);
  std::terminate();
}

void ReportSearchError(Platform& platform, std::u16string_view description) {
  platform.ShowMessage(description);
  platform.ShowMessage(messages::kSearchError);
}

}  // namespace

std::vector<RegistryView> RuntimeSearchViews(bool windows_has_two_views) {
  if (windows_has_two_views) return {RegistryView::k64Bit, RegistryView::k32Bit};
  return {RegistryView::kNative};
}

std::u16string LocateJavaRuntime(Registry& registry, std::span<const RegistryView> views,
                                 Platform& platform) {
  RuntimeSearch search(registry, views, platform);
  std::optional<std::u16string> home;
  try {
    home = search.Run();
  } catch (const std::exception& error) {
    ReportSearchError(platform, ErrorDescription(error));
    return {};
  } catch (...) {
    ReportSearchError(platform, u"Unexpected error");
    return {};
  }

  // Ending the program is not an error: it happens outside the handler.
  if (home) return *home;
  if (!search.runtime_key_found()) {
    platform.ShowMessage(messages::kNotInstalled);
    EndProgram(platform, ExitCode::kNoRuntimeInstalled);
  }
  platform.ShowMessage(messages::kNotNewEnough);
  EndProgram(platform, ExitCode::kNoRuntimeNewEnough);
}

}  // namespace smeltra
