#pragma once
// Caption-bar items: components that draw themselves into a skinned form's
// caption band and answer the mouse there. The base gives every item its
// position, its registration with the skinned form, hover detection by
// polling, a hint and left-button events.
#include <memory>

#include "framework/controls/ExtCtrls.h"
#include "framework/controls/HintWindow.h"
#include "graphics/Bitmap32.h"

class TMlSkinForm;
class TCustomForm;

enum class TNCCtrlAlign { caLeft, caRight };

class TNCCtrlPos : public TPersistent {
 public:
  explicit TNCCtrlPos(TControl* hostForm) : hostForm_(hostForm) {}
  void Assign(const TPersistent* Source) override;

  int Width = 25, Height = 25;
  int XValue() const { return xValue_; }
  void SetXValue(int v);
  int YValue() const { return yValue_; }
  void SetYValue(int v);
  TNCCtrlAlign Align() const { return align_; }
  void SetAlign(TNCCtrlAlign v);
  bool UseDefault = false;
  // For a right-aligned item XValue is the distance from the form's right
  // edge to the item's left edge.
  int Left() const;
  int Top() const { return yValue_; }
  // The window whose width right alignment measures from.
  TControl* HostForm() const { return hostForm_; }
  void SetHostForm(TControl* v) { hostForm_ = v; }
  // While set, changes do not fire OnChange.
  bool Updating = false;
  virtual void Changed();
  TNotifyEvent OnChange;

 private:
  int xValue_ = 0, yValue_ = 0;
  TNCCtrlAlign align_ = TNCCtrlAlign::caLeft;
  TControl* hostForm_;
};

class TMlSkinNCCtrlBase : public TComponent {
 public:
  explicit TMlSkinNCCtrlBase(TComponent* AOwner);
  ~TMlSkinNCCtrlBase() override;

  // The item's identity in posted messages (MLM_ADDNCCTRL, MLM_REMOVENCCTRL):
  // unlike its address it never names another item once this one is gone.
  WPARAM Id() const { return id_; }
  // The item that Id names, or nullptr when it has gone.
  static TMlSkinNCCtrlBase* FromId(WPARAM id);
  // True while a caption-bar button shows its own cursor.
  static bool ButtonCursorShown();

  TNCCtrlPos* Pos() { return &pos_; }
  void SetPos(const TNCCtrlPos* v) { pos_.Assign(v); }
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& v) { hint_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Hovered() const { return hover_; }
  bool IsRegistered() const { return skinForm_ != nullptr; }
  TMlSkinForm* SkinForm() const { return skinForm_; }
  TWinControl* Host() const { return host_; }
  void SetHost(TWinControl* host) { host_ = host; }
  TNotifyEvent OnLMouseDown, OnLMouseUp;

  // What the skinned form calls.
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void MouseMove() {}
  virtual int GetWidth() { return pos_.Width; }
  virtual int GetHeight() { return pos_.Height; }
  virtual void LMouseDown();
  virtual void LMouseUp();
  // Draws the item on the caption-band bitmap (window coordinates).
  virtual void Paint(TBitmap32& Bitmap);
  void Registered(TMlSkinForm* form) { skinForm_ = form; }
  // One hover poll, as the 10 ms timer runs it.
  void PollHover();

 protected:
  // The skinned form that registered the item is gone.
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Repaints the caption band of the host.
  void RepaintHost();
  static bool& ButtonCursorFlag();

 private:
  void PostRegistration();
  bool HostMaximized() const;

  std::unique_ptr<THintWindow> hintWindow_;
  TTimer* hoverTimer_;
  bool hover_ = false;
  TNCCtrlPos pos_;
  AnsiString hint_;
  bool visible_ = true;
  TMlSkinForm* skinForm_ = nullptr;
  POINT design_{0, 0};
  TWinControl* host_;
  WPARAM id_;
};
