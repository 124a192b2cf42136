// quelbo-publish, run as a publisher runs it: a key pair with an owner-only
// secret key, and a signed reply that the updater accepts. The digest comes
// from sha256sum and the signature is checked with libsodium alone. The same
// runs check the Windows build's quelbo-publish.exe under Wine when the build
// was configured with QUELBO_WINDOWS_BUILD.
#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include "app/update/ReleaseCheck.h"
#include "tests/support/TestServers.h"

namespace {

using testsupport::CommandResult;

enum class Tool { Linux, WindowsUnderWine };

std::string WindowsTool() { return std::string(QUELBO_WINDOWS_BUILD) + "/app/publish/quelbo-publish.exe"; }

class PublishTool : public ::testing::TestWithParam<Tool> {
 protected:
  CommandResult Publish(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {QUELBO_PUBLISH};
    if (GetParam() == Tool::WindowsUnderWine)
      argv = {QUELBO_WINE_RUN, std::string(QUELBO_WINDOWS_BUILD) + "/wine", WindowsTool()};
    argv.insert(argv.end(), args.begin(), args.end());
    CommandResult result = testsupport::RunCommand(argv);
    // A Windows program writes its line breaks as CR LF; the updater takes
    // either after a reply.
    for (std::size_t at; (at = result.out.find("\r\n")) != std::string::npos;) result.out.erase(at, 1);
    return result;
  }

  void SetUp() override {
    if (GetParam() == Tool::WindowsUnderWine && !std::filesystem::exists(WindowsTool()))
      GTEST_SKIP() << "no Windows build (configure with -DQUELBO_WINDOWS_BUILD=build-windows)";
    ASSERT_GE(sodium_init(), 0);
    const CommandResult made = Publish({"keygen", key});
    ASSERT_EQ(made.status, 0);
    ASSERT_EQ(made.out.size(), 45u) << made.out;
    publicKey = made.out.substr(0, 44);
    testsupport::WriteFile(package, std::string(100000, 'p') + "the package");
  }

  std::vector<std::string> SignArgs() const {
    return {"sign",      "--key",    key,          "--version", "2.0", "--base-url", "http://h/p/",
            "--package", package,    "--program", "开始游戏.exe", "--serial", "7", "--valid", "1h"};
  }

  testsupport::TempDir dir;
  const std::string key = dir / "release.secret";
  const std::string package = dir / "quelbo-2.0.zip";
  std::string publicKey;
};

TEST_P(PublishTool, KeyPairWithAnOwnerOnlySecretKey) {
  // Windows keeps the owner-only rule in an access list, which Wine does
  // not show as Linux permission bits; the tool's own check reads it.
  const bool windows = GetParam() == Tool::WindowsUnderWine;
  struct stat st{};
  ASSERT_EQ(stat(key.c_str(), &st), 0);
  if (!windows) EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Publish({"public-key", key}).out, publicKey + "\n");

  // An existing key is never replaced.
  const std::string before = testsupport::ReadFile(key);
  EXPECT_EQ(Publish({"keygen", key}).status, 1);
  EXPECT_EQ(testsupport::ReadFile(key), before);

  // A key that others may read is not used. (Wine shows the Linux bits of
  // others, not of the group, as an access list entry.)
  chmod(key.c_str(), windows ? 0644 : 0640);
  EXPECT_EQ(Publish(SignArgs()).status, 1);
  EXPECT_EQ(Publish({"public-key", key}).status, 1);
  chmod(key.c_str(), 0600);
  EXPECT_EQ(Publish({"public-key", key}).out, publicKey + "\n");
  testsupport::WriteFile(dir / "damaged.secret", before.substr(0, 40) + before.substr(41));
  chmod((dir / "damaged.secret").c_str(), 0600);
  EXPECT_EQ(Publish({"public-key", dir / "damaged.secret"}).status, 1);
}

TEST_P(PublishTool, SignedReplyRoundTrip) {
  const std::int64_t now = std::time(nullptr);
  const CommandResult signedRun = Publish(SignArgs());
  ASSERT_EQ(signedRun.status, 0);
  const std::string& line = signedRun.out;
  ASSERT_TRUE(line.ends_with("\n"));
  const std::string reply = line.substr(0, line.size() - 1);

  const std::string digest = testsupport::RunCommand({"sha256sum", package}).out.substr(0, 64);
  const std::string head = "2.0|http://h/p/|quelbo-2.0.zip|开始游戏.exe|sha256=" + digest + ";size=100011;expires=";
  ASSERT_EQ(reply.substr(0, head.size()), head);
  const std::int64_t expires = std::stoll(reply.substr(head.size()));
  EXPECT_GE(expires, now + 3600);
  EXPECT_LE(expires, now + 3600 + 60);
  const std::size_t sig = reply.find(";serial=7;sig=");
  ASSERT_NE(sig, std::string::npos);

  // Every byte before the signature is signed, by the key printed at keygen.
  unsigned char key[32], signature[64];
  std::size_t length = 0;
  ASSERT_EQ(sodium_base642bin(key, 32, publicKey.data(), publicKey.size(), nullptr, &length, nullptr,
                              sodium_base64_VARIANT_ORIGINAL),
            0);
  const std::size_t signedLength = sig + std::string(";serial=7;sig=").size();
  ASSERT_EQ(sodium_base642bin(signature, 64, reply.data() + signedLength, reply.size() - signedLength, nullptr,
                              &length, nullptr, sodium_base64_VARIANT_ORIGINAL),
            0);
  EXPECT_EQ(crypto_sign_verify_detached(signature, reinterpret_cast<const unsigned char*>(reply.data()), signedLength,
                                        key),
            0);

  // The updater takes the line as served, line break included.
  const Result<ReleaseTerms> terms = CheckReleaseReply(line, "6", now, publicKey);
  ASSERT_TRUE(terms.Ok()) << terms.Why();
  EXPECT_EQ(terms.Value().size, 100011);
  EXPECT_EQ(terms.Value().serial, 7);

  // A fixed expiry is taken as given.
  std::vector<std::string> args = SignArgs();
  args.resize(args.size() - 2);
  args.insert(args.end(), {"--expires", "1900000000"});
  EXPECT_NE(Publish(args).out.find(";expires=1900000000;serial=7;sig="), std::string::npos);
}

TEST_P(PublishTool, RefusesWhatWouldMakeABadReply) {
  struct Case {
    const char* name;
    std::string option, value;
    int status;
  };
  const Case cases[] = {
      {"separator in a field", "--version", "2.0|evil", 1},
      {"line break in a field", "--program", "run\n.sh", 1},
      {"no such package", "--package", dir / "missing.zip", 1},
      {"bad duration", "--valid", "1w", 1},
      {"bad serial", "--serial", "-1", 1},
      {"unknown option", "--colour", "red", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = SignArgs();
    auto it = std::find(args.begin(), args.end(), c.option);
    if (it == args.end()) args.insert(args.end(), {c.option, c.value});
    else *(it + 1) = c.value;
    const CommandResult run = Publish(args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
  }
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
