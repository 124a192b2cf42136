// Signed releases on the partial road, from a real nginx serving the
// package and its index: only the changed members are fetched and the
// installation ends as unzip leaves it; an index, a range or an installed
// file that does not check out ends in the whole package with its own
// checks, and nothing that does not check out is installed.

#include <array>

#include "PartialFixture.h"
#include "app/release/ReleaseSeal.h"

namespace apptest {
namespace {

using namespace partial;

// CRC-32 as the ZIP format states it: the reflected polynomial 0xEDB88320,
// all ones before and after.
std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// Other bytes of the same size and CRC-32: the byte at Changed altered, then
// the four at Window chosen so that the CRC comes back. For messages of one
// length the CRC is affine in their bits, so what each bit of the window
// does to it is fixed; the 32 effects are independent and together undo any
// change: a system over GF(2), solved by elimination.
std::string SameCrcOtherBytes(std::string bytes, std::size_t changed, std::size_t window) {
  const std::uint32_t wanted = Crc32(bytes);
  bytes[changed] ^= 0x5A;
  const std::uint32_t now = Crc32(bytes);
  // basis[p]: an effect whose highest bit is p, and the window bits giving it.
  std::array<std::pair<std::uint32_t, std::uint32_t>, 32> basis{};
  for (int bit = 0; bit < 32; ++bit) {
    std::string flipped = bytes;
    flipped[window + bit / 8] ^= static_cast<char>(1 << (bit % 8));
    std::uint32_t effect = Crc32(flipped) ^ now, bits = 1u << bit;
    for (int p = 31; p >= 0 && effect; --p) {
      if (!(effect >> p & 1)) continue;
      if (!basis[p].first) {
        basis[p] = {effect, bits};
        break;
      }
      effect ^= basis[p].first;
      bits ^= basis[p].second;
    }
  }
  std::uint32_t left = wanted ^ now, chosen = 0;
  for (int p = 31; p >= 0; --p)
    if ((left >> p & 1) && basis[p].first) left ^= basis[p].first, chosen ^= basis[p].second;
  EXPECT_EQ(left, 0u);
  for (int bit = 0; bit < 32; ++bit)
    if (chosen >> bit & 1) bytes[window + bit / 8] ^= static_cast<char>(1 << (bit % 8));
  return bytes;
}

// The index of Zip, which holds Files, as its format states: a header
// line, then per file in the order of its bytes its span from its local
// header to the next one's (the last to the directory), the SHA-256 of that
// span and of its content, and its name.
std::string IndexOf(const std::string& zip, const Files& files) {
  std::vector<std::pair<std::int64_t, const std::pair<std::string, std::string>*>> at;
  for (const auto& file : files) at.push_back({HeaderOf(zip, file.first), &file});
  std::sort(at.begin(), at.end());
  const std::int64_t directory = static_cast<std::int64_t>(zip.find("PK\x01\x02"));
  std::string text = "quelbo-index 1\n";
  for (std::size_t i = 0; i < at.size(); ++i) {
    const std::int64_t first = at[i].first, end = i + 1 < at.size() ? at[i + 1].first : directory;
    const auto& [name, content] = *at[i].second;
    text += std::to_string(first) + " " + std::to_string(end) + " " +
            release::ToHex(release::Sha256Of(zip.data() + first, static_cast<std::size_t>(end - first))) + " " +
            release::ToHex(release::Sha256Of(content.data(), content.size())) + " " + name + "\n";
  }
  return text;
}

// The line of Index that ends with Name.
std::size_t LineOf(const std::string& index, const std::string& name) {
  const std::size_t end = index.find(" " + name + "\n");
  EXPECT_NE(end, std::string::npos) << name;
  return index.rfind('\n', end) + 1;
}

class SignedPartialUpdates : public PartialUpdates {
 protected:
  static constexpr std::int64_t kNow = 1800000000;

