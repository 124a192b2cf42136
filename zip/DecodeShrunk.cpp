// Shrinking: dynamic LZW with 9- to 13-bit codes. Code 256 is an escape: 256 1
// widens the codes by one bit, 256 2 frees every code that is not the prefix
// of another (a partial clear). New strings take the lowest free code.
#include <algorithm>
#include <vector>

#include "zip/Decoders.h"

namespace zip {

namespace {
constexpr unsigned kMaxBits = 13;
constexpr unsigned kCodes = 1u << kMaxBits;  // 8192 slots
constexpr unsigned kFirstFree = 257;
constexpr std::int16_t kFree = -1;

class Unshrinker {
 public:
  explicit Unshrinker(DecodeContext& ctx) : ctx_(ctx), prefix_(kCodes, kFree), suffix_(kCodes, 0) {
    // Strings are built backwards in the shared work area.
    stack_ = ctx.WorkArea();
  }

  void Run() {
    int prev = static_cast<int>(ctx_.Bits(codeBits_));
    if (ctx_.EndOfData() || prev > 255) return;
    ctx_.Put(static_cast<std::uint8_t>(prev));
    while (true) {
      unsigned code = ctx_.Bits(codeBits_);
      if (ctx_.EndOfData()) break;
      if (code == 256) {
        unsigned sub = ctx_.Bits(codeBits_);
        if (ctx_.EndOfData()) break;
        if (sub == 1) {
          if (++codeBits_ > kMaxBits) break;  // corrupt: no wider codes exist
        } else if (sub == 2) {
          PartialClear();
        } else {
          break;
        }
        continue;
      }
      if (!IsDefined(code)) {
        // The one undefined code that may appear is the next free one: the
        // string being defined right now (previous string + its first byte).
        if (code != nextFree_) break;
        int first = FirstByte(prev);
        if (first < 0) break;
        AddString(prev, static_cast<std::uint8_t>(first));
        if (!Emit(code)) break;
      } else {
        int first = Emit(code) ? stack_[0] : -1;
        if (first < 0) break;
        AddString(prev, static_cast<std::uint8_t>(first));
      }
      prev = static_cast<int>(code);
    }
  }

 private:
  bool IsDefined(unsigned code) const { return code < 256 || (code >= kFirstFree && code < kCodes && prefix_[code] != kFree); }

  void AddString(int prefix, std::uint8_t suffix) {
    if (nextFree_ >= kCodes) return;
    prefix_[nextFree_] = static_cast<std::int16_t>(prefix);
    suffix_[nextFree_] = suffix;
    top_ = std::max(top_, nextFree_ + 1);
    do {
      ++nextFree_;
    } while (nextFree_ < kCodes && prefix_[nextFree_] != kFree);
  }

  // Writes the string of code; false when its chain is broken or loops.
  bool Emit(unsigned code) {
    std::size_t len = 0;
    unsigned c = code;
    while (c >= 256) {
      if (c < kFirstFree || c >= kCodes || prefix_[c] == kFree || len >= kWorkAreaSize - 1) return false;
      stack_[kWorkAreaSize - 1 - len++] = suffix_[c];
      c = static_cast<unsigned>(prefix_[c]);
    }
    stack_[kWorkAreaSize - 1 - len++] = static_cast<std::uint8_t>(c);
    const std::uint8_t* s = stack_ + kWorkAreaSize - len;
    stack_[0] = s[0];
    for (std::size_t i = 0; i < len; ++i) ctx_.Put(s[i]);
    return true;
  }

  int FirstByte(int code) const {
    std::size_t guard = 0;
    while (code >= 256) {
      if (code < static_cast<int>(kFirstFree) || code >= static_cast<int>(kCodes) || prefix_[code] == kFree ||
          ++guard > kCodes)
        return -1;
      code = prefix_[code];
    }
    return code;
  }

  void PartialClear() {
    // Only codes below top_ can be defined: a run of clears scans what the
    // table holds, not the whole table each time.
    std::vector<std::uint8_t> isPrefix(kCodes, 0);
    for (unsigned c = kFirstFree; c < top_; ++c)
      if (prefix_[c] != kFree) isPrefix[static_cast<unsigned>(prefix_[c])] = true;
    for (unsigned c = kFirstFree; c < top_; ++c)
      if (!isPrefix[c]) prefix_[c] = kFree;
    while (top_ > kFirstFree && prefix_[top_ - 1] == kFree) --top_;
    nextFree_ = kFirstFree;
    while (nextFree_ < kCodes && prefix_[nextFree_] != kFree) ++nextFree_;
  }

  DecodeContext& ctx_;
  std::vector<std::int16_t> prefix_;
  std::vector<std::uint8_t> suffix_;
  std::uint8_t* stack_;
  unsigned codeBits_ = 9;
  unsigned nextFree_ = kFirstFree;
  unsigned top_ = kFirstFree;
};
}  // namespace

void DecodeShrunk(DecodeContext& ctx) {
  Unshrinker(ctx).Run();
  ctx.Flush();
}

}  // namespace zip
