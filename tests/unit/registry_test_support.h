#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry.h"
#include "registry/text_encoding.h"
#include "tests/support/recording_user_interface.h"

namespace smeltra::testing {

// Names each case of a parameterised test after its `name` field.
struct NameOfCase {
  template <class Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& case_info) const {
    return case_info.param.name;
  }
};

// UTF-16LE bytes of `text`, with `terminators` NUL units after it.
inline std::vector<std::uint8_t> WideBytes(std::u16string_view text, std::size_t terminators = 1) {
  std::u16string units(text);
  units.append(terminators, u'\0');
  return Utf16UnitsToLeBytes(units);
}

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
  return bytes;
}

// True when every access mask asked for is read access plus at most a view flag.
inline bool OnlyReadAccessRequested(const std::vector<std::uint32_t>& masks) {
  for (std::uint32_t mask : masks) {
    if ((mask & ~(kKeyWow64_64Key | kKeyWow64_32Key)) != kKeyRead) return false;
  }
  return true;
}

}  // namespace smeltra::testing
