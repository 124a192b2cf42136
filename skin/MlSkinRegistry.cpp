#include "skin/MlSkinRegistry.h"

#include <algorithm>

namespace {

std::vector<TMlFormSkinHelper::Entry>& FormEntries() {
  static std::vector<TMlFormSkinHelper::Entry> entries;
  return entries;
}

std::vector<TWinControl*>& SkinnedControls() {
  static std::vector<TWinControl*> controls;
  return controls;
}

}  // namespace

void TMlFormSkinHelper::Add(TCustomForm* form, TMlFormSkinLink* skin) { FormEntries().push_back({form, skin}); }

void TMlFormSkinHelper::Remove(TCustomForm* form) {
  auto& e = FormEntries();
  auto it = std::find_if(e.begin(), e.end(), [&](const Entry& x) { return x.form == form; });
  if (it != e.end()) e.erase(it);
}

void TMlFormSkinHelper::RemoveSkin(TMlFormSkinLink* skin) {
  std::erase_if(FormEntries(), [&](const Entry& x) { return x.skin == skin; });
}

TMlFormSkinLink* TMlFormSkinHelper::Find(TCustomForm* form) {
  for (const Entry& x : FormEntries())
    if (x.form == form) return x.skin;
  return nullptr;
}

int TMlFormSkinHelper::Count() { return static_cast<int>(FormEntries().size()); }

std::vector<TMlFormSkinHelper::Entry> TMlFormSkinHelper::Entries() { return FormEntries(); }

void TMlWinControlHelper::Add(TWinControl* control) { SkinnedControls().push_back(control); }

void TMlWinControlHelper::Remove(TWinControl* control) { std::erase(SkinnedControls(), control); }

std::vector<TWinControl*> TMlWinControlHelper::Controls() { return SkinnedControls(); }
