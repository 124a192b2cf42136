// The logo's picture control: stored pictures by class name, and the PNG
// blended over the panel's captured background.
#include "ControlsFixture.h"
#include "skin/ImageEx.h"
#include "skin/MlSkinPanel.h"

namespace {

using skintest::SkinControls;

// A stored picture block: name length, class name, then a PNG of the pixels.
void LoadStored(TPicture* p, const std::string& className, const std::vector<TColor32>& px, int w, int h) {
  TMemoryStream png;
  TPngImage::SavePixels(png, px.data(), w, h);
  TMemoryStream block;
  const auto n = static_cast<unsigned char>(className.size());
  block.WriteBuffer(&n, 1);
  block.WriteBuffer(className.data(), n);
  block.WriteBuffer(png.Memory(), png.Size());
  block.SetPosition(0);
  p->ReadData(block);
}

TEST_F(SkinControls, LogoPixelsBlendOverTheBackgroundByTheirAlpha) {
  const std::vector<TColor32> logo = {0x00FF00FF, 0x80FF8000, 0xFF2040C0, 0x80000000,
                                      0xFFFFFFFF, 0x00123456, 0x80FFFFFF, 0x01FF0000};
  auto* panel = new TMlSkinPanel(form);
  panel->SetParent(form);
  panel->SetBounds(8, 5, 94, 89);
  panel->SetAlpha(0);
  panel->SetBorderSides(0);
  auto* image = new TImageEx(form);
  image->SetParent(panel);
  image->SetBounds(8, 4, 80, 70);
  LoadStored(image->Picture(), "TPngGraphic", logo, 4, 2);
  Show();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      const TColor32 src = logo[static_cast<size_t>(y) * 4 + x], dst = Behind(image, x, y);
      const unsigned a = src >> 24;
      TColor32 want = 0;
      for (int sh = 0; sh < 24; sh += 8)
        want |= ((a * ((src >> sh) & 0xFF) + (255 - a) * ((dst >> sh) & 0xFF) + 255) >> 8) << sh;
      EXPECT_EQ(Screen(image, x, y) & 0xFFFFFF, want) << x << "," << y << " alpha " << a;
    }
  // Beside the picture the control shows the panel, which shows the form.
  EXPECT_EQ(Screen(image, 79, 69) & 0xFFFFFF, Behind(image, 79, 69) & 0xFFFFFF);
}

TEST(StoredPicture, ClassIsFoundByItsExactName) {
  RegisterPngGraphicClasses();
  const std::vector<TColor32> px = {0xFF102030};
  TPicture p;
  LoadStored(&p, "TPngGraphic", px, 1, 1);
  EXPECT_NE(dynamic_cast<TPngGraphic*>(p.Graphic()), nullptr);
  LoadStored(&p, "TPngImage", px, 1, 1);
  EXPECT_EQ(dynamic_cast<TPngGraphic*>(p.Graphic()), nullptr);
  EXPECT_NE(dynamic_cast<TPngImage*>(p.Graphic()), nullptr);
  for (const std::string& name : {std::string("tpnggraphic"), std::string("TPngGraphics"), std::string()})
    EXPECT_THROW(LoadStored(&p, name, px, 1, 1), EInvalidArgument) << name;
}

TEST_F(SkinControls, ImageReportsThePointerComingAndGoing) {
  auto* image = new TImageEx(form);
  image->SetParent(form);
  std::vector<std::string> seen;
  image->Perform(CM_MOUSEENTER, 0, 0);  // no handlers: nothing happens
  image->OnMouseEnter = [&](TObject* s) { seen.push_back(s == image ? "enter" : "?"); };
  image->OnMouseLeave = [&](TObject* s) { seen.push_back(s == image ? "leave" : "?"); };
  image->Perform(CM_MOUSEENTER, 0, 0);
  image->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"enter", "leave"}));
}

}  // namespace
