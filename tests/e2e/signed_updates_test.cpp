// Signed releases with the real program: the test copy that trusts the test
// key (tests/e2e/keys), replies signed by quelbo-publish, nginx as the update
// server and a scripted server for a body that runs past the package. A
// signed release installs and records its serial; a tampered one shows the
// download-failure box, leaves the window open and changes nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "tests/e2e/Packages.h"
#include "tests/e2e/Releases.h"
#include "tests/e2e/UpdaterTest.h"

namespace e2e {
namespace {

const std::string kPackage = "quelbo-2.0.zip";

class E2eSigned : public UpdaterTest {
 protected:
  void SetUp() override {
    UpdaterTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    install_ = std::make_unique<Installation>(QUELBO_UPDATER_E2E_SIGNED);
    install_->WriteVersion("1.0");
    install_->Put("saves/slot1.sav", "the user's saved game\n");
    package_ = ZipTree(DemoPackageTree());
    ASSERT_FALSE(package_.empty());
    testsupport::WriteFile(packageFile_, package_);
  }
  // The release of the demo package as quelbo-publish signs it.
  ReleaseToSign Release(const std::string& baseUrl = "") const {
    ReleaseToSign r;
    r.baseUrl = baseUrl.empty() ? server_->Url("/packages/") : baseUrl;
    r.packageFile = packageFile_;
    r.program = kLauncher;
    r.serial = 7;
    return r;
  }
  // The box with the download-failure caption, the window open, nothing changed.
  void ExpectRefusedAndNothingChanged(const Tree& before) {
    ASSERT_NO_FATAL_FAILURE(AnswerBox(kErrorTitle));
    ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());
    const TreeChanges changes = Compare(before, install_->Snapshot());
    EXPECT_TRUE(changes.None()) << changes.Describe();
    EXPECT_FALSE(install_->Has(kLauncherNote));
  }

  testsupport::TempDir scratch_;
  const std::string packageFile_ = scratch_ / kPackage;
  std::string package_;
};

TEST_F(E2eSigned, SignedReleaseInstallsAndRecordsItsSerial) {
  server_->Publish(kPackage, package_);
  server_->SetReply(ReleaseKey::TestKey().Sign(Release()));
  ASSERT_NO_FATAL_FAILURE(Launch());
  EXPECT_EQ(ExitCode(), 0);
  EXPECT_TRUE(InstalledAsUnzipWould(package_));
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_NE(install_->Read("xconfig.ini").find("serial=7"), std::string::npos) << install_->Read("xconfig.ini");
  EXPECT_TRUE(WaitForLauncherNote()) << "the launcher was not started";
  EXPECT_FALSE(install_->Has(kPackage));
}

// Refusals: which reply, which package, which earlier serial.
struct Tampering {
  const char* name;
  std::string (*reply)(const ReleaseToSign& release);
  std::string (*package)(const std::string& good);
  const char* recordedSerial;  // "" for none
  bool packageRequested;
};

void PrintTo(const Tampering& t, std::ostream* os) { *os << t.name; }

std::string SignedByTestKey(const ReleaseToSign& r) { return ReleaseKey::TestKey().Sign(r); }
std::string Same(const std::string& good) { return good; }

class Tamperings : public E2eSigned, public ::testing::WithParamInterface<Tampering> {};

TEST_P(Tamperings, AreRefusedAndChangeNothing) {
  const Tampering& t = GetParam();
  server_->Publish(kPackage, t.package(package_));
  server_->SetReply(t.reply(Release()));
  if (*t.recordedSerial)
    install_->Put("xconfig.ini", "[version]\r\nver=1.0\r\nserial=" + std::string(t.recordedSerial) + "\r\n");
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(ExpectRefusedAndNothingChanged(before));
  std::vector<std::string> requests = {"200 /version/version.php"};
  if (t.packageRequested) requests.push_back("200 /packages/" + kPackage);
  EXPECT_EQ(server_->Requests(), requests);
}

INSTANTIATE_TEST_SUITE_P(
    E2e, Tamperings,
    ::testing::Values(
        Tampering{"ChangedVersion",
                  [](const ReleaseToSign& r) { return "3" + SignedByTestKey(r).substr(1); }, Same, "", false},
        Tampering{"Unsigned",
                  [](const ReleaseToSign& r) { return "2.0|" + r.baseUrl + "|" + kPackage + "|" + r.program; }, Same,
                  "", false},
        Tampering{"OtherKey", [](const ReleaseToSign& r) { return ReleaseKey::Fresh().Sign(r); }, Same, "", false},
        Tampering{"Expired",
                  [](const ReleaseToSign& r) {
                    // quelbo-publish signs no reply that has expired already:
                    // this one is served after its time has passed.
                    ReleaseToSign old = r;
                    old.expires = std::time(nullptr) + 1;
                    const std::string reply = SignedByTestKey(old);
                    while (std::time(nullptr) <= *old.expires)
                      std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    return reply;
                  },
                  Same, "", false},
        Tampering{"OlderSerial", SignedByTestKey, Same, "8", false},
        Tampering{"FlippedPackageByte", SignedByTestKey,
                  [](const std::string& good) {
                    std::string bad = good;
                    bad[bad.size() / 3] ^= 0x01;
                    return bad;
                  },
                  "", true},
        Tampering{"LongerPackage", SignedByTestKey, [](const std::string& good) { return good + "PK"; }, "", true}),
    [](const ::testing::TestParamInfo<Tampering>& info) { return std::string(info.param.name); });

// The body has no length and runs on past the package's size until the
// server closes: the size stops it, before any digest is worked out.
TEST_F(E2eSigned, ServerAppendingDataAfterThePackageIsRefused) {
  const std::size_t kSize = package_.size();
  testsupport::ScriptServer appending(
      "accept\n"
      "expect-request\n"
      "send HTTP/1.1 200 OK\\r\\nContent-Type: application/zip\\r\\nConnection: close\\r\\n\\r\\n\n"
      "send-body " + std::to_string(kSize + 4096) + "\n"
      "close\n");
  server_->SetReply(ReleaseKey::TestKey().Sign(Release(appending.Url("/packages/"))));
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(ExpectRefusedAndNothingChanged(before));
  EXPECT_NE(appending.Requests().find("GET /packages/" + kPackage + " HTTP/1.1"), std::string::npos);
  appending.Finish();
}

}  // namespace
}  // namespace e2e
