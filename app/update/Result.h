#pragma once
// How the updater's own code reports a refusal. An operation that may be
// refused gives back a Result: what it made, or the reason it was refused in
// words that can be shown to the player. The support operations whose faces
// the program has always had (1 or 0, the text "1") keep those faces and use
// this beneath.
#include <optional>
#include <utility>
#include <variant>

#include "core/Types.h"

// The reason something was refused; it converts to a refused Result of any kind.
struct Refused {
  AnsiString why;
};

template <class T = void>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Refused refusal) : state_(std::in_place_index<1>, std::move(refusal)) {}

  bool Ok() const { return state_.index() == 0; }
  // What was made; only for a result that is Ok.
  const T& Value() const { return std::get<0>(state_); }
  T& Value() { return std::get<0>(state_); }
  // Why it was refused; "" when it went through.
  AnsiString Why() const { return Ok() ? AnsiString() : std::get<1>(state_).why; }

 private:
  std::variant<T, Refused> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Refused refusal) : refusal_(std::move(refusal)) {}

  bool Ok() const { return !refusal_; }
  AnsiString Why() const { return refusal_ ? refusal_->why : AnsiString(); }

 private:
  std::optional<Refused> refusal_;
};
