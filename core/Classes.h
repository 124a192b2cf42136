#pragma once
// The component model: objects, persistent objects and owned components.
#include <functional>
#include <vector>

#include "core/SysUtils.h"

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TPersistent : public TObject {
 public:
  // Copies the settings of Source into this object; a class that cannot take
  // Source raises EConvertError, as assigning unrelated objects is a program error.
  virtual void Assign(const TPersistent* Source);
};

enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csDesigning = 1u << 1,  // never set at run time; kept so components can ask
  csDestroying = 1u << 2,
};
using TComponentState = unsigned;

enum class TOperation { opInsert, opRemove };

// A component is owned by another and freed with it. Components that hold a
// reference to another ask for its removal notice with FreeNotification.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& n) { name_ = n; }
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t t) { tag_ = t; }
  TComponentState ComponentState() const { return state_; }
  bool IsDesigning() const { return state_ & csDesigning; }
  bool IsLoading() const { return state_ & csLoading; }
  bool IsDestroying() const { return state_ & csDestroying; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int i) const { return components_.at(static_cast<size_t>(i)); }
  TComponent* FindComponent(const AnsiString& name) const;

  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);
  void FreeNotification(TComponent* c);
  void RemoveFreeNotification(TComponent* c);

  // Stored-property loading: BeginLoading marks this component and everything
  // it owns as loading; EndLoading clears the flag and calls Loaded on each.
  void BeginLoading();
  void EndLoading();

 protected:
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void Loaded() {}
  // Called first thing in the destructor of the most derived class that wants
  // its owned components gone while it is still whole.
  void DestroyComponents();
  void MarkDestroying() { state_ |= csDestroying; }

 private:
  TComponent* owner_ = nullptr;
  AnsiString name_;
  std::intptr_t tag_ = 0;
  TComponentState state_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
};
