// The fifth field fuzz target's properties on many generated inputs, in the
// normal build: texts made of the pieces that matter to the parser, and
// replies made of items, good and bad, in random order.
#include <gtest/gtest.h>

#include <random>

#include "fuzz/ReleaseSealTarget.h"

namespace {

TEST(ReleaseSealProperties, HoldOnGeneratedInputs) {
  const std::string sig = release::ToBase64(release::Signature{});
  const std::string pieces[] = {"2.0|h|a.zip|run|", "|", ";", "=", "sha256=", std::string(64, 'a'), "size=",
                                "expires=", "serial=", "12", "99999999999999999999", "sig=", sig,
                                sig.substr(0, 87), "\n", "\r\n", "x=", "==", "+/", "\xE5\xBC\x80", "\0"};
  const std::string items[] = {"sha256=" + std::string(64, 'a'), "sha256=" + std::string(63, 'a'), "size=12",
                               "size=-1", "expires=99", "serial=3", "serial=3", "x=y", "", "sig=" + sig};
  std::mt19937 random(20261210);
  int signedSeals = 0, malformed = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string input;
    if (i % 2) {
      for (int n = static_cast<int>(random() % 10); n > 0; --n) {
        const std::string& p = pieces[random() % std::size(pieces)];
        input += p.empty() ? std::string(1, '\0') : p;
      }
    } else {
      input = pieces[0];
      for (int n = static_cast<int>(random() % 4); n > 0; --n) input += items[random() % std::size(items)] + ";";
      input += "sig=" + (random() % 4 ? sig : sig.substr(1)) + (random() % 2 ? "\n" : "");
    }
    apptest::CheckReleaseSeal(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    const release::SealReading r = release::ReadReleaseSeal(input);
    signedSeals += r.kind == release::SealReading::Kind::kPresent && r.seal.sig;
    malformed += r.kind == release::SealReading::Kind::kMalformed;
  }
  // The inputs reach every branch that matters.
  EXPECT_GT(signedSeals, 500);
  EXPECT_GT(malformed, 500);
}

}  // namespace
