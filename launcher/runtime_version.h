#pragma once

#include <string_view>

namespace smeltra {

// The oldest runtime the server runs on.
inline constexpr double kMinimumRuntimeVersion = 1.4;

// The version number that a runtime's registry subkey name starts with, read
// from its first three characters (the whole name when shorter): "1.4.2_03"
// reads as 1.4, "1.10" as 1.1, "2" as 2. The full stop is the decimal
// separator whatever the user's locale. Blanks around the number and a sign
// are allowed; anything else that is not digits with at most one full stop
// throws LauncherError kTypeMismatch naming the subkey.
double RuntimeVersionNumber(std::string_view subkey_name);

}  // namespace smeltra
