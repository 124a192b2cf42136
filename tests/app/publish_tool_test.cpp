// quelbo-publish, run as a publisher runs it: a key pair with an owner-only
// secret key, and a signed reply that the updater accepts. The digest comes
// from sha256sum and the signature is checked with libsodium alone; packages
// are made by Info-ZIP's zip. The same runs check the Windows build's
// quelbo-publish.exe under Wine when the build was configured with
// QUELBO_WINDOWS_BUILD.
#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "app/release/ReleaseIndex.h"
#include "app/update/ReleaseCheck.h"
#include "tests/support/TestServers.h"

namespace {

using testsupport::CommandResult;

enum class Tool { Linux, WindowsUnderWine };

std::string WindowsTool() { return std::string(QUELBO_WINDOWS_BUILD) + "/app/publish/quelbo-publish.exe"; }

// An archive of one member, as a publisher would pack it.
void WriteZip(const std::string& path, const std::string& member) {
  testsupport::TempDir scratch;
  testsupport::WriteFile(scratch / "game.dat", member);
  const std::string command = "cd '" + scratch.Path() + "' && zip -q -X out.zip game.dat";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::filesystem::copy_file(scratch / "out.zip", path);
}

class PublishTool : public ::testing::TestWithParam<Tool> {
 protected:
  // A run is stopped after a while, so a run that blocks shows as status 124.
  CommandResult Publish(const std::vector<std::string>& args) const { return Run(args, false); }
  // A refused run: its exit status and what it wrote on standard error.
  CommandResult Refusal(const std::vector<std::string>& args) const { return Run(args, true); }

  CommandResult Run(const std::vector<std::string>& args, bool errorOutput) const {
    std::vector<std::string> argv = {"timeout", "20"};
    if (errorOutput) argv.insert(argv.end(), {"sh", "-c", "exec \"$0\" \"$@\" 2>&1 >/dev/null"});
    if (Windows())
      argv.insert(argv.end(), {QUELBO_WINE_RUN, std::string(QUELBO_WINDOWS_BUILD) + "/wine", WindowsTool()});
    else argv.push_back(QUELBO_PUBLISH);
    argv.insert(argv.end(), args.begin(), args.end());
    CommandResult result = testsupport::RunCommand(argv);
    // A Windows program writes its line breaks as CR LF; the updater takes
    // either after a reply.
    for (std::size_t at; (at = result.out.find("\r\n")) != std::string::npos;) result.out.erase(at, 1);
    return result;
  }
  bool Windows() const { return GetParam() == Tool::WindowsUnderWine; }

  void SetUp() override {
    if (Windows() && !std::filesystem::exists(WindowsTool()))
      GTEST_SKIP() << "no Windows build (configure with -DQUELBO_WINDOWS_BUILD=build-windows)";
    ASSERT_GE(sodium_init(), 0);
    const CommandResult made = Publish({"keygen", key});
    ASSERT_EQ(made.status, 0);
    ASSERT_EQ(made.out.size(), 45u) << made.out;
    publicKey = made.out.substr(0, 44);
    WriteZip(package, std::string(100000, 'p') + "the package");
    packageSize = static_cast<std::int64_t>(std::filesystem::file_size(package));
  }

  std::vector<std::string> SignArgs() const {
    return {"sign",         "--key",       key,         "--version", "2.0",
            "--base-url",   "http://h/p/", "--package", package,     "--program",
            "开始游戏.exe", "--serial",    "7",         "--valid",   "1h"};
  }

  testsupport::TempDir dir;
  const std::string key = dir / "release.secret";
  const std::string package = dir / "quelbo-2.0.zip";
  std::int64_t packageSize = 0;
  std::string publicKey;
};

TEST_P(PublishTool, KeyPairWithAnOwnerOnlySecretKey) {
  // Windows keeps the owner-only rule in an access list, which Wine does
  // not show as Linux permission bits; the tool's own check reads it.
  struct stat st {};
  ASSERT_EQ(stat(key.c_str(), &st), 0);
  if (!Windows()) EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Publish({"public-key", key}).out, publicKey + "\n");

