#pragma once
// Controls: the visual component tree. A TControl has bounds inside its parent
// and receives messages through its replaceable WindowProc; a TWinControl owns
// a window handle; a TGraphicControl is painted by its parent.
#include <functional>
#include <vector>

#include "framework/paint/Graphics.h"
#include "framework/windows/Windows.h"

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TControlStyleFlag : unsigned {
  csAcceptsControls = 1u << 0, csCaptureMouse = 1u << 1, csClickEvents = 1u << 3, csFramed = 1u << 4,
  csSetCaption = 1u << 5, csOpaque = 1u << 6, csDoubleClicks = 1u << 7, csFixedWidth = 1u << 8,
  csFixedHeight = 1u << 9, csReplicatable = 1u << 11, csNoStdEvents = 1u << 12, csParentBackground = 1u << 19,
};
using TControlStyle = unsigned;
enum TControlStateFlag : unsigned {
  csLButtonDown = 1u << 0, csClicked = 1u << 1, csAlignmentNeeded = 1u << 4, csFocusing = 1u << 5,
  csCreating = 1u << 6, csCustomPaint = 1u << 8, csDestroyingHandle = 1u << 9,
};
using TControlState = unsigned;
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;
// The screen's cursor numbers (Screen->Cursors gives the system cursor of one).
using TCursor = int;
constexpr TCursor crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
                  crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNo = -18,
                  crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22;

using TWndMethod = std::function<void(TMessage&)>;
using TMouseEvent = std::function<void(TObject*, TMouseButton, TShiftState, int, int)>;
using TMouseMoveEvent = std::function<void(TObject*, TShiftState, int, int)>;
using TKeyEvent = std::function<void(TObject*, WORD&, TShiftState)>;
using TKeyPressEvent = std::function<void(TObject*, char&)>;
using TCanResizeEvent = std::function<void(TObject*, int&, int&, bool&)>;

TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyDataToShiftState(LPARAM keyData);

class TSizeConstraints : public TPersistent {
 public:
  void Assign(const TPersistent* Source) override;
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};

class TWinControl;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* p);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int l, int t, int w, int h);
  RECT BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  virtual RECT GetClientRect();
  int ClientWidth() { return GetClientRect().Width(); }
  int ClientHeight() { return GetClientRect().Height(); }
  void SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
  void SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }
  virtual void SetClientSize(int w, int h);
  virtual POINT ClientOrigin();  // screen position of the client area's top-left
  POINT ClientToScreen(POINT p);
  POINT ScreenToClient(POINT p);
  TSizeConstraints* Constraints() { return &constraints_; }
  TAlign Align() const { return align_; }
  void SetAlign(TAlign a);

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);
  AnsiString Caption() const { return GetText(); }
  void SetCaption(const AnsiString& s) { SetText(s); }
  virtual AnsiString GetText() const { return text_; }
  virtual void SetText(const AnsiString& s);
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v);
  TFont* Font() { return font_.get(); }
  void SetFont(const TFont* f) { font_->Assign(f); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c) { cursor_ = c; }
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& h) { hint_ = h; }
  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle s) { controlStyle_ = s; }
  TControlState ControlState() const { return controlState_; }
  bool MouseCapture();
  void SetMouseCapture(bool v);

  // Messages reach the control through WindowProc, which a component may
  // replace and later restore; it starts as WndProc.
  TWndMethod WindowProc;
  LRESULT Perform(UINT msg, WPARAM wp, LPARAM lp);
  virtual void WndProc(TMessage& m);
  // Message-specific handling; what a class does not handle goes to its base,
  // and what no class handles to DefaultHandler.
  virtual void Dispatch(TMessage& m);
  virtual void DefaultHandler(TMessage& m);

  virtual void Invalidate();
  void Repaint();
  virtual void Update();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();
  // True when the control and every parent are visible and the top form shows.
  virtual bool IsShowing() const;

  TNotifyEvent OnClick, OnDblClick, OnResize, OnMouseEnter, OnMouseLeave;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TCanResizeEvent OnCanResize;

 protected:
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton b, TShiftState s, int x, int y);
  virtual void MouseUp(TMouseButton b, TShiftState s, int x, int y);
  virtual void MouseMove(TShiftState s, int x, int y);
  virtual void Resize();
  virtual bool CanResize(int& w, int& h);
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void RequestAlign();
  // Sends m to this control as the parent sees fit (non-windowed controls get
  // coordinates in their own space).
  virtual void ParentFontChanged();
  virtual void ParentColorChanged();
  void SetControlState(TControlState s) { controlState_ = s; }
  void InvalidateControl(bool wasVisible, bool opaque);
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  friend class TWinControl;

 private:
  void HandleMouse(TMessage& m);
  TWinControl* parent_ = nullptr;
  bool visible_ = true, enabled_ = true, parentColor_ = false, parentFont_ = true;
  AnsiString text_, hint_;
  TColor color_ = clWindow;
  std::unique_ptr<TFont> font_;
  TCursor cursor_ = crDefault;
  TControlStyle controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  TControlState controlState_ = 0;
  TAlign align_ = TAlign::alNone;
  TSizeConstraints constraints_;
};

