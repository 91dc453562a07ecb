// The splash's labels in the real window system: each control the layout
// table names is there, found by its ID, saying the table's text. How the
// splash looks, how long it shows and what follows it are the end-to-end
// suite's, on the real program.

#include "launcher/windows/frm_splash.h"

#include <gtest/gtest.h>

#include <string>

#include "common/windows/unique_handles.h"

namespace smeltra {
namespace {

TEST(SplashTextTest, EveryLabelByItsIdSaysItsText) {
  const ComApartment com;  // for the picture
  FrmSplash splash(GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(splash.Create());
  for (const LabelDesign& label : kSplashLabels) {
    wchar_t shown[128] = {};
    EXPECT_EQ(std::wstring(shown, GetDlgItemTextW(splash.window(), label.id, shown, 128)),
              label.text)
        << label.id;
  }
}

}  // namespace
}  // namespace smeltra
