// Fuzzes the runtime search over a registry built from the input: every key
// closed again, read access only, a documented sequence of boxes, and a chosen
// folder that a value stored and that holds bin\java.exe. The input: a byte
// (bit 0: two views), then operations, an opcode byte (even: key, odd: value)
// and operands:
//   key    parent (a runtime key or one added before), name, flags: bit 0 adds
//          "\MSI" below, bit 1 the 32-bit view, bit 2 HKEY_CURRENT_USER, bit 3
//          denies every open, bit 4 fails the enumeration at index flags >> 5
//          with the code in one more byte
//   value  key, name, type (mod 12; bit 7: its folder gets bin\java.exe), growth between
//          two queries, data: a length, the bytes, how many times they repeat
// With SMELTRA_FUZZ_REPLAY, main() replays the seed corpus as a test instead.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "registry/mregistry.h"
#include "tests/support/fakes.h"

namespace {

struct Input {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
  std::uint8_t Byte() { return at < bytes.size() ? bytes[at++] : 0; }  // 0 past the end
  // Names are drawn from what version names are made of, and lone surrogates.
  std::u16string Name() {
    static constexpr std::u16string_view kUnits = u"0123456789.._-ajzJ \xD800\xDC00";
    std::u16string name(1 + Byte() % 11, u'1');
    for (char16_t& unit : name) unit = kUnits[Byte() % kUnits.size()];
    return name;
  }
  std::vector<std::uint8_t> Data() {
    std::vector<std::uint8_t> part(Byte() % 64), data;
    for (std::uint8_t& b : part) b = Byte();
    for (int n = 1 + Byte() % 32; n > 0; --n) data.insert(data.end(), part.begin(), part.end());
    return data;
  }
};

void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

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
  while (input.at < input.bytes.size()) {
    if (input.Byte() % 2 == 0) {
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

  std::u16string home;
  std::optional<ExitCode> ended;
  try {
    home = LocateJavaRuntime(registry, RuntimeSearchViews(two_views), platform);
  } catch (const testing::ProgramEnded& end) {
    ended = end.code;
  }

  Check(registry.Tidy(), "a key left open, or more than read access asked for");
  const auto& shown = platform.messages;
  const auto alone = [&](std::u16string_view box) { return shown.size() == 1 && shown[0] == box; };
  const bool search_error = home.empty() && shown.size() == 2 && shown[1] == messages::kSearchError;
  bool documented = !ended && (shown.empty() || search_error);
  if (ended == ExitCode::kNoRuntimeInstalled) documented = alone(messages::kNotInstalled);
  if (ended == ExitCode::kNoRuntimeNewEnough) documented = alone(messages::kNotNewEnough);
  Check(documented, "a box sequence that is none of the documented ones");
  if (home.empty()) return 0;
  Check(platform.files.contains(home + u"\\bin\\java.exe"), "a stale folder was chosen");
  Check(std::ranges::any_of(stored, [&](const auto& text) { return text.starts_with(home); }) ||
            home.find_first_not_of(u"-0123456789") == std::u16string::npos,
        "a folder that no value holds");
  return 0;
}

#ifdef SMELTRA_FUZZ_REPLAY
int main(int argc, char** argv) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(argc > 1 ? argv[1] : ".")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(input.data(), input.size());
    ++replayed;
  }
  return replayed > 0 ? 0 : 1;
}
#endif
