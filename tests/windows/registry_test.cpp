// The registry backend under the read-only helpers, against the real
// registry: text exactly as stored, the first buffer's boundary, the views,
// read access only, every key closed again.

#include <windows.h>
// After windows.h, whose types it uses.
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "common/windows/unique_handles.h"
#include "common/windows/wide_text.h"
#include "launcher/mod_main.h"
#include "registry/mregistry.h"
#include "registry/windows/windows_registry.h"
#include "tests/windows/test_support.h"

namespace smeltra {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

// Sets `key`'s access list, written in the system's own notation.
LSTATUS SetAccess(HKEY key, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr);
  const UniqueLocalMemory owner(descriptor);
  return RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
}

// A key made for one test in one view, deleted with its subkeys after. Tests
// write the registry through the handle that made the key; anyone else may
// only read it (KEY_READ, 0x20019), as a standard user HKEY_LOCAL_MACHINE.
struct ScratchKey {
  ScratchKey(HKEY in, const std::wstring& parent, REGSAM view_flag)
      : hive(in), view(view_flag), path(parent + L"\\" + testing::UniqueName()) {
    status = RegCreateKeyExW(in, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_flag, nullptr,
                             key.put(), nullptr);
    if (status == ERROR_SUCCESS) status = SetAccess(key.get(), L"D:P(A;;0x20019;;;WD)");
  }
  ~ScratchKey() {
    SetAccess(key.get(), L"D:P(A;;GA;;;WD)");
    RegDeleteTreeW(key.get(), nullptr), RegDeleteKeyExW(hive, path.c_str(), view, 0);
  }
  LSTATUS Set(std::u16string name, DWORD type, std::u16string_view units,
              const std::wstring& subkey = L"") const {
    return RegSetKeyValueW(key.get(), subkey.c_str(), AsWide(name), type, units.data(),
                           DWORD(units.size() * 2));
  }
  HKEY hive;
  REGSAM view;
  std::wstring path;
  UniqueResource<HKEY, &RegCloseKey> key;
  LSTATUS status;
};

TEST(WindowsRegistryTest, ReadsExactlyWhatIsStoredInEitherViewWithReadAccessOnly) {
  const ScratchKey scratch(HKEY_CURRENT_USER, L"Software", 0);
  ASSERT_EQ(scratch.status, ERROR_SUCCESS);
  // At the first query's 1024 bytes and past them; text as stored, in any script.
  const struct {
    std::u16string name;
    DWORD type;
    std::u16string units;  // stored as they are, two bytes each
    RegistryValue expected;
  } cases[] = {{u"b1024", REG_BINARY, std::u16string(512, u'\x0808'), RegistryBytes(1024, 8)},
               {u"b1026", REG_BINARY, std::u16string(513, u'\x0909'), RegistryBytes(1026, 9)},
               {u"sz5000", REG_SZ, std::u16string(2499, u'y') + u'\0', std::u16string(2499, u'y')},
               {u"J\u00e4vaH\u00f6me \u2713", REG_SZ, u"C:\\Pr\u00f6gram\\\U0001D11E\0"s,
                u"C:\\Pr\u00f6gram\\\U0001D11E"s},
               {u"jre\xD800", REG_SZ, u"C:\\j\xDC00re\0"s, u"C:\\j\xDC00re"s}};
  for (const auto& c : cases) ASSERT_EQ(scratch.Set(c.name, c.type, c.units), 0);
  std::vector<std::u16string> subkeys = {u"1.8.0_351", u"J\u00e4v\u00e4 \u2713", u"jre\xD800"};
  for (const std::u16string& name : subkeys) {
    ASSERT_EQ(scratch.Set(u"JavaHome", REG_SZ, name + u'\0', AsWide(name)), 0);
  }

  WindowsRegistry registry;
  const std::u16string path = FromWide(scratch.path);
  const auto read = [&](const std::u16string& key_path, std::u16string_view name) {
    return RegReadValue(registry, RegistryView::kNative, kHkeyCurrentUser, key_path, name);
  };
  for (const auto& c : cases) EXPECT_EQ(read(path, c.name), c.expected) << AsWide(c.name);
  std::vector<std::u16string> listed =
      RegListSubkeys(registry, RegistryView::kNative, kHkeyCurrentUser, path);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, subkeys);
  for (const std::u16string& name : listed) {
    EXPECT_EQ(read(path + u"\\" + name, u"JavaHome"), RegistryValue(name));
  }

  // What the backend opens, it closes; that the helpers close what they open
  // is the in-memory registry's to see.
  KeyHandle opened = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, path, 0x20019, opened), 0);
  registry.CloseKey(opened);
  EXPECT_EQ(RegQueryValueExW(reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(opened)), L"",
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);

  // HKLM's 32-bit view holds what its 64-bit view does not.
  const ScratchKey wow(HKEY_LOCAL_MACHINE, L"SOFTWARE", KEY_WOW64_32KEY);
  ASSERT_EQ(wow.Set(u"Bits", REG_SZ, u"32\0"sv), 0);
  for (const RegistryView view : RuntimeSearchViews(WindowsHasTwoRegistryViews())) {
    EXPECT_EQ(RegReadValue(registry, view, kHkeyLocalMachine, FromWide(wow.path), u"Bits"),
              view != RegistryView::k64Bit ? RegistryValue(u"32") : RegistryValue());
  }
}

}  // namespace
}  // namespace smeltra
