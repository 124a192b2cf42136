#include "core/Classes.h"

#include <algorithm>

void TPersistent::Assign(const TPersistent* Source) {
  throw EConvertError("Cannot assign a " + AnsiString(Source ? typeid(*Source).name() : "nil") + " to a " +
                      typeid(*this).name());
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  // Tell everyone who holds a reference to us.
  while (!free_notifies_.empty()) {
    TComponent* c = free_notifies_.back();
    free_notifies_.pop_back();
    auto& theirs = c->free_notifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    c->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  state_ |= csDestroying;
  while (!components_.empty()) {
    TComponent* c = components_.back();
    RemoveComponent(c);
    delete c;
  }
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
  for (TComponent* c : components_)
    if (!name.empty() && LowerCaseAscii(c->name_) == LowerCaseAscii(name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
  if (c->owner_) c->owner_->RemoveComponent(c);
  components_.push_back(c);
  c->owner_ = this;
  Notification(c, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
  auto it = std::find(components_.begin(), components_.end(), c);
  if (it == components_.end()) return;
  Notification(c, TOperation::opRemove);
  components_.erase(std::find(components_.begin(), components_.end(), c));
  c->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* c) {
  if (!c || c == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), c) == free_notifies_.end()) {
    free_notifies_.push_back(c);
    c->free_notifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* c) {
  if (!c) return;
  free_notifies_.erase(std::remove(free_notifies_.begin(), free_notifies_.end(), c), free_notifies_.end());
  c->free_notifies_.erase(std::remove(c->free_notifies_.begin(), c->free_notifies_.end(), this),
                          c->free_notifies_.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  // Owned components hear of arrivals and removals among their siblings, as
  // references between siblings are the common case.
  if (!(state_ & csDestroying))
    for (TComponent* c : components_)
      if (c != AComponent) c->Notification(AComponent, Operation);
}

void TComponent::BeginLoading() {
  state_ |= csLoading;
  for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::EndLoading() {
  for (TComponent* c : components_) c->EndLoading();
  state_ &= ~csLoading;
  Loaded();
}
