#include "skin/MlSkinResDM.h"

#include <algorithm>
#include <string>

#include "platform/Png.h"
#include "resources/Resources.h"

TMlSkinResDM* MlSkinResDM = nullptr;

// clang-format off
const char* const BuiltInSkinImageNames[BuiltInSkinImageCount] = {
  "MlSkinCheckBox", "MlSkinButton", "MlSkinRadiobtn", "MlSkinDropdownMenu", "MlSkinFlatBtn",
  "MlSkinMsgIcon_Error", "MlSkinMsgIcon_Warn", "MlSkinMsgIcon_Info", "MlSkinMsgIcon_OK", "MlSkinMsgIcon_Question",
  "MlSkinBorderHot", "MlSkinBorderNormal", "MlSkinBtn_close", "MlSkinBtn_max", "MlSkinBtn_mini", "MlSkinBtn_restore",
  "MlSkinTips_close", "MlSkinSlider_dragBackground", "MlSkinPreview_bkg", "MlSkinSlider_Aio_light_bkg",
  "MlSkinPasswordchar", "MlSkinKeyboard", "MlSkinDrop_arrow_hot", "MlSkinDrop_arrow_normal", "MlSkinExpand_1",
  "MlSkinExpand_2", "MlSkinCancel_18_Normal", "MlSkinCancel_18_Hot", "MlSkinMenu_bk", "MlSkinMenu_hilight",
  "MlSkinMenu_sub_arrow", "MlSkinMenu_icon_check", "MlSkinMenu_icon_radio", "MlSkinTabDown", "MlSkinTabHover",
  "MlSkinTab_button_normal", "MlSkinTab_button_hot", "MlSkinTab_button_down", "MlSkinBar_base", "MlSkinBar_cur",
  "MlSkinScrollbar_bar_down", "MlSkinScrollbar_bar_highlight", "MlSkinScrollbar_bar_normal", "MlSkinScrollbar_bkg",
  "MlSkinScrollbar_arrowdown_normal", "MlSkinScrollbar_arrowup_normal", "MlSkinScrollbar_horz_bkg",
  "MlSkinScrollbar_horzbar_down", "MlSkinScrollbar_horzbar_highlight", "MlSkinScrollbar_horzbar_normal",
  "MlSkinScrollbar_arrowleft_normal", "MlSkinScrollbar_arrowright_normal", "MlSkinScrollbar_arrowdown_down",
  "MlSkinScrollbar_arrowdown_highlight", "MlSkinScrollbar_arrowleft_down", "MlSkinScrollbar_arrowleft_highlight",
  "MlSkinScrollbar_arrowright_down", "MlSkinScrollbar_arrowright_highlight", "MlSkinScrollbar_arrowup_down",
  "MlSkinScrollbar_arrowup_highlight", "MlSkinDrag_flag", "MlSkinSwitch_on", "MlSkinSwitch_off",
  "MlSkinMini_close_btn", "MlSkinColor_tabs", "MlSkinBrower_back", "MlSkinBrower_front", "MlSkinBrower_up",
  "MlSkinBrower_down", "MlSkinSearch_icon", "MlSkinCalendar_18_N", "MlSkinCalendar_18_H", "MlSkinSpin_normal_up",
  "MlSkinSpin_highlight_up", "MlSkinSpin_pushed_up", "MlSkinSpin_normal_down", "MlSkinSpin_highlight_down",
  "MlSkinSpin_pushed_down", "MlSkinToolbtn",
};
// clang-format on

namespace {

// The art is built into the program as PNG files under "skin/"; an image
// whose file is missing or damaged stays empty, so it draws nothing.
void ReadBuiltInImage(const char* name, TBitmap32& bitmap) {
  const EmbeddedResource* r = FindResource(std::string("skin/") + name + ".png");
  if (!r) return;
  std::vector<std::uint32_t> pixels;
  int w = 0, h = 0;
  if (!platform::DecodePng(r->data, r->size, pixels, w, h)) return;
  bitmap.Resize(w, h);
  std::copy(pixels.begin(), pixels.end(), bitmap.Bits());
}

}  // namespace

TMlSkinResDM::TMlSkinResDM(TComponent* AOwner) : TComponent(AOwner) {
  MlSkinImageListMain = new TMlSkinImageList(this);
  MlSkinImageListMain->SetName("MlSkinImageListMain");
  for (const char* name : BuiltInSkinImageNames) {
    TMlSkinBitmapItem* item = MlSkinImageListMain->Bitmaps()->Add();
    item->SetResID(name);
    TBitmap32* bitmap = item->Bitmap();
    bitmap->SetDrawMode(dmBlend);
    bitmap->SetResamplerClassName("TNearestResampler");
    ReadBuiltInImage(name, *bitmap);
  }
}

void CreateMlSkinResDM() {
  if (MlSkinResDM) return;
  MlSkinResDM = new TMlSkinResDM(nullptr);
  MlSkinResDM->SetName("MlSkinResDM");
}

void FreeMlSkinResDM() {
  delete MlSkinResDM;
  MlSkinResDM = nullptr;
}
