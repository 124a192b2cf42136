// The three work handlers of HttpClient2: size text, bar and percentage.
#include "app/ProgressDisplay.h"

#include <cmath>

#include "app/Unit1.h"
#include "app/update/SupportText.h"
#include "core/SysUtils.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

using namespace platform::literals;

AnsiString PercentText(std::int32_t Count, std::int32_t Total) {
  const long double percent = static_cast<long double>(Count) / static_cast<long double>(Total) * 100.0L;
  return IntToStr(std::llroundl(percent)) + "%";
}

std::int64_t TForm1::WorkBytes(std::int32_t Count) const {
  return static_cast<std::int64_t>(Count) << HttpClient2->WorkScale(wmRead);
}

void TForm1::HttpClient2WorkBegin(TObject*, TWorkMode, std::int32_t AWorkCountMax) {
  MlSkinProgressBar1->SetMaxValue(AWorkCountMax);
  WorkTotal = AWorkCountMax;
  MlSkinLabel2->SetCaption(FormatSizeText(WorkBytes(AWorkCountMax)));
  workShown_ = false;
  workPending_ = -1;
}

void TForm1::HttpClient2Work(TObject*, TWorkMode, std::int32_t AWorkCount) {
  // The display follows at a pace a person can see; the first block and the
  // last block of a known length always show, and a count held back shows
  // at the end of the transfer.
  const bool soon = workShown_ && platform::TickCount() - workShownAt_ < WorkDisplayInterval;
  if (soon && AWorkCount != WorkTotal) {
    workPending_ = AWorkCount;
    return;
  }
  ShowWork(AWorkCount);
}

void TForm1::ShowWork(std::int32_t Count) {
  // Past 2 GiB the events count in larger units; the texts tell bytes.
  const std::int64_t bytes = WorkBytes(Count);
  MlSkinLabel1->SetCaption(FormatSizeText(bytes));
  MlSkinProgressBar1->SetValue(Count);
  // A body of unknown length announces no total: there is no percentage to
  // give, so the status shows how much has arrived instead.
  MlSkinLabel3->SetCaption(WorkTotal > 0 ? PercentText(Count, WorkTotal) : FormatSizeText(bytes));
  workShownAt_ = platform::TickCount();
  workShown_ = true;
  workPending_ = -1;
}

void TForm1::HttpClient2WorkEnd(TObject*, TWorkMode AWorkMode) {
  if (workPending_ >= 0) ShowWork(workPending_);
  // The end comes also when the transfer failed; then nothing is complete.
  if (HttpClient2->WorkCompleted(AWorkMode)) MlSkinLabel3->SetCaption("更新完毕！"_cp936);
}
