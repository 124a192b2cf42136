// The skin settings and their configuration file: files of every kind against
// the settings they give, saving and loading again, the default background,
// and telling the skinned forms.
#include <filesystem>
#include <fstream>
#include <string>

#include "SkinnedFormFixture.h"
#include "skin/MlSkinMessages.h"
#include "skin/window/MlSkinRes.h"
#include "tests/support/ScratchDirectory.h"
#include "tests/support/SkinFormulas.h"

namespace fs = std::filesystem;

namespace {

// A skin directory of its own for each test.
class SkinConfig : public skintest::SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    root = NewScratchDirectory("quelbo-skin-");
    dir = root + "/Skin/";
    SkinShift() = {};
  }
  void TearDown() override {
    SkinShift() = {};
    fs::remove_all(root);
    SkinnedForm::TearDown();
  }
  void Write(const std::string& relative, const std::string& text) {
    fs::create_directories(fs::path(dir + relative).parent_path());
    std::ofstream(dir + relative, std::ios::binary) << text;
  }
  std::string root, dir;
};

// The twelve values of the layout, under element names in any letter case.
std::string Document(const std::string& form) {
  return "<?xml version=\"1.0\"?><mlskinres><CONFIG><Custom><FORM>" + form + "</FORM></Custom></CONFIG></mlskinres>";
}

struct Settings {
  TMlSkinStyle style = TMlSkinStyle::ssColor;
  int order = 0, hitTest = 5, gradient = 168, title = 27;
  TColor titler = 16761926, color = 15920353;
  int fram = 2, hue = 0, sat = 0, bri = 0;
  friend bool operator==(const Settings&, const Settings&) = default;
};

Settings Read(TMlSkinRes& res) {
  TMlFormSkinRes* f = res.Form();
  const TMlSkinShift& s = SkinShift();
  return {f->Style(),       f->DefaultSkinOrder(), f->HitTestWidth(), f->GradientHeight(), f->TitleHeight(),
          f->TitlerColor(), f->Color(),            f->FramWidth(),    s.Hue,               s.Saturation,
          s.Brightness};
}

std::string Nested(int depth) {
  std::string open, close;
  for (int i = 0; i < depth; ++i) open += "<x>", close += "</x>";
  return open + "<Color>255</Color>" + close;
}

TEST_F(SkinConfig, FilesGiveTheirSoundValuesAndNothingElse) {
  const Settings defaults;
  struct Case {
    const char* what;
    std::string text;
    Settings expected;
  };
  Settings valid{TMlSkinStyle::ssPicture, 3, 7, 120, 31, 255, 65280, 4, 30, -20, 15};
  Settings partial = defaults;
  partial.color = 12345;
  partial.hue = -90;
  Settings noGradient = defaults;
  noGradient.gradient = -7;
  const Case cases[] = {
      {"valid",
       Document("<Style>1</Style><FormBg></FormBg><DefaultSkinOrder>3</DefaultSkinOrder>"
                "<HitTestWidth>7</HitTestWidth><GradientHeight>120</GradientHeight><TitleHeight>31</TitleHeight>"
                "<TitlerColor>255</TitlerColor><Color> 65280 </Color><FramWidth>4</FramWidth>"
                "<HSB_H>30</HSB_H><HSB_S>-20</HSB_S><hsb_b>+15</hsb_b>"),
       valid},
      {"partial", Document("<Color>12345</Color><HSB_H>-90</HSB_H>"), partial},
      {"values found anywhere below Form", Document("<group><Color>12345</Color></group><x><HSB_H>-90</HSB_H></x>"),
       partial},
      {"gradient of no rows", Document("<GradientHeight>-7</GradientHeight>"), noGradient},
      {"not closed", "<MlSkinRes><Config><Custom><Form><Color>255</Color>", defaults},
      {"not XML", "Color=255\n", defaults},
      {"empty", "", defaults},
      {"no Form", "<MlSkinRes><Config><Color>255</Color></Config></MlSkinRes>", defaults},
      {"huge numbers",
       Document("<Color>99999999999999999999</Color><TitleHeight>2147483648</TitleHeight>"
                "<GradientHeight>1000000000</GradientHeight><HSB_S>100000000</HSB_S><DefaultSkinOrder>-99999999999"
                "</DefaultSkinOrder>"),
       defaults},
      {"negative sizes",
       Document("<HitTestWidth>-3</HitTestWidth><TitleHeight>-27</TitleHeight><FramWidth>-1</FramWidth>"), defaults},
      {"not decimal",
       Document("<Color>$FF</Color><TitleHeight>0x1B</TitleHeight><FramWidth>2px</FramWidth><Style>2</Style>"
                "<HitTestWidth></HitTestWidth><TitlerColor>16777216</TitlerColor>"),
       defaults},
      {"deep nesting", Document(Nested(200)), defaults},
      {"entity bomb",
       "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>" + Document("<Color>&b;</Color>"),
       defaults},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SkinShift() = {};
    Write("Config.xml", c.text);
    TMlSkinRes res(nullptr, dir);
    EXPECT_EQ(Read(res), c.expected);
  }
}

