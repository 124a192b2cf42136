// The writers of a body's chain: the length limit, the store in a stream
// (a file here) and the store in memory, each on its own and chained.
#include <gtest/gtest.h>

#include <cstring>

#include "http/BodyWriter.h"
#include "http/HttpErrors.h"
#include "tests/support/TestServers.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// The end of a chain that keeps what reaches it and counts the calls.
struct Recorder : TBodyWriter {
  std::string bytes;
  std::vector<std::int64_t> announced;
  int restarts = 0;
  void Announce(std::int64_t Total) override { announced.push_back(Total); }
  void Write(const void* Data, std::size_t Count) override { bytes.append(static_cast<const char*>(Data), Count); }
  void Restart() override {
    bytes.clear();
    ++restarts;
  }
};

TEST(LengthLimit, RefusesAnAnnouncementOrBytesBeyondItAndStartsAfreshOnARestart) {
  Recorder end;
  TLengthLimit limit(end, 5);
  EXPECT_THROW(limit.Announce(6), EHttpFramingError);
  limit.Announce(5);
  limit.Write("abc", 3);
  limit.Write("de", 2);
  try {
    limit.Write("f", 1);
    ADD_FAILURE() << "no error";
  } catch (const EHttpFramingError& e) {
    EXPECT_EQ(e.Message(), "Body of more than 5 bytes is out of range.");
  }
  EXPECT_EQ(end.bytes, "abcde");
  limit.Restart();
  limit.Write("vwxyz", 5);  // the count began again with the body
  EXPECT_EQ(end.bytes, "vwxyz");
  EXPECT_EQ(end.restarts, 1);
  EXPECT_EQ(end.announced, std::vector<std::int64_t>{5});
}

TEST(StreamStore, WritesFromTheStreamsPositionAndARestartCutsBackThere) {
  TempDir dir;
  WriteFile(dir / "f", "head:");
  {
    TFileStream file(dir / "f", fmOpenReadWrite);
    file.Seek(0, TSeekOrigin::soEnd);
    TStreamStore store(file);
    store.Announce(6);
    store.Write("first!", 6);
    store.Restart();
    store.Write("again", 5);
  }
  EXPECT_EQ(ReadFile(dir / "f"), "head:again");
}

TEST(MemoryStore, GrowsWithTheBytesButNeverPastTheAnnouncedLengthUnlessMoreCome) {
  TMemoryStream memory;
  TMemoryStore store(memory);
  store.Announce(90000);
  const std::string block(40000, 'x');
  store.Write(block.data(), block.size());
  EXPECT_EQ(memory.Capacity(), 65536);  // the smallest growth
  store.Write(block.data(), block.size());
  EXPECT_EQ(memory.Capacity(), 90000);  // half again would pass the announced length
  store.Write(block.data(), block.size());
  EXPECT_EQ(memory.Size(), 120000);  // an announcement is no limit
  store.Restart();
  EXPECT_EQ(memory.Size(), 0);
  EXPECT_EQ(memory.Position(), 0);
}

TEST(MemoryStore, OffersOnlyTheRoomItHasAndKeepsBytesReceivedThereWithoutACopy) {
  TMemoryStream memory;
  TMemoryStore store(memory);
  TLengthLimit limit(store, 70000);
  EXPECT_EQ(limit.Room(1), nullptr) << "no room is made for bytes that have not come";
  limit.Write("abc", 3);
  auto* room = static_cast<char*>(limit.Room(100));
  ASSERT_EQ(room, static_cast<char*>(memory.Memory()) + 3);
  std::memcpy(room, "defg", 4);  // as a receive would
  limit.Write(room, 4);
  EXPECT_EQ(std::string(static_cast<const char*>(memory.Memory()), memory.Size()), "abcdefg");
  EXPECT_EQ(limit.Written(), 7);
  // Bytes received in place that a link refuses never join the body.
  room = static_cast<char*>(limit.Room(65536 - 7));
  ASSERT_NE(room, nullptr);
  TLengthLimit strict(store, 8);
  EXPECT_THROW(strict.Write(room, 9), EHttpFramingError);
  EXPECT_EQ(memory.Size(), 7);
}

TEST(BodyChain, EachLinkPassesAnnouncementsBytesAndRestartsOn) {
  TMemoryStream memory;
  TMemoryStore store(memory);
  TLengthLimit outer(store, 8);
  TLengthLimit inner(outer, 6);
  inner.Announce(6);
  inner.Write("abcdef", 6);
  EXPECT_EQ(outer.Written(), 6);
  inner.Restart();
  EXPECT_EQ(outer.Written(), 0);
  EXPECT_EQ(memory.Size(), 0);
  inner.Write("xyz", 3);
  EXPECT_EQ(std::string(static_cast<const char*>(memory.Memory()), 3), "xyz");
}

}  // namespace