  // An existing key is never replaced.
  const std::string before = testsupport::ReadFile(key);
  EXPECT_EQ(Publish({"keygen", key}).status, 1);
  EXPECT_EQ(testsupport::ReadFile(key), before);

  // A key that others may read is not used. (Wine shows the Linux bits of
  // others, not of the group, as an access list entry.)
  chmod(key.c_str(), Windows() ? 0644 : 0640);
  EXPECT_EQ(Publish(SignArgs()).status, 1);
  EXPECT_EQ(Publish({"public-key", key}).status, 1);
  chmod(key.c_str(), 0600);
  EXPECT_EQ(Publish({"public-key", key}).out, publicKey + "\n");
  testsupport::WriteFile(dir / "damaged.secret", before.substr(0, 40) + before.substr(41));
  chmod((dir / "damaged.secret").c_str(), 0600);
  EXPECT_EQ(Publish({"public-key", dir / "damaged.secret"}).status, 1);

  // A key whose stored public half no longer belongs to its seed would sign
  // replies that no updater accepts: one bit flipped in either half.
  unsigned char secret[64];
  std::size_t length = 0;
  ASSERT_EQ(sodium_base642bin(secret, sizeof secret, before.data(), before.size() - 1, nullptr, &length, nullptr,
                              sodium_base64_VARIANT_ORIGINAL),
            0);
  ASSERT_EQ(length, 64u);
  for (const int bit : {3, 32 * 8 + 5, 63 * 8 + 7}) {
    SCOPED_TRACE(bit);
    unsigned char damaged[64];
    std::copy(std::begin(secret), std::end(secret), damaged);
    damaged[bit / 8] ^= static_cast<unsigned char>(1 << (bit % 8));
    char text[sodium_base64_ENCODED_LEN(64, sodium_base64_VARIANT_ORIGINAL)];
    sodium_bin2base64(text, sizeof text, damaged, sizeof damaged, sodium_base64_VARIANT_ORIGINAL);
    const std::string path = dir / ("flipped-" + std::to_string(bit) + ".secret");
    testsupport::WriteFile(path, std::string(text) + "\n");
    chmod(path.c_str(), 0600);
    EXPECT_EQ(Publish({"public-key", path}).out, "");
    std::vector<std::string> args = SignArgs();
    args[2] = path;
    const CommandResult run = Refusal(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("not a secret key made by quelbo-publish"), std::string::npos) << run.out;
  }
}

TEST_P(PublishTool, SignedReplyRoundTrip) {
  const std::int64_t now = std::time(nullptr);
  const CommandResult signedRun = Publish(SignArgs());
  ASSERT_EQ(signedRun.status, 0);
  const std::string& line = signedRun.out;
  ASSERT_TRUE(line.ends_with("\n"));
  const std::string reply = line.substr(0, line.size() - 1);

  const std::string digest = testsupport::RunCommand({"sha256sum", package}).out.substr(0, 64);
  const std::string head = "2.0|http://h/p/|quelbo-2.0.zip|开始游戏.exe|sha256=" + digest +
                           ";size=" + std::to_string(packageSize) + ";expires=";
  ASSERT_EQ(reply.substr(0, head.size()), head);
  const std::int64_t expires = std::stoll(reply.substr(head.size()));
  EXPECT_GE(expires, now + 3600);
  EXPECT_LE(expires, now + 3600 + 60);
  // An archive package gets its index's digest, under the signature.
  const std::string indexDigest = testsupport::RunCommand({"sha256sum", package + ".idx"}).out.substr(0, 64);
  const std::string tail = ";serial=7;index=" + indexDigest + ";sig=";
  const std::size_t sig = reply.find(tail);
  ASSERT_NE(sig, std::string::npos);

  // Every byte before the signature is signed, by the key printed at keygen.
  unsigned char key[32], signature[64];
  std::size_t length = 0;
  ASSERT_EQ(sodium_base642bin(key, 32, publicKey.data(), publicKey.size(), nullptr, &length, nullptr,
                              sodium_base64_VARIANT_ORIGINAL),
            0);
  const std::size_t signedLength = sig + tail.size();
  ASSERT_EQ(sodium_base642bin(signature, 64, reply.data() + signedLength, reply.size() - signedLength, nullptr, &length,
                              nullptr, sodium_base64_VARIANT_ORIGINAL),
            0);
  EXPECT_EQ(
      crypto_sign_verify_detached(signature, reinterpret_cast<const unsigned char*>(reply.data()), signedLength, key),
      0);

  // The updater takes the line as served, line break included.
  const Result<ReleaseTerms> terms = CheckReleaseReply(line, "6", now, publicKey);
  ASSERT_TRUE(terms.Ok()) << terms.Why();
  EXPECT_EQ(terms.Value().size, packageSize);
  EXPECT_EQ(terms.Value().serial, 7);

  // A fixed expiry is taken as given.
  std::vector<std::string> args = SignArgs();
  args.resize(args.size() - 2);
  args.insert(args.end(), {"--expires", "1900000000"});
  EXPECT_NE(Publish(args).out.find(";expires=1900000000;serial=7;index="), std::string::npos);
}

