// Extracts the same archives with the component and with Info-ZIP unzip and
// compares the trees byte for byte: the sample archives from other projects,
// and archives that Info-ZIP zip builds here in every form the updater may meet.
#include <gtest/gtest.h>

#include <random>

#include "ZipTestSupport.h"
#include "zip/ZipExtractor.h"

using namespace ziptest;

namespace {

struct Outcome {
  int count = -1;
  std::string error;  // "Class: message" of an exception, if any
  int boxes = 0;
  int badCrc = 0;
};

Outcome ExtractWithComponent(const std::string& archive, const std::string& dest, const std::string& password = "") {
  MessageBoxRecorder boxes(IDOK);
  Outcome o;
  TZipExtractor z(nullptr);
  z.OnBadCRC = [&](TObject*, std::uint32_t, std::uint32_t, int) { ++o.badCrc; };
  try {
    z.SetZipName(archive);
    z.Password = password;
    z.LoadDirectory();
    z.SetDestDir(dest);
    z.DoAll = true;
    z.RecreateDirs = true;
    o.count = z.UnZip();
  } catch (const Exception& e) {
    o.error = std::string(e.ClassName()) + ": " + e.Message();
  }
  o.boxes = static_cast<int>(boxes.requests.size());
  return o;
}

void ExtractWithUnzip(const std::string& archive, const std::string& dest, const std::string& password = "") {
  fs::create_directories(dest);
  Shell("unzip -o -q " + (password.empty() ? std::string() : "-P " + Quote(password) + " ") + Quote(archive) + " -d " +
      Quote(dest) + " >/dev/null 2>&1");
#ifdef _WIN32
  // unzip made Linux symbolic links, which Wine follows as if they were the
  // files and directories they name (a link to ".." loops for ever). Unzip
  // on Windows writes the link's text as a file instead: do as it does.
  Shell("find " + Quote(dest) + " -type l -exec sh -c 'for l; do t=$(readlink \"$l\"); rm \"$l\"; " +
        "printf %s \"$t\" > \"$l\"; done' sh {} +");
#endif
}

// Every file the component wrote is identical to unzip's.
std::string CompareSubset(const std::string& ours, const std::string& reference) {
  std::string diff;
  for (const std::string& n : ListTree(ours)) {
    if (n.back() == '/') continue;
    if (!fs::exists(reference + "/" + n))
      diff += n + ": not extracted by unzip\n";
    else if (ReadFile(ours + "/" + n) != ReadFile(reference + "/" + n))
      diff += n + ": contents differ\n";
  }
  return diff;
}

enum class Expect { Same, SameNoModes, Subset, Raises };

struct VectorCase {
  const char* file;
  const char* password;
  Expect expect;
  int count;              // members done (-1 when it raises)
  int boxes;              // "Unknown Compression Method" boxes
  const char* error = "";  // for Raises
};

// Test listings name the archive rather than dumping the record's bytes.
void PrintTo(const VectorCase& c, std::ostream* os) { *os << c.file; }

class SampleArchives : public ::testing::TestWithParam<VectorCase> {};

TEST_P(SampleArchives, ExtractLikeUnzip) {
  const VectorCase& c = GetParam();
  ScratchDir dir;
  Outcome o = ExtractWithComponent(DataFile(c.file), dir / "ours", c.password);
  EXPECT_EQ(o.boxes, c.boxes);
  if (c.expect == Expect::Raises) {
    EXPECT_EQ(o.error, c.error);
    return;
  }
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.count, c.count);
  ExtractWithUnzip(DataFile(c.file), dir / "ref", c.password);
  if (c.expect == Expect::Subset)
    EXPECT_EQ(CompareSubset(dir / "ours", dir / "ref"), "");
  else
    // unzip prefers the UTC time of an extended-timestamp field where one is
    // stored; the component uses the MS-DOS time, so times are compared on the
    // archives built here (which have no such field), not on these.
    EXPECT_EQ(CompareTrees(dir / "ours", dir / "ref", {false, c.expect == Expect::Same}), "");
}

