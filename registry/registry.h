#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace smeltra {

// A key handle as the registry hands it out: either one of the predefined hive
// values below or a handle that an OpenKey call returned. Opaque to callers.
using KeyHandle = std::uint64_t;

inline constexpr KeyHandle kHkeyCurrentUser = 0x80000001;
inline constexpr KeyHandle kHkeyLocalMachine = 0x80000002;

// The platform's result codes; the registry reports everything through these.
namespace reg_result {
inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kFileNotFound = 2;
inline constexpr std::int32_t kAccessDenied = 5;
inline constexpr std::int32_t kMoreData = 234;
inline constexpr std::int32_t kNoMoreItems = 259;
}  // namespace reg_result

// The platform's value type codes that the launcher reads.
namespace reg_type {
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;
}  // namespace reg_type

// Access rights. The launcher only ever asks for kKeyRead, plus one view flag.
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWow64_64Key = 0x0100;
inline constexpr std::uint32_t kKeyWow64_32Key = 0x0200;

// On 64-bit Windows HKLM\SOFTWARE is split into a 64-bit and a 32-bit view.
// kNative is whatever the running process sees by default.
enum class RegistryView { kNative, k64Bit, k32Bit };

constexpr std::uint32_t ViewAccessFlag(RegistryView view) {
  return view == RegistryView::k64Bit   ? kKeyWow64_64Key
         : view == RegistryView::k32Bit ? kKeyWow64_32Key
                                        : 0;
}

// The four registry operations the launcher needs, with the platform's result
// codes. Names and paths are UTF-16, exactly as the wide-character registry
// keeps them (unpaired surrogates included); value data comes back exactly as
// stored. Implementations never throw for registry conditions.
class Registry {
 public:
  virtual ~Registry() = default;

  // Opens `path` below `parent` (an empty path opens the key itself again).
  // 0 and a new handle in `opened` on success; any other code leaves `opened`
  // untouched and nothing to close.
  virtual std::int32_t OpenKey(KeyHandle parent, std::u16string_view path, std::uint32_t access,
                               KeyHandle& opened) = 0;

  // The name of the subkey at `index` (counted from 0) in `name`: 0 on
  // success, 259 after the last subkey, another code on any other failure.
  virtual std::int32_t EnumKey(KeyHandle key, std::uint32_t index, std::u16string& name) = 0;

  // Reads `value_name` into `buffer`; `length` is the buffer's size on entry.
  // 0 with the type, data and data length; 234 when the buffer is too small,
  // with `type` and the needed `length` set; 2 when the value does not exist;
  // another code on any other failure.
  virtual std::int32_t QueryValue(KeyHandle key, std::u16string_view value_name,
                                  std::uint32_t& type, std::span<std::uint8_t> buffer,
                                  std::uint32_t& length) = 0;

  // Closes a handle that OpenKey returned. Predefined hives are never closed.
  virtual void CloseKey(KeyHandle key) = 0;
};

}  // namespace smeltra
