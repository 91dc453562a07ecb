#pragma once

// A registry key that exists for one test only. Tests may write the registry;
// the launcher never does.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/windows/platform/unique_handles.h"
#include "registry/windows/wide_text.h"
#include "tests/windows/windows_test_support.h"

namespace smeltra::testing {

class ScratchKey {
 public:
  // Creates `parent`\<unique name> below `hive` in the view `view_flag`
  // (KEY_WOW64_64KEY, KEY_WOW64_32KEY or 0).
  ScratchKey(HKEY hive, std::wstring_view parent, REGSAM view_flag = 0)
      : hive_(hive), view_flag_(view_flag) {
    path_ = std::wstring(parent) + L"\\" + UniqueName(L"SmeltraTest");
    const LSTATUS status =
        RegCreateKeyExW(hive, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_flag, nullptr,
                        key_.put(), nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << "cannot create " << Narrow(path_);
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  ~ScratchKey() {
    if (!key_) return;
    RegDeleteTreeW(key_.get(), nullptr);
    key_.reset();
    RegDeleteKeyExW(hive_, path_.c_str(), view_flag_, 0);
  }

  // The key's path below its hive, as the launcher's helpers take it.
  std::string path() const { return Narrow(path_); }

  void SetValue(std::wstring_view name, DWORD type, const std::vector<std::uint8_t>& data) const {
    const std::wstring wide_name(name);
    const LSTATUS status =
        RegSetValueExW(key_.get(), wide_name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                       static_cast<DWORD>(data.size()));
    EXPECT_EQ(status, ERROR_SUCCESS) << "cannot set " << Narrow(wide_name);
  }

  void AddSubkey(std::wstring_view name) const {
    const std::wstring wide_name(name);
    UniqueHkey subkey;
    const LSTATUS status =
        RegCreateKeyExW(key_.get(), wide_name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_flag_,
                        nullptr, subkey.put(), nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << "cannot create subkey " << Narrow(wide_name);
  }

 private:
  HKEY hive_;
  REGSAM view_flag_;
  std::wstring path_;
  UniqueHkey key_;
};

}  // namespace smeltra::testing
