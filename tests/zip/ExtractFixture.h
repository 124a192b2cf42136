#pragma once
// The extraction fixture: a scratch directory with a destination below it,
// an extractor whose skips and CRC failures are recorded, and message boxes
// answered with No.
#include <gtest/gtest.h>

#include "ZipTestSupport.h"
#include "zip/ZipExtractor.h"

namespace ziptest {

inline Member M(const std::string& name, const std::string& data) {
  Member m;
  m.name = name;
  m.data = data;
  return m;
}

struct Skipped {
  TSkipReason reason;
  std::string name;
};

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dest_ = dir_ / "dest";
    z_.OnSkippingFile = [this](TObject*, TSkipReason r, const AnsiString& n, int, bool&) { skipped_.push_back({r, n}); };
    z_.OnBadCRC = [this](TObject*, std::uint32_t calc, std::uint32_t stored, int) { badCrc_.push_back({calc, stored}); };
  }
  int Extract(const std::vector<Member>& members, const ArchiveOptions& options = {}) {
    WriteFile(dir_ / "pkg.zip", BuildArchive(members, options));
    z_.SetZipName(dir_ / "pkg.zip");
    z_.LoadDirectory();
    z_.SetDestDir(dest_);
    z_.DoAll = true;
    z_.RecreateDirs = true;
    return z_.UnZip();
  }
  // Names below the destination, temporary files included.
  std::vector<std::string> DestTree() { return ListTree(dest_); }

  ScratchDir dir_;
  std::string dest_;
  TZipExtractor z_{nullptr};
  MessageBoxRecorder boxes_{IDNO};
  std::vector<Skipped> skipped_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> badCrc_;
};

}  // namespace ziptest
