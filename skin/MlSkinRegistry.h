#pragma once
// How skinned controls and skinned forms find each other: a control asks the
// form it stands on for the skin among the form's own components; the skin
// resources reach every skinned form, in the order they came, through the
// process-wide list of forms and their skins.
#include <vector>

#include "framework/controls/Forms.h"

class TBitmap32;

// What a skinned control needs of the skin on its parent form. The skin is a
// component the form owns.
class TMlFormSkinLink {
 public:
  virtual ~TMlFormSkinLink() = default;
  // The background bitmap of the current look and where the form's client
  // origin lies in it; nullptr while none is built.
  virtual TBitmap32* ClientBackground(POINT& clientOrigin) = 0;
};

// Form to skin, in registration order.
class TMlFormSkinHelper {
 public:
  struct Entry {
    TCustomForm* form;
    TMlFormSkinLink* skin;
  };
  static void Add(TCustomForm* form, TMlFormSkinLink* skin);
  static void Remove(TCustomForm* form);
  // Every entry of the skin; a skin leaving while its form is half destroyed
  // can no longer name the form.
  static void RemoveSkin(TMlFormSkinLink* skin);
  // The first entry for the form, or nullptr.
  static TMlFormSkinLink* Find(TCustomForm* form);
  static int Count();
  // A copy: callers may pump messages while they walk it.
  static std::vector<Entry> Entries();
};

// The skin the form owns (its first component that is one), or nullptr.
TMlFormSkinLink* FormSkinOf(const TCustomForm* form);
