#include "launcher/mod_main.h"

#include <exception>
#include <optional>
#include <variant>

#include "common/launcher_error.h"
#include "common/text.h"
#include "launcher/messages.h"
#include "launcher/path_text.h"
#include "launcher/runtime_version.h"
#include "registry/mregistry.h"

namespace smeltra {
namespace {

// What became of a place the search looked at, in the words of its trace.
enum class Outcome {
  kUsed,
  kUsable,
  kNotThere,
  kNoJava,
  kTooOld,
  kNotNewest,
  kUnreadable,
  kRelative,
  kNoFolder
};
constexpr std::u16string_view kOutcomeWords[] = {
    u"used",           u"usable",         u"not there",  u"no bin\\java.exe",
    u"too old",        u"not the newest", u"unreadable", u"relative, passed over",
    u"names no folder"};
constexpr std::u16string_view kViewNames[] = {u"", u" (64-bit view)", u" (32-bit view)"};

// Whether the last folder is named bin, in any case, as Windows compares it.
bool EndsInBin(std::u16string_view folder) {
  const std::u16string_view name = folder.substr(folder.find_last_of(u"\\/") + 1);
  return EqualsIgnoringAsciiCase(name, u"bin");
}

// PATH's entries, split at the semicolons outside double quotes.
std::vector<std::u16string> PathEntries(std::u16string_view path) {
  std::vector<std::u16string> entries;
  bool quoted = false;
  for (std::size_t start = 0, at = 0; at <= path.size(); ++at) {
    if (at < path.size() && path[at] == u'"') quoted = !quoted;
    if (at < path.size() && (path[at] != u';' || quoted)) continue;
    entries.push_back(FolderAsWritten(path.substr(start, at - start)));
    start = at + 1;
  }
  return entries;
}

// A NUL cannot stand in a folder name, and one in the command line would cut
// it short at the process start, so the folder ends at the first NUL.
std::u16string UpToFirstNul(std::u16string text) {
  text.resize(std::min(text.size(), text.find(u'\0')));
  return text;
}

std::u16string JavaHomeText(const RegistryValue& value) {
  if (const auto* text = std::get_if<std::u16string>(&value)) return UpToFirstNul(*text);
  if (const auto* number = std::get_if<std::int32_t>(&value)) {
    const auto bits = static_cast<std::uint32_t>(*number);
    return *number < 0 ? u"-" + Decimal(0u - bits) : Decimal(bits);
  }
  if (const auto* bytes = std::get_if<RegistryBytes>(&value)) {
    return UpToFirstNul(Utf16FromLeBytes(*bytes));
  }
  return {};
}

std::u16string PathVariable(Platform& platform) {
  return platform.EnvironmentVariable(u"PATH").value_or(u"");
}

class RuntimeSearch {
 public:
  RuntimeSearch(Registry& registry, std::span<const RegistryView> views, Platform& platform,
                std::u16string_view launcher_folder)
      : registry_(registry),
        views_(views),
        platform_(platform),
        launcher_folder_(launcher_folder) {}

  // The chosen runtime's home (empty: java from the search path), or nothing
  // when no place has a usable one.
  std::optional<std::u16string> Run() {
    using Source = std::optional<std::u16string> (RuntimeSearch::*)();
    static constexpr Source kSources[] = {
        &RuntimeSearch::Shipped,
        &RuntimeSearch::Registered,
        &RuntimeSearch::JavaHome,
        &RuntimeSearch::OnPath,
    };
    for (const Source source : kSources) {
      if (auto home = (this->*source)()) return home;
    }
    return std::nullopt;
  }

  bool runtime_key_found() const { return runtime_key_found_; }

  // The administrator's word: taken as it is, or, naming no folder at all,
  // refused as the start's failure rather than passed over for another runtime.
  std::optional<std::u16string> Override() {
    const std::u16string text = Variable(kOverrideVariable);
    std::u16string home = RuntimeAround(Absolute(text));
    if (home.empty()) {
      Report(kOverrideVariable, Outcome::kNotThere);
      return std::nullopt;
    }
    const std::u16string place = std::u16string(kOverrideVariable) + u" " + home;
    if (!IsAbsolute(home)) {
      Report(place, Outcome::kNoFolder);
      throw LauncherError(std::u16string(kOverrideVariable) + u" " + text +
                          std::u16string(messages::kOverrideNoFolder));
    }
    Report(place, Outcome::kUsed);
    return home;
  }

 private:
  void Report(std::u16string_view place, Outcome outcome) {
    platform_.Trace(std::u16string(place) + u": " +
                    std::u16string(kOutcomeWords[static_cast<int>(outcome)]));
  }

