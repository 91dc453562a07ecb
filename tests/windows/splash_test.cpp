// What the splash's labels say, in the real window system. How the splash
// looks, how long it shows and what follows it are the end-to-end suite's,
// on the real program.

#include "launcher/windows/frm_splash.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "common/windows/unique_handles.h"

namespace smeltra {
namespace {

TEST(SplashTextTest, LabelsSayWhatTheUserReads) {
  // As they stand, stated here rather than taken from the layout table.
  const std::pair<int, const wchar_t*> texts[] = {
      {kLabel13, L"Tolvan Software Systems"},
      {kLabel12, L"Tolvan Smeltra"},
      {kLabel10, L"Version 1.0.1"},
      {kLabel7, L"For Windows - 9X/NT/2000/XP"},
      {kLabel8, L"Copyright \u00a9 2004"},
      {kLblCompany3, L"Tolvan Software Systems"},
      {kLblCompany2, L"Hyttby, Sweden"},
      {kLabel6, L"Tel +46 555 010 20   www.example.com   smeltra@example.com"},
      {kLabel9, L" "},
  };
  const ComApartment com;  // for the picture
  FrmSplash splash(GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(splash.Create());
  for (const auto& [id, text] : texts) {
    wchar_t shown[128] = {};
    EXPECT_EQ(std::wstring(shown, GetDlgItemTextW(splash.window(), id, shown, 128)), text) << id;
  }
}

}  // namespace
}  // namespace smeltra
