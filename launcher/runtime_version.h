#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace smeltra {

// The oldest runtime the server runs on.
inline constexpr double kMinimumRuntimeVersion = 1.4;

// The version number that a runtime's subkey under the classic keys starts
// with, read from its first three characters (the whole name when shorter):
// "1.4.2_03" reads as 1.4, "1.10" as 1.1, "2" as 2. The full stop is the
// decimal separator whatever the user's locale. Blanks around the number and
// a sign are allowed; anything else that is not digits with at most one full
// stop throws LauncherError kTypeMismatch naming the subkey.
double RuntimeVersionNumber(std::u16string_view subkey_name);

// A vendor's version subkey name ("21.0.1.12", "zulu-17", "jre-8",
// "1.8.0_392") as the numbers in it, in order, with the "1." of the old
// numbering dropped so that 1.8 and 8 compare equal; comparing two results
// orders the runtimes by version. Empty when the name holds no number or one
// too large to read.
std::optional<std::vector<std::uint32_t>> VendorVersion(std::u16string_view subkey_name);

// VendorVersion's form of kMinimumRuntimeVersion: 1.4 and 4 are the same.
inline constexpr std::uint32_t kMinimumVendorMajor = 4;

}  // namespace smeltra
