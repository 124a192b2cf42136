#pragma once
// The message pump: lets the application's window messages be dispatched in
// the middle of blocking socket calls, so windows keep painting during a
// transfer. At most one exists per application.
#include "core/Classes.h"

class TMessagePump : public TComponent {
 public:
  explicit TMessagePump(TComponent* AOwner);
  ~TMessagePump() override;

  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  // All pending messages per dispatch (True) or at most one (False).
  bool ApplicationHasPriority() const { return application_has_priority_; }
  void SetApplicationHasPriority(bool v) { application_has_priority_ = v; }
  // The length in milliseconds of one readability wait slice.
  int IdleTimeOut() const { return idle_time_out_; }
  void SetIdleTimeOut(int v) { idle_time_out_ = v; }
  // When True, only dispatch points that are idle (or overridden) dispatch.
  bool OnlyWhenIdle() const { return only_when_idle_; }
  void SetOnlyWhenIdle(bool v) { only_when_idle_ = v; }

  // The application's pump, or nullptr.
  static TMessagePump* Instance();
  // A pump exists, is active and the caller runs on the main thread, so
  // blocking calls may be sliced and messages dispatched between the slices.
  static bool Usable();
  // A dispatch point of a blocking call. AIdle: the wait slice before it ended
  // without anything happening; AOverride: dispatch whatever OnlyWhenIdle says.
  static void DispatchPoint(bool AIdle, bool AOverride = false);

  // Called at every dispatch, before the messages are handled; lets a test
  // or a diagnostic see how often a blocking call lets the window run.
  TNotifyEvent OnDispatch;

 private:
  void Dispatch();

  bool active_ = true;
  bool application_has_priority_ = true;
  int idle_time_out_ = 250;
  bool only_when_idle_ = true;
};