TEST_F(SkinConfig, SaveThenLoadGivesTheSameSettings) {
  TMlSkinRes saved(nullptr, dir);
  TMlFormSkinRes* f = saved.Form();
  f->SetStyle(TMlSkinStyle::ssPicture);
  f->SetDefaultSkinOrder(-4);
  f->SetHitTestWidth(9);
  f->SetGradientHeight(0);
  f->SetTitleHeight(40);
  f->SetTitlerColor(clBtnFace);
  f->SetColor(0x123456);
  f->SetFramWidth(0);
  SkinShift() = {-360, 100, -100};
  const Settings written = Read(saved);
  ASSERT_TRUE(saved.SaveConfig());
  ASSERT_TRUE(fs::exists(dir + "Config.xml")) << "the directory is made";
  SkinShift() = {};
  TMlSkinRes loaded(nullptr, dir);
  EXPECT_EQ(Read(loaded), written);
}

TEST_F(SkinConfig, BackgroundComesFromCustomOrElseTheDefaultLeaf) {
  const std::string leaf = dir + "Default/skin_bk_leaf.jpg";
  struct Case {
    const char* what;
    const char* formBg;
    bool custom, leafExists;
    std::string picture, name;
  };
  const Case cases[] = {
      {"custom file", "mine.jpg", true, true, dir + "Custom/mine.jpg", "mine.jpg"},
      {"missing custom file, leaf", "gone.jpg", false, true, leaf, "skin_bk_leaf.jpg"},
      {"missing custom file, no leaf", "gone.jpg", false, false, "", ""},
      {"a path, not a name", "../Default/skin_bk_leaf.jpg", false, false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir);
    Write("Config.xml", Document(std::string("<FormBg>") + c.formBg + "</FormBg>"));
    if (c.custom) Write(std::string("Custom/") + c.formBg, "picture");
    if (c.leafExists) Write("Default/skin_bk_leaf.jpg", "picture");
    TMlSkinRes res(nullptr, dir);
    EXPECT_EQ(res.Form()->CustomPicture(), c.picture);
    EXPECT_EQ(res.Form()->BackgroundFileName(), c.name);
  }
}

class ReloadCounter {
 public:
  explicit ReloadCounter(TForm* form) : form_(form), inner_(form->WindowProc) {
    form->WindowProc = [this](TMessage& m) {
      if (m.Msg == MLM_RELOADSKIN) ++count;
      inner_(m);
    };
  }
  ~ReloadCounter() { form_->WindowProc = inner_; }
  int count = 0;

 private:
  TForm* form_;
  TWndMethod inner_;
};

TEST_F(SkinConfig, ReadingAFileTellsNoFormButAMissingFileTellsThemOnce) {
  form->HandleNeeded();
  ReloadCounter reloads(form);
  Write("Config.xml", Document("<Color>255</Color>"));
  { TMlSkinRes res(nullptr, dir); }
  EXPECT_EQ(reloads.count, 0);
  fs::remove(dir + "Config.xml");
  { TMlSkinRes res(nullptr, dir); }
  EXPECT_EQ(reloads.count, 1);
}

TEST_F(SkinConfig, NotifyingSkipsAFormThatGoesWhileMessagesRun) {
  form->HandleNeeded();
  auto* second = app->CreateForm<TForm>();
  new TMlSkinForm(second);
  second->HandleNeeded();
  ReloadCounter reloads(form);
  // The newest form is told first; before that, a message frees it.
  PostMessage(second->Handle(), CM_RELEASE, 0, 0);
  TMlSkinRes res(nullptr, dir);
  res.NotifyForms();
  EXPECT_EQ(reloads.count, 2) << "once on creation (no file), once now";
  EXPECT_EQ(TMlFormSkinHelper::Count(), 1);
}

TEST_F(SkinConfig, FileGradientOfNoRowsPaintsNoGradient) {
  Write("Config.xml", Document("<GradientHeight>0</GradientHeight><Color>35583</Color>"));
  skin->SetSkinRes(new TMlSkinRes(form, dir));
  Show();
  EXPECT_EQ(skin->GradientHeight(), 0);
  // The caption band is the body colour throughout, below the frame lines:
  // no row of caption colour, no ramp.
  ASSERT_NE(skintest::Row(5), skintest::kBody);
  for (int y : {2, 5, 20, 26}) EXPECT_EQ(Pixel(200, y), skintest::kBody) << y;
}

TEST_F(SkinConfig, WithoutTheSkinFileTheSettingsAreWrittenOnceLoaded) {
  TMlSkinRes res(nullptr, dir);
  res.Form()->SetTitleHeight(33);
  res.SetUseSkinFile(false);
  res.BeginLoading();
  res.EndLoading();
  ASSERT_TRUE(fs::exists(dir + "Config.xml"));
  TMlSkinRes again(nullptr, dir);
  EXPECT_EQ(again.Form()->TitleHeight(), 33);
}

}  // namespace
