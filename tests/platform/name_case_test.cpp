// Names in other letter case resolve to the entries on disk, also when the
// directory was read a moment before and has changed since: a listing is
// kept only while its directory stays as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/Files.h"

namespace {

class NameCase : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/quelbo-namecase-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Make(const std::string& name) { std::fclose(std::fopen((dir_ + "/" + name).c_str(), "w")); }
  // Dates the directory back, so that a listing of it is kept.
  void AgeDirectory() {
    struct timeval old[2];
    gettimeofday(&old[0], nullptr);
    old[0].tv_sec -= 60;
    old[1] = old[0];
    ASSERT_EQ(utimes(dir_.c_str(), old), 0);
  }
  std::string Resolve(const std::string& name) { return platform::ResolveNameCase(dir_ + "/" + name); }
  std::string dir_;
};

TEST_F(NameCase, AnEntryMadeJustAfterAReadingIsFound) {
  EXPECT_EQ(Resolve("Skin/BG.PNG"), dir_ + "/Skin/BG.PNG");
  std::filesystem::create_directory(dir_ + "/skin");
  EXPECT_EQ(Resolve("Skin/BG.PNG"), dir_ + "/skin/BG.PNG");
  Make("skin/bg.png");
  EXPECT_EQ(Resolve("Skin/BG.PNG"), dir_ + "/skin/bg.png");
}

TEST_F(NameCase, AKeptListingGivesWayToChanges) {
  Make("first.txt");
  AgeDirectory();
  EXPECT_EQ(Resolve("FIRST.TXT"), dir_ + "/first.txt");
  EXPECT_EQ(Resolve("SECOND.TXT"), dir_ + "/SECOND.TXT");
  Make("second.txt");
  EXPECT_EQ(Resolve("SECOND.TXT"), dir_ + "/second.txt") << "an entry added";
  AgeDirectory();
  EXPECT_EQ(Resolve("Second.txt"), dir_ + "/second.txt");
  ASSERT_EQ(std::rename((dir_ + "/second.txt").c_str(), (dir_ + "/third.txt").c_str()), 0);
  EXPECT_EQ(Resolve("SECOND.TXT"), dir_ + "/SECOND.TXT") << "an entry renamed";
  EXPECT_EQ(Resolve("Third.TXT"), dir_ + "/third.txt");
  // The same name for another directory: the old listing is not the new one's.
  AgeDirectory();
  EXPECT_EQ(Resolve("THIRD.TXT"), dir_ + "/third.txt");
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directory(dir_);
  Make("Fourth.txt");
  AgeDirectory();
  EXPECT_EQ(Resolve("THIRD.TXT"), dir_ + "/THIRD.TXT");
  EXPECT_EQ(Resolve("FOURTH.TXT"), dir_ + "/Fourth.txt");
}

}  // namespace
