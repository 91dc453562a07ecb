#pragma once

#include <span>
#include <string>
#include <string_view>
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

// Finds a runtime and returns its home folder (the JavaHomePath), or empty
// text when none is known, in which case the server is started with `java`
// from the search path (FindJavaOnSearchPath). Each place is asked only when
// the ones before it gave no usable runtime:
// 1. kOverrideVariable, when set and not empty, read like JAVA_HOME below but
//    for a relative folder, which is read against `launcher_folder`, and
//    taken as it is: a wrong setting shows when the start fails. One that
//    names no folder at all (KindOf) throws LauncherError for the start's box.
// 2. kShippedRuntimeFolders below `launcher_folder`, when one holds
//    bin\java.exe.
// 3. The registry, whose answer stands once it has one. HKEY_LOCAL_MACHINE,
//    then HKEY_CURRENT_USER (per-user installs), each the same way, in each of
//    `views` in turn:
//    a. The classic keys, in order: the first subkey of version 1.4 or later
//       wins, unless its JavaHome names a folder without bin\java.exe (left
//       behind by an uninstall), which is passed over. A JavaHome that is
//       missing, empty or unreadable gives empty text and no message. Any
//       error here (a version that is not a number, a JavaHome of an
//       unsupported type) ends the whole search: two boxes, its description
//       then kSearchError, and empty text.
//    b. Only then the vendor keys: of all their runtimes of version 1.4 or
//       later whose folder (text values only) holds bin\java.exe, the newest
//       wins; ties go to the earlier row, key and view. Entries that cannot be
//       read are passed over without a message.
//    A folder stored as REG_EXPAND_SZ has its environment references expanded;
//    a relative one ("jre8", "C:jre8", "\jre8") is read against
//    `launcher_folder`.
// 4. JAVA_HOME, when it names a folder with bin\java.exe. Blanks and double
//    quotes around it are dropped, and so are closing separators; a value
//    that names the bin folder itself stands for its parent. A relative one,
//    or one that names no folder, is passed over.
// 5. PATH: the first absolute entry (read the same way) whose last folder is
//    named bin and holds java.exe; its parent, when it is a folder, is the
//    home. Relative entries would mean the current folder, and shims
//    elsewhere are no runtime's.
// With no runtime key of any kind anywhere and nothing usable elsewhere,
// shows kNotInstalled and ends the program; with keys but nothing usable,
// kNotNewEnough. Every place looked at and what became of it is traced. The
// home returned is absolute when `launcher_folder` is: no folder is looked at
// or started from against the current folder, which whoever starts the
// launcher chooses.
std::u16string LocateJavaRuntime(Registry& registry, std::span<const RegistryView> views,
                                 Platform& platform, std::u16string_view launcher_folder);

// java.exe as Windows would find it for a command line that starts with
// `java`, without the two places where anybody may drop a program: the
// launcher's own folder and the current folder. The system folders, then the
// absolute entries of PATH; empty text when none holds it.
std::u16string FindJavaOnSearchPath(Platform& platform);

}  // namespace smeltra
