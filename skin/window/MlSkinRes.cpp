#include "skin/window/MlSkinRes.h"

#include <fstream>
#include <iterator>

#include "core/ScopeGuard.h"
#include "framework/controls/Forms.h"
#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "skin/MlSkinMessages.h"
#include "skin/MlSkinRegistry.h"
#include "skin/MlSkinResManager.h"
#include "skin/window/MlSkinConfig.h"

namespace {

constexpr const char* kDefaultBackground = "skin_bk_leaf.jpg";

// The file's bytes, or nothing when it cannot be read or is too large to be
// a configuration.
std::optional<std::string> ReadSmallFile(const AnsiString& path) {
  std::ifstream in(platform::ToOsPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char buf[4096];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    bytes.append(buf, static_cast<size_t>(in.gcount()));
    if (bytes.size() > kMaxConfigFileBytes) return std::nullopt;
  }
  return bytes;
}

}  // namespace

void TMlFormSkinRes::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TMlFormSkinRes*>(Source);
  if (!s) return TPersistent::Assign(Source);
  BeginUpdate();
  customPicture_ = s->customPicture_;
  hitTestWidth_ = s->hitTestWidth_;
  titleHeight_ = s->titleHeight_;
  color_ = s->color_;
  titlerColor_ = s->titlerColor_;
  style_ = s->style_;
  framWidth_ = s->framWidth_;
  backgroundFileName_ = s->backgroundFileName_;
  defaultSkinOrder_ = s->defaultSkinOrder_;
  gradientHeight_ = s->gradientHeight_;
  ActiveGradient = s->ActiveGradient;
  DoubleFrame = s->DoubleFrame;
  FillStyle = s->FillStyle;
  RoundWindow = s->RoundWindow;
  FlatFrame = s->FlatFrame;
  ImageBorder = s->ImageBorder;
  EndUpdate();
}

void TMlFormSkinRes::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TMlFormSkinRes::Changed() {
  if (updateCount_ != 0 || loading_) return;
  if (owner_) owner_->NotifyForms();
  if (OnChange) OnChange(this);
}

TMlSkinRes::TMlSkinRes(TComponent* AOwner) : TMlSkinRes(AOwner, SkinFilePath("Skin/")) {}

TMlSkinRes::TMlSkinRes(TComponent* AOwner, const AnsiString& SkinDirectory)
    : TComponent(AOwner), skinDir_(SkinDirectory) {
  LoadConfig();
}

void TMlSkinRes::Loaded() {
  TComponent::Loaded();
  if (useSkinFile_) LoadConfig();
  else SaveConfig();
}

bool TMlSkinRes::TakeDefaultBackground() {
  const AnsiString path = skinDir_ + "Default/" + kDefaultBackground;
  if (!platform::FileExists(path)) return false;
  form_.SetBackgroundFileName(kDefaultBackground);
  form_.SetCustomPicture(path);
  return true;
}

void TMlSkinRes::LoadConfig() {
  if (!platform::FileExists(ConfigPath())) {
    form_.BeginUpdate();
    TakeDefaultBackground();
    form_.EndUpdate();
    return;
  }
  TMlSkinConfig c;
  // A file that cannot be read or parsed gives no values at all.
  if (std::optional<std::string> text = ReadSmallFile(ConfigPath())) ParseSkinConfig(*text, c);
  form_.BeginLoad();
  ScopeExit endLoad([this] { form_.EndLoad(); });
  if (c.Style) form_.SetStyle(static_cast<TMlSkinStyle>(*c.Style));
  if (c.DefaultSkinOrder) form_.SetDefaultSkinOrder(*c.DefaultSkinOrder);
  const AnsiString custom = c.FormBg ? skinDir_ + "Custom/" + *c.FormBg : AnsiString();
  if (c.FormBg && platform::FileExists(custom)) {
    form_.SetBackgroundFileName(*c.FormBg);
    form_.SetCustomPicture(custom);
  } else {
    TakeDefaultBackground();
  }
  if (c.GradientHeight) form_.SetGradientHeight(*c.GradientHeight);
  if (c.HitTestWidth) form_.SetHitTestWidth(*c.HitTestWidth);
  if (c.TitleHeight) form_.SetTitleHeight(*c.TitleHeight);
  if (c.TitlerColor) form_.SetTitlerColor(*c.TitlerColor);
  if (c.Color) form_.SetColor(*c.Color);
  if (c.FramWidth) form_.SetFramWidth(*c.FramWidth);
  TMlSkinShift& shift = SkinShift();
  if (c.Hue) shift.Hue = *c.Hue;
  if (c.Saturation) shift.Saturation = *c.Saturation;
  if (c.Brightness) shift.Brightness = *c.Brightness;
}

bool TMlSkinRes::SaveConfig() {
  TMlSkinConfig c;
  c.Style = static_cast<int>(form_.Style());
  c.FormBg = form_.BackgroundFileName();
  c.DefaultSkinOrder = form_.DefaultSkinOrder();
  c.HitTestWidth = form_.HitTestWidth();
  c.GradientHeight = form_.GradientHeight();
  c.TitleHeight = form_.TitleHeight();
  c.TitlerColor = form_.TitlerColor();
  c.Color = form_.Color();
  c.FramWidth = form_.FramWidth();
  const TMlSkinShift& shift = SkinShift();
  c.Hue = shift.Hue;
  c.Saturation = shift.Saturation;
  c.Brightness = shift.Brightness;
  const std::string text = WriteSkinConfig(c);
  if (!platform::ForceDirectories(skinDir_)) return false;
  return platform::ReplaceFileContent(ConfigPath(), text);
}

void TMlSkinRes::NotifyForms() {
  if (IsDesigning()) {
    SaveConfig();
    return;
  }
  // A snapshot: messages run between the forms, and a form that goes away
  // meanwhile is skipped.
  std::vector<TMlFormSkinHelper::Entry> entries = TMlFormSkinHelper::Entries();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (Application) Application->ProcessMessages();
    if (!TMlFormSkinHelper::Find(it->form)) continue;
    if (it->form->HandleAllocated()) SendMessage(it->form->Handle(), MLM_RELOADSKIN, 0, 0);
  }
}

TMlFormSkinRes& CurrentFormSkin() {
  static TMlFormSkinRes record;
  return record;
}

TMlSkinShift& SkinShift() {
  static TMlSkinShift shift;
  return shift;
}