  // Whether `home` is a folder that holds bin\java.exe, reported as the
  // place's outcome. Only an absolute folder is looked at: anything else
  // would be looked for in the current folder, or on no server at all.
  bool Usable(std::u16string_view place, const std::u16string& home, Outcome when_usable) {
    if (!IsAbsolute(home)) {
      Report(place, Outcome::kNoFolder);
      return false;
    }
    const bool usable = platform_.FileExists(RuntimeProgram(home));
    Report(place, usable ? when_usable : Outcome::kNoJava);
    return usable;
  }

  // Every folder read from the registry or the override goes through here
  // before anything looks at it or starts from it. A relative one means the
  // folder beside the launcher, as an installer or administrator writes it;
  // read against the current folder, it would let whoever chose that folder
  // (a shortcut, a Downloads folder) choose the program that runs.
  std::u16string Absolute(std::u16string_view folder) const {
    return AbsoluteAgainst(folder, launcher_folder_);
  }

  // A variable's folder, read as people write it.
  std::u16string Variable(std::u16string_view name) {
    return FolderAsWritten(platform_.EnvironmentVariable(name).value_or(u""));
  }

  // A folder that names a bin folder stands for the runtime around it.
  static std::u16string RuntimeAround(std::u16string folder) {
    return EndsInBin(folder) ? FolderOfFile(folder) : folder;
  }

  std::optional<std::u16string> Shipped() {
    for (const std::u16string_view name : kShippedRuntimeFolders) {
      std::u16string home = Joined(launcher_folder_, name);
      if (Usable(home, home, Outcome::kUsed)) return home;
    }
    return std::nullopt;
  }

  std::optional<std::u16string> Registered() {
    for (const KeyHandle hive : {kHkeyLocalMachine, kHkeyCurrentUser}) {
      if (auto home = ClassicRuntime(hive)) return home;
      if (auto home = NewestVendorRuntime(hive)) return home;
    }
    if (!runtime_key_found_) Report(u"registry", Outcome::kNotThere);
    return std::nullopt;
  }

  std::optional<std::u16string> JavaHome() {
    std::u16string home = Variable(u"JAVA_HOME");
    if (home.empty()) {
      Report(u"JAVA_HOME", Outcome::kNotThere);
      return std::nullopt;
    }
    // Nobody sets it for one program's folder, so a relative one has no
    // folder to be read against but the current one.
    if (KindOf(home) == PathKind::kRelative) {
      Report(u"JAVA_HOME " + home, Outcome::kRelative);
      return std::nullopt;
    }
    home = RuntimeAround(std::move(home));
    if (!Usable(u"JAVA_HOME " + home, home, Outcome::kUsed)) return std::nullopt;
    return home;
  }

  std::optional<std::u16string> OnPath() {
    bool any = false;
    for (const std::u16string& entry : PathEntries(PathVariable(platform_))) {
      if (KindOf(entry) == PathKind::kRelative || !EndsInBin(entry)) continue;
      any = true;
      std::u16string home = FolderOfFile(entry);
      if (Usable(u"PATH " + entry, home, Outcome::kUsed)) return home;
    }
    if (!any) Report(u"PATH", Outcome::kNotThere);
    return std::nullopt;
  }

  static std::u16string Place(KeyHandle hive, std::u16string_view key_path,
                              std::u16string_view name, RegistryView view) {
    return (hive == kHkeyLocalMachine ? u"HKLM\\" : u"HKCU\\") + std::u16string(key_path) + u"\\" +
           std::u16string(name) + std::u16string(kViewNames[static_cast<int>(view)]);
  }

  // A registry folder as the search uses it: REG_EXPAND_SZ expanded, then
  // made absolute.
  std::u16string RegisteredFolder(std::u16string folder, std::uint32_t type) {
    return Absolute(type == reg_type::kExpandSz ? platform_.ExpandEnvironment(folder) : folder);
  }

  std::optional<std::u16string> ClassicRuntime(KeyHandle hive) {
    for (const std::u16string_view key_path : kRuntimeKeyPaths) {
      for (const RegistryView view : views_) {
        if (!RegKeyExists(registry_, view, hive, key_path)) continue;
        runtime_key_found_ = true;
        for (const std::u16string& name : RegListSubkeys(registry_, view, hive, key_path)) {
          const std::u16string place = Place(hive, key_path, name, view);
          if (RuntimeVersionNumber(name) < kMinimumRuntimeVersion) {
            Report(place, Outcome::kTooOld);
            continue;
          }
          const std::u16string version_key = std::u16string(key_path) + u"\\" + name;
          std::uint32_t type = 0;
          const RegistryValue value =
              RegReadValue(registry_, view, hive, version_key, u"JavaHome", &type);
          std::u16string home = RegisteredFolder(JavaHomeText(value), type);
          if (home.empty()) {
            Report(place + u", without a folder", Outcome::kUsed);
            return home;
          }
          if (Usable(place, home, Outcome::kUsed)) return home;
        }
      }
    }
    return std::nullopt;
  }

