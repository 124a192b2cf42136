#pragma once
// Forms, the screen and the application object with its message loop.
#include <functional>
#include <memory>

#include "framework/controls/Controls.h"

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter,
  poOwnerFormCenter,
};
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject*, TCloseAction&)>;
using TCloseQueryEvent = std::function<void(TObject*, bool&)>;

class TMonitor {
 public:
  HMONITOR Handle = nullptr;
  int MonitorNum = 0;
  RECT BoundsRect() const;
  RECT WorkareaRect() const;
  bool Primary() const;
  int Left() const { return BoundsRect().left; }
  int Top() const { return BoundsRect().top; }
  int Width() const { return BoundsRect().Width(); }
  int Height() const { return BoundsRect().Height(); }
};

class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Runs the creation event; called once the form's stored settings are in
  // place (TApplication::CreateForm does it).
  virtual void AfterConstruction();

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle v);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons v);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState v);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }
  bool AlphaBlend() const { return alphaBlend_; }
  void SetAlphaBlend(bool v);
  BYTE AlphaBlendValue() const { return alphaBlendValue_; }
  void SetAlphaBlendValue(BYTE v);
  bool Scaled() const { return scaled_; }
  void SetScaled(bool v) { scaled_ = v; }
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int v) { pixelsPerInch_ = v; }
  int TextHeight() const { return textHeight_; }
  void SetTextHeight(int v) { textHeight_ = v; }
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* c);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool v) { keyPreview_ = v; }
  TIcon* Icon() { return &icon_; }
  TCanvas* Canvas() { return canvas_.get(); }
  TMonitor* Monitor();
  bool Active() const { return active_; }

  void Close();
  void Release();  // frees the form once the current message is done
  bool CloseQuery();
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int r) { modalResult_ = r; }

  TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate, OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void Dispatch(TMessage& m) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void PaintWindow(HDC dc) override;
  bool IsTopLevelForm() const override { return true; }
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoHide();
  void SetLayeredAttributes();
  void ApplyIcon();

 private:
  void ShowingChanged(TMessage& m);
  void PlaceOnScreen();
  TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
  TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TWindowState windowState_ = TWindowState::wsNormal;
  TPosition position_ = TPosition::poDesigned;
  bool alphaBlend_ = false;
  BYTE alphaBlendValue_ = 255;
  bool scaled_ = true, keyPreview_ = false, active_ = false, placed_ = false;
  int pixelsPerInch_ = 96, textHeight_ = 13, modalResult_ = 0;
  TWinControl* activeControl_ = nullptr;
  TIcon icon_;
  std::unique_ptr<TControlCanvas> canvas_;
  TMonitor monitor_;
};

class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
};

// The top-level form that holds a control, or nullptr.
TCustomForm* GetParentForm(TControl* c);

class TScreen {
 public:
  int Width() const;
  int Height() const;
  RECT DesktopRect() const;
  RECT WorkAreaRect() const;
  int MonitorCount() const;
  TMonitor* Monitors(int i);
  TMonitor* MonitorFromWindow(HWND h);
  // The system cursor (IDC_*) of a screen cursor number; the arrow for a
  // number that names none.
  int Cursors(TCursor Cursor) const;

 private:
  std::vector<std::unique_ptr<TMonitor>> monitors_;
  void Refresh();
};
extern TScreen* Screen;

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Creates a form owned by the application; the first becomes the main form.
  template <class F>
  F* CreateForm() {
    F* f = new F(this);
    f->AfterConstruction();
    if (!mainForm_) mainForm_ = f;
    return f;
  }
  TCustomForm* MainForm() const { return mainForm_; }
  void SetMainForm(TCustomForm* f) { mainForm_ = f; }
  bool ShowMainForm = true;

  // Dispatches every message pending at this moment (and those they cause),
  // then returns without waiting.
  void ProcessMessages();
  // Waits for one message and dispatches it.
  void HandleMessage();
  // Shows the main form and dispatches until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  void Minimize();
  void Restore();

  const AnsiString& Title() const { return title_; }
  void SetTitle(const AnsiString& t);
  // The hidden window that stands for the application as a whole.
  HWND Handle();
  // Watches the messages of the application window; a hook returning true
  // consumes the message.
  using TWindowHook = std::function<bool(TMessage&)>;
  void HookMainWindow(TWindowHook* hook);
  void UnhookMainWindow(TWindowHook* hook);

  // The general error report: a message box titled with the application title,
  // an error icon and the error text with a full stop appended when its last
  // character sorts above ".".
  void ShowException(const Exception& E);
  // What happens to an exception that escapes a message handler.
  void HandleException(TObject* Sender, const Exception& E);
  // Called inside a catch block: the exception being handled goes to
  // HandleException, a standard one too (an allocation failure as
  // EOutOfMemory "Out of memory", any other with its own text). Exceptions of
  // other types are passed on.
  void HandleCurrentException(TObject* Sender);
  std::function<void(TObject*, const Exception&)> OnException;
  TNotifyEvent OnIdle;
  // Runs f; an exception that escapes it is shown by the general error report.
  template <class Fn>
  void Guard(Fn&& f) {
    try {
      f();
    } catch (...) {
      HandleCurrentException(this);
    }
  }
  // A message box owned by the active form.
  int MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags);
  // Forgets a control that is going away (mouse tracking).
  void ControlDestroyed(TControl* c);

 private:
  bool ProcessMessage(MSG& m);
  bool IsKeyMsg(MSG& m);
  void TrackMouseControl();
  void Idle();
  AnsiString title_;
  bool terminated_ = false;
  TCustomForm* mainForm_ = nullptr;
  TControl* mouseControl_ = nullptr;
  HWND handle_ = nullptr;
  std::vector<TWindowHook*> hooks_;
};

extern TApplication* Application;
