// The update procedure: ask the server for the version, fetch the package,
// install it, record the version and start the program the server names.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "app/PackageDownload.h"
#include "app/ReleaseCheck.h"
#include "app/Seams.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/VersionReply.h"
#include "core/UserInterface.h"
#include "framework/windows/Dialogs.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Processes.h"
#include "zip/ZipErrors.h"

using namespace platform::literals;

namespace {

// The removed character of versions and URL parts.
constexpr const char* kStripped = "?";

void DeleteIfPresent(const AnsiString& path) {
  if (platform::FileExists(path)) platform::DeleteFile(path);
}

// The archive's program replaced the old one in place, under the old name;
// it takes the archive's spelling, as if the old one had made room first.
void TakeArchiveName(const AnsiString& installed, const AnsiString& name) {
  const std::filesystem::path from = platform::ToOsPath(installed);
  const std::filesystem::path to = from.parent_path() / platform::ToOsPath(name);
  if (!name.empty() && from.filename() != to.filename()) std::rename(from.c_str(), to.c_str());
}

}  // namespace

AnsiString TForm1::replace(const AnsiString& Text, const AnsiString& OldPattern, const AnsiString& NewPattern) {
  if (OldPattern.empty()) return Text;
  AnsiString out;
  std::size_t from = 0;
  for (std::size_t at = Text.find(OldPattern); at != AnsiString::npos; at = Text.find(OldPattern, from)) {
    out.append(Text, from, at - from);
    out += NewPattern;
    from = at + OldPattern.size();
  }
  out.append(Text, from, AnsiString::npos);
  return out;
}

void TForm1::ShowMessage(const AnsiString& Text) {
  MessageBoxA(HandleAllocated() ? Handle() : nullptr, Text, Application ? Application->Title() : AnsiString(), MB_OK);
}

void TForm1::doUpDate() {
  Timer1->SetEnabled(false);
  KillProcessByName("开始游戏.exe"_cp936);

  if (!platform::FileExists(GetAppDir() + kIniFileName) || IsOnline() != 1) {
    if (IsOnline() != 1) {
      // No network: nothing can be checked.
      ShowMessage("网络连接有问题，请检查..."_cp936);
      ExitProcessNow(0);
      return;
    }
    // First run: record "null" and start over two ticks later.
    StartTicks = 0;
    WriteIniValue(IniPath, kVersionSection, kVersionKey, kFirstRunVersion);
    Timer1->SetEnabled(true);
    return;
  }

  Application->ProcessMessages();
  MessagePump1->SetOnlyWhenIdle(false);

  const AnsiString localVersion = replace(ReadIniValue(IniPath, kVersionSection, kVersionKey), kStripped, "");
  const AnsiString replyBytes = GetUrlBody(*HttpClient1, VersionEndpoint());
  const AnsiString reply = ReplyToAnsi(replyBytes);
  if (Application->Terminated()) return;  // the window was closed during the query
  if (IsPauseReply(reply)) {
    // The server pauses updates.
    ShowMessage("服务器暂停更新！"_cp936);
    ExitProcessNow(0);
    return;
  }
  // A reply the publisher's key does not vouch for is refused like a failed
  // download, before any of its fields is used.
  ReleaseTerms terms;
  const AnsiString refusal = CheckReleaseReply(replyBytes, ReadIniValue(IniPath, kVersionSection, kSerialKey),
                                               static_cast<std::int64_t>(std::time(nullptr)), terms);
  if (!refusal.empty()) {
    ReportDownloadFailure(refusal);
    return;
  }
  SerialToRecord = terms.serial;

  std::unique_ptr<TStringList> fields = SplitText(reply, kFieldSeparator);
  const AnsiString newVersion = replace(fields->Strings(0), kStripped, "");
  // The package name is taken before the base URL, so a reply of one field
  // reports the missing field 2.
  const AnsiString f2 = fields->Strings(2);
  const AnsiString f1 = fields->Strings(1);
  const AnsiString strippedF2 = replace(f2, kStripped, "");
  const AnsiString packageUrl = replace(f1, kStripped, "") + strippedF2;

  if (localVersion == newVersion) {
    // Already the current version.
    ShowMessage("当前为最新版本！"_cp936);
    ExitProcessNow(0);
    return;
  }

  const AnsiString failure = DownloadPackage(packageUrl, f2, terms);
  if (!failure.empty()) {
    // A download ended by closing the window is no failure to report.
    if (!Application->Terminated()) ReportDownloadFailure(failure);
    return;
  }

  if (platform::FileExists(InstalledPath(f2)) && IsArchiveName(f2)) InstallArchive(f2, strippedF2, *fields, newVersion);
  else FinishPlainFile(*fields, newVersion);
}

AnsiString TForm1::DownloadPackage(const AnsiString& URL, const AnsiString& PackageName, const ReleaseTerms& Terms) {
  if (!IsPlainFileName(PackageName)) return Format("Invalid package file name \"%s\"", PackageName.c_str());
  package_.reset();
  try {
    auto package = std::make_unique<TPackageDownload>(InstalledPath(PackageName), Terms.sha256, Terms.size,
                                                      PackageMemoryLimit());
    // The package stream holds a body of any length: a large one goes to a file.
    HttpClient2->SetMaxBodyLength(INT64_MAX);
    HttpClient2->Get(URL, *package);
    AnsiString failure = package->SizeVerdict();
    // A plain file is what gets installed: it is on disk before the version
    // is recorded. An archive's package is only read from and then deleted;
    // what it unpacks reaches the disk instead.
    if (failure.empty()) failure = package->Save(!IsArchiveName(PackageName));
    if (failure.empty()) package_ = std::move(package);
    return failure;
  } catch (const Exception& e) {
    return e.Message().empty() ? AnsiString(e.ClassName()) : e.Message();
  } catch (const std::exception& e) {
    return e.what();
  }
}

