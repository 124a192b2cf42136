// Signed releases through the whole update procedure, against nginx on
// 127.0.0.1 (and a scripted server for wire faults): a signed release installs
// and records its serial; every tampering is refused as a failed download,
// the procedure stops, and nothing is installed, recorded or started.
#include <ctime>
#include <map>

#include "JobFixture.h"
#include "app/release/ReleaseSeal.h"

namespace {

using apptest::kMarkingScript;
using apptest::MakeZip;

class SignedUpdates : public apptest::Job {
 protected:
  void SetUp() override {
    Job::SetUp();
    env.publicKey = release::ToBase64(pair.publicKey);
    env.now = [this] { return now; };
  }

  struct Release {
    std::string version = "2.0";
    std::string base;  // "": nginx
    std::string package = "a.zip";
    std::string program = "run.sh";
    std::string bytes;  // what the reply promises
    std::int64_t serial = 5;
    std::int64_t expires = kNow + 3600;
  };
  std::string Reply(const Release& r, const release::SecretKey* key = nullptr) const {
    return release::SignedReply(
        release::UnsignedReply(r.version, r.base.empty() ? Base() : r.base, r.package, r.program,
                               release::Sha256Of(r.bytes.data(), r.bytes.size()),
                               static_cast<std::int64_t>(r.bytes.size()), r.expires, r.serial),
        key ? *key : pair.secretKey);
  }

  // Every file below the installation directory with its content.
  std::map<std::string, std::string> Tree() const { return apptest::TreeOf(install); }

  void ExpectRefusal(const std::string& why) {
    ExpectOnlyFailure(UpdateFailure::kDownload, why);
    ExpectStopped();
  }

  // The environment's clock stands still: a moment in 2027.
  static constexpr std::int64_t kNow = 1800000000;
  std::int64_t now = kNow;
  const release::KeyPair pair = release::MakeKeyPair();
};

// The reply with the byte in the middle of one part changed: field "0" to
// "3", or the value of the item named.
std::string ChangedByte(std::string reply, const std::string& where) {
  std::size_t from = 0, to = 0;
  if (where.size() == 1) {
    for (int n = where[0] - '0'; n > 0; --n) from = reply.find('|', from) + 1;
    to = reply.find('|', from);
  } else {
    from = reply.find(where + "=") + where.size() + 1;
    to = std::min(reply.find_first_of(";|", from), reply.size());
  }
  char& c = reply[from + (to - from) / 2];
  // Another character of the same kind, so that only the signature can tell:
  // a digit stays a digit, and a letter a letter, a hexadecimal one among
  // a to f (the digest is written so).
  const char lower = static_cast<char>(c | 0x20);
  if (c >= '0' && c <= '9') c = c == '9' ? '0' : c + 1;
  else if (lower >= 'a' && lower <= 'z') c = lower == 'f' || lower == 'z' ? c - 1 : c + 1;
  else c = 'x';
  return reply;
}

TEST_F(SignedUpdates, SignedReleaseInstallsAndItsSerialGuardsLaterOnes) {
  QUELBO_SKIP_ON_WINDOWS(kScriptProgramsOnWindows);
  StartServer();
  const std::string zip = MakeZip({{"data/file.txt", "new data"}, {"run.sh", kMarkingScript}}, {"run.sh"});
  Serve("a.zip", zip);
  PutIni("1.0");
  Release r;
  r.bytes = zip;
  ServeReply(Reply(r) + "\n");
  RunUpdate();
  ExpectNoMessage();
  ExpectExited();
  EXPECT_EQ(Read("data/file.txt"), "new data");
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\nserial=5\r\n");
  EXPECT_FALSE(Has("a.zip"));
  EXPECT_TRUE(apptest::AppearsSoon(Installed("ran")));

  // The same serial again is the same release, signed anew: accepted.
  r.version = "2.1";
  r.package = "patch.dat";
  r.program = "";
  r.bytes = "patch 2.1";
  Serve("patch.dat", r.bytes);
  ServeReply(Reply(r));
  RunUpdate();
  ExpectOnly(UpdateNotice::kFileUpdated);
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.1\r\nserial=5\r\n");

  // An older one, validly signed, is a replay.
  r.version = "1.9";
  r.serial = 4;
  ServeReply(Reply(r));
  RunUpdate();
  ExpectRefusal("The update reply's serial 4 is lower than 5, the serial already installed");
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.1\r\nserial=5\r\n");
}

TEST_F(SignedUpdates, EveryTamperingIsRefusedAndChangesNothing) {
  StartServer();
  const std::string zip = MakeZip({{"data/file.txt", "new data"}, {"run.sh", kMarkingScript}}, {"run.sh"});
  std::string flipped = zip;
  flipped[flipped.size() / 2] ^= 0x20;
  Release r;
  r.bytes = zip;
  const std::string good = Reply(r);
  const release::KeyPair other = release::MakeKeyPair();
  Release old = r;
  old.expires = kNow - 10;
  const std::string size = std::to_string(zip.size());
  const std::string notSigned = "The update reply's signature is not the publisher's";

  struct Case {
    const char* name;
    std::string reply;
    std::string served;  // the package nginx serves
    std::string why;
  };
  // The moment of expiry as the reason tells it, worked out here.
  const std::time_t expiry = kNow - 10;
  char expiryText[32];
  std::strftime(expiryText, sizeof expiryText, "%Y-%m-%d %H:%M:%S UTC", std::gmtime(&expiry));
  const Case cases[] = {
      {"version", ChangedByte(good, "0"), zip, notSigned},
      {"base URL", ChangedByte(good, "1"), zip, notSigned},
      {"package name", ChangedByte(good, "2"), zip, notSigned},
      {"program", ChangedByte(good, "3"), zip, notSigned},
      {"sha256", ChangedByte(good, "sha256"), zip, notSigned},
      {"size", ChangedByte(good, "size"), zip, notSigned},
      {"expires", ChangedByte(good, "expires"), zip, notSigned},
      {"serial", ChangedByte(good, "serial"), zip, notSigned},
      {"signature", ChangedByte(good, "sig"), zip, notSigned},
      {"no signature", good.substr(0, good.find(";sig=")), zip, "The update reply is not signed"},
      {"truncated signature", good.substr(0, good.size() - 8), zip,
       "The release information in the update reply is malformed: a malformed \"sig\""},
      {"four fields only", "2.0|" + Base() + "|a.zip|run.sh", zip, "The update reply is not signed"},
      {"another key", Reply(r, &other.secretKey), zip, notSigned},
      {"expired", Reply(old), zip, std::string("The update reply expired at ") + expiryText},
      {"package with a flipped byte", good, flipped, "The package's SHA-256 is not the one announced"},
      {"package one byte longer", good, zip + "!", "The package is larger than the " + size + " bytes announced"},
      {"package one byte shorter", good, zip.substr(0, zip.size() - 1),
       "The package has " + std::to_string(zip.size() - 1) + " bytes instead of the " + size + " announced"},
  };
  Put("run.sh", "old program");
  // A package small enough is checked in memory, a larger one in its file.
  for (const bool viaFile : {false, true}) {
    env.packageMemoryLimit = viaFile ? 0 : kPackageMemoryLimit;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (viaFile ? ", via the package's file" : ", in memory"));
      PutIni("1.0");
      ServeReply(c.reply);
      Serve("a.zip", c.served);
      const auto before = Tree();
      RunUpdate();
      ExpectRefusal(c.why);
      EXPECT_EQ(Tree(), before);
    }
  }
}

