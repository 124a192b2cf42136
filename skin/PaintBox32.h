#pragma once
// A windowed control that paints through an off-screen 32-bit bitmap of its
// own size: the buffer is rebuilt when it is out of date and copied to the
// window in one block.
#include <memory>

#include "framework/controls/Controls.h"
#include "graphics/Bitmap32.h"

class TCustomPaintBox32_ml : public TCustomControl {
 public:
  explicit TCustomPaintBox32_ml(TComponent* AOwner);
  ~TCustomPaintBox32_ml() override;

  TBitmap32* Buffer() const { return buffer_.get(); }
  // Extra room a growing buffer gets, and the slack before a shrinking one is
  // cut; 0 keeps the buffer exactly the control's size.
  int BufferMargin() const { return bufferMargin_; }
  void SetBufferMargin(int v);
  // Whether the buffer holds the current picture.
  bool BufferCurrent() const { return bufferCurrent_; }
  bool MouseInside() const { return mouseInside_; }

  // Marks the buffer out of date, then the whole window for repainting.
  void Invalidate() override;
  // The next paint rebuilds the whole buffer.
  virtual void ForceFullRedraw();

  void Dispatch(TMessage& m) override;

 protected:
  // The paint routine: rebuild the buffer when it is out of date, copy it to
  // dc without blending, then the overlay.
  void PaintWindow(HDC dc) override;
  // Fills the buffer with the control's colour; skinned controls draw their
  // own picture instead.
  virtual void RenderBuffer();
  virtual void DrawOverlay(HDC) {}
  virtual void BufferSizeChanged(int OldWidth, int OldHeight);
  virtual void PointerEntered() {}
  virtual void PointerLeft() {}
  // Sizes the buffer to the control (with BufferMargin's slack).
  void FitBuffer();
  // The resizing part of FitBuffer; true when the size changed.
  bool ResizeBuffer();
  void Resize() override;
  void SetBufferCurrent(bool v) { bufferCurrent_ = v; }

 private:
  std::unique_ptr<TBitmap32> buffer_;
  int bufferMargin_ = 40;
  bool bufferCurrent_ = false;
  bool mouseInside_ = false;
};
