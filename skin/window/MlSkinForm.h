#pragma once
// The skinned form: a component dropped on a form that replaces the form's
// caption and frame with its own painted caption band and frame, paints the
// client background, and takes over hit testing, moving, sizing, maximising,
// minimising and the size limits.
#include <memory>
#include <vector>

#include "graphics/Bitmap32.h"
#include "skin/MlSkinRegistry.h"
#include "skin/window/MlHookWindowProc.h"
#include "skin/window/MlSkinMainMenu.h"
#include "skin/window/MlSkinRes.h"

class TMlSkinNCCtrlBase;
class TMlFormLayerBorder;

class TMlSkinFormOptions : public TPersistent {
 public:
  void Assign(const TPersistent* Source) override;
  bool MinimizeToTaskbar = false;
};

// MLM_NCPAINT with this WParam repaints only the caption band.
constexpr WPARAM kNcPaintCaptionBand = 1;

// Timers on the form's window.
enum : std::uintptr_t { kTimerNcRepaint = 2, kTimerFirstShow = 3, kTimerNextMenu = 4 };

class TMlSkinForm : public TMlHookWindowProc, public TMlFormSkinLink {
 public:
  explicit TMlSkinForm(TComponent* AOwner);
  ~TMlSkinForm() override;

  void WndProc(TMessage& m) override;
  virtual void PublishCustomPicture();
  virtual void PublishSkin();
  // Repaints the caption band, invalidates the form and every skinned control.
  void RefreshSkin();
  // Takes the look from SkinRes.
  void ApplySkinRes();

