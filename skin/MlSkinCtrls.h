#pragma once
// The base of the skinned controls: a buffered paint box that imitates
// transparency by first copying the picture beneath it in its parent (the
// skinned form's background or a skinned parent's buffer) into its buffer.
#include <functional>

#include "skin/PaintBox32.h"

using TMlBackgroundEvent = std::function<void(TObject* Sender, TBitmap32* Background, bool& Handled)>;
using TMlCustomDrawEvent = std::function<void(TObject* Sender, TBitmap32* ACanvas)>;

class TMlSkinCustomControl : public TCustomPaintBox32_ml {
 public:
  explicit TMlSkinCustomControl(TComponent* AOwner);

  // True: the background is the parent's picture; false: Color.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; }
  // Repaint itself and its windowed children when moved.
  bool AutoInvalidate() const { return autoInvalidate_; }
  void SetAutoInvalidate(bool v) { autoInvalidate_ = v; }
  // Copy the buffer into a DC handed over by WM_ERASEBKGND with LParam 1.
  bool EraseBackground() const { return eraseBackground_; }
  void SetEraseBackground(bool v) { eraseBackground_ = v; }
  // Before the background is built; Handled skips building it.
  TMlBackgroundEvent OnBackgroundChanging;
  // After the background is built.
  TMlCustomDrawEvent OnBackgroundChanged;

  // The buffer, from which child controls take their background.
  virtual TBitmap32* GetBuffer() { return Buffer(); }
  virtual int GetSkinKind() { return 0; }

  void Dispatch(TMessage& m) override;
  void SetBounds(int l, int t, int w, int h) override;

 protected:
  void RenderBuffer() override;
  // The concrete control's picture over the background.
  virtual void DrawControl(TBitmap32*) {}
  virtual void DoBackgroundChanging(TBitmap32* Buffer, bool& Handled);
  virtual void DoBackgroundChanged(TBitmap32* Buffer);
  void AdjustClientRect(RECT& r) override;
  void Loaded() override;

 private:
  // The picture under R (the control's rectangle in its parent's client
  // coordinates) into the buffer.
  void CaptureBackground(const TRect& R);
  void ParentMoved();

  bool transparent_ = true;
  bool autoInvalidate_ = false;
  bool eraseBackground_ = false;
};
