// The three work handlers of HttpClient2: size text, bar and percentage.
#include "app/ProgressDisplay.h"

#include <cmath>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "core/SysUtils.h"
#include "platform/CodePage.h"

using namespace platform::literals;

AnsiString PercentText(std::int32_t Count, std::int32_t Total) {
  const long double percent = static_cast<long double>(Count) / static_cast<long double>(Total) * 100.0L;
  return IntToStr(std::llroundl(percent)) + "%";
}

void TForm1::HttpClient2WorkBegin(TObject*, TWorkMode, std::int32_t AWorkCountMax) {
  MlSkinProgressBar1->SetMaxValue(AWorkCountMax);
  WorkTotal = AWorkCountMax;
  MlSkinLabel2->SetCaption(FormatSizeText(AWorkCountMax));
}

void TForm1::HttpClient2Work(TObject*, TWorkMode, std::int32_t AWorkCount) {
  MlSkinLabel1->SetCaption(FormatSizeText(AWorkCount));
  MlSkinProgressBar1->SetValue(AWorkCount);
  // A body of unknown length announces no total: there is no percentage to
  // give, so the status shows how much has arrived instead.
  MlSkinLabel3->SetCaption(WorkTotal > 0 ? PercentText(AWorkCount, WorkTotal) : FormatSizeText(AWorkCount));
}

void TForm1::HttpClient2WorkEnd(TObject*, TWorkMode) { MlSkinLabel3->SetCaption("更新完毕！"_cp936); }