void TForm1::RecordRelease(const AnsiString& NewVersion) {
  // The serial first: a version recorded without it would let an older
  // signed reply through on the next run.
  if (SerialToRecord) WriteIniValue(IniPath, kVersionSection, kSerialKey, IntToStr(*SerialToRecord));
  WriteIniValue(IniPath, kVersionSection, kVersionKey, NewVersion);
}

void TForm1::ReportDownloadFailure(const AnsiString& Why) {
  MessageBoxA(HandleAllocated() ? Handle() : nullptr, "下载失败！ 失败原因："_cp936 + Why + " ", "错误"_cp936,
              MB_OK | MB_ICONERROR);
}

void TForm1::InstallArchive(const AnsiString& F2, const AnsiString& StrippedF2, const TStringList& Fields,
                            const AnsiString& NewVersion) {
  const AnsiString f3 = Fields.Strings(3);
  const bool f3Usable = IsInstallRelativeName(f3);
  // The program to start makes room for the archive's: no question about
  // replacing it, and it goes if the archive does not bring it again. It
  // stays where it is until the archive is installed, so that an extraction
  // that fails or is cut short leaves it working.
  const AnsiString oldProgram = f3Usable && platform::FileExists(InstalledPath(f3)) &&
                                        platform::FileExists(InstalledPath(F2))
                                    ? InstalledPath(f3)
                                    : AnsiString();
  // The archive's program, when it replaced the old one, and its own name.
  AnsiString newProgram, newProgramName;
  if (!oldProgram.empty()) {
    ZipExtractor1->OnPromptForOverwrite = [&](TObject*, bool& overwrite, int index, AnsiString& target) {
      overwrite = platform::SameFile(target, oldProgram) ||
                  AskUser(zipmsg::kReplacePrefix + ZipExtractor1->FileName(index) + "?", zipmsg::kReplaceCaption,
                          MB_YESNO) == IDYES;
    };
    ZipExtractor1->OnEndUnZip = [&](TObject*, int index, const AnsiString& target) {
      if (!platform::SameFile(target, oldProgram)) return;
      newProgram = target;
      const AnsiString member = ZipExtractor1->FileName(index);
      newProgramName = member.substr(member.find_last_of("/\\") + 1);
    };
  }
  struct Unhook {
    TZipExtractor* zip;
    ~Unhook() {
      zip->OnPromptForOverwrite = nullptr;
      zip->OnEndUnZip = nullptr;
    }
  } unhook{ZipExtractor1};

  // The package is unpacked from the memory it was downloaded into, when it
  // is there and the name to unpack is the name it was saved under.
  if (StrippedF2 != F2) package_.reset();
  const void* content = package_ ? package_->Content() : nullptr;
  const std::size_t contentSize = package_ ? static_cast<std::size_t>(package_->ContentSize()) : 0;
  const int unzipped = UnZipPackage(*ZipExtractor1, HandleAllocated() ? Handle() : nullptr, StrippedF2, content,
                                    contentSize);
  package_.reset();
  // A failed extraction has been reported; the window stays open.
  if (unzipped != 1) return;
  if (!oldProgram.empty() && newProgram.empty()) DeleteIfPresent(oldProgram);
  if (!newProgram.empty()) TakeArchiveName(newProgram, newProgramName);

  RecordRelease(NewVersion);
  if (f3Usable && platform::FileExists(InstalledPath(f3))) {
    StartProgram(f3, F2);  // installed: the named program takes over
  } else {
    ShowMessage("更新完成！"_cp936);  // installed, nothing to start
    DeleteIfPresent(InstalledPath(F2));
  }
  ExitProcessNow(0);
}

void TForm1::FinishPlainFile(const TStringList& Fields, const AnsiString& NewVersion) {
  const AnsiString f2 = Fields.Strings(2);
  RecordRelease(NewVersion);
  if (platform::FileExists(InstalledPath(f2))) {
    const AnsiString f3 = Fields.Strings(3);
    if (!f3.empty()) {
      // A plain file with a program to start: the file has done its job.
      if (IsInstallRelativeName(f3) && platform::FileExists(InstalledPath(f3))) StartProgram(f3, f2);
      else DeleteIfPresent(InstalledPath(f2));
      ExitProcessNow(0);
      return;
    }
  }
  // No program to start (or the file is gone): the file update is reported.
  ShowMessage("文件更新完成！"_cp936);
  DeleteIfPresent(InstalledPath(f2));
  ExitProcessNow(0);
}

void TForm1::StartProgram(const AnsiString& Program, const AnsiString& Package) {
  // A package that is itself the program is run, as on the platform it was
  // made for, and kept: a program whose file goes while it starts never runs.
  const bool packageIsProgram = platform::SameFile(InstalledPath(Program), InstalledPath(Package));
  if (packageIsProgram) platform::MakeExecutable(InstalledPath(Program));
  AnsiString why;
  if (!RunAppFile(Program, &why))
    MessageBoxA(HandleAllocated() ? Handle() : nullptr, "启动失败！ 失败原因："_cp936 + why + " ", "错误"_cp936,
                MB_OK | MB_ICONERROR);
  if (!packageIsProgram) DeleteIfPresent(InstalledPath(Package));
}
