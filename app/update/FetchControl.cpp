#include "app/update/FetchControl.h"

void TFetchControl::Cancel() {
  cancelled_ = true;
  if (current_) current_->Cancel();
}

TFetchControl::Running::Running(TFetchControl* Control, TResumableFetch& Fetch, const UpdateEnvironment& Env)
    : control_(Control) {
  if (Env.sleep) Fetch.Sleep = Env.sleep;
  if (!control_) return;
  control_->current_ = &Fetch;
  if (control_->cancelled_) Fetch.Cancel();
}

TFetchControl::Running::~Running() {
  if (control_) control_->current_ = nullptr;
}
