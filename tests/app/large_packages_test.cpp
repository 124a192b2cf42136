// The display tells sizes and percentages past 2 GiB right.
#include <cmath>

#include "UpdaterFixture.h"

namespace {

using Large = apptest::Updater;

TEST_F(Large, TheDisplayTellsSizesPast2GiBRight) {
  form->WorkDisplayInterval = 0;
  // Kilobytes rounded to the nearest (halves to even), then megabytes to two
  // decimals (halves up).
  auto megabytes = [](std::int64_t bytes) {
    const auto kilo = static_cast<long long>(std::nearbyint(static_cast<double>(bytes) / 1024.0));
    const long long hundredths = (kilo * 200 + 1024) / 2048;
    return Format("%lld.%02lld MB", hundredths / 100, hundredths % 100);
  };
  TTcpConnection& transfer = *form->HttpClient2;
  const std::int64_t total = 5ll << 30;
  transfer.BeginWork(wmRead, total);
  EXPECT_EQ(form->MlSkinLabel2->Caption(), "5120.00 MB");
  std::int64_t done = 0;
  for (const std::int64_t upTo : {total / 3, total / 2, total - 1000, total}) {
    SCOPED_TRACE(upTo);
    transfer.DoWork(wmRead, upTo - done);
    done = upTo;
    EXPECT_EQ(form->MlSkinLabel1->Caption(), megabytes(done));
    EXPECT_EQ(form->MlSkinLabel3->Caption(), IntToStr(std::llround(100.0 * static_cast<double>(done) / total)) + "%");
    const double shown =
        static_cast<double>(form->MlSkinProgressBar1->Value()) / form->MlSkinProgressBar1->MaxValue();
    EXPECT_NEAR(shown, static_cast<double>(done) / total, 1e-6);
  }
  transfer.EndWork(wmRead);
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");

  // Without a total the amount itself is shown, past 2 GiB too.
  transfer.BeginWork(wmRead, 0);
  transfer.DoWork(wmRead, 3ll << 30);
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "3072.00 MB");
  EXPECT_EQ(form->MlSkinLabel3->Caption(), "3072.00 MB");
  transfer.EndWork(wmRead);
}

}  // namespace
