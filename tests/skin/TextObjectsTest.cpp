// Text objects: which changes notify, what copying takes along.
#include <gtest/gtest.h>

#include <functional>

#include "skin/MlTextObjects.h"

TEST(TextObjects, SettersNotifyOnlyOnChange) {
  TMlCaption caption;
  int calls = 0;
  caption.OnChanged = [&](TObject*) { ++calls; };
  struct Step {
    const char* what;
    std::function<void()> set;
    int notified;
  } steps[] = {
      {"Text new", [&] { caption.SetText("abc"); }, 1},
      {"Text same", [&] { caption.SetText("abc"); }, 0},
      {"Text other case", [&] { caption.SetText("ABC"); }, 1},
      {"Visible same", [&] { caption.SetVisible(true); }, 0},
      {"Visible new", [&] { caption.SetVisible(false); }, 1},
      {"OffsetX same", [&] { caption.SetOffsetX(0); }, 0},
      {"OffsetX new", [&] { caption.SetOffsetX(3); }, 1},
      {"OffsetY new", [&] { caption.SetOffsetY(-2); }, 1},
      {"a property of the own font", [&] { caption.Font()->SetHeight(-20); }, 1},
      {"Font assigned, even unchanged", [&] {
         TFont same;
         same.Assign(caption.Font());
         caption.SetFont(&same);
       }, 1},
      {"Light copied in", [&] {
         TMlLightClass other;
         other.SetColor(clRed);
         caption.SetLight(&other);
       }, 0},
      // The light took the caption's handler while it was still unset.
      {"a property of the own light", [&] { caption.Light()->SetBlurRadius(4); }, 0},
  };
  for (const Step& s : steps) {
    calls = 0;
    s.set();
    EXPECT_EQ(calls, s.notified) << s.what;
  }
  EXPECT_EQ(caption.Light()->Color(), clRed);
}

TEST(TextObjects, LightDefaultsAndOwnNotifications) {
  TMlLightClass light;
  EXPECT_EQ(light.BlurRadius(), 1);
  EXPECT_TRUE(light.Active());
  EXPECT_EQ(light.Color(), 16777214);
  int calls = 0;
  light.OnChanged = [&](TObject*) { ++calls; };
  light.SetBlurRadius(1);
  light.SetActive(true);
  light.SetColor(0xFFFFFE);
  EXPECT_EQ(calls, 0);
  light.SetBlurRadius(2);
  light.SetActive(false);
  light.SetColor(0);
  EXPECT_EQ(calls, 3);
}

TEST(TextObjects, CopyingTakesWhatEachClassCarries) {
  TMlCaption from, to;
  from.Light()->SetBlurRadius(5);
  from.Light()->SetActive(false);
  from.Light()->SetColor(clBlue);
  from.SetText("text");
  from.SetVisible(false);
  from.SetOffsetX(4);
  from.Font()->SetName("Other Face");
  to.Assign(&from);
  EXPECT_EQ(to.Light()->BlurRadius(), 1);  // not copied
  EXPECT_FALSE(to.Light()->Active());
  EXPECT_EQ(to.Light()->Color(), clBlue);
  EXPECT_EQ(to.Text(), "text");
  EXPECT_FALSE(to.Visible());
  EXPECT_EQ(to.OffsetX(), 0);  // offsets are not copied
  EXPECT_EQ(to.Font()->Name(), "Other Face");

  TMlTextObj plain;
  plain.Assign(&from);
  EXPECT_EQ(plain.Text(), "text");
  TFont unrelated;
  EXPECT_THROW(plain.Assign(&unrelated), EConvertError);
  EXPECT_THROW(to.Light()->Assign(&unrelated), EConvertError);
}
