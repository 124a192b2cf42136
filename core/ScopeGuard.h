#pragma once
// Work that must happen when a scope ends, however it ends.
#include <utility>

// Runs the function when the scope ends, also when an exception leaves it.
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() { f_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
};

// Holds an object between its BeginUpdate and EndUpdate: changes made meanwhile
// are told once, when the scope ends.
template <class T>
class UpdateBracket {
 public:
  explicit UpdateBracket(T& target) : target_(target) { target_.BeginUpdate(); }
  ~UpdateBracket() { target_.EndUpdate(); }
  UpdateBracket(const UpdateBracket&) = delete;
  UpdateBracket& operator=(const UpdateBracket&) = delete;

 private:
  T& target_;
};