  // Version 1 installed, and from then on the program holds the publisher's key.
  void InstallVersion1ThenTrustKey() {
    env.publicKey.clear();
    InstallVersion1();
    env.publicKey = release::ToBase64(pair.publicKey);
    env.now = [] { return kNow; };
    index = IndexOf(v2, Version2());
  }
  // The signed reply for version 2, naming SignedIndex's digest when there is one.
  void ServeSignedReply(const std::optional<std::string>& signedIndex) {
    std::optional<release::Sha256Digest> digest;
    if (signedIndex) digest = release::Sha256Of(signedIndex->data(), signedIndex->size());
    ServeReply(release::SignedReply(
        release::UnsignedReply("2.0", Base(), "v2.zip", "", release::Sha256Of(v2.data(), v2.size()),
                               static_cast<std::int64_t>(v2.size()), kNow + 3600, 5, digest),
        pair.secretKey));
  }
  std::vector<std::string> Expected(const std::vector<std::pair<std::string, std::string>>& spans) {
    const std::int64_t directory = static_cast<std::int64_t>(v2.find("PK\x01\x02"));
    std::vector<std::string> out = {"206 bytes=-65536"};
    for (const auto& [from, to] : spans)
      out.push_back("206 bytes=" + std::to_string(HeaderOf(v2, from)) + "-" +
                    std::to_string((to.empty() ? directory : HeaderOf(v2, to)) - 1));
    return out;
  }