const VectorCase kVectors[] = {
    // Legacy methods.
    {"z2_shrink.zip", "", Expect::Same, 1, 0},
    {"cc_SHRUNK.ZIP", "", Expect::Same, 2, 0},
    {"z2_implode.zip", "", Expect::Same, 1, 0},
    {"cc_imploding-4Kdict-2trees.zip", "", Expect::Same, 1, 0},
    {"cc_imploding-8Kdict-3trees.zip", "", Expect::Same, 1, 0},
    {"cc_lorem-ipsum-implode.zip", "", Expect::Same, 1, 0},
    {"cc_moby-imploded.zip", "", Expect::Same, 135, 0},
    {"la_test_read_format_zip_implode.zip", "", Expect::Same, 1, 0},
    {"la_test_compat_zip_implode.zip", "", Expect::Same, 5, 0},
    {"la_test_compat_zip_implode_realloc.zip", "", Expect::Same, 3, 0},
    // Methods not decoded: a box per member, nothing written for it.
    {"cc_moby.zip", "", Expect::Subset, 0, 1},
    {"la_test_read_format_zip_deflate64.zip", "", Expect::Subset, 1, 3},
    {"cc_lorem-ipsum-deflate64.zip", "", Expect::Subset, 0, 1},
    {"cc_bzip2-zip.zip", "", Expect::Subset, 0, 1},
    {"la_test_read_format_zip_bzip2_multi.zipx", "", Expect::Subset, 0, 3},
    // ZIP64.
    {"lz_zip64.zip", "", Expect::Same, 1, 0},
    {"z2_zip64_demo.zip", "", Expect::SameNoModes, 1, 0},  // prefixed: rebuilt, no modes
    {"cc_COMPRESS-228.zip", "", Expect::Same, 23, 0},
    {"lz_streamed-zip64.zip", "", Expect::Same, 1, 0},
    {"la_test_read_format_zip_zip64a.zip", "", Expect::Same, 1, 0},
    {"la_test_read_format_zip_zip64b.zip", "", Expect::Same, 1, 0},
    // Traditional encryption.
    {"la_test_read_format_zip_traditional_encryption_data.zip", "12345678", Expect::Same, 2, 0},
    {"la_test_option_passphrase.zip", "pass1", Expect::Same, 2, 0},
    {"lz_encrypt.zip", "foo", Expect::Same, 2, 0},
    {"lz_encrypt-1234.zip", "1234", Expect::Same, 1, 0},
    {"lz_encrypt-pkware-noentropy.zip", "no-entropy", Expect::Same, 2, 0},
    {"lz_empty-pkware.zip", "1", Expect::Same, 1, 0},
    // Data descriptors.
    {"lz_streamed.zip", "", Expect::Same, 1, 0},
    {"z2_data_descriptor.zip", "", Expect::Same, 1, 0},
    {"la_test_read_format_zip_length_at_end.zip", "", Expect::Same, 1, 0},
    // Comments, prefixes, empty archives.
    {"lz_testcomment.zip", "", Expect::Same, 4, 0},
    {"lz_incons-archive-comment-longer.zip", "", Expect::Same, 1, 0},
    {"lz_incons-archive-comment-shorter.zip", "", Expect::Same, 1, 0},
    {"z2_comment_garbage.zip", "", Expect::Same, 0, 0},
    {"z2_misaligned_comment.zip", "", Expect::Same, 0, 0},
    // Prefixed data with offsets that ignore it: rebuilt from the local
    // headers, which carry no permission bits.
    {"la_test_read_format_zip_sfx", "", Expect::SameNoModes, 2, 0},
    {"lz_junk-at-start.zip", "", Expect::SameNoModes, 3, 0},
    {"lz_junk-at-end.zip", "", Expect::Same, 3, 0},
    {"lz_testempty.zip", "", Expect::Same, 0, 0},
    {"b7_empty.zip", "", Expect::Same, 0, 0},
    // Damaged: the last member's CRC is wrong, so only the first stays.
    {"b7_corrupted_last.zip", "", Expect::Subset, 1, 0},
    // No end record: "Incomplete Zip File" from the read inside UnZip.
    {"lz_testfile-truncated.zip", "", Expect::Raises, -1, 0, "EIncompleteZip: Incomplete Zip File"},
    {"lz_bogus.zip", "", Expect::Raises, -1, 0, "EIncompleteZip: Incomplete Zip File"},
    {"la_test_read_format_zip_malformed1.zip", "", Expect::Raises, -1, 0, "EIncompleteZip: Incomplete Zip File"},
    {"lz_incons-eocd-magic-bad.zip", "", Expect::Raises, -1, 0, "EIncompleteZip: Incomplete Zip File"},
};

