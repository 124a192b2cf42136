#pragma once
// The persistent bases of bitmaps and resamplers: an optional reference
// count, change notification under an update counter, and a lock.
#include <mutex>

#include "core/Classes.h"

// A persistent object that may be shared through counted references. It is
// counted only once RefCounted is switched on.
class TPlainInterfacedPersistent : public TPersistent {
 public:
  bool RefCounted() const { return refCounted_; }
  void SetRefCounted(bool on) { refCounted_ = on; }
  int RefCount() const { return refCount_; }
  int AddRef();
  // Frees the object when it is counted and the count drops to 0.
  int Release();
  // Raises "Unmatched reference counting." when a counted object that is still
  // referenced is about to be freed; owners call it before deleting.
  void BeforeDestruction() const;

 private:
  bool refCounted_ = false;
  int refCount_ = 0;
};

// Change notification: Changed fires OnChange while the update counter is 0.
class TNotifiablePersistent : public TPlainInterfacedPersistent {
 public:
  TNotifyEvent OnChange;

  virtual void Changed();
  virtual void BeginUpdate() { ++updateCount_; }
  // Raises EAssertionFailed "Unpaired TThreadPersistent.EndUpdate" when no
  // update is open. Closing the last update does not notify by itself.
  virtual void EndUpdate();
  int UpdateCount() const { return updateCount_; }

 private:
  int updateCount_ = 0;
};

// A notifiable object with a lock around its state.
class TThreadPersistent : public TNotifiablePersistent {
 public:
  void Lock() {
    mutex_.lock();
    ++lockCount_;
  }
  void Unlock() {
    --lockCount_;
    mutex_.unlock();
  }
  int LockCount() const { return lockCount_; }

 private:
  std::recursive_mutex mutex_;
  int lockCount_ = 0;
};

// A two-dimensional map with a size.
class TCustomMap : public TThreadPersistent {
 public:
  TNotifyEvent OnResize;

  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int w) { Resize(w, height_); }
  void SetHeight(int h) { Resize(width_, h); }
  // Negative sizes count as 0; the same size as now does nothing at all.
  virtual void Resize(int NewWidth, int NewHeight);
  bool Empty() const { return width_ == 0 || height_ == 0; }
  void MakeEmpty() { Resize(0, 0); }

 protected:
  // Makes the store for the new size; Width and Height are then updated.
  virtual void ChangeSize(int& W, int& H, int NewWidth, int NewHeight);
  virtual void Resized();

 private:
  int width_ = 0, height_ = 0;
};
