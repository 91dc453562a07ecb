#include "scenario.h"

#include <ranges>

#include "byte_reader.h"
#include "launcher/mod_main.h"

namespace smeltra::fuzz {
namespace {

struct KeyChoice {
  RegistryView view;
  std::size_t index;
};

KeyChoice ReadKey(ByteReader& in) {
  const std::uint8_t b = in.Byte();
  return {(b & 1) != 0 ? RegistryView::k32Bit : RegistryView::k64Bit,
          static_cast<std::size_t>((b >> 1) & 3)};
}

std::string ToText(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::string ReadSubkeyName(ByteReader& in) {
  std::string name = ToText(in.Bytes(in.Byte() % 32));
  std::ranges::replace(name, '\\', '/');
  return name.empty() ? "_" : name;
}

std::string ReadValueName(ByteReader& in) {
  switch (in.Byte() % 4) {
    case 0:
      return "JavaHome";
    case 1:
      return "JAVAHOME";
    case 2:
      return "javahome";
    default:
      return ToText(in.Bytes(in.Byte() % 16));
  }
}

std::uint32_t ReadType(ByteReader& in) {
  const std::uint8_t b = in.Byte();
  return b >= 0xF0 ? in.U32() : b % 16u;
}

std::vector<std::uint8_t> ReadData(ByteReader& in) {
  std::vector<std::uint8_t> data = in.Bytes(in.Byte());
  const std::size_t pad = std::size_t{in.Byte()} * 16;
  if (pad != 0) {
    const std::size_t stem = data.size();
    for (std::size_t i = 0; i < pad; ++i) data.push_back(stem == 0 ? 0x41 : data[i % stem]);
  }
  return data;
}

// The subkey that `in`'s next byte picks, or null when the key has none.
ModelKey* PickSubkey(ByteReader& in, ModelKey& key) {
  const std::uint8_t b = in.Byte();
  if (key.subkeys.empty()) return nullptr;
  return &key.subkeys[b % key.subkeys.size()];
}

constexpr KeyHandle kHive = kHkeyLocalMachine;

void ApplyOperation(ByteReader& in, Scenario& s) {
  const std::uint8_t opcode = in.Byte() % 7;
  const KeyChoice k = ReadKey(in);
  ModelKey& key = s.model.RuntimeKey(k.view, k.index);
  const std::string path = RuntimeKeyPath(k.index);
  switch (opcode) {
    case 0:
      key.exists = true;
      s.registry.AddKey(k.view, kHive, path);
      break;
    case 1: {
      const std::string name = ReadSubkeyName(in);
      key.AddSubkey(name);
      s.registry.AddKey(k.view, kHive, SubkeyPath(k.index, name));
      break;
    }
    case 2: {
      ModelKey* subkey = PickSubkey(in, key);
      const std::string value_name = ReadValueName(in);
      const std::uint32_t type = ReadType(in);
      std::vector<std::uint8_t> data = ReadData(in);
      if (subkey == nullptr) break;
      subkey->SetValue(value_name, type, data);
      s.registry.SetValue(k.view, kHive, SubkeyPath(k.index, subkey->name), value_name, type,
                          std::move(data));
      break;
    }
    case 3:
      if (in.Byte() % 2 == 1) {
        key.exists = key.denied = true;
        s.registry.DenyAccess(k.view, kHive, path);
      } else if (ModelKey* subkey = PickSubkey(in, key)) {
        subkey->denied = true;
        s.registry.DenyAccess(k.view, kHive, SubkeyPath(k.index, subkey->name));
      }
      break;
    case 4: {
      const std::uint32_t index = in.Byte();
      const std::uint8_t code_byte = in.Byte();
      const std::int32_t code = code_byte == 0 ? reg_result::kNoMoreItems : code_byte;
      key.exists = true;
      key.enumeration_failure = {index, code};
      s.registry.FailEnumerationAt(k.view, kHive, path, index, code);
      break;
    }
    case 5: {
      ModelKey* subkey = PickSubkey(in, key);
      const std::string value_name = ReadValueName(in);
      const std::uint32_t bytes = in.Byte();
      if (subkey == nullptr) break;
      if (ModelValue* value = subkey->Value(value_name)) value->grow_by = bytes;
      s.registry.GrowOnQuery(k.view, kHive, SubkeyPath(k.index, subkey->name), value_name, bytes);
      break;
    }
    default: {
      const std::string value_name = ReadValueName(in);
      const std::uint32_t type = ReadType(in);
      std::vector<std::uint8_t> data = ReadData(in);
      key.SetValue(value_name, type, data);
      s.registry.SetValue(k.view, kHive, path, value_name, type, std::move(data));
      break;
    }
  }
}

}  // namespace

std::string RuntimeKeyPath(std::size_t index) {
  return std::string(kRuntimeKeyPaths[index % std::size(kRuntimeKeyPaths)]);
}

std::string SubkeyPath(std::size_t index, std::string_view subkey_name) {
  return RuntimeKeyPath(index) + "\\" + std::string(subkey_name);
}

Scenario DecodeScenario(std::span<const std::uint8_t> input) {
  ByteReader in(input);
  const std::uint8_t settings = in.Byte();
  Scenario s((settings & 1) != 0 ? RegistryView::k32Bit : RegistryView::k64Bit);
  s.two_views = (settings & 2) != 0;
  while (!in.empty()) ApplyOperation(in, s);
  return s;
}

}  // namespace smeltra::fuzz
