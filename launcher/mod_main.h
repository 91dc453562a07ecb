#pragma once

#include <span>
#include <string>
#include <vector>

#include "launcher/user_interface.h"
#include "registry/registry.h"

namespace smeltra {

// Where runtimes register, searched in this order: runtimes and development
// kits up to Java 8 under the first two, Java 9 and later under the last two.
inline constexpr std::string_view kRuntimeKeyPaths[] = {
    "SOFTWARE\\JavaSoft\\Java Runtime Environment",
    "SOFTWARE\\JavaSoft\\Java Development Kit",
    "SOFTWARE\\JavaSoft\\JRE",
    "SOFTWARE\\JavaSoft\\JDK",
};

// The registry views to search: the 64-bit view before the 32-bit one where
// Windows keeps both, else the one view there is.
std::vector<RegistryView> RuntimeSearchViews(bool windows_has_two_views);

// Finds the first runtime of version 1.4 or later under HKEY_LOCAL_MACHINE and
// returns its JavaHome folder exactly as stored (the JavaHomePath), or empty
// text when none is known, in which case the server is started with `java`
// from the search path.
//
// Each key of kRuntimeKeyPaths is searched in each of `views` in turn; the
// first key and view with a subkey whose version is 1.4 or later wins, and
// within a key the first such subkey in enumeration order. The chosen
// runtime's JavaHome, when missing, empty or unreadable, gives empty text and
// no message.
//
// When no runtime key exists, or none holds a new enough version, tells the
// user and ends the program through `ui`. Any error during the search is shown to the user in two
// boxes, its description then kSearchError, and gives empty text; nothing escapes.
std::string LocateJavaRuntime(Registry& registry, std::span<const RegistryView> views,
                              UserInterface& ui);

}  // namespace smeltra
