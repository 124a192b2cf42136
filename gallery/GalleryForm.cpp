#include "gallery/GalleryForm.h"

#include <memory>

#include "framework/controls/ExtCtrls.h"
#include "skin/window/MlFormBorder.h"
#include "skin/window/MlSkinForm.h"
#include "skin/window/MlSkinMenu.h"
#include "skin/window/MlSkinNCButton.h"
#include "skin/window/MlSkinNCLabel.h"

namespace {

constexpr TColor kOrange = 35583;  // the updater's body colour

}  // namespace

TGalleryForm::TGalleryForm(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("Quelbo Skin Gallery");
  SetPosition(TPosition::poDesktopCenter);
  SetBounds(0, 0, 444, 141);

  skin_ = new TMlSkinForm(this);
  skin_->SetColor(kOrange);
  // The border's defaults: the built-in shadow, 8 out, 5 in.
  border_ = new TMlFormLayerBorder(this);
  skin_->SetImageBorder(border_);

  title_ = new TMlSkinNCLabel(this);
  title_->SetCaption(Caption());
  CaptionButton("MlSkinBtn_close", 2 + 39, [this](TObject*) { Close(); });
  maximise_ = CaptionButton("MlSkinBtn_max", 2 + 39 + 28, [this](TObject*) { ToggleMaximised(); });
  CaptionButton("MlSkinBtn_mini", 2 + 39 + 56,
                [this](TObject*) { SendMessage(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0); });
  BuildMenus();

  // The popup menu answers a right click in the client area.
  OnMouseUp = [this](TObject*, TMouseButton b, TShiftState, int x, int y) {
    if (b != TMouseButton::mbRight) return;
    POINT p = ClientToScreen({x, y});
    popup_->Popup(p.x, p.y);
  };
}

TMlSkinNCButton* TGalleryForm::CaptionButton(const char* image, int fromRight, TNotifyEvent onClick) {
  auto* b = new TMlSkinNCButton(this);
  b->Picture()->SetImage(image);
  b->Pos()->SetAlign(TNCCtrlAlign::caRight);
  b->Pos()->SetXValue(fromRight);
  b->Pos()->SetYValue(0);
  b->OnClick = std::move(onClick);
  return b;
}

TMenuItem* TGalleryForm::Item(TMenuItem* parent, const AnsiString& caption, TNotifyEvent onClick) {
  auto* item = new TMenuItem(this);
  item->Caption = caption;
  item->OnClick = std::move(onClick);
  parent->Add(item);
  return item;
}

void TGalleryForm::BuildMenus() {
  menuSkin_ = new TMlSkinMenu(this);
  mainMenu_ = new TMainMenu(this);
  TMenuItem* file = Item(mainMenu_->Items(), "&File");
  Item(file, "&Restore size", [this](TObject*) { SendMessage(Handle(), WM_SYSCOMMAND, SC_RESTORE, 0); });
  Item(file, "-");
  Item(file, "E&xit", [this](TObject*) { Close(); })->ShortCut = ShortCut(VK_F4, ssAlt);
  TMenuItem* view = Item(mainMenu_->Items(), "&View");
  TMenuItem* shadow = Item(view, "&Shadow");
  shadow->AutoCheck = true;
  shadow->SetChecked(true);
  shadow->OnClick = [this](TObject* s) {
    if (static_cast<TMenuItem*>(s)->Checked()) border_->Show();
    else border_->Hide();
  };
  TMenuItem* look = Item(view, "&Look");
  for (const char* caption : {"&Colour", "&Picture"}) {
    TMenuItem* choice = Item(look, caption);
    choice->RadioItem = true;
    choice->GroupIndex = 1;
  }
  look->Items(0)->SetChecked(true);
  TMenuItem* help = Item(mainMenu_->Items(), "&Help");
  Item(help, "&About the gallery");
  skin_->MainMenu()->SetMainMenu(mainMenu_);
  skin_->MainMenu()->SetMenuSkin(menuSkin_);
  skin_->MainMenu()->Pos()->SetXValue(150);

  popup_ = new TPopupMenu(this);
  popup_->OwnerDraw = true;
  Item(popup_->Items(), "&Maximise", [this](TObject*) { ToggleMaximised(); });
  Item(popup_->Items(), "Mi&nimise", [this](TObject*) { SendMessage(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0); });
  Item(popup_->Items(), "-");
  Item(popup_->Items(), "Disabled item")->Enabled = false;
  Item(popup_->Items(), "&Close", [this](TObject*) { Close(); });
}

void TGalleryForm::ToggleMaximised() {
  SendMessage(Handle(), WM_SYSCOMMAND, IsZoomed(Handle()) ? SC_RESTORE : SC_MAXIMIZE, 0);
  maximise_->Picture()->SetImage(IsZoomed(Handle()) ? "MlSkinBtn_restore" : "MlSkinBtn_max");
}

void TGalleryForm::QuickMinimise(int RestoreAfterMs) {
  auto* timer = new TTimer(this);
  timer->SetEnabled(false);
  timer->SetInterval(1);
  // The timer calls a copy of its handler: the state lives outside it.
  auto minimised = std::make_shared<bool>(false);
  timer->SetOnTimer([this, timer, RestoreAfterMs, minimised](TObject*) {
    if (!*minimised) {
      *minimised = true;
      SendMessage(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      timer->SetInterval(static_cast<UINT>(RestoreAfterMs));
      return;
    }
    timer->SetEnabled(false);
    SendMessage(Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  });
  OnShow = [timer, minimised](TObject*) {
    if (!*minimised) timer->SetEnabled(true);
  };
}
