// The reply's fifth field and the judgement of a reply: the grammar, the
// signed bytes (checked with libsodium directly against the stated rule), and
// every way a reply is refused with and without a key.
#include <gtest/gtest.h>
#include <sodium.h>

#include <ctime>

#include "app/update/ReleaseCheck.h"
#include "app/release/ReleaseSeal.h"

namespace {

using release::ReadReleaseSeal;
using release::SealReading;
using Kind = SealReading::Kind;

const std::string kSha = std::string(64, 'a');
const std::string kSig = std::string(86, 'A') + "==";  // 64 zero bytes
const std::string kFields = "2.0|http://h/p/|a.zip|run.exe|";

TEST(ReleaseSeal, Grammar) {
  struct Case {
    const char* name;
    std::string reply;
    Kind kind;
    std::string problem;
  };
  const Case cases[] = {
      {"four fields", "2.0|http://h/p/|a.zip|run.exe", Kind::kAbsent, ""},
      {"free text in field 5", "2.1|http://h/p/|a.zip|run.exe|x|y", Kind::kAbsent, ""},
      {"all items", kFields + "sha256=" + kSha + ";size=12;expires=99;serial=3;sig=" + kSig, Kind::kPresent, ""},
      {"any order, line feed", kFields + "serial=3;size=12;sha256=" + kSha + ";sig=" + kSig + "\n", Kind::kPresent, ""},
      {"CR LF after the signature", kFields + "size=12;sig=" + kSig + "\r\n", Kind::kPresent, ""},
      {"upper-case digest", kFields + "sha256=" + std::string(64, 'A'), Kind::kPresent, ""},
      {"unknown key", kFields + "size=1;mirror=http://m/", Kind::kPresent, ""},
      {"sixth field without a signature", kFields + "size=1|later", Kind::kPresent, ""},
      {"empty item", kFields + "size=1;;serial=2", Kind::kMalformed, "an empty item"},
      {"trailing separator", kFields + "size=1;", Kind::kMalformed, "an empty item"},
      {"item without a key", kFields + "=1", Kind::kMalformed, "an item without a key"},
      {"item without =", kFields + "size=1;serial", Kind::kMalformed, "an item without a key"},
      {"key twice", kFields + "size=1;size=1", Kind::kMalformed, "\"size\" given twice"},
      {"short digest", kFields + "sha256=" + std::string(63, 'a'), Kind::kMalformed, "a malformed \"sha256\""},
      {"digest not hex", kFields + "sha256=" + std::string(63, 'a') + "g", Kind::kMalformed, "a malformed \"sha256\""},
      {"signed size", kFields + "size=+12", Kind::kMalformed, "a malformed \"size\""},
      {"size too large", kFields + "size=9223372036854775808", Kind::kMalformed, "a malformed \"size\""},
      {"blank in a number", kFields + "expires= 99", Kind::kMalformed, "a malformed \"expires\""},
      {"empty serial", kFields + "serial=", Kind::kMalformed, "a malformed \"serial\""},
      {"truncated signature", kFields + "sig=" + kSig.substr(0, 80), Kind::kMalformed, "a malformed \"sig\""},
      {"signature without padding", kFields + "sig=" + kSig.substr(0, 86), Kind::kMalformed, "a malformed \"sig\""},
      // The last character carries bits beyond the 64 bytes: a second spelling.
      {"signature with stray bits", kFields + "sig=" + std::string(85, 'A') + "B==", Kind::kMalformed,
       "a malformed \"sig\""},
      {"item after the signature", kFields + "sig=" + kSig + ";size=1", Kind::kMalformed, "data after the signature"},
      {"field after the signature", kFields + "sig=" + kSig + "|x", Kind::kMalformed, "data after the signature"},
      {"two line breaks", kFields + "sig=" + kSig + "\n\n", Kind::kMalformed, "a malformed \"sig\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SealReading r = ReadReleaseSeal(c.reply);
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.problem, c.problem);
  }
  const SealReading full = ReadReleaseSeal(cases[2].reply);
  EXPECT_EQ(full.seal.size, 12);
  EXPECT_EQ(full.seal.expires, 99);
  EXPECT_EQ(full.seal.serial, 3);
  release::Sha256Digest digest;
  digest.fill(0xAA);
  EXPECT_EQ(full.seal.sha256, digest);
}

// The rule as stated: the signature covers every byte of the reply before
// the signature itself. Verified here with libsodium alone.
TEST(ReleaseSeal, SignsEveryByteBeforeTheSignature) {
  ASSERT_GE(sodium_init(), 0);
  const release::KeyPair pair = release::MakeKeyPair();
  const std::string reply = release::SignedReply(
      release::UnsignedReply("2.0", "http://h/p/", "a.zip", "开始游戏.exe", release::Sha256Of("package", 7), 7,
                             1900000000, 4),
      pair.secretKey);
  const std::size_t value = reply.rfind("sig=") + 4;
  std::string signature(64, '\0');
  std::size_t length = 0;
  ASSERT_EQ(sodium_base642bin(reinterpret_cast<unsigned char*>(signature.data()), 64, reply.data() + value,
                              reply.size() - value, nullptr, &length, nullptr, sodium_base64_VARIANT_ORIGINAL),
            0);
  ASSERT_EQ(length, 64u);
  EXPECT_EQ(crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                        reinterpret_cast<const unsigned char*>(reply.data()), value,
                                        pair.publicKey.data()),
            0);
  const SealReading r = ReadReleaseSeal(reply + "\r\n");
  ASSERT_EQ(r.kind, Kind::kPresent) << r.problem;
  EXPECT_EQ(r.seal.signedLength, value);
  EXPECT_TRUE(release::SignatureIsValid(reply, r.seal, pair.publicKey));
}

