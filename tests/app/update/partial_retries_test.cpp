// Retries on the partial road: a member's range cut off on the way is asked
// for again from where it stopped, with the package download's own retry
// policy, before the road gives way to the whole package. A scripted server
// answers each request with the bytes of the package.

#include "PartialFixture.h"

namespace apptest {
namespace {

using namespace partial;

// The partial road against a scripted server that answers each request as
// the script says, with the bytes of version 2.
class ScriptedPartialUpdates : public PartialUpdates {
 protected:
  void SetUp() override {
    PartialUpdates::SetUp();
    if (IsSkipped()) return;
    InstallVersion1();
    size = static_cast<std::int64_t>(v2.size());
    directory = static_cast<std::int64_t>(v2.find("PK\x01\x02"));
    f7 = HeaderOf(v2, "data/file7.bin"), f9 = HeaderOf(v2, "data/file9.bin");
    f30 = HeaderOf(v2, "data/file30.bin"), f31 = HeaderOf(v2, "data/file31.bin");
    added = HeaderOf(v2, "data/new.bin");
  }
  // A "send" of the answer that announces bytes [First, Last] of version 2
  // and carries [First, End) of them.
  std::string Part(std::int64_t first, std::int64_t end, std::int64_t last) const {
    return "send HTTP/1.1 206 Partial Content\\r\\nETag: \"v2\"\\r\\nContent-Length: " +
           std::to_string(last + 1 - first) + "\\r\\nContent-Range: bytes " + std::to_string(first) + "-" +
           std::to_string(last) + "/" + std::to_string(size) + "\\r\\n\\r\\n" + Escaped(first, end) + "\n";
  }
  std::string Whole() const {
    return "send HTTP/1.1 200 OK\\r\\nETag: \"v2\"\\r\\nContent-Length: " + std::to_string(size) + "\\r\\n\\r\\n" +
           Escaped(0, size) + "\n";
  }
  // The ranges of each request the server read, "" for none.
  static std::vector<std::string> RangesOf(const std::string& requests) {
    std::vector<std::string> ranges;
    for (std::size_t head = 0, end; (end = requests.find("\r\n\r\n", head)) != std::string::npos; head = end + 4) {
      const std::size_t at = requests.find("Range: bytes=", head);
      ranges.push_back(at < end ? requests.substr(at + 13, requests.find("\r\n", at) - at - 13) : "");
    }
    return ranges;
  }
  static std::string Range(std::int64_t first, std::int64_t end) {
    return std::to_string(first) + "-" + std::to_string(end - 1);
  }

  std::int64_t size = 0, directory = 0, f7 = 0, f9 = 0, f30 = 0, f31 = 0, added = 0;