  std::optional<std::u16string> NewestVendorRuntime(KeyHandle hive) {
    std::optional<std::vector<std::uint32_t>> newest;
    std::u16string newest_home, newest_place;
    for (const VendorRegistration& vendor : kVendorRegistrations) {
      for (const std::u16string_view key : vendor.keys) {
        if (key.empty()) break;
        const std::u16string key_path = u"SOFTWARE\\" + std::u16string(key);
        for (const RegistryView view : views_) {
          if (!RegKeyExists(registry_, view, hive, key_path)) continue;
          runtime_key_found_ = true;
          for (const std::u16string& name : QuietSubkeys(view, hive, key_path)) {
            const std::u16string place = Place(hive, key_path, name, view);
            const auto version = VendorVersion(name);
            if (!version || version->front() < kMinimumVendorMajor) {
              Report(place, version ? Outcome::kTooOld : Outcome::kUnreadable);
              continue;
            }
            if (newest && *version <= *newest) {
              Report(place, Outcome::kNotNewest);
              continue;
            }
            for (const std::u16string& entry :
                 EntryKeys(vendor, view, hive, key_path + u"\\" + name)) {
              std::u16string home = VendorFolder(view, hive, entry, vendor.folder_value);
              if (home.empty()) {
                Report(place, Outcome::kUnreadable);
                continue;
              }
              if (!Usable(place, home, Outcome::kUsable)) continue;
              newest = version;
              newest_home = std::move(home);
              newest_place = place;
              break;
            }
          }
        }
      }
    }
    if (!newest) return std::nullopt;
    Report(newest_place, Outcome::kUsed);
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
      Report(Place(hive, key_path, u"", view), Outcome::kUnreadable);
      return {};
    }
  }

  // Only text names a folder here; any other type gives empty text.
  std::u16string VendorFolder(RegistryView view, KeyHandle hive, const std::u16string& key_path,
                              std::u16string_view value_name) {
    try {
      std::uint32_t type = 0;
      const RegistryValue value = RegReadValue(registry_, view, hive, key_path, value_name, &type);
      if (const auto* text = std::get_if<std::u16string>(&value)) {
        return RegisteredFolder(UpToFirstNul(*text), type);
      }
    } catch (const LauncherError&) {
    }
    return {};
  }

  Registry& registry_;
  std::span<const RegistryView> views_;
  Platform& platform_;
  std::u16string_view launcher_folder_;
  bool runtime_key_found_ = false;
};

// java.exe as Windows would find it for a command line that starts with
// `java`, without the two places where anybody may drop a program: the
// launcher's own folder and the current folder. The system folders, then the
// absolute entries of PATH; empty text when none holds it.
std::u16string JavaOnSearchPath(Platform& platform) {
  std::vector<std::u16string> folders = platform.SystemFolders();
  for (std::u16string& entry : PathEntries(PathVariable(platform))) {
    if (IsAbsolute(entry)) folders.push_back(std::move(entry));
  }
  for (const std::u16string& folder : folders) {
    std::u16string program = Joined(folder, u"java.exe");
    if (platform.FileExists(program)) {
      platform.Trace(u"java from the search path: " + program);
      return program;
    }
  }
  platform.Trace(u"java from the search path: not there");
  return {};
}

}  // namespace

std::vector<RegistryView> RuntimeSearchViews(bool windows_has_two_views) {
  if (windows_has_two_views) return {RegistryView::k64Bit, RegistryView::k32Bit};
  return {RegistryView::kNative};
}

std::variant<FoundRuntime, NoRuntime> LocateJavaRuntime(Registry& registry,
                                                        std::span<const RegistryView> views,
                                                        Platform& platform,
                                                        std::u16string_view launcher_folder) {
  RuntimeSearch search(registry, views, platform, launcher_folder);
  std::optional<std::u16string> home = search.Override();
  FoundRuntime found;
  try {
    if (!home) home = search.Run();
  } catch (const std::exception& error) {
    found.search_error = ErrorDescription(error);
    platform.Trace(u"search ended by an error: " + found.search_error);
    home.emplace();
  }
  if (!home)
    return search.runtime_key_found() ? NoRuntime::kNotNewEnough : NoRuntime::kNotInstalled;
  found.home = std::move(*home);
  found.program = found.home.empty() ? JavaOnSearchPath(platform) : RuntimeProgram(found.home);
  return found;
}

}  // namespace smeltra
