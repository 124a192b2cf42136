#pragma once
// The small pale window that shows a hint text near the pointer.
#include "framework/controls/Controls.h"

class THintWindow : public TCustomControl {
 public:
  explicit THintWindow(TComponent* AOwner);
  // The text's extent in the hint window's font.
  SIZE MeasureText(const AnsiString& Text);
  // Shows Text in Rect (screen coordinates) above everything, without focus.
  void ActivateHint(const RECT& Rect, const AnsiString& Text);
  // Hides the hint by letting its window go.
  void ReleaseHandle() { DestroyHandle(); }

 protected:
  void CreateParams(TCreateParams& p) override;
  void Paint() override;
};
