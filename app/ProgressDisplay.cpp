// The three work handlers of the package download: size text, bar and
// percentage. The download reports in bytes at a pace a person can follow,
// and only once the whole package has arrived does it end.
#include "app/ProgressDisplay.h"

#include <climits>
#include <cmath>

#include "app/Unit1.h"
#include "app/update/SupportText.h"
#include "core/SysUtils.h"
#include "platform/CodePage.h"

using namespace platform::literals;

AnsiString PercentText(std::int64_t Count, std::int64_t Total) {
  const long double percent = static_cast<long double>(Count) / static_cast<long double>(Total) * 100.0L;
  return IntToStr(std::llroundl(percent)) + "%";
}

void TForm1::HttpClient2WorkBegin(TObject*, TWorkMode, std::int64_t AWorkCountMax) {
  // The bar counts in the smallest units that fit its range.
  barShift_ = 0;
  while ((AWorkCountMax >> barShift_) > INT32_MAX) ++barShift_;
  MlSkinProgressBar1->SetMaxValue(static_cast<int>(AWorkCountMax >> barShift_));
  WorkTotal = AWorkCountMax;
  MlSkinLabel2->SetCaption(FormatSizeText(AWorkCountMax));
}

void TForm1::HttpClient2Work(TObject*, TWorkMode, std::int64_t AWorkCount) {
  MlSkinLabel1->SetCaption(FormatSizeText(AWorkCount));
  MlSkinProgressBar1->SetValue(static_cast<int>(std::min<std::int64_t>(AWorkCount >> barShift_, INT32_MAX)));
  // A body of unknown length announces no total: there is no percentage to
  // give, so the status shows how much has arrived instead.
  MlSkinLabel3->SetCaption(WorkTotal > 0 ? PercentText(AWorkCount, WorkTotal) : FormatSizeText(AWorkCount));
}

void TForm1::HttpClient2WorkEnd(TObject*, TWorkMode) { MlSkinLabel3->SetCaption("更新完毕！"_cp936); }

void TForm1::ShowDownload(std::int64_t Done, std::int64_t Total) {
  const std::int64_t max = Total > 0 ? Total : 0;
  if (!workBegun_ || max != WorkTotal) HttpClient2WorkBegin(HttpClient2, wmRead, max);
  workBegun_ = true;
  HttpClient2Work(HttpClient2, wmRead, Done);
}

void TForm1::DownloadComplete() {
  HttpClient2WorkEnd(HttpClient2, wmRead);
  workBegun_ = false;
}