 private:
  // The bytes [First, End) of version 2 as "send" takes them.
  std::string Escaped(std::int64_t first, std::int64_t end) const {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (std::int64_t i = first; i < end; ++i) {
      const auto c = static_cast<unsigned char>(v2[static_cast<std::size_t>(i)]);
      out += std::string("\\x") + hex[c >> 4] + hex[c & 15];
    }
    return out;
  }
};

// A member's range whose connection closes on the way is asked for again,
// after the wait the package's own download would make, from the byte where
// it stopped; the update ends by the partial road, with no whole package.
TEST_F(ScriptedPartialUpdates, ARangeCutOffOnTheWayIsAskedForAgainFromWhereItStopped) {
  constexpr std::int64_t kCut = 5000;
  testsupport::ScriptServer server(
      "accept\nexpect-request\n" + Part(size - 65536, size, size - 1) + "expect-request\n" +
      Part(f7, f7 + kCut, f9 - 1) + "close\n" + "accept\nexpect-request\n" + Part(f7 + kCut, f9, f9 - 1) +
      "expect-request\n" + Part(f30, f31, f31 - 1) + "expect-request\n" + Part(added, directory, directory - 1));
  ServeReply("2.0|" + server.Url("/") + "|v2.zip|");
  RunUpdate();
  ExpectInstalled();
  EXPECT_TRUE(SameTree(InstalledTree(), AsUnzipLeavesIt()));
  EXPECT_EQ(server.Finish(), 0);
  const std::vector<std::string> expected = {"-65536", Range(f7, f9), Range(f7 + kCut, f9), Range(f30, f31),
                                             Range(added, directory)};
  EXPECT_EQ(RangesOf(server.Requests()), expected);
  ASSERT_EQ(waits.size(), 1u);
  EXPECT_GE(waits[0], 1000) << "the first wait of the package's own retries";
  EXPECT_LE(waits[0], 1500);
}

// The package's end cut off on the way is asked for whole again after the
// same wait (as is the signed index, through the same road); the update
// still goes by the partial road.
TEST_F(ScriptedPartialUpdates, TheEndCutOffOnTheWayIsAskedForAgain) {
  testsupport::ScriptServer server(
      "accept\nexpect-request\n" + Part(size - 65536, size - 30000, size - 1) + "close\n" + "accept\nexpect-request\n" +
      Part(size - 65536, size, size - 1) + "expect-request\n" + Part(f7, f9, f9 - 1) + "expect-request\n" +
      Part(f30, f31, f31 - 1) + "expect-request\n" + Part(added, directory, directory - 1));
  ServeReply("2.0|" + server.Url("/") + "|v2.zip|");
  RunUpdate();
  ExpectInstalled();
  EXPECT_TRUE(SameTree(InstalledTree(), AsUnzipLeavesIt()));
  EXPECT_EQ(server.Finish(), 0);
  const std::vector<std::string> expected = {"-65536", "-65536", Range(f7, f9), Range(f30, f31),
                                             Range(added, directory)};
  EXPECT_EQ(RangesOf(server.Requests()), expected);
  EXPECT_EQ(waits.size(), 1u);
}

// A range that fails as often in a row as the package's own download would
// bear gives way to the whole package; a window closed during a wait ends
// the update there, with nothing more asked and nothing installed.
TEST_F(ScriptedPartialUpdates, ARangeThatKeepsFailingGivesWayOrTheWindowClosesInTheWait) {
  const std::string failing = "accept\nexpect-request\nclose\n";
  std::string script = "accept\nexpect-request\n" + Part(size - 65536, size, size - 1) + "expect-request\nclose\n";
  // The client asks once more at once when a kept connection closes before
  // any answer; the first failure of the policy takes two requests.
  for (int i = 0; i < TRetryPolicy().MaxFailuresInARow; ++i) script += failing;
  {
    SCOPED_TRACE("failing every time");
    testsupport::ScriptServer server(script + "accept\nexpect-request\n" + Whole());
    ServeReply("2.0|" + server.Url("/") + "|v2.zip|");
    RunUpdate();
    ExpectInstalled();
    EXPECT_TRUE(SameTree(InstalledTree(), AsUnzipLeavesIt()));
    EXPECT_EQ(server.Finish(), 0);
    std::vector<std::string> expected = {"-65536"};
    expected.insert(expected.end(), TRetryPolicy().MaxFailuresInARow + 1, Range(f7, f9));
    expected.push_back("");
    EXPECT_EQ(RangesOf(server.Requests()), expected);
    EXPECT_EQ(waits.size(), static_cast<std::size_t>(TRetryPolicy().MaxFailuresInARow - 1));
  }
  {
    SCOPED_TRACE("closed in the first wait");
    SetUpAgain();
    InstallVersion1();
    const auto before = InstalledTree();
    waits.clear();
    env.sleep = [this](std::int64_t ms) {
      waits.push_back(ms);
      view.openChecks = view.closedChecks;  // closed from now on
      running->Cancel();
    };
    testsupport::ScriptServer server("accept\nexpect-request\n" + Part(size - 65536, size, size - 1) +
                                     "expect-request\nclose\n");
    ServeReply("2.0|" + server.Url("/") + "|v2.zip|");
    RunUpdate();
    ExpectNoMessage();
    ExpectStopped();
    EXPECT_EQ(InstalledTree(), before);
    EXPECT_EQ(server.Finish(), 0);
    EXPECT_EQ(RangesOf(server.Requests()), (std::vector<std::string>{"-65536", Range(f7, f9)}));
    EXPECT_EQ(waits.size(), 1u);
  }
}

}  // namespace
}  // namespace apptest
