// The links of a package's chain: the promised size and the SHA-256 checked
// as a real client writes the body through them into memory received in
// place, however the body is framed; the digest compared with libsodium's over
// the same bytes; everything forgotten when the body starts over; the hash
// carried on from a file an earlier run began. And the store's roads.
#include <gtest/gtest.h>
#include <sodium.h>

#include "app/update/PackageCheck.h"
#include "app/update/PackageStore.h"
#include "http/HttpClient.h"
#include "tests/support/TestServers.h"

namespace {

using testsupport::PatternBytes;
using testsupport::ScriptServer;

release::Sha256Digest ReferenceDigest(const std::string& bytes) {
  release::Sha256Digest d;
  crypto_hash_sha256(d.data(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  return d;
}

std::string Script(const std::vector<std::string>& lines) {
  std::string out = "accept\nexpect-request\n";
  for (const std::string& l : lines) out += l + "\n";
  return out + "close\n";
}

std::string Content(TMemoryStream& s) { return std::string(static_cast<const char*>(s.Memory()), s.Size()); }

TEST(PackageCheck, DigestOfEveryFraming) {
  ASSERT_GE(sodium_init(), 0);
  constexpr std::size_t kSize = 4u << 20;
  const std::string body = PatternBytes(0, kSize);
  struct Case {
    const char* name;
    std::string script;
  };
  const Case cases[] = {
      {"length", Script({"send HTTP/1.1 200 OK\\r\\nContent-Length: 4194304\\r\\n\\r\\n", "send-body 4194304"})},
      // Each chunk grows the memory, which moves while earlier bytes wait to be hashed.
      {"chunks", Script({"send HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n100000\\r\\n",
                         "send-body-from 0 1048576", "send \\r\\n1\\r\\n", "send-body-from 1048576 1",
                         "send \\r\\n2fffff\\r\\n", "send-body-from 1048577 3145727", "send \\r\\n0\\r\\n\\r\\n"})},
      {"until close", Script({"send HTTP/1.1 200 OK\\r\\nConnection: close\\r\\n\\r\\n", "send-body 4194304"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool right : {true, false}) {
      ScriptServer server(c.script);
      THttpClient client(nullptr);
      client.SetReadTimeout(20000);
      release::Sha256Digest promised = ReferenceDigest(body);
      if (!right) promised[31] ^= 1;
      TMemoryStream memory;
      TMemoryStore store(memory);
      TPackageDigest digest(store, promised);
      TPromisedSize size(digest, static_cast<std::int64_t>(kSize));
      client.Get(server.Url("/a.zip"), size);
      EXPECT_EQ(Content(memory), body);
      EXPECT_TRUE(size.Verdict().Ok());
      const Result<> verdict = digest.Verdict();
      EXPECT_EQ(verdict.Ok(), right);
      EXPECT_EQ(verdict.Why(), right ? "" : "The package's SHA-256 is not the one announced");
      server.Finish();
    }
  }
}

// A body that starts over is hashed and counted from its new start; pieces
// of every size pass, some larger than the hasher's own.
TEST(PackageCheck, ARestartForgetsEverything) {
  const std::string body = PatternBytes(7, (3u << 20) + 5);
  TMemoryStream memory;
  TMemoryStore store(memory);
  TPackageDigest digest(store, ReferenceDigest(body));
  TPromisedSize size(digest, static_cast<std::int64_t>(body.size()));
  const std::string junk = PatternBytes(3, 2u << 20);
  size.Announce(static_cast<std::int64_t>(body.size()));
  size.Write(junk.data(), junk.size());
  size.Restart();
  size.Announce(static_cast<std::int64_t>(body.size()));
  for (std::size_t at = 0, step = 1; at < body.size(); at += step, step = step * 3 + 1)
    size.Write(body.data() + at, std::min(step, body.size() - at));
  EXPECT_EQ(Content(memory), body);
  EXPECT_TRUE(size.Verdict().Ok());
  EXPECT_TRUE(digest.Verdict().Ok());
}

// The first part of the body lies in a file from an earlier run: the hash
// goes on from its bytes.
TEST(PackageCheck, TheHashGoesOnFromAFileAnEarlierRunBegan) {
  const std::string body = PatternBytes(0, (5u << 20) / 2);
  const std::size_t held = (3u << 20) / 2 + 17;
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "part", body.substr(0, held) + "bytes past the held ones");
  for (const bool readable : {true, false}) {
    SCOPED_TRACE(readable ? "the file is there" : "the file is gone");
    TMemoryStream memory;
    TMemoryStore store(memory);
    TPackageDigest digest(store, ReferenceDigest(body));
    TPromisedSize size(digest, static_cast<std::int64_t>(body.size()));
    digest.Continue(dir / (readable ? "part" : "gone"), static_cast<std::int64_t>(held));
    size.Continue(static_cast<std::int64_t>(held));
    size.Write(body.data() + held, body.size() - held);
    EXPECT_TRUE(size.Verdict().Ok());
    EXPECT_EQ(digest.Verdict().Why(),
              readable ? "" : "The package's first part, kept from an earlier run, cannot be read");
  }
}

TEST(PackageCheck, APromisedSizeHoldsTheBodyToIt) {
  TMemoryStream memory;
  TMemoryStore store(memory);
  TPromisedSize size(store, 10);
  const std::string larger = "The package is larger than the 10 bytes announced";
  try {
    size.Announce(11);
    ADD_FAILURE() << "a longer body was announced without a word";
  } catch (const EPackageRefused& e) {
    EXPECT_EQ(e.Message(), larger);
  }
  size.Announce(-1);
  size.Write("0123456789", 10);
  EXPECT_THROW(size.Write("x", 1), EPackageRefused);
  EXPECT_EQ(memory.Size(), 10);
  EXPECT_TRUE(size.Verdict().Ok());
  size.Restart();
  size.Write("012345678", 9);
  EXPECT_EQ(size.Verdict().Why(), "The package has 9 bytes instead of the 10 announced");
  EXPECT_TRUE(TPromisedSize(store, std::nullopt).Verdict().Ok());
}

// Small announced bodies stay in memory, others go to the partial file; a
// body held in memory that starts over longer moves to the file; a file an
// earlier run left is cut back to the bytes it was known to hold.
TEST(PackageStore, RoadsAndTheirRestarts) {
  testsupport::TempDir dir;
  const std::string part = dir / "p.part";
  struct Case {
    const char* name;
    std::int64_t announced;
    bool inFile;
  };
  for (const Case& c : {Case{"small", 5, false}, Case{"at the limit", 10, false}, Case{"larger", 11, true},
                        Case{"not announced", -1, true}}) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(part);
    TPackageStore store(part, 10);
    store.Announce(c.announced);
    store.Write("abcde", 5);
    EXPECT_EQ(store.InFile(), c.inFile);
    EXPECT_EQ(std::filesystem::exists(part), c.inFile);
    if (!c.inFile) EXPECT_EQ(std::string(static_cast<const char*>(store.Memory()), 5), "abcde");
    store.CloseFile();
    if (c.inFile) EXPECT_EQ(testsupport::ReadFile(part), "abcde");
  }

  std::filesystem::remove(part);
  TPackageStore store(part, 10);
  store.Announce(8);
  store.Write("12345678", 8);
  store.Restart();
  store.Announce(20);
  store.Write("0123456789abc", 13);
  EXPECT_TRUE(store.InFile());
  store.Restart();
  store.Announce(4);  // once in the file, the body stays there
  store.Write("wxyz", 4);
  store.CloseFile();
  EXPECT_EQ(testsupport::ReadFile(part), "wxyz");

  testsupport::WriteFile(part, "held and more");
  TPackageStore resumed(part, 1 << 20);
  EXPECT_FALSE(resumed.Continue(14)) << "the file holds fewer bytes";
  ASSERT_TRUE(resumed.Continue(4));
  resumed.Write(" on", 3);
  resumed.CloseFile();
  EXPECT_EQ(testsupport::ReadFile(part), "held on");
}

}  // namespace
