#include "skin/window/MlSkinMainMenu.h"

#include "framework/controls/Forms.h"
#include "skin/window/MlPopupListEx.h"
#include "skin/window/MlSkinMenu.h"
#include "skin/window/MlSkinNCMenuItem.h"

TMlSkinMainMenu::TMlSkinMainMenu(TComponent* Watcher) : watcher_(Watcher) {
  pos_.SetXValue(5);
  pos_.SetYValue(5);
  pictures_.SetImage("MlSkinFlatBtn");
  pictures_.SetCount(3);
  pictures_.SetNormal(0);
  pictures_.SetHot(1);
  pictures_.SetPressed(2);
  pictures_.SetActive(true);
}

TMlSkinMainMenu::~TMlSkinMainMenu() {
  FreeEntries();
  if (listRequested_) ReleasePopupListEx();
}

void TMlSkinMainMenu::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TMlSkinMainMenu*>(Source);
  if (!s) return TPersistent::Assign(Source);
  SetMainMenu(s->mainMenu_);
  SetMenuSkin(s->menuSkin_);
  font_.Assign(&s->font_);
  pos_.Assign(&s->pos_);
  pictures_.Assign(&s->pictures_);
  HotColor = s->HotColor;
  PressColor = s->PressColor;
}

void TMlSkinMainMenu::SetMainMenu(TMainMenu* v) {
  if (v == mainMenu_) return;
  if (mainMenu_ && watcher_) mainMenu_->RemoveFreeNotification(watcher_);
  mainMenu_ = v;
  if (!v) return;
  if (watcher_) v->FreeNotification(watcher_);
  if (!listRequested_) {
    listRequested_ = true;
    RequestPopupListEx();
  }
}

void TMlSkinMainMenu::SetMenuSkin(TMlSkinMenu* v) {
  if (v == menuSkin_) return;
  if (menuSkin_ && watcher_) menuSkin_->RemoveFreeNotification(watcher_);
  menuSkin_ = v;
  if (v && watcher_) v->FreeNotification(watcher_);
}

void TMlSkinMainMenu::Forget(TComponent* c) {
  if (c == mainMenu_) mainMenu_ = nullptr;
  if (c == menuSkin_) menuSkin_ = nullptr;
}

void TMlSkinMainMenu::FreeEntries() {
  OpenButton = PendingButton = nullptr;
  while (!entries_.empty()) {
    std::unique_ptr<Entry>& e = entries_.back();
    // The button goes before its entry: its hover poll must never find the
    // entry freed. A button that went earlier has cleared its entry's link.
    if (TMlSkinNCMenuItem* b = e->Button) {
      e->Button = nullptr;
      delete b;
    }
    e->Popup.reset();
    entries_.pop_back();
  }
}

TMenuItem* TMlSkinMainMenu::CopyItem(TMenuItem* Item, TComponent* Owner) {
  auto* c = new TMenuItem(Owner);
  c->Caption = Item->Caption;
  c->ShortCut = Item->ShortCut;
  c->SetChecked(Item->Checked());
  c->Enabled = Item->Enabled;
  c->OnClick = Item->OnClick;
  c->HelpContext = Item->HelpContext;
  c->SetName(Item->Name() + "Copy");
  c->ImageIndex = Item->ImageIndex;
  c->GroupIndex = Item->GroupIndex;
  c->AutoCheck = Item->AutoCheck;
  c->Visible = Item->Visible;
  c->RadioItem = Item->RadioItem;
  c->SetTag(Item->Tag());
  if (Item->HasBitmap()) c->Bitmap()->Assign(Item->Bitmap());
  if (menuSkin_) menuSkin_->Attach(c);
  for (int i = 0; i < Item->Count(); ++i) c->Add(CopyItem(Item->Items(i), Owner));
  return c;
}

void TMlSkinMainMenu::BuildPopups() {
  if (built_) return;
  built_ = true;
  FreeEntries();
  if (!mainMenu_) return;
  TMenuItem* root = mainMenu_->Items();
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* top = root->Items(i);
    if (!top->Visible) continue;
    auto e = std::make_unique<Entry>();
    e->Caption = top->Caption;
    e->Enabled = top->Enabled;
    e->Popup = std::make_unique<TPopupMenu>(nullptr);
    e->Popup->AutoHotkeys = mainMenu_->AutoHotkeys;
    e->Popup->AutoLineReduction = mainMenu_->AutoLineReduction;
    e->Popup->OwnerDraw = menuSkin_ != nullptr;
    for (int k = 0; k < top->Count(); ++k) e->Popup->Items()->Add(CopyItem(top->Items(k), e->Popup.get()));
    entries_.push_back(std::move(e));
  }
}

void TMlSkinMainMenu::CreateButtons(TCustomForm* Form) {
  BuildPopups();
  int x = pos_.XValue();
  const int y = pos_.YValue();
  for (const auto& e : entries_) {
    auto* b = new TMlSkinNCMenuItem(Form, this, e.get());
    b->Pos()->SetAlign(pos_.Align());
    b->Pos()->SetXValue(x);
    b->Pos()->SetYValue(y);
    b->SetGroupIndex(99);
    const int step = b->Pos()->Width + 8;
    x += pos_.Align() == TNCCtrlAlign::caLeft ? step : -step;
  }
}
