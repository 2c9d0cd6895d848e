#include "ui/theme_helper_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace swiftlane::ui {
namespace {

class ThemeHelperTest : public ::testing::Test {
 protected:
  TForm form{nullptr, u"Form", L"SwiftlaneThemeTest", 300, 200};
};

TEST_F(ThemeHelperTest, AnOwnerThatIsNoFormIsRefusedAndLeftUnchanged) {
  TComponent notAForm(nullptr, u"Plain");
  try {
    TThemeHelper helper(&notAForm);
    FAIL() << "no error raised";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "TThemeHelper Owner must be a TForm");
  }
  EXPECT_EQ(notAForm.OwnedCount(), 0u);
}

TEST_F(ThemeHelperTest, TheStripSpansTheTopAndFollowsActivation) {
  auto& header = form.Add<TPanel>(u"Head", &form, TRect{0, 0, 300, 50});
  header.SetAlign(TAlign::Top);
  TThemeHelper& helper = AttachThemeHelper(form);
  ASSERT_NE(helper.Strip(), nullptr);
  EXPECT_EQ(helper.Strip()->Owner(), &form);
  const TRect strip = helper.Strip()->Bounds();
  EXPECT_EQ(strip.top, 0);
  EXPECT_EQ(strip.width, 300);
  EXPECT_EQ(strip.height, 2);
  EXPECT_EQ(header.Bounds().top, 2);  // the header moves down under the strip
  EXPECT_EQ(helper.Strip()->FillColor(), kAccent);

  SendMessageW(form.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  EXPECT_EQ(helper.Strip()->FillColor(),
            (unsigned(GetRValue(grey)) << 16) | (unsigned(GetGValue(grey)) << 8) | GetBValue(grey));
  SendMessageW(form.Handle(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_EQ(helper.Strip()->FillColor(), kAccent);
}

TEST_F(ThemeHelperTest, EveryMessageReachesTheFormsOwnHandlerAndTheOldOneIsRestored) {
  std::vector<UINT> seen;
  // Only the messages this test sends are recorded; activation brings others along.
  const std::vector<UINT> watched{WM_ACTIVATE, WM_SIZE, WM_USER + 7, WM_USER + 8};
  form.WindowProc = [&](UINT m, WPARAM w, LPARAM l) {
    if (std::find(watched.begin(), watched.end(), m) != watched.end() && (seen.empty() || seen.back() != m))
      seen.push_back(m);
    return form.HandleMessage(m, w, l);
  };
  {
    TThemeHelper helper(&form);
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    SendMessageW(form.Handle(), WM_SIZE, 0, MAKELPARAM(300, 200));
    SendMessageW(form.Handle(), WM_USER + 7, 0, 0);
  }
  EXPECT_EQ(seen, (std::vector<UINT>{WM_ACTIVATE, WM_SIZE, WM_USER + 7}));
  seen.clear();
  SendMessageW(form.Handle(), WM_USER + 8, 0, 0);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 8}));
}

}  // namespace
}  // namespace swiftlane::ui
