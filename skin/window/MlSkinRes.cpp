#include "skin/window/MlSkinRes.h"

#include "framework/Forms.h"
#include "skin/MlSkinMessages.h"
#include "skin/MlSkinRegistry.h"

void TMlFormSkinRes::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TMlFormSkinRes*>(Source);
  if (!s) return TPersistent::Assign(Source);
  BeginUpdate();
  customPicture_ = s->customPicture_;
  hitTestWidth_ = s->hitTestWidth_;
  titleHeight_ = s->titleHeight_;
  color_ = s->color_;
  titlerColor_ = s->titlerColor_;
  style_ = s->style_;
  framWidth_ = s->framWidth_;
  defaultSkinOrder_ = s->defaultSkinOrder_;
  gradientHeight_ = s->gradientHeight_;
  EndUpdate();
}

void TMlFormSkinRes::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TMlFormSkinRes::Changed() {
  if (updateCount_ != 0 || loading_) return;
  if (owner_) owner_->NotifyForms();
  if (OnChange) OnChange(this);
}

TMlSkinRes::TMlSkinRes(TComponent* AOwner) : TComponent(AOwner) {}

void TMlSkinRes::NotifyForms() {
  std::vector<TMlFormSkinHelper::Entry> entries = TMlFormSkinHelper::Entries();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (Application) Application->ProcessMessages();
    // A form may have gone while messages ran.
    if (!TMlFormSkinHelper::Find(it->form)) continue;
    if (it->form->HandleAllocated()) SendMessage(it->form->Handle(), MLM_RELOADSKIN, 0, 0);
  }
}

TMlFormSkinRes& CurrentFormSkin() {
  static TMlFormSkinRes record;
  return record;
}

TMlSkinShift& SkinShift() {
  static TMlSkinShift shift;
  return shift;
}
