// Skinned controls on the real skinned form: a see-through control shows
// exactly the form's background, copied from the background bitmap the form
// paints its client area with.
#include "SkinnedFormFixture.h"
#include "skin/MlSkinLabel.h"
#include "skin/MlSkinPanel.h"
#include "tests/support/SkinFormulas.h"

namespace {

using skintest::SkinnedForm;

TEST_F(SkinnedForm, SeeThroughControlsShowTheFormsBackground) {
  auto* panel = new TMlSkinPanel(form);  // the logo panel's settings
  panel->SetParent(form);
  panel->SetBounds(8, 5, 94, 89);
  panel->SetAlpha(0);
  panel->SetBorderSides(0);
  auto* label = new TMlSkinLabel(form);  // a label without text draws nothing
  label->SetParent(form);
  label->SetBounds(150, 40, 50, 13);
  label->SetAutoSize(false);
  label->SetCaption("");
  Show();
  const RECT client = ClientInWindow();
  POINT origin{};
  TBitmap32* bg = skin->ClientBackground(origin);
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(origin.x, skin->FramWidth());
  for (TMlSkinCustomControl* c : std::initializer_list<TMlSkinCustomControl*>{panel, label}) {
    for (int y = 0; y < c->Height(); ++y)
      for (int x = 0; x < c->Width(); ++x) {
        const int cx = c->Left() + x, cy = c->Top() + y;
        ASSERT_EQ(c->Buffer()->PixelAt(x, y), bg->PixelAt(cx + origin.x, cy + origin.y)) << cx << "," << cy;
        // On screen the control cannot be told from the form around it:
        // every window row is one step of the gradient.
        const int wy = client.top + cy;
        ASSERT_EQ(Pixel(client.left + cx, wy), skintest::Row(wy)) << cx << "," << cy;
      }
  }
}

}  // namespace

namespace {

// A refresh of the skin repaints the skinned controls of its own form, also
// those inside a panel, and leaves another form's controls alone.
TEST_F(SkinnedForm, ARefreshReachesTheFormsOwnSkinnedControls) {
  auto* panel = new TMlSkinPanel(form);
  panel->SetParent(form);
  panel->SetBounds(8, 5, 94, 89);
  auto* inner = new TMlSkinLabel(form);
  inner->SetParent(panel);
  inner->SetBounds(4, 4, 40, 13);
  TForm* other = app->CreateForm<TForm>();
  auto* stranger = new TMlSkinLabel(other);
  stranger->SetParent(other);
  stranger->SetBounds(4, 4, 40, 13);
  other->SetVisible(true);
  Show();
  for (TWinControl* c : std::initializer_list<TWinControl*>{panel, inner, stranger}) ValidateRect(c->Handle(), nullptr);
  skin->RefreshSkin();
  RECT r;
  EXPECT_TRUE(GetUpdateRect(panel->Handle(), &r, FALSE));
  EXPECT_TRUE(GetUpdateRect(inner->Handle(), &r, FALSE));
  EXPECT_FALSE(GetUpdateRect(stranger->Handle(), &r, FALSE));
  delete other;
}

// The skin resources reach every skinned form through the list of forms, so
// a form that goes must take its entry along.
TEST_F(SkinnedForm, AFormThatGoesLeavesNoSkinEntry) {
  const int before = TMlFormSkinHelper::Count();
  TForm* other = app->CreateForm<TForm>();
  new TMlSkinForm(other);
  EXPECT_EQ(TMlFormSkinHelper::Count(), before + 1);
  delete other;
  EXPECT_EQ(TMlFormSkinHelper::Count(), before);
}

}  // namespace
