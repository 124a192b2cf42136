// The main window as the skin draws it: the reference rows of its gradient,
// the frame lines, the client background around the controls, and the title.
#include "UpdaterFixture.h"
#include "framework/windows/WindowRecord.h"
#include "tests/support/SkinFormulas.h"

namespace {

using SkinnedMainWindow = apptest::Updater;

using skintest::Over;
using skintest::Row;

class Pixels {
 public:
  explicit Pixels(HWND h) {
    GdiFlush();
    auto* d = static_cast<platform::HeadlessDisplay*>(platform::Display());
    w_ = d->Window(R(h)->native);
  }
  std::uint32_t operator()(int x, int y) const {
    return w_->pixels[static_cast<size_t>(y) * w_->bounds.Width() + x] & 0xFFFFFF;
  }

 private:
  const platform::HeadlessDisplay::WindowState* w_;
};

TEST_F(SkinnedMainWindow, ReferenceRowsAndFrameLines) {
  PumpUntil([] { return false; }, 100);
  Pixels px(form->Handle());
  EXPECT_EQ(Row(0), 0x46C4FFu);
  EXPECT_EQ(Row(26), 0x62BBD7u);
  EXPECT_EQ(Row(27), 0x63BAD6u);
  EXPECT_EQ(Row(140), 0xE0932Au);
  // Row 0 and row 140 carry the outer frame line, row 1 and 139 the inner one.
  EXPECT_EQ(px(300, 0), Over(0x80000000, Row(0)));
  EXPECT_EQ(px(300, 1), Over(0xB0FFFFFF, Row(1)));
  EXPECT_EQ(px(300, 26), Row(26));
  EXPECT_EQ(px(300, 27), Row(27));
  EXPECT_EQ(px(300, 139), Over(0xB0FFFFFF, Row(139)));
  EXPECT_EQ(px(300, 140), Over(0x80000000, Row(140)));
  EXPECT_EQ(px(0, 80), Over(0x80000000, Row(80)));
  EXPECT_EQ(px(442, 80), Over(0xB0FFFFFF, Row(80)));
}

TEST_F(SkinnedMainWindow, ClientBackgroundIsTheGradientWhereNoControlDraws) {
  PumpUntil([] { return false; }, 100);
  Pixels px(form->Handle());
  auto covered = [&](int cx, int cy) {
    for (int i = 0; i < form->ControlCount(); ++i) {
      TControl* c = form->Controls(i);
      if (c->Visible() && c->BoundsRect().Contains(cx, cy)) return true;
    }
    return false;
  };
  int checked = 0;
  for (int y = 27; y < 139; ++y)
    for (int x = 2; x < 442; ++x) {
      if (covered(x - 2, y - 27)) continue;
      ASSERT_EQ(px(x, y), Row(y)) << x << "," << y;
      ++checked;
    }
  EXPECT_GT(checked, 30000);
}

TEST_F(SkinnedMainWindow, TitleIsTheCaptionBarLabel) {
  PumpUntil([] { return false; }, 100);
  ASSERT_EQ(form->MlSkinForm1->Items().size(), 1u);
  EXPECT_EQ(form->MlSkinForm1->Items()[0], form->MlSkinNCLabel1);
  EXPECT_EQ(form->Caption(), "Form1");
  SIZE t = form->MlSkinNCLabel1->TextExtent();
  EXPECT_GT(t.cx, 40);
  Pixels px(form->Handle());
  int dark = 0;
  for (int y = 5; y < 5 + t.cy; ++y)
    for (int x = 5; x < 5 + t.cx; ++x) dark += (px(x, y) & 0xFF) < 0x40;
  EXPECT_GT(dark, 20) << "black text at (5, 5)";
  EXPECT_EQ(px(5 + t.cx + 10, 12), Row(12)) << "nothing right of the title";
}

}  // namespace
