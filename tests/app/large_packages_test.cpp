// The display tells sizes and percentages past 2 GiB right.
#include <cmath>

#include "UpdaterFixture.h"

namespace {

using Large = apptest::Updater;

TEST_F(Large, TheDisplayTellsSizesPast2GiBRight) {
  // Kilobytes rounded to the nearest (halves to even), then megabytes to two
  // decimals (halves up).
  auto megabytes = [](std::int64_t bytes) {
    const auto kilo = static_cast<long long>(std::nearbyint(static_cast<double>(bytes) / 1024.0));
    const long long hundredths = (kilo * 200 + 1024) / 2048;
    return Format("%lld.%02lld MB", hundredths / 100, hundredths % 100);
  };
  const std::int64_t total = 5ll << 30;
  form->ShowDownload(0, total);
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "0 KB");
  EXPECT_EQ(form->MlSkinProgressBar1->Value(), 0);
  for (const std::int64_t upTo : {total / 3, total / 2, total - 1000, total}) {
    SCOPED_TRACE(upTo);
    form->ShowDownload(upTo, total);
    EXPECT_EQ(form->MlSkinLabel2->Caption(), "5120.00 MB");
    EXPECT_EQ(form->MlSkinLabel1->Caption(), megabytes(upTo));
    EXPECT_EQ(form->MlSkinLabel3->Caption(), IntToStr(std::llround(100.0 * static_cast<double>(upTo) / total)) + "%");
    const double shown =
        static_cast<double>(form->MlSkinProgressBar1->Value()) / form->MlSkinProgressBar1->MaxValue();
    EXPECT_NEAR(shown, static_cast<double>(upTo) / total, 1e-6);
  }
  form->DownloadComplete();
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");

  // Without a total the amount itself is shown, past 2 GiB too.
  form->ShowDownload(3ll << 30, -1);
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "3072.00 MB");
  EXPECT_EQ(form->MlSkinLabel3->Caption(), "3072.00 MB");
}

}  // namespace
