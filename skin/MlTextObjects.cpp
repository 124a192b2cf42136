#include "skin/MlTextObjects.h"

namespace {

// Stores v and reports whether it differed.
template <class T>
bool Store(T& field, const T& v) {
  if (field == v) return false;
  field = v;
  return true;
}

}  // namespace

void TMlLightClass::Assign(const TPersistent* Source) {
  if (auto* s = dynamic_cast<const TMlLightClass*>(Source)) {
    active_ = s->active_;
    color_ = s->color_;
    return;
  }
  TPersistent::Assign(Source);
}

void TMlLightClass::SetBlurRadius(int v) {
  if (Store(blurRadius_, v)) Changed();
}
void TMlLightClass::SetActive(bool v) {
  if (Store(active_, v)) Changed();
}
void TMlLightClass::SetColor(TColor v) {
  if (Store(color_, v)) Changed();
}
void TMlLightClass::Changed() {
  if (OnChanged) OnChanged(this);
}

// The light takes the text object's handler as it is now, which is none: a
// change of the light alone does not reach the owner.
TMlTextObj::TMlTextObj() : light_(std::make_unique<TMlLightClass>()) { light_->OnChanged = OnChanged; }

void TMlTextObj::Assign(const TPersistent* Source) {
  if (auto* s = dynamic_cast<const TMlTextObj*>(Source)) {
    light_->Assign(s->light_.get());
    text_ = s->text_;
    visible_ = s->visible_;
    return;
  }
  TPersistent::Assign(Source);
}

void TMlTextObj::SetText(const AnsiString& v) {
  if (Store(text_, v)) Changed();
}
void TMlTextObj::SetVisible(bool v) {
  if (Store(visible_, v)) Changed();
}
void TMlTextObj::Changed() {
  if (OnChanged) OnChanged(this);
}

TMlCaption::TMlCaption() : font_(std::make_unique<TFont>()) {
  font_->OnChange = [this](TObject*) { Changed(); };
}

void TMlCaption::Assign(const TPersistent* Source) {
  TMlTextObj::Assign(Source);
  if (auto* s = dynamic_cast<const TMlCaption*>(Source)) font_->Assign(s->font_.get());
}

void TMlCaption::SetOffsetX(int v) {
  if (Store(offsetX_, v)) Changed();
}
void TMlCaption::SetOffsetY(int v) {
  if (Store(offsetY_, v)) Changed();
}

UINT EllipsisFlags(TEllipsisPosition e) {
  switch (e) {
    case TEllipsisPosition::epPathEllipsis: return DT_PATH_ELLIPSIS;
    case TEllipsisPosition::epEndEllipsis: return DT_END_ELLIPSIS;
    case TEllipsisPosition::epWordEllipsis: return DT_WORD_ELLIPSIS;
    default: return 0;
  }
}
