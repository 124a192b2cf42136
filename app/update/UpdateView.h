#pragma once
// What the update procedure tells the person in front of the screen, and how
// it ends. The program's window shows it (a status line, the package's
// progress, message boxes, the end of the process); a test records it.
#include <cstdint>

#include "core/Types.h"

// An outcome told in a message under the application's title.
enum class UpdateNotice {
  kOffline,      // "网络连接有问题，请检查..."
  kPaused,       // "服务器暂停更新！": the server pauses updates, or the query failed
  kCurrent,      // "当前为最新版本！"
  kInstalled,    // "更新完成！": an archive installed, no program to start
  kFileUpdated,  // "文件更新完成！": a plain file, no program to start
};

// Something that went wrong, told with its reason under the caption "错误".
enum class UpdateFailure {
  kDownload,    // "下载失败！": the reply refused, or the package not downloaded
  kExtraction,  // "解压失败！"
  kStart,       // "启动失败！": the program to start could not be executed
  // "无法写入安装目录！": an update is due where the person may not write
  kInstallDirectory,
};

enum class UpdateEnd {
  kExit,       // done: the program ends at once with exit code 0
  kStartOver,  // a first run recorded: the procedure runs again two ticks later
  kStopped,    // stopped short (a failure told, or the window closed): the program stays, idle
};

// The texts as the program shows them, in code page 936.
AnsiString NoticeText(UpdateNotice Notice);
AnsiString FailureText(UpdateFailure Failure, const AnsiString& Why);
AnsiString FailureCaption();

class UpdateView {
 public:
  virtual ~UpdateView() = default;

  // The status line: what the procedure is doing.
  virtual void ShowStatus(const AnsiString& Text) = 0;
  // A moment to show what changed before the procedure blocks on the network.
  virtual void CatchUp() = 0;
  // The package's download: Done bytes of Total (-1: not known), a few dozen
  // times a second at most. Done never goes back: when the body has to start
  // over, it stays where it was until the new count passes it.
  virtual void ShowDownload(std::int64_t Done, std::int64_t Total) = 0;
  // The whole package has arrived (its checks come after).
  virtual void DownloadComplete() = 0;
  // Each returns once the person has read it.
  virtual void Tell(UpdateNotice Notice) = 0;
  virtual void ShowFailure(UpdateFailure Failure, const AnsiString& Why) = 0;
  // A yes/no question (whether to replace an existing file); true for yes.
  virtual bool AskYesNo(const AnsiString& Question, const AnsiString& Caption) = 0;
  // Whether the person closed the window meanwhile; the procedure then stops
  // without a word.
  virtual bool WasClosed() = 0;
  // How one pass of the procedure ended; the last thing it reports.
  virtual void Ended(UpdateEnd How) = 0;
};