class ReleaseCheck : public ::testing::Test {
 protected:
  void SetUp() override { Trust(release::ToBase64(pair.publicKey)); }
  void Trust(const std::string& key) { trusted = key; }

  std::string Signed(std::int64_t serial = 5, std::int64_t expires = kNow + 3600,
                     const release::SecretKey* key = nullptr) const {
    return release::SignedReply(
        release::UnsignedReply("2.0", "http://h/p/", "a.zip", "run.sh", digest, 7, expires, serial),
        key ? *key : pair.secretKey);
  }
  // "" or the reason, with the terms it gave.
  std::string Check(const std::string& reply, const std::string& recordedSerial = "") {
    const Result<ReleaseTerms> checked = CheckReleaseReply(reply, recordedSerial, kNow, trusted);
    terms = checked.Ok() ? checked.Value() : ReleaseTerms{};
    return checked.Why();
  }

  static constexpr std::int64_t kNow = 1800000000;
  const release::KeyPair pair = release::MakeKeyPair();
  const release::Sha256Digest digest = release::Sha256Of("package", 7);
  std::string trusted;
  ReleaseTerms terms;
};

TEST_F(ReleaseCheck, SignedReplyGivesItsTerms) {
  EXPECT_EQ(Check(Signed() + "\n"), "");
  EXPECT_EQ(terms.sha256, digest);
  EXPECT_EQ(terms.size, 7);
  EXPECT_EQ(terms.serial, 5);
  // Still valid at the moment it names; the same serial again is accepted.
  EXPECT_EQ(Check(Signed(5, kNow), "5"), "");
  EXPECT_EQ(Check(Signed(5), "garbage"), "");
}

// One changed byte anywhere in what is signed, or in the signature, is refused.
TEST_F(ReleaseCheck, EveryChangedByteIsRefused) {
  const std::string reply = Signed();
  for (std::size_t i = 0; i < reply.size(); ++i) {
    std::string changed = reply;
    changed[i] = static_cast<char>(changed[i] == 'A' ? 'B' : changed[i] == '9' ? '8' : changed[i] ^ 0x01);
    if (changed[i] == '|' || changed[i] == ';' || changed[i] == '=') changed[i] = 'x';
    EXPECT_NE(Check(changed), "") << "byte " << i << " of " << reply;
    EXPECT_EQ(terms.sha256, std::nullopt);
  }
}

TEST_F(ReleaseCheck, RefusalsWithAKey) {
  const release::KeyPair other = release::MakeKeyPair();
  const std::string unsignedPart =
      release::UnsignedReply("2.0", "http://h/p/", "a.zip", "run.sh", digest, 7, kNow + 60, 5);
  // Signed, but short of a promise.
  const std::string sha = "sha256=" + release::ToHex(digest);
  auto signedItems = [&](const std::string& items) {
    return release::SignedReply("2.0|http://h/p/|a.zip|run.sh|" + items + ";sig=", pair.secretKey);
  };
  const std::string reply = Signed();
  struct Case {
    const char* name;
    std::string reply;
    std::string recordedSerial;
    std::string reason;
  };
  const Case cases[] = {
      {"four fields", "2.0|http://h/p/|a.zip|run.sh", "", "The update reply is not signed"},
      {"no signature", unsignedPart.substr(0, unsignedPart.size() - 5), "", "The update reply is not signed"},
      {"truncated signature", reply.substr(0, reply.size() - 4), "",
       "The release information in the update reply is malformed: a malformed \"sig\""},
      {"another key", Signed(5, kNow + 3600, &other.secretKey), "", "The update reply's signature is not the publisher's"},
      {"expired", Signed(5, kNow - 1), "", "The update reply expired at 2027-01-15 07:59:59 UTC"},
      {"older serial", Signed(5), "6", "The update reply's serial 5 is lower than 6, the serial already installed"},
      {"no sha256", signedItems("size=7;expires=1900000000;serial=5"), "", "The signed update reply has no \"sha256\""},
      {"no size", signedItems(sha + ";expires=1900000000;serial=5"), "", "The signed update reply has no \"size\""},
      {"no expires", signedItems(sha + ";size=7;serial=5"), "", "The signed update reply has no \"expires\""},
      {"no serial", signedItems(sha + ";size=7;expires=1900000000"), "", "The signed update reply has no \"serial\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Check(c.reply, c.recordedSerial), c.reason);
  }
  // The moment in the expiry text, worked out here: 1799999999 s after 1970.
  std::time_t t = kNow - 1;
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::gmtime(&t));
  EXPECT_EQ(std::string(text), "2027-01-15 07:59:59");

  Trust("not a key");
  EXPECT_EQ(Check(reply), "The update key built into this program is not valid");
}

TEST_F(ReleaseCheck, WithoutAKeyOnlySizeAndDigestCount) {
  Trust("");
  const release::KeyPair other = release::MakeKeyPair();
  EXPECT_EQ(Check("2.0|http://h/p/|a.zip|run.sh\r\n"), "");
  EXPECT_FALSE(terms.sha256 || terms.size || terms.serial);
  // Any signature, expiry or serial: not the program's business without a key.
  EXPECT_EQ(Check(Signed(1, kNow - 100, &other.secretKey), "9"), "");
  EXPECT_EQ(terms.sha256, digest);
  EXPECT_EQ(terms.size, 7);
  EXPECT_EQ(terms.serial, std::nullopt);
  EXPECT_EQ(Check("2.0|http://h/p/|a.zip|run.sh|size=seven"),
            "The release information in the update reply is malformed: a malformed \"size\"");
}

}  // namespace
