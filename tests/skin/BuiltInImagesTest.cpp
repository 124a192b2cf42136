// The built-in images: names, sizes and drawing properties in store order,
// and the looks of the images the program itself names.
#include <gtest/gtest.h>

#include "graphics/Resamplers32.h"
#include "skin/MlSkinResDM.h"
#include "skin/MlSkinResManager.h"

namespace {

struct Expected {
  const char* name;
  int w, h;
};

// The store's order and sizes as published for the skin.
const Expected kImages[] = {
    {"MlSkinCheckBox", 68, 17}, {"MlSkinButton", 340, 27}, {"MlSkinRadiobtn", 68, 17},
    {"MlSkinDropdownMenu", 60, 32}, {"MlSkinFlatBtn", 66, 22}, {"MlSkinMsgIcon_Error", 40, 40},
    {"MlSkinMsgIcon_Warn", 40, 40}, {"MlSkinMsgIcon_Info", 40, 40}, {"MlSkinMsgIcon_OK", 40, 40},
    {"MlSkinMsgIcon_Question", 40, 40}, {"MlSkinBorderHot", 20, 26}, {"MlSkinBorderNormal", 20, 26},
    {"MlSkinBtn_close", 117, 19}, {"MlSkinBtn_max", 84, 19}, {"MlSkinBtn_mini", 84, 19},
    {"MlSkinBtn_restore", 84, 19}, {"MlSkinTips_close", 54, 18}, {"MlSkinSlider_dragBackground", 12, 21},
    {"MlSkinPreview_bkg", 60, 134}, {"MlSkinSlider_Aio_light_bkg", 60, 134}, {"MlSkinPasswordchar", 6, 6},
    {"MlSkinKeyboard", 20, 20}, {"MlSkinDrop_arrow_hot", 23, 24}, {"MlSkinDrop_arrow_normal", 23, 24},
    {"MlSkinExpand_1", 17, 17}, {"MlSkinExpand_2", 17, 17}, {"MlSkinCancel_18_Normal", 18, 18},
    {"MlSkinCancel_18_Hot", 18, 18}, {"MlSkinMenu_bk", 157, 38}, {"MlSkinMenu_hilight", 22, 22},
    {"MlSkinMenu_sub_arrow", 21, 11}, {"MlSkinMenu_icon_check", 60, 20}, {"MlSkinMenu_icon_radio", 60, 20},
    {"MlSkinTabDown", 10, 35}, {"MlSkinTabHover", 10, 35}, {"MlSkinTab_button_normal", 10, 25},
    {"MlSkinTab_button_hot", 10, 25}, {"MlSkinTab_button_down", 10, 25}, {"MlSkinBar_base", 102, 13},
    {"MlSkinBar_cur", 102, 13}, {"MlSkinScrollbar_bar_down", 10, 42}, {"MlSkinScrollbar_bar_highlight", 10, 42},
    {"MlSkinScrollbar_bar_normal", 10, 42}, {"MlSkinScrollbar_bkg", 10, 62},
    {"MlSkinScrollbar_arrowdown_normal", 10, 9}, {"MlSkinScrollbar_arrowup_normal", 10, 9},
    {"MlSkinScrollbar_horz_bkg", 34, 10}, {"MlSkinScrollbar_horzbar_down", 34, 10},
    {"MlSkinScrollbar_horzbar_highlight", 34, 10}, {"MlSkinScrollbar_horzbar_normal", 34, 10},
    {"MlSkinScrollbar_arrowleft_normal", 9, 10}, {"MlSkinScrollbar_arrowright_normal", 9, 10},
    {"MlSkinScrollbar_arrowdown_down", 10, 9}, {"MlSkinScrollbar_arrowdown_highlight", 10, 9},
    {"MlSkinScrollbar_arrowleft_down", 9, 10}, {"MlSkinScrollbar_arrowleft_highlight", 9, 10},
    {"MlSkinScrollbar_arrowright_down", 9, 10}, {"MlSkinScrollbar_arrowright_highlight", 9, 10},
    {"MlSkinScrollbar_arrowup_down", 10, 9}, {"MlSkinScrollbar_arrowup_highlight", 10, 9},
    {"MlSkinDrag_flag", 8, 8}, {"MlSkinSwitch_on", 102, 17}, {"MlSkinSwitch_off", 102, 17},
    {"MlSkinMini_close_btn", 24, 12}, {"MlSkinColor_tabs", 360, 40}, {"MlSkinBrower_back", 120, 29},
    {"MlSkinBrower_front", 120, 29}, {"MlSkinBrower_up", 29, 120}, {"MlSkinBrower_down", 29, 120},
    {"MlSkinSearch_icon", 16, 14}, {"MlSkinCalendar_18_N", 25, 16}, {"MlSkinCalendar_18_H", 25, 16},
    {"MlSkinSpin_normal_up", 23, 12}, {"MlSkinSpin_highlight_up", 23, 12}, {"MlSkinSpin_pushed_up", 23, 12},
    {"MlSkinSpin_normal_down", 23, 12}, {"MlSkinSpin_highlight_down", 23, 12},
    {"MlSkinSpin_pushed_down", 23, 12}, {"MlSkinToolbtn", 87, 29},
};

TBitmap32* BuiltIn(const char* name) { return GetSkinResManager()->GetSkinBitmap(name); }

}  // namespace

