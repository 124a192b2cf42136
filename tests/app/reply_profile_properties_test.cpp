// The fuzz target's properties on many generated inputs, in the normal build:
// texts made of the pieces that matter to the parsers, in random order.
#include <gtest/gtest.h>

#include <random>

#include "fuzz/ReplyAndProfileTarget.h"

namespace {

TEST(ReplyAndProfileProperties, HoldOnGeneratedInputs) {
  const char* pieces[] = {"[",  "]",  "version", "VERSION", "other", "ver", "Ver ", "k", "=", " ",   "\t",  "\r",
                          "\n", "\"", "'",       ";",       "..",    "/",   "\\",   ":", "x", "\xEF", "\xBB", "\xBF",
                          "\xE5\xBC\x80", "\x95\x5C", "|", "?", ".zip", "\0"};
  std::mt19937 random(20261210);
  for (int i = 0; i < 20000; ++i) {
    std::string input;
    const int n = static_cast<int>(random() % 24);
    for (int k = 0; k < n; ++k) {
      const char* p = pieces[random() % std::size(pieces)];
      input += *p ? std::string(p) : std::string(1, '\0');
    }
    apptest::CheckReplyAndProfile(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
  }
}

}  // namespace