// A server that keeps sending after the package: a body without a length
// ends when the connection closes, and it is longer than the package.
TEST_F(SignedUpdates, DataAppendedAfterThePackageIsRefused) {
  constexpr std::size_t kSize = 40000;
  testsupport::ScriptServer server(
      "accept\n"
      "expect-request\n"
      "send HTTP/1.1 200 OK\\r\\nConnection: close\\r\\n\\r\\n\n"
      "send-body " + std::to_string(kSize + 100) + "\n"
      "close\n");
  StartServer();
  Release r;
  r.base = server.Url("/");
  r.package = "patch.dat";
  r.bytes = testsupport::PatternBytes(0, kSize);
  ServeReply(Reply(r));
  PutIni("1.0");
  const auto before = Tree();
  RunUpdate();
  ExpectRefusal("The package is larger than the " + std::to_string(kSize) + " bytes announced");
  EXPECT_EQ(Tree(), before);
  server.Finish();
}

// Without a key the program works as before, but a digest or size the reply
// gives is still checked.
TEST_F(SignedUpdates, WithoutAKeyAPresentDigestOrSizeIsStillChecked) {
  env.publicKey = "";
  StartServer();
  const std::string patch = "patch 2.0";
  const std::string digest = "sha256=" + release::ToHex(release::Sha256Of(patch.data(), patch.size()));
  const std::string plain = "2.0|" + Base() + "|patch.dat||";
  const release::KeyPair other = release::MakeKeyPair();
  struct Case {
    const char* name;
    std::string reply;
    std::string served;
    std::string why;  // "" when it installs
  };
  const Case cases[] = {
      {"four fields", "2.0|" + Base() + "|patch.dat|", patch, ""},
      {"free text in field 5", plain + "x", patch, ""},
      {"matching digest and size", plain + digest + ";size=9", patch, ""},
      {"foreign signature, expired",
       Reply({.base = Base(), .package = "patch.dat", .program = "", .bytes = patch, .expires = 1}, &other.secretKey),
       patch, ""},
      {"other digest", plain + digest, patch + "!", "The package's SHA-256 is not the one announced"},
      {"other size", plain + "size=8", patch, "The package is larger than the 8 bytes announced"},
      {"malformed item", plain + "size=9;sha256=0", patch,
       "The release information in the update reply is malformed: a malformed \"sha256\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PutIni("1.0");
    ServeReply(c.reply);
    Serve("patch.dat", c.served);
    RunUpdate();
    if (c.why.empty()) {
      ExpectOnly(UpdateNotice::kFileUpdated);
      EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\n");
    } else {
      ExpectRefusal(c.why);
      EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\n");
    }
    EXPECT_FALSE(Has("patch.dat"));
  }
}

}  // namespace