INSTANTIATE_TEST_SUITE_P(Vectors, SampleArchives, ::testing::ValuesIn(kVectors), [](const auto& info) {
  std::string n = info.param.file;
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

TEST(SampleArchivesOwnOracle, ReducedMemberMatchesItsShrunkTwin) {
  // UnZip cannot decode reduced members; the same file shrunk is the oracle.
  ScratchDir dir;
  Outcome a = ExtractWithComponent(DataFile("z2_reduce.zip"), dir / "reduced");
  Outcome b = ExtractWithComponent(DataFile("z2_shrink.zip"), dir / "shrunk");
  ASSERT_EQ(a.count, 1);
  ASSERT_EQ(b.count, 1);
  auto ra = ListTree(dir / "reduced"), rb = ListTree(dir / "shrunk");
  ASSERT_EQ(ra.size(), 1u);
  ASSERT_EQ(rb.size(), 1u);
  EXPECT_EQ(ReadFile(dir / "reduced/" + ra[0]), ReadFile(dir / "shrunk/" + rb[0]));
}

TEST(SampleArchivesOwnOracle, StoredMembersWithDescriptorsAndBrokenDirectoryAreNotGuessed) {
  // The central directory is unusable, the local headers defer sizes and CRC to
  // descriptors: nothing can be verified, so nothing is written.
  ScratchDir dir;
  Outcome o = ExtractWithComponent(DataFile("cc_bla-stored-dd.zip"), dir / "ours");
  EXPECT_EQ(o.count, 0);
  EXPECT_EQ(o.badCrc, 1);
  EXPECT_TRUE(ListTree(dir / "ours").empty());
}

// Archives built here by Info-ZIP zip from one source tree.
class BuiltArchives : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchDir;
    std::string src = *scratch_ / "src";
    std::mt19937 rng(42);
    std::string random(300000, '\0');
    for (char& ch : random) ch = static_cast<char>(rng());
    std::string text;
    for (int i = 0; text.size() < 200000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + " of the update package\n";
    WriteFile(src + "/empty.txt", "");
    for (int n = 1; n <= 21; ++n) WriteFile(src + "/small/s" + std::to_string(n) + ".txt", std::string(n, static_cast<char>('a' + n)));
    WriteFile(src + "/text.txt", text);
    WriteFile(src + "/bin/random.bin", random);
    WriteFile(src + "/bin/deeper/nested/file.dat", text.substr(0, 5000) + random.substr(0, 5000));
    WriteFile(src + "/run.sh", "#!/bin/sh\necho hi\n");
    fs::permissions(FsPath(src + "/run.sh"), static_cast<fs::perms>(0755));
    WriteFile(src + "/readonly.txt", "do not touch\n");
    fs::permissions(FsPath(src + "/readonly.txt"), static_cast<fs::perms>(0444));
    WriteFile(src + "/\xE4\xB8\xAD\xE6\x96\x87\xE5\x90\x8D.txt", "utf-8 name\n");  // 中文名.txt
    WriteFile(src + "/caf\xC3\xA9.txt", "latin\n");
    fs::create_directories(src + "/emptydir");
    // Even seconds: MS-DOS times have a resolution of two seconds.
    Shell("find " + Quote(src) + " -exec touch -h -d '2024-03-05 10:20:30' {} +");
  }
  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }
  static std::string Src() { return *scratch_ / "src"; }
  // Builds archive `name` with `zip` options (run inside the source tree).
  static std::string Zip(const std::string& name, const std::string& options) {
    std::string out = *scratch_ / name;
    fs::remove(out);
    EXPECT_EQ(Shell("cd " + Quote(Src()) + " && zip -q -X -r " + options + " " + Quote(out) + " . >/dev/null"), 0);
    return out;
  }
  void ExpectSameAsUnzip(const std::string& archive, const std::string& password = "", CompareOptions options = {}) {
    ScratchDir dir;
    Outcome o = ExtractWithComponent(archive, dir / "ours", password);
    EXPECT_EQ(o.error, "");
    EXPECT_GT(o.count, 25);
    ExtractWithUnzip(archive, dir / "ref", password);
    EXPECT_EQ(CompareTrees(dir / "ours", dir / "ref", options), "");
    // And both are the tree that went in.
    EXPECT_EQ(CompareTrees(dir / "ours", Src(), options), "");
  }
  static ScratchDir* scratch_;
};
ScratchDir* BuiltArchives::scratch_ = nullptr;