  // ---- Properties
  bool FlatFrame() const { return flatFrame_; }
  void SetFlatFrame(bool v) { flatFrame_ = v; }
  int TitleHeight() const { return titleHeight_; }
  void SetTitleHeight(int v) { titleHeight_ = v; }
  TColor TitlerColor() const { return titlerColor_; }
  void SetTitlerColor(TColor v) { titlerColor_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  TMlSkinFormOptions* Options() { return &options_; }
  void SetOptions(const TMlSkinFormOptions* v) { options_.Assign(v); }
  bool RoundWindow() const { return roundWindow_; }
  void SetRoundWindow(bool v) { roundWindow_ = v; }
  int FramWidth() const { return framWidth_; }
  // Negative widths are ignored; 0 also makes the frame flat.
  void SetFramWidth(int v);
  TColor FrameColor() const { return frameColor_; }
  void SetFrameColor(TColor v) { frameColor_ = v; }
  TMlFillStyle FillStyle() const { return fillStyle_; }
  void SetFillStyle(TMlFillStyle v) { fillStyle_ = v; }
  int HitTestWidth() const { return hitTestWidth_; }
  void SetHitTestWidth(int v) { hitTestWidth_ = v; }
  bool EraseBackGround() const { return eraseBackGround_; }
  void SetEraseBackGround(bool v) { eraseBackGround_ = v; }
  int GradientHeight() const { return gradientHeight_; }
  void SetGradientHeight(int v) { gradientHeight_ = v; }
  const TMlResID& CustomPicture() const { return customPicture_; }
  void SetCustomPicture(const TMlResID& v);
  TMlSkinStyle Style() const { return style_; }
  void SetStyle(TMlSkinStyle v) { style_ = v; }
  bool ActiveGradient() const { return activeGradient_; }
  void SetActiveGradient(bool v) { activeGradient_ = v; }
  TMlSkinRes* SkinRes() const { return skinRes_; }
  void SetSkinRes(TMlSkinRes* v);
  bool DoubleFrame() const { return doubleFrame_; }
  void SetDoubleFrame(bool v) { doubleFrame_ = v; }
  bool KeepTitlerColor() const { return keepTitlerColor_; }
  void SetKeepTitlerColor(bool v) { keepTitlerColor_ = v; }
  bool KeepFrameColor() const { return keepFrameColor_; }
  void SetKeepFrameColor(bool v) { keepFrameColor_ = v; }
  TMlFormLayerBorder* ImageBorder() const { return imageBorder_; }
  // At run time on a visible form the border's windows are made at once.
  void SetImageBorder(TMlFormLayerBorder* v);
  TMlSkinMainMenu* MainMenu() { return &mainMenu_; }
  void SetMainMenu(const TMlSkinMainMenu* v) { mainMenu_.Assign(v); }
  // Fired at the end of every skin refresh.
  TNotifyEvent Changed;

  // ---- Caption-bar items, in registration order; an item leaves the list
  // when it is freed (free notification)
  const std::vector<TMlSkinNCCtrlBase*>& Items() const { return items_; }
  // Takes the item that Id names, if it still exists (MLM_ADDNCCTRL).
  void RegisterItem(WPARAM Id);

  // ---- Painting (what the message handling runs)
  void BuildColorBackground();
  void BuildPictureBackground();
  void BuildBackground();
  void PaintNonClient();
  // Only the caption band: what a caption-bar item's change of look needs.
  void PaintCaptionBand();
  void PaintClientBackground();
  void UpdateRegion();
  // The colour background (ssColor) or the picture background (ssPicture).
  TBitmap32* BackgroundBitmap();
  TBitmap32* ClientBackground(POINT& clientOrigin) override;
  TColor EffectiveColor() const { return effColor_; }
  TColor EffectiveTitlerColor() const { return effTitlerColor_; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  enum class FramePiece { Top, Left, Right, Bottom };
  bool Active() const { return active_; }
  TCustomForm* Form() const { return HookedForm(); }
  // The skinned controls on parent and below it repaint their frames and
  // invalidate (what a refresh of the skin does to the form's controls).
  void RefreshSkinnedControls(TWinControl* parent);
  bool FormIsMaximized() const;
  bool NoBorder() const;
  int W() const;
  int H() const;

  // Messages (MlSkinFormNonClient.cpp).
  void NcCalcSize(TMessage& m);
  void NcHitTest(TMessage& m);
  void GetMinMaxInfo(TMessage& m);
  bool CaptionMouse(TMessage& m, bool down);
  // Alt and a caption's accelerator open that caption-bar menu.
  bool MenuAccelerator(TMessage& m);
  void CaptionDoubleClick(TMessage& m);
  void NcPaint(TMessage& m);
  // Show, minimise, maximise, restore (MlSkinFormStates.cpp).
  void ShowingChanged(TMessage& m);
  void SysCommand(TMessage& m);
  void Timer(TMessage& m);
  void HideForMinimize();
  void ShowAfterRestore();
  // Shown or hidden by the maximised state and moved to the form.
  void BorderFollowsRestore();
  // The border windows of the form as it stands (none while it is minimised,
  // hidden while it is maximised): a shown form with a border image always
  // has them.
  void MakeBorderWindows();
  bool ApplicationHook(TMessage& m);
  // Painting (MlSkinFormPaint.cpp).
  void ComputeEffectiveColors();
  void PaintTopPiece(TBitmap32& t);
  void PaintFrameLines(TBitmap32& piece, FramePiece kind);
  void PresentPiece(HDC dc, TBitmap32& t, int x, int y);

  // Properties.
  bool flatFrame_ = false;
  int titleHeight_ = 27;
  TColor titlerColor_ = 16761926;
  TColor color_ = 15920353;
  TMlSkinFormOptions options_;
  bool roundWindow_ = true;
  int framWidth_ = 2;
  TColor frameColor_ = 0;
  TMlFillStyle fillStyle_ = TMlFillStyle::mfsBlur;
  int hitTestWidth_ = 5;
  bool eraseBackGround_ = false;
  int gradientHeight_ = 168;
  TMlResID customPicture_;
  TMlSkinStyle style_ = TMlSkinStyle::ssColor;
  bool activeGradient_ = true;
  TMlSkinRes* skinRes_ = nullptr;
  bool doubleFrame_ = true;
  bool keepTitlerColor_ = false;
  bool keepFrameColor_ = false;
  TMlFormLayerBorder* imageBorder_ = nullptr;
  TMlSkinMainMenu mainMenu_{this};

  // State.
  TBorderIcons savedBorderIcons_ = 0;
  int savedFramWidth_ = 0;
  bool active_ = false;
  TColor effColor_ = 0, effTitlerColor_ = 0;
  TBitmap32 gradient_, colorBackground_, picture_, pictureBackground_;
  TColor pictureAverage_ = 0;
  bool inUpdateRegion_ = false;
  // The shape last given to the window: set again only when it would differ.
  struct RegionKey {
    int w = -1, h = -1;
    bool maximized = false, round = false;
    friend bool operator==(const RegionKey&, const RegionKey&) = default;
  } regionKey_;
  bool hiddenForMinimize_ = false, restored_ = false;
  std::vector<TMlSkinNCCtrlBase*> items_;
  bool savedAlphaBlend_ = false;
  BYTE savedAlphaBlendValue_ = 255;
  bool inRefresh_ = false;
  bool inSizingZone_ = false;
  bool firstShown_ = false;
  // The first-show transparency is still waiting for timer 3.
  bool firstShowPending_ = false;
  TWindowState savedWindowState_ = TWindowState::wsNormal;
  struct MaxPosition {
    int frame = 0;
    bool saved = false;
    bool primary = true;
    POINT position, size;
  } maxPos_;
  TApplication::TWindowHook appHook_;
  bool appHooked_ = false;
  // The temporary bitmap of non-client painting, kept between paints.
  TBitmap32 piece_;
};
