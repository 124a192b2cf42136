#include "app/update/UpdateView.h"

#include "platform/CodePage.h"

using namespace platform::literals;

AnsiString NoticeText(UpdateNotice Notice) {
  switch (Notice) {
    case UpdateNotice::kOffline: return "网络连接有问题，请检查..."_cp936;
    case UpdateNotice::kPaused: return "服务器暂停更新！"_cp936;
    case UpdateNotice::kCurrent: return "当前为最新版本！"_cp936;
    case UpdateNotice::kInstalled: return "更新完成！"_cp936;
    case UpdateNotice::kFileUpdated: return "文件更新完成！"_cp936;
  }
  return {};
}

AnsiString FailureText(UpdateFailure Failure, const AnsiString& Why) {
  AnsiString what;
  switch (Failure) {
    case UpdateFailure::kDownload: what = "下载失败！"_cp936; break;
    case UpdateFailure::kExtraction: what = "解压失败！"_cp936; break;
    case UpdateFailure::kStart: what = "启动失败！"_cp936; break;
    case UpdateFailure::kInstallDirectory: what = "无法写入安装目录！"_cp936; break;
  }
  return what + " 失败原因："_cp936 + Why + " ";
}

AnsiString FailureCaption() { return "错误"_cp936; }