TEST_F(BuiltArchives, Stored) { ExpectSameAsUnzip(Zip("stored.zip", "-0")); }
TEST_F(BuiltArchives, Deflated) { ExpectSameAsUnzip(Zip("deflated.zip", "-6")); }
TEST_F(BuiltArchives, Encrypted) { ExpectSameAsUnzip(Zip("encrypted.zip", "-P s3cret"), "s3cret"); }
TEST_F(BuiltArchives, Zip64) { ExpectSameAsUnzip(Zip("zip64.zip", "-fz")); }

TEST_F(BuiltArchives, StreamedWithDataDescriptors) {
  // Written to a pipe, zip cannot seek back: every member has a descriptor.
  std::string out = *scratch_ / "streamed.zip";
  ASSERT_EQ(Shell("cd " + Quote(Src()) + " && zip -q -X -r - . | cat > " + Quote(out)), 0);
  ExpectSameAsUnzip(out);
}

TEST_F(BuiltArchives, EncryptedAndStreamedUsesTheTimeCheckByte) {
  std::string out = *scratch_ / "streamed-encrypted.zip";
  ASSERT_EQ(Shell("cd " + Quote(Src()) + " && zip -q -X -r -P pw - . | cat > " + Quote(out)), 0);
  ExpectSameAsUnzip(out, "pw");
}

TEST_F(BuiltArchives, CommentEndingInAnEndRecordSignatureNearTheEnd) {
  // A signature fewer than 22 bytes before the end cannot start an end record.
  std::string out = Zip("comment-near.zip", "-6");
  ASSERT_EQ(Shell("printf 'release notes PK\\005\\006 end' | zip -q -z " + Quote(out)), 0);
  ExpectSameAsUnzip(out);
}

TEST_F(BuiltArchives, CommentHoldingAWholeFakeEndRecord) {
  // The later record, inside the comment, wins; it points nowhere useful, so
  // the directory is rebuilt from the local headers and then matched with the
  // real central directory, which gives the same tree.
  std::string out = Zip("comment-far.zip", "-6");
  ASSERT_EQ(Shell("printf 'PK\\005\\006\\000\\000\\000\\000\\001\\000\\001\\000\\000\\000\\000\\000\\000\\000\\000\\000"
                "\\000\\000 and some more words' | zip -q -z " + Quote(out)),
            0);
  ExpectSameAsUnzip(out);
}

TEST_F(BuiltArchives, SelfExtractorStubWithAdjustedOffsets) {
  std::string zipFile = Zip("plain.zip", "-6");
  std::string sfx = *scratch_ / "adjusted.zip";
  WriteFile(sfx, std::string(8000, '\x90') + ReadFile(zipFile));
  ASSERT_EQ(Shell("zip -q -A " + Quote(sfx)), 0);
  ExpectSameAsUnzip(sfx);
}

TEST_F(BuiltArchives, SelfExtractorStubWithUnadjustedOffsets) {
  // Offsets that ignore the stub: the rebuild scan finds the members from
  // their local headers, which carry no permission bits.
  std::string zipFile = Zip("plain2.zip", "-6");
  std::string sfx = *scratch_ / "unadjusted.zip";
  WriteFile(sfx, std::string(8000, '\x90') + ReadFile(zipFile));
  ExpectSameAsUnzip(sfx, "", {true, false});
}

}  // namespace