TEST(BuiltInImages, AllSeventyNineInOrderWithTheirSizesAndDrawingProperties) {
  CreateMlSkinResDM();
  ASSERT_NE(MlSkinResDM, nullptr);
  EXPECT_EQ(MlSkinResDM->Name(), "MlSkinResDM");
  ASSERT_EQ(MlSkinResDM->MlSkinImageListMain, MlSkinResDM->FindComponent("MlSkinImageListMain"));
  const TMlSkinBitmapCollection* items = MlSkinResDM->MlSkinImageListMain->Bitmaps();
  ASSERT_EQ(items->Count(), 79);
  for (int i = 0; i < 79; ++i) {
    SCOPED_TRACE(kImages[i].name);
    const TMlSkinBitmapItem* item = items->Items(i);
    EXPECT_EQ(item->ResID(), kImages[i].name);
    EXPECT_EQ(item->Description(), "");
    EXPECT_EQ(item->Bitmap()->Width(), kImages[i].w);
    EXPECT_EQ(item->Bitmap()->Height(), kImages[i].h);
    EXPECT_EQ(item->Bitmap()->DrawMode(), dmBlend);
    EXPECT_EQ(item->Bitmap()->ResamplerClassName(), "TNearestResampler");
    EXPECT_EQ(GetSkinResManager()->FindBuiltInIndex(kImages[i].name), i);
  }
}

TEST(BuiltInImages, ProgressBarFillIsAGreenPillOnRowsTwoToTen) {
  TBitmap32* bar = BuiltIn("MlSkinBar_cur");
  ASSERT_NE(bar, nullptr);
  for (int x = 0; x < 102; ++x)
    for (int y : {0, 1, 11, 12}) EXPECT_EQ(AlphaComponent(bar->PixelAt(x, y)), 0u) << x << "," << y;
  // Inset 1 on the left and 2 on the right; the middle is solid #90D52D.
  for (int y = 2; y <= 10; ++y) {
    EXPECT_EQ(bar->PixelAt(0, y), 0u);
    EXPECT_EQ(AlphaComponent(bar->PixelAt(100, y)), 0u);
    EXPECT_EQ(bar->PixelAt(50, y), 0xFF90D52Du);
  }
  // Rounded, anti-aliased ends: partly covered pixels at both ends.
  int leftPartial = 0, rightPartial = 0;
  for (int y = 2; y <= 10; ++y)
    for (int x = 0; x < 6; ++x) {
      leftPartial += AlphaComponent(bar->PixelAt(x, y)) % 255 != 0;
      rightPartial += AlphaComponent(bar->PixelAt(101 - x, y)) % 255 != 0;
    }
  EXPECT_GT(leftPartial, 4);
  EXPECT_GT(rightPartial, 4);
}

TEST(BuiltInImages, ProgressBarTrackIsAGreyPillWithTransparentCorners) {
  TBitmap32* base = BuiltIn("MlSkinBar_base");
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(AlphaComponent(base->PixelAt(0, 0)), 0u);
  EXPECT_EQ(AlphaComponent(base->PixelAt(101, 12)), 0u);
  EXPECT_EQ(base->PixelAt(50, 0), 0xFFAEAEAEu);    // the outline
  EXPECT_EQ(base->PixelAt(50, 1), 0xFFFBFCFEu);    // the inner highlight
  unsigned fill = RedComponent(base->PixelAt(50, 6));
  EXPECT_GE(fill, 0xEAu);
  EXPECT_LE(fill, 0xF0u);
}

TEST(BuiltInImages, FlatButtonStripHasTransparentNormalAndTranslucentHotAndPressed) {
  TBitmap32* strip = BuiltIn("MlSkinFlatBtn");
  ASSERT_NE(strip, nullptr);
  unsigned maxWhite[3] = {}, line[3] = {};
  for (int f = 0; f < 3; ++f)
    for (int y = 0; y < 22; ++y)
      for (int x = 0; x < 22; ++x) {
        TColor32 p = strip->PixelAt(f * 22 + x, y);
        if (f == 0) {
          EXPECT_EQ(p, 0u);
        }
        bool edge = x == 0 || y == 0 || x == 21 || y == 21;
        if (edge) line[f] = std::max(line[f], AlphaComponent(p));
        if (!edge && p) {
          EXPECT_EQ(p & 0xFFFFFF, 0xFFFFFFu);
          maxWhite[f] = std::max(maxWhite[f], AlphaComponent(p));
        }
      }
  EXPECT_EQ(maxWhite[1], 206u);
  EXPECT_LE(maxWhite[2], 128u);
  EXPECT_EQ(line[1], 78u);
  EXPECT_EQ(line[2], 90u);
}

TEST(BuiltInImages, LayeredBorderShadowIsBlackWithAlpha) {
  TBitmap32* shadow = BuiltIn("MlSkinSlider_Aio_light_bkg");
  ASSERT_NE(shadow, nullptr);
  for (int y = 0; y < shadow->Height(); ++y)
    for (int x = 0; x < shadow->Width(); ++x) ASSERT_EQ(shadow->PixelAt(x, y) & 0xFFFFFF, 0u);
  EXPECT_LT(AlphaComponent(shadow->PixelAt(0, 67)), AlphaComponent(shadow->PixelAt(7, 67)));
}
