#pragma once
// Handles that never come back. A handle names a slot and the generation the
// slot had when the entry was added, as the platform does with the upper bits
// of its window handles: when the entry goes the slot's generation moves on,
// so an old handle never names a later entry, even one at the same address.
#include <cstdint>
#include <utility>
#include <vector>

template <class T>
class SlotTable {
 public:
  using Handle = std::uintptr_t;

  // The entry's handle: never 0, and never below 2^32, so that it cannot be
  // taken for one of the small constants handles are compared with.
  Handle Add(T value) {
    std::uint32_t slot;
    if (!free_.empty()) {
      slot = free_.back();
      free_.pop_back();
    } else {
      slot = static_cast<std::uint32_t>(slots_.size());
      slots_.emplace_back();
    }
    Slot& s = slots_[slot];
    s.value = std::move(value);
    s.used = true;
    return HandleOf(slot, s.generation);
  }

  // The entry the handle names, or nullptr when it has gone (or never was).
  T* Find(Handle h) {
    Slot* s = SlotOf(h);
    return s ? &s->value : nullptr;
  }
  const T* Find(Handle h) const { return const_cast<SlotTable*>(this)->Find(h); }

  // Removes the entry; its handle is invalid from now on.
  void Remove(Handle h) {
    Slot* s = SlotOf(h);
    if (!s) return;
    s->value = T();
    s->used = false;
    // A slot whose generations are used up is retired rather than wrapped.
    if (++s->generation < kLastGeneration) free_.push_back(static_cast<std::uint32_t>(s - slots_.data()));
  }

 private:
  static constexpr std::uint32_t kLastGeneration = 0xFFFFFFF0u;
  struct Slot {
    T value{};
    std::uint32_t generation = 1;
    bool used = false;
  };

  static Handle HandleOf(std::uint32_t slot, std::uint32_t generation) {
    static_assert(sizeof(Handle) >= 8, "handles carry a 32-bit generation above a 32-bit slot");
    return (static_cast<Handle>(generation) << 32) | (static_cast<Handle>(slot) + 1);
  }

  Slot* SlotOf(Handle h) {
    const auto low = static_cast<std::uint32_t>(h);
    if (low == 0 || low > slots_.size()) return nullptr;
    Slot& s = slots_[low - 1];
    return s.used && HandleOf(low - 1, s.generation) == h ? &s : nullptr;
  }

  std::vector<Slot> slots_;
  std::vector<std::uint32_t> free_;
};