struct TCreateParams {
  AnsiString Caption;
  DWORD Style = 0, ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  AnsiString WinClassName;
  UINT WindowClassStyle = CS_DBLCLKS;
  int Cursor = IDC_ARROW;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  HWND Handle();  // creates the window (and the parent's) when needed
  // Ties a new window to this control (called once, by its first message).
  WNDPROC BindHandle(HWND h);
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  void DestroyHandle();
  HWND ParentWindow() const { return parentWindow_; }
  void SetParentWindow(HWND w) { parentWindow_ = w; }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int i) const { return controls_.at(static_cast<size_t>(i)); }
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  // The topmost visible child control (windowed or not) at a client point.
  TControl* ControlAtPos(POINT p, bool allowDisabled, bool allowWinControls = true);

  void SetBounds(int l, int t, int w, int h) override;
  RECT GetClientRect() override;
  POINT ClientOrigin() override;
  void SetText(const AnsiString& s) override;
  AnsiString GetText() const override;
  void Invalidate() override;
  void Update() override;
  bool IsShowing() const override { return showing_; }
  bool Showing() const { return showing_; }
  virtual bool CanFocus();
  bool Focused();
  virtual void SetFocus();
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v) { tabStop_ = v; }
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool v) { doubleBuffered_ = v; }
  TBrush* Brush() { return &brush_; }
  // Paints the non-windowed children onto dc (client coordinates).
  void PaintControls(HDC dc, TControl* first);
  void Realign();
  void DisableAlign() { ++alignLevel_; }
  void EnableAlign();

  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;

  void WndProc(TMessage& m) override;
  void Dispatch(TMessage& m) override;
  void DefaultHandler(TMessage& m) override;

 protected:
  virtual void CreateParams(TCreateParams& p);
  virtual void CreateWnd();
  virtual void CreateHandle();
  virtual void DestroyWnd();
  virtual void PaintWindow(HDC dc);
  virtual void AdjustClientRect(RECT& r);
  virtual void AlignControls(TControl* c, RECT& r);
  void PaintHandler(TMessage& m);
  void UpdateShowing();
  void UpdateBounds();
  // A form without a parent shows on its own.
  virtual bool IsTopLevelForm() const { return false; }
  virtual bool DoKeyDown(WORD& key, TShiftState s);
  void MainWndProc(TMessage& m);
  void Loaded() override;
  void ParentColorChanged() override;
  // The window procedure of the class this control's window was made from.
  WNDPROC DefWndProc;

 private:
  void ShowingChanged(TMessage& m);
  HWND handle_ = nullptr;
  HWND parentWindow_ = nullptr;
  std::vector<TControl*> controls_;
  std::vector<TWinControl*> winControls_;
  bool showing_ = false, tabStop_ = false, doubleBuffered_ = false;
  int alignLevel_ = 0;
  TBrush brush_;
  friend class TControl;
};

// A control with a canvas that draws on the DC it is painted with, or on a
// DC of its own window otherwise.
class TControlCanvas : public TCanvas {
 public:
  explicit TControlCanvas(TControl* c) : control_(c) {}
  ~TControlCanvas() override;
  void FreeHandle();
  // Runs paint with the canvas drawing on dc, which is given back afterwards.
  void PaintOn(HDC dc, const std::function<void()>& paint);

 protected:
  void CreateHandle() override;

 private:
  TControl* control_;
  HDC own_ = nullptr;
};

class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() { return canvas_.get(); }
  void Dispatch(TMessage& m) override;

 protected:
  virtual void Paint() {}

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() { return canvas_.get(); }

 protected:
  void PaintWindow(HDC dc) override;
  virtual void Paint() {}

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// The non-windowed control or windowed control that owns a window handle.
TWinControl* FindControl(HWND hwnd);
// The control at a screen point, including non-windowed ones.
TControl* FindDragTarget(POINT screen, bool allowDisabled);
