#include "skin/window/MlSkinMainMenu.h"

TMlSkinMainMenu::TMlSkinMainMenu() {
  pos_.SetXValue(5);
  pos_.SetYValue(5);
  pictures_.SetImage("MlSkinFlatBtn");
  pictures_.SetCount(3);
  pictures_.SetNormal(0);
  pictures_.SetHot(1);
  pictures_.SetPressed(2);
  pictures_.SetActive(true);
}

void TMlSkinMainMenu::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TMlSkinMainMenu*>(Source);
  if (!s) return TPersistent::Assign(Source);
  font_.Assign(&s->font_);
  pos_.Assign(&s->pos_);
  pictures_.Assign(&s->pictures_);
  HotColor = s->HotColor;
  PressColor = s->PressColor;
}