  const release::KeyPair pair = release::MakeKeyPair();
  std::string index;
};

TEST_F(SignedPartialUpdates, OnlyTheChangedMembersAreFetchedAndTheResultIsUnzips) {
  InstallVersion1ThenTrustKey();
  Serve("v2.zip", v2);
  Serve("v2.zip.idx", index);
  ServeSignedReply(index);
  RunUpdate();
  ExpectInstalled();
  EXPECT_EQ(view.questions.size(), 3u) << "only about the files replaced";
  EXPECT_TRUE(SameTree(InstalledTree(), AsUnzipLeavesIt()));
  EXPECT_EQ(RangesAsked("/v2.zip.idx"), std::vector<std::string>{"200 -"});
  EXPECT_EQ(
      RangesAsked("/v2.zip"),
      Expected({{"data/file7.bin", "data/file9.bin"}, {"data/file30.bin", "data/file31.bin"}, {"data/new.bin", ""}}));
  EXPECT_NE(Read("xconfig.ini").find("serial=5"), std::string::npos) << "the release's serial is recorded";
}

// An installed file with other bytes of the same size and CRC-32 is the
// member by its CRC alone; by its SHA-256 it is not, and it is fetched.
TEST_F(SignedPartialUpdates, AnInstalledFileIsLeftAloneOnlyWithItsListedContent) {
  InstallVersion1ThenTrustKey();
  const std::string listed = Version1()[3].second;
  const std::string forged = SameCrcOtherBytes(listed, 100, 5000);
  ASSERT_NE(forged, listed);
  ASSERT_EQ(Crc32(forged), Crc32(listed));
  Put("data/file3.bin", forged);
  Serve("v2.zip", v2);
  Serve("v2.zip.idx", index);
  ServeSignedReply(index);
  RunUpdate();
  ExpectInstalled();
  EXPECT_EQ(Read("data/file3.bin"), listed);
  EXPECT_TRUE(SameTree(InstalledTree(), AsUnzipLeavesIt()));
  EXPECT_EQ(RangesAsked("/v2.zip"), Expected({{"data/file3.bin", "data/file4.bin"},
                                              {"data/file7.bin", "data/file9.bin"},
                                              {"data/file30.bin", "data/file31.bin"},
                                              {"data/new.bin", ""}}));
}

// Every index or range that does not check out ends in the whole package,
// which is checked against the signed digest and installed.
TEST_F(SignedPartialUpdates, WhatDoesNotCheckOutFallsBackToTheWholePackage) {
  // How far the partial road went before the whole package was fetched.
  enum class Reached { kNothing, kDirectory, kMembers };
  struct Case {
    const char* name;
    // The index served, and the one whose digest the reply signs, made from the true one.
    std::function<std::optional<std::string>(std::string)> served, signedOne;
    Reached reached;
  };
  // A digit of the listed SHA-256 of File, range (Field 2) or content (3), changed.
  auto otherDigest = [](const std::string& file, int field) {
    return [file, field](std::string text) -> std::optional<std::string> {
      std::size_t at = LineOf(text, file);
      for (int i = 0; i < field; ++i) at = text.find(' ', at) + 1;
      text[at] = text[at] == '0' ? '1' : '0';
      return text;
    };
  };
  auto same = [](std::string text) -> std::optional<std::string> { return text; };
  const Case cases[] = {
      {"an index that is not the one signed", otherDigest("data/file30.bin", 3), same, Reached::kNothing},
      {"no index on the server", [](std::string) { return std::nullopt; }, same, Reached::kNothing},
      {"a signed index of other spans than the directory's",
       [](std::string text) -> std::optional<std::string> {
         // file8 begins a byte later than its header, and file7 ends there.
         const std::size_t at = LineOf(text, "data/file8.bin");
         const std::string first = text.substr(at, text.find(' ', at) - at);
         const std::string later = std::to_string(std::stoll(first) + 1);
         text.replace(at, first.size(), later);
         const std::size_t previous = text.rfind('\n', at - 2) + 1;
         text.replace(text.find(' ', previous) + 1, first.size(), later);
         return text;
       },
       nullptr, Reached::kDirectory},
      {"a fetched range that is not the bytes listed", otherDigest("data/file30.bin", 2), nullptr, Reached::kMembers},
      {"a fetched member whose content is not the one listed", otherDigest("data/file30.bin", 3), nullptr,
       Reached::kMembers},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpAgain();
    InstallVersion1ThenTrustKey();
    const std::optional<std::string> served = c.served(index);
    const std::optional<std::string> signedOne = c.signedOne ? c.signedOne(index) : served;
    Serve("v2.zip", v2);
    if (served) Serve("v2.zip.idx", *served);
    else std::filesystem::remove(docroot / "v2.zip.idx");
    ServeSignedReply(signedOne);
    RunUpdate();
    ExpectInstalled();
    EXPECT_TRUE(SameTree(InstalledTree(), AsUnzipLeavesIt()));
    std::vector<std::string> expected;
    if (c.reached == Reached::kDirectory) expected = {"206 bytes=-65536"};
    if (c.reached == Reached::kMembers)
      expected = Expected(
          {{"data/file7.bin", "data/file9.bin"}, {"data/file30.bin", "data/file31.bin"}, {"data/new.bin", ""}});
    expected.push_back("200 -");
    EXPECT_EQ(RangesAsked("/v2.zip"), expected);
  }
}

// Other bytes served in place under the same validator, after the index and
// the directory were read, in a member's local header where neither its
// CRC-32 nor its content shows them: the range's SHA-256 does. The whole
// package then fails its own digest, and nothing at all is installed.
TEST_F(SignedPartialUpdates, BytesChangedInPlaceAreRefusedAndNothingIsInstalled) {
  InstallVersion1ThenTrustKey();
  const auto before = InstalledTree();
  Serve("v2.zip", v2);
  Serve("v2.zip.idx", index);
  ServeSignedReply(index);
  const std::string served = docroot / "v2.zip";
  const auto time = Modified(served);
  bool tampered = false;
  view.onDownload = [&](std::int64_t) {
    if (tampered) return;
    tampered = true;
    std::string bytes = testsupport::ReadFile(served);
    bytes[HeaderOf(v2, "data/file30.bin") + 10] ^= 0x01;  // the time in its local header
    testsupport::WriteFile(served, bytes);
    std::filesystem::last_write_time(std::filesystem::u8path(served), time);
  };
  RunUpdate();
  view.onDownload = nullptr;
  EXPECT_TRUE(tampered);
  ExpectOnlyFailure(UpdateFailure::kDownload, "The package's SHA-256 is not the one announced");
  ExpectStopped();
  EXPECT_EQ(InstalledTree(), before);
  const std::vector<std::string> asked = RangesAsked("/v2.zip");
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back(), "200 -") << "the partial road gave up, and the whole package was fetched";
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "200 -"), 1);
}

}  // namespace
}  // namespace apptest
