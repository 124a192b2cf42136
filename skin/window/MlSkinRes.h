#pragma once
// Shared skin settings: the settings record a skinned form can take its look
// from, the process-wide record every skinned form publishes its look to, and
// the process-wide colour shifts.
#include "framework/paint/Graphics.h"
#include "skin/window/MlSkinTypes.h"

class TMlSkinRes;
class TMlFormLayerBorder;

class TMlFormSkinRes : public TPersistent {
 public:
  explicit TMlFormSkinRes(TMlSkinRes* owner = nullptr) : owner_(owner) {}
  void Assign(const TPersistent* Source) override;

  const TMlResID& CustomPicture() const { return customPicture_; }
  void SetCustomPicture(const TMlResID& v) { Store(customPicture_, v); }
  int HitTestWidth() const { return hitTestWidth_; }
  void SetHitTestWidth(int v) { Store(hitTestWidth_, v); }
  int TitleHeight() const { return titleHeight_; }
  void SetTitleHeight(int v) { Store(titleHeight_, v); }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { Store(color_, v); }
  TColor TitlerColor() const { return titlerColor_; }
  void SetTitlerColor(TColor v) { Store(titlerColor_, v); }
  TMlSkinStyle Style() const { return style_; }
  void SetStyle(TMlSkinStyle v) { Store(style_, v); }
  int FramWidth() const { return framWidth_; }
  // Negative widths are ignored.
  void SetFramWidth(int v) {
    if (v >= 0) Store(framWidth_, v);
  }
  int DefaultSkinOrder() const { return defaultSkinOrder_; }
  void SetDefaultSkinOrder(int v) { Store(defaultSkinOrder_, v); }
  int GradientHeight() const { return gradientHeight_; }
  void SetGradientHeight(int v) { Store(gradientHeight_, v); }
  // The FormBg of the configuration file: a file name in "Skin/Custom/".
  const AnsiString& BackgroundFileName() const { return backgroundFileName_; }
  void SetBackgroundFileName(const AnsiString& v) { backgroundFileName_ = v; }

  // Kept and copied only; no skinned form reads them.
  bool ActiveGradient = true;
  bool DoubleFrame = true;
  TMlFillStyle FillStyle = TMlFillStyle::mfsBlur;
  bool RoundWindow = true;
  bool FlatFrame = false;
  TMlFormLayerBorder* ImageBorder = nullptr;

  // Notifications wait while an update or a load is open.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  void BeginLoad() { loading_ = true; }
  void EndLoad() { loading_ = false; }
  virtual void Changed();
  TNotifyEvent OnChange;

 private:
  template <class T>
  void Store(T& field, const T& v) {
    if (field == v) return;
    field = v;
    Changed();
  }
  TMlResID customPicture_;
  int hitTestWidth_ = 5, titleHeight_ = 27;
  TColor color_ = 15920353, titlerColor_ = 16761926;
  TMlSkinStyle style_ = TMlSkinStyle::ssColor;
  int framWidth_ = 2;
  int updateCount_ = 0;
  AnsiString backgroundFileName_;
  int defaultSkinOrder_ = 0, gradientHeight_ = 168;
  TMlSkinRes* owner_;
  bool loading_ = false;
};

// A component that owns a settings record, reads it from the configuration
// file "Skin/Config.xml" in the program's directory (or writes it there), and
// tells every skinned form to re-read it when it changes.
class TMlSkinRes : public TComponent {
 public:
  // Reads the configuration of the program's "Skin/" directory.
  explicit TMlSkinRes(TComponent* AOwner);
  // The same for another skin directory (ending with "/").
  TMlSkinRes(TComponent* AOwner, const AnsiString& SkinDirectory);

  TMlFormSkinRes* Form() { return &form_; }
  void SetForm(const TMlFormSkinRes* v) { form_.Assign(v); }
  bool UseSkinFile() const { return useSkinFile_; }
  void SetUseSkinFile(bool v) { useSkinFile_ = v; }
  const AnsiString& SkinDirectory() const { return skinDir_; }
  AnsiString ConfigPath() const { return skinDir_ + "Config.xml"; }

  // Takes the settings and the colour shifts from the file without telling
  // the forms; a missing file leaves them, a malformed one gives nothing.
  // Without a usable FormBg the default background "Default/skin_bk_leaf.jpg"
  // is the picture when it exists.
  void LoadConfig();
  // Writes the settings and the colour shifts, making the directory.
  // False when the file cannot be written.
  bool SaveConfig();
  // Sends MLM_RELOADSKIN to every skinned form, the last registered first.
  void NotifyForms();

 protected:
  void Loaded() override;

 private:
  // The default background, when it exists.
  bool TakeDefaultBackground();
  TMlFormSkinRes form_{this};
  AnsiString skinDir_;
  bool useSkinFile_ = true;
};

// The look of the skinned form that refreshed last.
TMlFormSkinRes& CurrentFormSkin();

// Hue (degrees), saturation and brightness (percent) applied to every skin.
struct TMlSkinShift {
  int Hue = 0, Saturation = 0, Brightness = 0;
  bool Any() const { return Hue || Saturation || Brightness; }
};
TMlSkinShift& SkinShift();
