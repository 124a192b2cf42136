// The package's memory checks itself against the reply's promises while a
// real client fills it, however the body is framed; the digest it works out
// on its own thread is compared with libsodium's over the same bytes.
#include <gtest/gtest.h>
#include <sodium.h>

#include "app/PackageCheck.h"
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
      EXPECT_EQ(stream.SizeVerdict(), "");
      EXPECT_EQ(stream.DigestVerdict(), right ? "" : "The package's SHA-256 is not the one announced");
      server.Finish();
    }
  }
}

// The memory may move when it grows; the hashing must be done with it first.
// Here the first part is still being hashed when the memory moves from the
// heap to a mapping of its own, and the old block is returned.
TEST(PackageCheck, GrowingWaitsForTheHashingOfWhatMayMove) {
  const std::string body = PatternBytes(0, 12u << 20);
  const std::size_t first = 7u << 20;
  TCheckedPackageStream stream(ReferenceDigest(body), std::nullopt);
  stream.SetSize(first);
  std::memcpy(stream.Memory(), body.data(), first);
  stream.SetPosition(first);  // offered: the hashing starts
  stream.SetSize(body.size());
  std::memcpy(static_cast<char*>(stream.Memory()) + first, body.data() + first, body.size() - first);
  stream.SetPosition(body.size());
  EXPECT_EQ(stream.DigestVerdict(), "");
}

TEST(PackageCheck, BytesWrittenAgainAreHashedAsTheyEnd) {
  const std::string final = "0123456789abcdef";
  TCheckedPackageStream stream(ReferenceDigest(final), std::nullopt);
  stream.WriteBuffer("0123456789XXXXXX", 16);
  stream.SetPosition(10);
  stream.WriteBuffer("abcdef", 6);
  EXPECT_EQ(stream.DigestVerdict(), "");
}

TEST(PackageCheck, GrowingPastThePromisedSizeFailsAtOnce) {
  TCheckedPackageStream stream(std::nullopt, 10);
  EXPECT_THROW(stream.SetSize(11), EPackageRefused);
  EXPECT_EQ(stream.Capacity(), 0);
  stream.WriteBuffer("0123456789", 10);
  EXPECT_THROW(stream.WriteBuffer("x", 1), EPackageRefused);
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_EQ(stream.SizeVerdict(), "");
  stream.SetSize(9);
  EXPECT_EQ(stream.SizeVerdict(), "The package has 9 bytes instead of the 10 announced");
}

}  // namespace
