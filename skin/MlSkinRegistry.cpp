#include "skin/MlSkinRegistry.h"

#include <algorithm>

namespace {

std::vector<TMlFormSkinHelper::Entry>& FormEntries() {
  static std::vector<TMlFormSkinHelper::Entry> entries;
  return entries;
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

TMlFormSkinLink* FormSkinOf(const TCustomForm* form) {
  if (!form) return nullptr;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* skin = dynamic_cast<TMlFormSkinLink*>(form->Components(i))) return skin;
  return nullptr;
}
