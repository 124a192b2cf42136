// The resumable fetch against a real nginx, directly and through a proxy
// that cuts or stalls its connections: nginx answers the requests for the
// rest with 206, and with the whole body when the validator is stale.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "HttpTestSupport.h"
#include "http/HttpErrors.h"
#include "http/ResumableFetch.h"

using testsupport::CuttingProxy;
using testsupport::NginxServer;
using testsupport::PatternBytes;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr std::int64_t kSize = 5 * 1024 * 1024 + 123;
constexpr std::int64_t kTail = 4096;

class ResumeNginx : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root = new TempDir;
    WriteFile(*root / "packages/p.bin", PatternBytes(0, kSize));
    server = new NginxServer(root->Path());
  }
  static void TearDownTestSuite() {
    delete server;
    delete root;
  }
  // The statuses nginx logged for the package since the test began, sorted:
  // nginx logs a request whose connection was cut once it notices, which
  // may be after later requests. Waits a while for Expected of them.
  std::vector<int> Statuses(std::size_t Expected) const {
    std::vector<int> statuses;
    for (int tries = 0; tries < 40 && statuses.size() < Expected; ++tries) {
      if (tries > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      statuses.clear();
      std::istringstream log(server->AccessLog().substr(mark_));
      std::string msec, time, uri;
      long long bytes = 0;
      int status = 0;
      while (log >> msec >> time >> status >> uri >> bytes)
        if (uri == "/packages/p.bin") statuses.push_back(status);
    }
    std::sort(statuses.begin(), statuses.end());
    return statuses;
  }
  void SetUp() override { mark_ = server->AccessLog().size(); }

  static TempDir* root;
  static NginxServer* server;
  std::size_t mark_ = 0;
};
TempDir* ResumeNginx::root = nullptr;
NginxServer* ResumeNginx::server = nullptr;

// A fetch into memory whose waits are recorded, not slept.
struct Rig {
  THttpClient client{nullptr};
  TMemoryStream memory;
  TMemoryStore store{memory};
  TResumableFetch fetch{client, store};
  std::vector<std::int64_t> waits;
  Rig() {
    client.SetReadTimeout(20000);
    fetch.Sleep = [this](std::int64_t ms) { waits.push_back(ms); };
  }
  std::string Body() { return std::string(static_cast<const char*>(memory.Memory()), memory.Size()); }
};

TEST_F(ResumeNginx, AWholeBodyInOneGoCarriesItsValidator) {
  Rig rig;
  rig.fetch.Fetch(server->Url("/packages/p.bin"));
  EXPECT_EQ(rig.Body(), PatternBytes(0, kSize));
  EXPECT_EQ(rig.fetch.Attempts(), 1);
  EXPECT_EQ(rig.fetch.Point().Validator, rig.fetch.Point().ETag);
  EXPECT_EQ(rig.fetch.Point().Validator.front(), '"');
  EXPECT_EQ(Statuses(1), std::vector<int>{200});
}

TEST_F(ResumeNginx, AConnectionCutEveryMegabyteCostsOnlyTheTailsAgain) {
  for (bool reset : {false, true}) {
    SCOPED_TRACE(reset ? "cut with a reset" : "cut with a close");
    mark_ = server->AccessLog().size();
    std::vector<std::string> options{"--cut-every", std::to_string(1 << 20)};
    if (reset) options.push_back("--reset");
    CuttingProxy proxy(server->Port(), options);
    Rig rig;
    rig.fetch.Fetch(proxy.Url("/packages/p.bin"));
    EXPECT_EQ(rig.Body(), PatternBytes(0, kSize));
    const int attempts = rig.fetch.Attempts();
    EXPECT_GE(attempts, 6);
    EXPECT_EQ(rig.fetch.StartOvers(), 0);
    EXPECT_EQ(rig.fetch.BytesReceived(), kSize + (attempts - 1) * kTail);
    std::vector<int> expected(attempts, 206);
    expected.front() = 200;
    EXPECT_EQ(Statuses(attempts), expected);
    // Each cut brought new bytes, so each wait is the first step of the backoff.
    for (std::int64_t w : rig.waits) EXPECT_LT(w, 1500);
  }
}

TEST_F(ResumeNginx, AStallLongerThanTheWatchdogIsResumed) {
  CuttingProxy proxy(server->Port(), {"--stall-after", "2000000", "--stall-ms", "3000"});
  Rig rig;
  rig.client.SetStallTimeout(500);
  rig.fetch.Fetch(proxy.Url("/packages/p.bin"));
  EXPECT_EQ(rig.Body(), PatternBytes(0, kSize));
  EXPECT_EQ(rig.fetch.Attempts(), 2);
  EXPECT_EQ(Statuses(2), (std::vector<int>{200, 206}));
}

// A run that ends half way leaves a file and its resume point; the next run
// opens the file at its end and goes on from there.
TEST_F(ResumeNginx, AFileAnEarlierRunBeganIsCompletedByTheNext) {
  TempDir dir;
  const std::string path = dir / "p.bin.part";
  TResumePoint point;
  {
    CuttingProxy proxy(server->Port(), {"--cut-every", "3000000"});
    THttpClient client(nullptr);
    TFileStream file(path, fmCreate);
    TStreamStore store(file);
    TResumableFetch fetch(client, store);
    fetch.Policy().MaxAttempts = 1;
    EXPECT_THROW(fetch.Fetch(proxy.Url("/packages/p.bin")), EConnClosedGracefully);
    point = fetch.Point();
  }
  ASSERT_GT(point.Held, 0);
  EXPECT_EQ(static_cast<std::int64_t>(ReadFile(path).size()), point.Held);
  EXPECT_EQ(point.Total, kSize);

  THttpClient client(nullptr);
  TFileStream file(path, fmOpenReadWrite);
  file.Seek(0, TSeekOrigin::soEnd);
  TStreamStore store(file);
  TResumableFetch fetch(client, store);
  fetch.ResumeFrom(point);
  fetch.Fetch(server->Url("/packages/p.bin"));
  EXPECT_EQ(ReadFile(path), PatternBytes(0, kSize));
  EXPECT_EQ(fetch.Attempts(), 1);
  EXPECT_EQ(Statuses(2), (std::vector<int>{200, 206}));
}

TEST_F(ResumeNginx, AStaleValidatorGetsTheWholeBodyAgain) {
  Rig rig;
  const std::string changed = "an older package";
  rig.memory.WriteBuffer(changed.data(), static_cast<std::int64_t>(changed.size()));
  TResumePoint point;
  point.Held = static_cast<std::int64_t>(changed.size());
  point.Total = kSize;
  point.Validator = point.ETag = "\"stale\"";
  point.Tail = changed;
  rig.fetch.ResumeFrom(point);
  rig.fetch.Fetch(server->Url("/packages/p.bin"));
  EXPECT_EQ(rig.Body(), PatternBytes(0, kSize));
  EXPECT_EQ(rig.fetch.StartOvers(), 1);
  EXPECT_EQ(Statuses(1), std::vector<int>{200});
}

}  // namespace
