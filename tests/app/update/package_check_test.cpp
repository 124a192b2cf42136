// The package's memory checks itself against the reply's promises while a
// real client fills it, however the body is framed; the digest it works out
// on its own thread is compared with libsodium's over the same bytes.
#include <gtest/gtest.h>
#include <sodium.h>

#include "app/update/PackageCheck.h"
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
      // Each chunk grows the memory, which may move it under the hashing.
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
      TCheckedPackageStream stream(promised, static_cast<std::int64_t>(kSize));
      client.Get(server.Url("/a.zip"), stream);
      ASSERT_EQ(stream.Size(), static_cast<std::int64_t>(kSize));
      EXPECT_EQ(std::memcmp(stream.Memory(), body.data(), kSize), 0);
      EXPECT_TRUE(stream.SizeVerdict().Ok());
      const Result<> digest = stream.DigestVerdict();
      EXPECT_EQ(digest.Ok(), right);
      EXPECT_EQ(digest.Why(), right ? "" : "The package's SHA-256 is not the one announced");
      server.Finish();
    }
  }
}

// The memory may move when it grows; the hashing must be done with it first.
// Here the first part is still being hashed when the memory moves from the
// heap to a mapping of its own (and then to a larger one), and the old block
// is returned: by a new size, and by the room the HTTP receiver makes ahead
// of the bytes it then writes in place.
TEST(PackageCheck, GrowingWaitsForTheHashingOfWhatMayMove) {
  const std::string body = PatternBytes(0, 40u << 20);
  const std::size_t first = 7u << 20, second = 20u << 20;
  for (const bool byCapacity : {false, true}) {
    TCheckedPackageStream stream(ReferenceDigest(body), std::nullopt);
    std::size_t at = 0;
    for (const std::size_t end : {first, second, body.size()}) {
      if (byCapacity) stream.SetCapacity(static_cast<std::int64_t>(end));
      stream.SetSize(static_cast<std::int64_t>(end));
      std::memcpy(static_cast<char*>(stream.Memory()) + at, body.data() + at, end - at);
      stream.SetPosition(static_cast<std::int64_t>(end));  // offered: the hashing goes on meanwhile
      at = end;
    }
    EXPECT_TRUE(stream.DigestVerdict().Ok()) << (byCapacity ? "room made ahead" : "new sizes");
  }
}

// Clearing returns the block; what is written afterwards is hashed anew.
TEST(PackageCheck, ClearingWaitsForTheHashingAndStartsOver) {
  const std::string body = PatternBytes(7, 9u << 20);
  TCheckedPackageStream stream(ReferenceDigest(body), std::nullopt);
  stream.WriteBuffer(PatternBytes(3, 9u << 20).data(), 9 << 20);
  stream.Clear();
  stream.WriteBuffer(body.data(), static_cast<std::int64_t>(body.size()));
  EXPECT_TRUE(stream.DigestVerdict().Ok());
}

TEST(PackageCheck, BytesWrittenAgainAreHashedAsTheyEnd) {
  const std::string final = "0123456789abcdef";
  TCheckedPackageStream stream(ReferenceDigest(final), std::nullopt);
  stream.WriteBuffer("0123456789XXXXXX", 16);
  stream.SetPosition(10);
  stream.WriteBuffer("abcdef", 6);
  EXPECT_TRUE(stream.DigestVerdict().Ok());
}

TEST(PackageCheck, GrowingPastThePromisedSizeFailsAtOnce) {
  TCheckedPackageStream stream(std::nullopt, 10);
  EXPECT_THROW(stream.SetSize(11), EPackageRefused);
  EXPECT_EQ(stream.Capacity(), 0);
  stream.WriteBuffer("0123456789", 10);
  EXPECT_THROW(stream.WriteBuffer("x", 1), EPackageRefused);
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_TRUE(stream.SizeVerdict().Ok());
  stream.SetSize(9);
  EXPECT_EQ(stream.SizeVerdict().Why(), "The package has 9 bytes instead of the 10 announced");
}

}  // namespace
