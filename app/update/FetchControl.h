#pragma once
// The update procedure's fetches as a whole: how they wait between attempts
// (the environment may have its own wait), and how the person closing the
// window stops them: the fetch under way ends at once, in the middle of a
// wait too, and none starts after.
#include "app/update/UpdateEnvironment.h"
#include "http/ResumableFetch.h"

class TFetchControl {
 public:
  // Stops the fetch under way and every later one.
  void Cancel();
  bool Cancelled() const { return cancelled_; }

  // Fetch, prepared for the environment Env, is the one under way while
  // this lives. Control may be null: a fetch nobody stops.
  class Running {
   public:
    Running(TFetchControl* Control, TResumableFetch& Fetch, const UpdateEnvironment& Env);
    ~Running();
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

   private:
    TFetchControl* control_;
  };

 private:
  TResumableFetch* current_ = nullptr;
  bool cancelled_ = false;
};
