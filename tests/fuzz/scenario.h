#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "registry/memory_registry.h"
#include "registry_model.h"

namespace smeltra::fuzz {

// A registry built from a fuzzer's input, twice: once in the in-memory
// registry that the code under test reads, once in the model that says what
// it must find there.
//
// The input: one settings byte (bit 0: the process's own view is the 32-bit
// one; bit 1: Windows has two views, so both are searched), then operations
// until the input ends, each an opcode byte (taken modulo 7) and its operands:
//   0 runtime key:       key
//   1 version subkey:    key, name
//   2 subkey value:      key, subkey, value name, type, data
//   3 deny access:       key, which (odd: the runtime key, even: a subkey)
//   4 enumeration fails: key, index byte, code byte (0 stands for 259)
//   5 value grows:       key, subkey, value name, bytes per answered 234
//   6 runtime key value: key, value name, type, data
// key: one byte, bit 0 the view (32-bit when set), bits 1-2 which of the four
//   runtime keys.
// subkey: one byte picking among the subkeys added so far (skipped if none).
// name: a length byte (modulo 32) and that many bytes of any value, except
//   that a backslash, which no registry name can hold, becomes a slash and an
//   empty name becomes "_".
// value name: one byte: 0-2 JavaHome spelt in three letter cases; 3 a name
//   like a subkey name (and empty allowed).
// type: one byte, taken modulo 16, or 0xF0 and above for 4 more bytes holding
//   any 32-bit code.
// data: a length byte and that many bytes, then a byte that, when not 0,
//   pads the data with its own bytes repeated by 16 times its value (so a few
//   input bytes reach past the first query's 1024-byte buffer).
struct Scenario {
  explicit Scenario(RegistryView native_view) : model(native_view), registry(native_view) {}

  bool two_views = false;
  RegistryModel model;
  InMemoryRegistry registry;
};

Scenario DecodeScenario(std::span<const std::uint8_t> input);

// The full path of a runtime key, and of a subkey below it.
std::string RuntimeKeyPath(std::size_t index);
std::string SubkeyPath(std::size_t index, std::string_view subkey_name);

}  // namespace smeltra::fuzz
