#pragma once
// Timers and pictures.
#include "framework/controls/Controls.h"

// Calls OnTimer every Interval milliseconds on the UI thread while Enabled.
// It runs from the moment Enabled, Interval and OnTimer are all set.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  UINT Interval() const { return interval_; }
  void SetInterval(UINT v);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent e);

 private:
  void UpdateTimer();
  bool enabled_ = true;
  UINT interval_ = 1000;
  TNotifyEvent onTimer_;
  std::uintptr_t id_ = 0;
};

// Shows a picture, optionally stretched or centred.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  TPicture* Picture() { return &picture_; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);

 protected:
  void Paint() override;

 private:
  void PictureChanged();
  TPicture picture_;
  bool stretch_ = false, center_ = false, autoSize_ = false;
};
