#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "launcher/platform.h"
#include "registry/registry.h"

namespace smeltra {

// The classic keys, searched in this order: runtimes and development kits up
// to Java 8 under the first two, Java 9 and later under the last two.
inline constexpr std::u16string_view kRuntimeKeyPaths[] = {
    u"SOFTWARE\\JavaSoft\\Java Runtime Environment",
    u"SOFTWARE\\JavaSoft\\Java Development Kit",
    u"SOFTWARE\\JavaSoft\\JRE",
    u"SOFTWARE\\JavaSoft\\JDK",
};

// Where vendor builds register, whose installers write no classic keys by
// default: one row a vendor, its keys below SOFTWARE (unused slots empty),
// whether each version subkey holds a variant subkey ("hotspot", "openj9")
// with the folder in its "MSI" subkey, and the value that names the folder.
struct VendorRegistration {
  std::u16string_view keys[6];
  bool variant_msi_layout;
  std::u16string_view folder_value;
};

inline constexpr VendorRegistration kVendorRegistrations[] = {
    {{u"Eclipse Adoptium\\JDK", u"Eclipse Adoptium\\JRE", u"AdoptOpenJDK\\JDK",
      u"AdoptOpenJDK\\JRE", u"Eclipse Foundation\\JDK", u"Eclipse Foundation\\JRE"},
     true,
     u"Path"},
    {{u"Microsoft\\JDK"}, true, u"Path"},
    {{u"Semeru\\JDK", u"Semeru\\JRE"}, true, u"Path"},
    {{u"Azul Systems\\Zulu", u"Azul Systems\\Zulu 32-bit"}, false, u"InstallationPath"},
    {{u"BellSoft\\Liberica"}, false, u"InstallationPath"},
    {{u"SapMachine\\JDK", u"SapMachine\\JRE"}, false, u"JavaHome"},
};

// The administrator's choice of runtime, taken before every other place.
inline constexpr std::u16string_view kOverrideVariable = u"SMELTRA_JAVA_HOME";

// Where an application's vendor ships a runtime with it, below the
// launcher's folder, in the order they are tried.
inline constexpr std::u16string_view kShippedRuntimeFolders[] = {u"jre", u"runtime"};

// The registry views to search: the 64-bit view before the 32-bit one where
// Windows keeps both, else the one view there is.
std::vector<RegistryView> RuntimeSearchViews(bool windows_has_two_views);

// What the search found for the start: the runtime's home and the java.exe
// to run, by its full path; or why there is none.
struct FoundRuntime {
  // Empty when no runtime folder is known: the command line then starts with
  // plain `java`, as a runtime from the search path has always been named.
  std::u16string home;
  // Without a home, java.exe as Windows would find it for `java`, but never
  // in the launcher's or the current folder; empty when there is none.
  std::u16string program;
  // Why the registry search ended early, when an error ended it; the search
  // then goes on with `java` from the search path.
  std::u16string search_error;
};
// No runtime key anywhere and nothing elsewhere, or keys but nothing usable.
enum class NoRuntime { kNotInstalled, kNotNewEnough };

// Finds the runtime in the order the README gives ("Which Java is chosen"),
// tracing every place looked at and what became of it; shows nothing. Every
// folder it looks at or returns is absolute: a relative one is read against
// `launcher_folder` (which is absolute) or passed over, never read against the
// current folder. Throws LauncherError only for an override that names no
// folder at all.
std::variant<FoundRuntime, NoRuntime> LocateJavaRuntime(Registry& registry,
                                                        std::span<const RegistryView> views,
                                                        Platform& platform,
                                                        std::u16string_view launcher_folder);

}  // namespace smeltra
