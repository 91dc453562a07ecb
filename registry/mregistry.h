#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "registry/registry.h"

// Read-only helpers over a Registry. None of them writes, and none catches:
// a key or value that is missing or may not be read is reported through the
// result, and every other failure leaves as a LauncherError. Each call opens
// what it needs with read access only, in the given view, and closes it again
// before it returns or throws.
namespace smeltra {

using RegistryBytes = std::vector<std::uint8_t>;

// What RegReadValue hands back: Empty (std::monostate), a signed 32-bit
// integer, text, or the raw bytes of a binary value.
using RegistryValue = std::variant<std::monostate, std::int32_t, std::u16string, RegistryBytes>;

// True when `key_path` below `key` can be opened for reading. An empty path
// names `key` itself.
bool RegKeyExists(Registry& registry, RegistryView view, KeyHandle key,
                  std::u16string_view key_path);

// The direct subkeys of `key_path` below `key`, in enumeration order; empty
// when the key cannot be opened. A failing enumeration ends the list quietly.
// Throws "Duplicate subkey name: <name>" when two names are equal without
// regard to (ASCII) case.
std::vector<std::u16string> RegListSubkeys(Registry& registry, RegistryView view, KeyHandle key,
                                           std::u16string_view key_path);

// Value `value_name` of `key_path` below `key`, converted by its type:
//   REG_SZ, REG_EXPAND_SZ  text, without its terminating NUL when stored with
//                          one; environment references stay unexpanded
//   REG_MULTI_SZ           one text, the strings joined by NULs, without the
//                          list's closing NULs
//   REG_DWORD              signed 32-bit integer, little-endian; missing bytes
//                          of a short value read as zero
//   REG_BINARY             the stored bytes
// A missing key or a value that cannot be read gives Empty. When
// `stored_type` is given, it receives the value's
// registry type when the value was read, else 0, so that a caller can tell
// REG_EXPAND_SZ text. Any other type throws "Unsupported value type". Reads with one 1024-byte
// query; a larger value takes a second query with a buffer of exactly the reported size.
RegistryValue RegReadValue(Registry& registry, RegistryView view, KeyHandle key,
                           std::u16string_view key_path, std::u16string_view value_name,
                           std::uint32_t* stored_type = nullptr);

}  // namespace smeltra
