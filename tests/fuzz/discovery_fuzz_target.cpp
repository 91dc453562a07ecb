// Fuzzes the runtime search over a registry built from the input: every key
// closed again, read access only, no box, and a chosen
// folder that a value stored and that holds bin\java.exe (or the override's),
// and neither it nor `java` ever relative (the fake's current folder holds a
// program at every relative path). The input: a byte (bit 0: two
// views), then operations, an opcode byte (mod 3: key, value, variable) and
// operands:
//   key    parent (a runtime key or one added before), name, flags: bit 0 adds
//          "\MSI" below, bit 1 the 32-bit view, bit 2 HKEY_CURRENT_USER, bit 3
//          denies every open, bit 4 fails the enumeration at index flags >> 5
//          with the code in one more byte
//   value  key, name, type (mod 12; bit 7: its folder gets bin\java.exe), growth between
//          two queries, data: a length, the bytes, how many times they repeat
//   variable  which (JAVA_HOME, PATH, the override), text of path-like names;
//          bit 0 of one more byte puts java.exe in its last folder, bit 1 in
//          its bin folder

#include <algorithm>
#include <iterator>

#include "common/text.h"
#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "launcher/path_text.h"
#include "registry/mregistry.h"
#include "tests/support/fakes.h"

using smeltra::testing::Check;

namespace {

constexpr std::u16string_view kVersionUnits = u"0123456789.._-ajzJ \xD800\xDC00";
constexpr std::u16string_view kPathUnits = u"C:\\\\/;;\"\" .bBiInj%\xD800";

struct Input {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
  std::uint8_t Byte() { return at < bytes.size() ? bytes[at++] : 0; }  // 0 past the end
  // Names are drawn from what version names are made of, and lone surrogates;
  // variables' text also from what paths are made of.
  std::u16string Name(std::u16string_view units = kVersionUnits) {
    std::u16string name(1 + Byte() % 11, u'1');
    for (char16_t& unit : name) unit = units[Byte() % units.size()];
    return name;
  }
  std::vector<std::uint8_t> Data() {
    std::vector<std::uint8_t> part(Byte() % 64), data;
    for (std::uint8_t& b : part) b = Byte();
    for (int n = 1 + Byte() % 32; n > 0; --n) data.insert(data.end(), part.begin(), part.end());
    return data;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace smeltra;
  Input input{{data, size}};
  const bool two_views = (input.Byte() & 1) != 0;
  testing::MemoryRegistry registry;
  testing::FakePlatform platform;
  std::vector<testing::MemoryRegistry::KeyId> keys;
  std::vector<std::u16string> stored;  // every value's data as text
  std::vector<std::u16string> parents(std::begin(kRuntimeKeyPaths), std::end(kRuntimeKeyPaths));
  for (const VendorRegistration& vendor : kVendorRegistrations)
    for (const std::u16string_view key : vendor.keys)
      if (!key.empty()) parents.push_back(u"SOFTWARE\\" + std::u16string(key));
  const std::u16string kValueNames[] = {u"JavaHome", u"Path", u"InstallationPath", u"javahome"};
  const std::u16string kVariables[] = {u"JAVA_HOME", u"PATH", std::u16string(kOverrideVariable)};
  while (input.at < input.bytes.size()) {
    const std::uint8_t opcode = input.Byte() % 3;
    if (opcode == 2) {
      const std::u16string name = kVariables[input.Byte() % 3];
      std::u16string& text = platform.environment[name];
      text = input.Name(kPathUnits);
      const std::uint8_t java = input.Byte();
      if ((java & 1) != 0) platform.files.insert(text + u"\\java.exe");
      if ((java & 2) != 0) platform.files.insert(text + u"\\bin\\java.exe");
    } else if (opcode == 0) {
      const std::size_t parent = input.Byte();
      std::u16string path =
          parent < keys.size() ? std::get<2>(keys[parent]) : parents[parent % parents.size()];
      path += u"\\" + input.Name();
      const std::uint8_t flags = input.Byte();
      if ((flags & 1) != 0) path += u"\\MSI";
      const auto view = (flags & 2) != 0 ? RegistryView::k32Bit : RegistryView::k64Bit;
      const auto hive = (flags & 4) != 0 ? kHkeyCurrentUser : kHkeyLocalMachine;
      testing::MemoryRegistry::Key& key = registry.At(view, hive, path);
      key.denied = (flags & 8) != 0;
      if ((flags & 16) != 0) key.failure = {{flags >> 5, input.Byte()}};
      keys.emplace_back(view, hive, path);
    } else if (!keys.empty()) {
      const auto& [view, hive, path] = keys[input.Byte() % keys.size()];
      const std::u16string& name = kValueNames[input.Byte() % 4];
      const std::uint8_t type = input.Byte();
      const std::uint8_t grow = input.Byte();
      const std::vector<std::uint8_t> bytes = input.Data();
      registry.SetValue(view, hive, path, name, {type % 12u, bytes, grow});
      const std::u16string& text = stored.emplace_back(Utf16FromLeBytes(bytes));
      if (type >= 0x80)
        platform.files.insert(text.substr(0, text.find(u'\0')) + u"\\bin\\java.exe");
    }
  }

  std::variant<FoundRuntime, NoRuntime> outcome;
  try {
    outcome = LocateJavaRuntime(registry, RuntimeSearchViews(two_views), platform, u"C:\\");
  } catch (const LauncherError& error) {
    // Only an override that names no folder is refused, before anything else is read.
    constexpr std::u16string_view kNoFolder = u": names no folder";
    const std::u16string_view trace = platform.traces.front();
    const std::size_t start = kOverrideVariable.size() + 1;
    Check(platform.traces.size() == 1 && trace.starts_with(kOverrideVariable) &&
              trace.ends_with(kNoFolder) &&
              !IsAbsolute(trace.substr(start, trace.size() - start - kNoFolder.size())) &&
              error.description().starts_with(kOverrideVariable),
          "a refusal that is not the override's");
    return 0;
  }

  Check(registry.Tidy(), "a key left open, or more than read access asked for");
  Check(platform.messages.empty(), "a box shown by the search");
  const auto* found = std::get_if<FoundRuntime>(&outcome);
  if (found == nullptr) return 0;
  const std::u16string& home = found->home;
  Check(found->search_error.empty() || home.empty(), "a runtime chosen after a search error");
  Check(found->program.empty() || IsAbsolute(found->program), "a program in a relative folder");
  if (home.empty()) return 0;
  Check(IsAbsolute(home), "a relative folder chosen");
  // The override is taken as it is; it is the first place traced.
  if (!platform.traces.front().ends_with(u": used")) {
    Check(platform.files.contains(home + u"\\bin\\java.exe"), "a stale folder was chosen");
  }
  for (const auto& [name, text] : platform.environment) stored.push_back(text);
  // A relative folder was made absolute against C:\, so only what follows the
  // drive need be stored.
  const std::u16string_view tail = std::u16string_view(home).substr(home[1] == u':' ? 3 : 0);
  Check(std::ranges::any_of(stored,
                            [&](const auto& text) {
                              return text.find(tail) != text.npos || text.find(u'%') != text.npos;
                            }) ||
            home.find_first_not_of(u"-0123456789") == std::u16string::npos,
        "a folder that no value holds");
  return 0;
}