// The index lists every file member with bytes and digests that the
// package's own bytes and unzip's extraction give.
TEST_P(PublishTool, IndexMatchesThePackage) {
  testsupport::TempDir scratch;
  testsupport::WriteFile(scratch / "a.txt", "hello\n");
  std::filesystem::create_directory(scratch / "d");
  testsupport::WriteFile(scratch / "d/b.bin", std::string(70000, 'b') + "end");
  testsupport::WriteFile(scratch / "d/c d.txt", "with a space");
  std::filesystem::remove(package);
  const std::string zip = "cd '" + scratch.Path() + "' && zip -q -X -r '" + package + "' a.txt d";
  ASSERT_EQ(std::system(zip.c_str()), 0);
  ASSERT_EQ(Publish(SignArgs()).status, 0);
  const std::string index = testsupport::ReadFile(package + ".idx");
  const auto entries = release::ParseReleaseIndex(index);
  ASSERT_TRUE(entries) << index;
  ASSERT_EQ(entries->size(), 3u);
  EXPECT_EQ((*entries)[0].name, "a.txt");
  EXPECT_EQ((*entries)[1].name, "d/b.bin");
  EXPECT_EQ((*entries)[2].name, "d/c d.txt");
  const std::string bytes = testsupport::ReadFile(package);
  for (const release::IndexEntry& e : *entries) {
    SCOPED_TRACE(e.name);
    const std::string range = bytes.substr(e.first, e.end - e.first);
    EXPECT_EQ(release::ToHex(e.rangeSha256), release::ToHex(release::Sha256Of(range.data(), range.size())));
    const std::string content =
        testsupport::RunCommand({"sh", "-c", "unzip -p \"$0\" \"$1\" | sha256sum", package, e.name}).out;
    EXPECT_EQ(release::ToHex(e.contentSha256), content.substr(0, 64));
  }
  // Each member's local header starts its range.
  EXPECT_EQ(bytes.substr((*entries)[1].first, 4), std::string("PK\x03\x04", 4));
}

TEST_P(PublishTool, TakesEverySerialTheUpdaterRecords) {
  // The updater records serials up to the largest signed 64-bit number.
  for (const std::string serial : {"1000000000000000000", "9223372036854775807"}) {
    std::vector<std::string> args = SignArgs();
    args[std::find(args.begin(), args.end(), "--serial") - args.begin() + 1] = serial;
    const CommandResult run = Publish(args);
    EXPECT_EQ(run.status, 0) << serial;
    EXPECT_NE(run.out.find(";serial=" + serial + ";index="), std::string::npos) << run.out;
  }
  // A package that is no archive by name is not read as one.
  testsupport::WriteFile(dir / "patch.dat", "not an archive");
  std::vector<std::string> args = SignArgs();
  args[std::find(args.begin(), args.end(), "--package") - args.begin() + 1] = dir / "patch.dat";
  EXPECT_EQ(Publish(args).status, 0);
}

