#pragma once
// Layered border windows: four borderless windows around a skinned form
// (left, top, right, bottom) that show the edge strips of one skin image with
// per-pixel alpha. With the default image they are a soft shadow that lets
// the mouse through; with an opaque image and Transparent off they are a
// picture frame that takes the mouse, drags the form and hosts its
// caption-bar items on the top window.
#include <array>
#include <memory>
#include <vector>

#include "framework/controls/Forms.h"
#include "graphics/Bitmap32.h"
#include "skin/MlSkinImage.h"

class TMlSkinNCCtrlBase;
class TMlFormLayerBorder;

class TMlBorderSize : public TPersistent {
 public:
  TMlBorderSize() = default;
  TMlBorderSize(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
  void Assign(const TPersistent* Source) override;
  int Left = 8, Top = 8, Right = 8, Bottom = 8;
  int Horizontal() const { return Left + Right; }
  int Vertical() const { return Top + Bottom; }
};

enum class TMlStretchKind { skAuto, skTile };

// The strips and windows are indexed by kind.
enum TMlBorderKind : int { bkLeft = 0, bkTop = 1, bkRight = 2, bkBottom = 3 };

class TmlFormLayerWindow : public TForm {
 public:
  TmlFormLayerWindow(TMlFormLayerBorder* Border, TCustomForm* Form, bool Transparent, TMlBorderKind Kind,
                     bool DragEnabled);
  ~TmlFormLayerWindow() override;
  TMlBorderKind Kind() const { return kind_; }
  // Shows the strip of its kind (with the hosted items on an opaque top
  // window), or nothing at all when invisible is asked for.
  void UpdateLayered(bool Invisible);
  void WndProc(TMessage& m) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void Dispatch(TMessage& m) override;

 private:
  TMlSkinNCCtrlBase* HoveredItem() const;
  bool transparent_;
  TMlBorderKind kind_;
  bool dragEnabled_;
  TMlFormLayerBorder* border_;
  TCustomForm* form_;
  // Painting lets messages run, which may free the window.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TMlFormLayerBorder : public TComponent {
 public:
  explicit TMlFormLayerBorder(TComponent* AOwner);
  ~TMlFormLayerBorder() override;

  bool DragEnabled() const { return dragEnabled_; }
  void SetDragEnabled(bool v) { dragEnabled_ = v; }
  TMlStretchKind StretchKind() const { return stretchKind_; }
  void SetStretchKind(TMlStretchKind v) { stretchKind_ = v; }
  const TMlResID& Image() const { return image_; }
  void SetImage(const TMlResID& v) { image_ = v; }
  TMlBorderSize* Size() { return &size_; }
  void SetSize(const TMlBorderSize* v) { size_.Assign(v); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; }
  // How far each strip reaches in under the form; only the magnitudes count.
  TMlBorderSize* InflateSize() { return &inflate_; }
  void SetInflateSize(const TMlBorderSize* v) { inflate_.Assign(v); }

  // ---- What the skinned form drives
  void Attach(TCustomForm* Form);
  // Creates and places the windows for the form's bounds, remembering the
  // form's item list; nothing while the border is shown.
  void CreateWindows(const std::vector<TMlSkinNCCtrlBase*>* Items);
  // The item list is going away with its skinned form.
  void ForgetItems() { items_ = nullptr; }
  void FollowSize();
  void MoveTo(int X, int Y);
  void Hide();
  void Show();
  void ShowByZoom();
  void Suspend();
  void Resume();
  void Repaint();

  // ---- State, for the windows and for tests
  // Cuts the four strips for a form of W x H out of the image laid over
  // the whole frame; none when the image is missing.
  void BuildStrips(int W, int H);
  TBitmap32* Strip(TMlBorderKind kind) const { return strips_[kind].get(); }
  TmlFormLayerWindow* Window(TMlBorderKind kind) const { return windows_[kind]; }
  TCustomForm* Form() const { return form_; }
  const std::vector<TMlSkinNCCtrlBase*>* Items() const { return items_; }
  bool Shown() const { return shown_; }
  // All four windows are there, each with its window. A secondary form's
  // window takes the border's windows along when it goes; they are made
  // anew at the next CreateWindows.
  bool HasWindows() const;
  bool Hidden() const { return hidden_; }
  bool Suspended() const { return suspended_; }
  // Where each window stands for the form at (X, Y) with its current size.
  POINT Position(TMlBorderKind kind, int X, int Y) const;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool FormMinimized() const;
  void PaintAll(bool invisible);
  void Place(int X, int Y, UINT flags);
  HWND Anchor() const;
  void FreeWindows();
  void ApplyTileRule();

  bool dragEnabled_ = true;
  TMlStretchKind stretchKind_ = TMlStretchKind::skAuto;
  TMlResID image_ = "MlSkinSlider_Aio_light_bkg";
  TMlBorderSize size_;
  bool transparent_ = true;
  TMlBorderSize inflate_{5, 5, -5, -5};

  bool hidden_ = false;
  bool suspended_ = false;
  const std::vector<TMlSkinNCCtrlBase*>* items_ = nullptr;
  TCustomForm* form_ = nullptr;
  std::array<std::unique_ptr<TBitmap32>, 4> strips_;
  std::array<TmlFormLayerWindow*, 4> windows_{};
  bool shown_ = false;
};
