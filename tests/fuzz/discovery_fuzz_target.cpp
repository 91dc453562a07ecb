// Fuzzes the runtime search over a registry built from the input, and checks
// what must hold whatever the registry holds: every key closed again, read
// access only, one of the documented sequences of boxes, and a chosen folder
// that was stored and holds bin\java.exe.
//
// The input: a settings byte (bit 0: Windows has two views), then operations,
// each an opcode byte and its operands, until the input ends:
//   0 add key      parent byte (a runtime key or one added before), name,
//                  a byte whose bit 0 adds "\MSI" below, bit 1 the 32-bit
//                  view, bit 2 HKEY_CURRENT_USER
//   1 set value    key byte (among those added), value name byte, type byte,
//                  data (a length byte, the bytes, a repeat byte that pads
//                  the data past the first query's 1024-byte buffer)
//   2 deny key     key byte
//   3 failing enumeration  key byte, index byte, code byte
//   4 java.exe     value byte: the folder a stored value names gets one

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "registry/mregistry.h"
#include "tests/support/fakes.h"

namespace smeltra {
namespace {

using testing::FakePlatform;
using testing::MemoryRegistry;

struct Input {
  std::span<const std::uint8_t> bytes;
  bool empty() const { return bytes.empty(); }
  std::uint8_t Byte() {
    if (bytes.empty()) return 0;
    const std::uint8_t b = bytes.front();
    bytes = bytes.subspan(1);
    return b;
  }
  // Names are drawn from what version names are made of, and lone surrogates.
  std::u16string Name() {
    static constexpr std::u16string_view kUnits = u"0123456789.._-ajzJ \xD800\xDC00";
    std::u16string name(Byte() % 12, u'1');
    for (char16_t& unit : name) unit = kUnits[Byte() % kUnits.size()];
    return name.empty() ? u"_" : name;
  }
  std::vector<std::uint8_t> Data() {
    std::vector<std::uint8_t> data(Byte() % 64);
    for (std::uint8_t& b : data) b = Byte();
    const std::size_t repeat = Byte() % 8 * 64;
    for (std::size_t i = 0; i < repeat && !data.empty(); ++i) data.push_back(data[i]);
    return data;
  }
};

struct Key {
  RegistryView view;
  KeyHandle hive;
  std::u16string path;
};

void Fail(const char* what) {
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

}  // namespace
}  // namespace smeltra

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace smeltra;
  Input input{{data, size}};
  const bool two_views = (input.Byte() & 1) != 0;
  MemoryRegistry registry;
  FakePlatform platform;
  std::vector<Key> keys;
  std::vector<std::vector<std::uint8_t>> stored;
  std::vector<std::u16string> parents(std::begin(kRuntimeKeyPaths), std::end(kRuntimeKeyPaths));
  for (const VendorRegistration& vendor : kVendorRegistrations) {
    for (const std::u16string_view key : vendor.keys) {
      if (!key.empty()) parents.push_back(u"SOFTWARE\\" + std::u16string(key));
    }
  }
  const std::u16string kValueNames[] = {u"JavaHome", u"Path", u"InstallationPath", u"javahome"};
  while (!input.empty()) {
    const std::uint8_t op = input.Byte() % 5;
    if (op == 0) {
      const std::size_t parent = input.Byte();
      Key key{RegistryView::k64Bit, kHkeyLocalMachine, u""};
      key.path = (parent < keys.size() ? keys[parent].path : parents[parent % parents.size()]) +
                 u"\\" + input.Name();
      const std::uint8_t flags = input.Byte();
      if ((flags & 1) != 0) key.path += u"\\MSI";
      if ((flags & 2) != 0) key.view = RegistryView::k32Bit;
      if ((flags & 4) != 0) key.hive = kHkeyCurrentUser;
      registry.At(key.view, key.hive, key.path);
      keys.push_back(key);
    } else if (keys.empty()) {
      continue;
    } else if (const Key& key = keys[input.Byte() % keys.size()]; op == 1) {
      const std::u16string& name = kValueNames[input.Byte() % 4];
      const std::uint32_t type = input.Byte() % 12;
      stored.push_back(input.Data());
      registry.SetValue(key.view, key.hive, key.path, name, {type, stored.back(), input.Byte()});
    } else if (op == 2) {
      registry.At(key.view, key.hive, key.path).denied = true;
    } else if (op == 3) {
      const std::uint32_t index = input.Byte() % 4;
      registry.At(key.view, key.hive, key.path).failure = {{index, input.Byte()}};
    } else if (!stored.empty()) {
      std::u16string folder = Utf16FromLeBytes(stored[input.Byte() % stored.size()]);
      folder.resize(std::min(folder.size(), folder.find(u'\0')));
      platform.files.insert(folder + u"\\bin\\java.exe");
    }
  }

  const std::vector<RegistryView> views = RuntimeSearchViews(two_views);
  std::u16string home;
  std::optional<ExitCode> ended;
  try {
    home = LocateJavaRuntime(registry, views, platform);
  } catch (const testing::ProgramEnded& end) {
    ended = end.code;
  }

  if (!registry.open.empty()) Fail("a key was left open");
  for (const std::uint32_t mask : registry.access_masks) {
    if ((mask & ~(kKeyWow64_64Key | kKeyWow64_32Key)) != kKeyRead) Fail("more than read access");
  }
  const auto& shown = platform.messages;
  const bool one_box = shown.size() == 1;
  if (ended == ExitCode::kNoRuntimeInstalled) {
    if (!one_box || shown[0] != messages::kNotInstalled) Fail("not-installed box");
  } else if (ended == ExitCode::kNoRuntimeNewEnough) {
    if (!one_box || shown[0] != messages::kNotNewEnough) Fail("not-new-enough box");
  } else if (ended) {
    Fail("an unknown end");
  } else if (!shown.empty() &&
             (shown.size() != 2 || shown[1] != messages::kSearchError || !home.empty())) {
    Fail("a box sequence that is none of the documented ones");
  }
  if (!home.empty()) {
    if (!platform.files.contains(home + u"\\bin\\java.exe")) Fail("a stale folder was chosen");
    const std::vector<std::uint8_t> bytes = MemoryRegistry::LeBytes(home);
    const bool was_stored = std::ranges::any_of(stored, [&](const auto& value) {
      return value.size() >= bytes.size() && std::equal(bytes.begin(), bytes.end(), value.begin());
    });
    if (!was_stored && home.find_first_not_of(u"-0123456789") != std::u16string::npos) {
      Fail("a folder that no value holds");
    }
  }
  return 0;
}