TEST_P(PublishTool, RefusesWhatWouldMakeABadReply) {
  const std::string past = std::to_string(std::time(nullptr) - 60);
  testsupport::WriteFile(dir / "empty.dat", "");
  testsupport::WriteFile(dir / "empty.zip", "");
  testsupport::WriteFile(dir / "junk.zip", std::string(5000, 'j'));
  const std::string whole = testsupport::ReadFile(package);
  testsupport::WriteFile(dir / "cut.zip", whole.substr(0, whole.size() - 1));
  testsupport::WriteFile(dir / "cut.ZIP.part", whole.substr(0, whole.size() / 2));
  // Windows has no FIFOs; what Wine makes of a Linux one is no Windows behaviour.
  const bool fifos = !Windows();
  if (fifos) {
    ASSERT_EQ(mkfifo((dir / "fifo.secret").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir / "fifo.zip").c_str(), 0600), 0);
  }
  struct Case {
    const char* name;
    std::string option, value;
    int status;
    const char* why;  // a word of the message on standard error
    const char* drop = nullptr;
  };
  const Case cases[] = {
      {"separator in a field", "--version", "2.0|evil", 1, "\"|\""},
      {"line break in a field", "--program", "run\n.sh", 1, "control character"},
      {"no such package", "--package", dir / "missing.zip", 1, "missing.zip"},
      {"bad duration", "--valid", "1w", 1, "--valid"},
      {"bad serial", "--serial", "-1", 1, "--serial"},
      {"serial past 2^63-1", "--serial", "9223372036854775808", 1, "--serial"},
      {"unknown option", "--colour", "red", 2, "usage"},
      {"no time to use it", "--valid", "0", 1, "--valid"},
      {"expired already", "--expires", past, 1, "--expires", "--valid"},
      {"empty version", "--version", "", 1, "--version"},
      {"empty base URL", "--base-url", "", 1, "--base-url"},
      {"package of no bytes", "--package", dir / "empty.dat", 1, "empty"},
      {"archive of no bytes", "--package", dir / "empty.zip", 1, "empty"},
      {"archive of junk", "--package", dir / "junk.zip", 1, "ZIP"},
      {"archive cut short", "--package", dir / "cut.zip", 1, "ZIP"},
      {"archive by the name's middle", "--package", dir / "cut.ZIP.part", 1, "ZIP"},
      {"key that is a FIFO", "--key", dir / "fifo.secret", 1, "not a regular file"},
      {"package that is a FIFO", "--package", dir / "fifo.zip", 1, "not a regular file"},
      {"package that is a directory", "--package", dir.Path(), 1, "not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!fifos && std::string(c.name).find("FIFO") != std::string::npos) continue;
    std::vector<std::string> args = SignArgs();
    if (c.drop)
      args.erase(std::find(args.begin(), args.end(), c.drop), std::find(args.begin(), args.end(), c.drop) + 2);
    auto it = std::find(args.begin(), args.end(), c.option);
    if (it == args.end()) args.insert(args.end(), {c.option, c.value});
    else *(it + 1) = c.value;
    EXPECT_EQ(Publish(args).out, "");
    const CommandResult run = Refusal(args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.out.find(c.why), std::string::npos) << run.out;
  }
  if (fifos) EXPECT_EQ(Refusal({"public-key", dir / "fifo.secret"}).status, 1);
  std::vector<std::string> both = SignArgs();
  both.insert(both.end(), {"--expires", "1900000000"});
  EXPECT_EQ(Publish(both).status, 1);
  EXPECT_EQ(Publish({"sign", "--key", key}).status, 1);
}

INSTANTIATE_TEST_SUITE_P(Tools, PublishTool, ::testing::Values(Tool::Linux, Tool::WindowsUnderWine),
                         [](const ::testing::TestParamInfo<Tool>& info) {
                           return info.param == Tool::Linux ? "Linux" : "WindowsUnderWine";
                         });

}  // namespace
