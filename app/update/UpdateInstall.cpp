// The end of the update procedure: the archive or the plain file installed,
// the version recorded and the program the server names started.
#include <cstdio>
#include <filesystem>

#include "app/update/Extraction.h"
#include "app/update/InstallCompletion.h"
#include "app/update/PackageDownload.h"
#include "app/update/PackagesLeft.h"
#include "app/update/PartialFetch.h"
#include "app/update/Processes.h"
#include "app/update/UpdateJob.h"
#include "app/update/VersionReply.h"
#include "core/ScopeGuard.h"
#include "core/StringList.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Processes.h"
#include "zip/ZipErrors.h"
#include "zip/ZipExtractor.h"

namespace {

void DeleteIfPresent(const AnsiString& path) {
  if (platform::FileExists(path)) platform::DeleteFile(path);
}

// The archive's program replaced the old one in place, under the old name;
// it takes the archive's spelling, as if the old one had made room first.
void TakeArchiveName(const AnsiString& installed, const AnsiString& name) {
  auto os = [](const AnsiString& path) {
    const std::string utf8 = platform::ToOsPath(path);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
  };
  const std::filesystem::path from = os(installed);
  const std::filesystem::path to = from.parent_path() / os(name);
  std::error_code ignored;
  if (!name.empty() && from.filename() != to.filename()) std::filesystem::rename(from, to, ignored);
}

}  // namespace

void UpdateJob::InstallArchive(const AnsiString& F2, const AnsiString& StrippedF2, const TStringList& Fields,
                               const AnsiString& NewVersion) {
  const AnsiString f3 = Fields.Strings(3);
  const bool f3Usable = IsInstallRelativeName(f3);
  // The program to start makes room for the archive's: no question about
  // replacing it, and it goes if the archive does not bring it again. It
  // stays where it is until the archive is installed, so that an extraction
  // that fails or is cut short leaves it working.
  const AnsiString oldProgram = f3Usable && platform::FileExists(Installed(f3)) && platform::FileExists(Installed(F2))
                                    ? Installed(f3)
                                    : AnsiString();
  // The archive's program, when it replaced the old one, and its own name.
  AnsiString newProgram, newProgramName;
  // The package file is the run's own: a member of its name takes its place
  // without a question and stays.
  const AnsiString package = Installed(F2);
  bool packageReplaced = false;
  TZipExtractor& zip = tools_.zip;
  // Every other existing file is the person's to keep or replace, asked in
  // the extractor's own words.
  zip.OnPromptForOverwrite = [&](TObject*, bool& overwrite, int index, AnsiString& target) {
    overwrite = (!oldProgram.empty() && platform::SameFile(target, oldProgram)) ||
                platform::SameFile(target, package) ||
                view_.AskYesNo(zipmsg::kReplacePrefix + zip.FileName(index) + "?", zipmsg::kReplaceCaption);
  };
  zip.OnEndUnZip = [&](TObject*, int index, const AnsiString& target) {
    if (platform::SameFile(target, package)) packageReplaced = true;
    if (oldProgram.empty() || !platform::SameFile(target, oldProgram)) return;
    newProgram = target;
    const AnsiString member = zip.FileName(index);
    newProgramName = member.substr(member.find_last_of("/\\") + 1);
  };
  const ScopeExit unhook([&zip] {
    zip.OnPromptForOverwrite = nullptr;
    zip.OnEndUnZip = nullptr;
  });

  // The package is unpacked from the memory it was downloaded into, when it
  // is there and the name to unpack is the name it was saved under.
  if (StrippedF2 != F2) package_.reset();
  const void* content = package_ ? package_->Content() : nullptr;
  const std::size_t contentSize = package_ ? static_cast<std::size_t>(package_->ContentSize()) : 0;
  // Of a package fetched in part, only the members fetched are taken.
  const std::unique_ptr<TPartialPackage> partial = std::move(partial_);
  TMemberChoice only;
  if (partial) only = [&](const std::string& name) { return partial->fetched.count(name) != 0; };
  const int unzipped =
      UnZipPackage(zip, view_, env_.appDir, StrippedF2, {NewVersion, serialToRecord_, F2}, content, contentSize, only);
  package_.reset();
  // An old program that the package brings unchanged was not replaced, yet stays.
  if (partial && newProgram.empty())
    for (const std::string& name : partial->untouched)
      if (!oldProgram.empty() && platform::SameFile(Installed(name), oldProgram)) newProgram = oldProgram;
  // A failed extraction has been told; the window stays open.
  if (unzipped != 1) {
    view_.Ended(UpdateEnd::kStopped);
    return;
  }
  if (!oldProgram.empty() && newProgram.empty()) DeleteIfPresent(oldProgram);
  if (!newProgram.empty()) TakeArchiveName(newProgram, newProgramName);

  // Every file is in place: the journal records the release and lets the
  // old files go. (An archive without files left no journal.)
  const Result<zip::JournalOutcome> completed = CompleteInstallation(env_.appDir, false);
  if (!completed.Ok()) {
    view_.ShowFailure(UpdateFailure::kExtraction, completed.Why());
    view_.Ended(UpdateEnd::kStopped);
    return;
  }
  if (completed.Value() == zip::JournalOutcome::kNone) RecordRelease(NewVersion);
  const AnsiString packageToDelete = packageReplaced ? AnsiString() : F2;
  // A member of the package's name took its place: that file is the
  // installation's now, no package a later one may replace.
  if (packageReplaced) ForgetPackageLeft(env_.appDir, F2);
  if (f3Usable && platform::FileExists(Installed(f3))) {
    StartProgram(f3, packageToDelete);  // installed: the named program takes over
  } else {
    view_.Tell(UpdateNotice::kInstalled);  // installed, nothing to start
    if (!packageReplaced) RemovePackage(F2);
  }
  view_.Ended(UpdateEnd::kExit);
}

void UpdateJob::FinishPlainFile(const TStringList& Fields, const AnsiString& NewVersion) {
  const AnsiString f2 = Fields.Strings(2);
  RecordRelease(NewVersion);
  if (platform::FileExists(Installed(f2))) {
    const AnsiString f3 = Fields.Strings(3);
    if (!f3.empty()) {
      // A plain file with a program to start: the file has done its job.
      if (IsInstallRelativeName(f3) && platform::FileExists(Installed(f3))) StartProgram(f3, f2);
      else RemovePackage(f2);
      view_.Ended(UpdateEnd::kExit);
      return;
    }
  }
  // No program to start (or the file is gone): the file update is told.
  view_.Tell(UpdateNotice::kFileUpdated);
  RemovePackage(f2);
  view_.Ended(UpdateEnd::kExit);
}

void UpdateJob::StartProgram(const AnsiString& Program, const AnsiString& Package) {
  // A package that is itself the program is run, as on the platform it was
  // made for, and kept: a program whose file goes while it starts never runs.
  const bool packageIsProgram = !Package.empty() && platform::SameFile(Installed(Program), Installed(Package));
  if (packageIsProgram) platform::MakeExecutable(Installed(Program));
  if (const Result<> started = RunAppFile(env_, Program); !started.Ok())
    view_.ShowFailure(UpdateFailure::kStart, started.Why());
  if (!Package.empty() && !packageIsProgram) RemovePackage(Package);
}
