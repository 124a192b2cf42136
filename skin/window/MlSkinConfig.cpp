#include "skin/window/MlSkinConfig.h"

#include <tinyxml2.h>

#include <cctype>
#include <charconv>
#include <vector>

#include "platform/CodePage.h"

namespace {

using tinyxml2::XMLElement;

bool SameName(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

// The first element named so below `from`, depth-first, without recursion.
const XMLElement* Find(const XMLElement* from, const char* name) {
  if (!from) return nullptr;
  std::vector<const XMLElement*> stack;
  for (const XMLElement* c = from->LastChildElement(); c; c = c->PreviousSiblingElement()) stack.push_back(c);
  while (!stack.empty()) {
    const XMLElement* e = stack.back();
    stack.pop_back();
    if (SameName(e->Name(), name)) return e;
    for (const XMLElement* c = e->LastChildElement(); c; c = c->PreviousSiblingElement()) stack.push_back(c);
  }
  return nullptr;
}

std::string TextOf(const XMLElement* e) {
  const char* t = e ? e->GetText() : nullptr;
  return t ? t : "";
}

// A decimal integer, blanks around it allowed, nothing else.
std::optional<long long> StrictInteger(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  if (b == e) return std::nullopt;
  const char* first = s.data() + b;
  if (*first == '+') ++first;
  long long v = 0;
  auto [end, ec] = std::from_chars(first, s.data() + e, v);
  if (ec != std::errc() || end != s.data() + e) return std::nullopt;
  return v;
}

std::optional<int> IntIn(const XMLElement* form, const char* name, long long lo, long long hi) {
  const XMLElement* e = Find(form, name);
  if (!e) return std::nullopt;
  std::optional<long long> v = StrictInteger(TextOf(e));
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return static_cast<int>(*v);
}

std::optional<TColor> ColorIn(const XMLElement* form, const char* name) {
  std::optional<int> v = IntIn(form, name, INT32_MIN, INT32_MAX);
  if (!v) return std::nullopt;
  const auto c = static_cast<std::uint32_t>(*v);
  const bool rgb = c <= 0xFFFFFF, system = (c & 0xFFFFFF00u) == static_cast<std::uint32_t>(clSystemColor) && (c & 0xFF) <= 30;
  if (!rgb && !system) return std::nullopt;
  return static_cast<TColor>(*v);
}

bool IsPlainFileName(const std::string& s) {
  if (s.empty() || s.size() > 255 || s == "." || s == "..") return false;
  for (unsigned char c : s)
    if (c < 0x20 || c == '/' || c == '\\' || c == ':') return false;
  return true;
}

}  // namespace

bool ParseSkinConfig(const std::string& text, TMlSkinConfig& out) {
  out = {};
  tinyxml2::XMLDocument doc;
  if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) return false;
  const XMLElement* form = Find(Find(Find(doc.RootElement(), "Config"), "Custom"), "Form");
  if (!form) return true;
  out.Style = IntIn(form, "Style", 0, 1);
  if (const XMLElement* bg = Find(form, "FormBg")) {
    // The document is UTF-8; the program's texts are code page 936.
    std::string name = platform::Utf8ToCp936(TextOf(bg));
    if (IsPlainFileName(name)) out.FormBg = name;
  }
  out.DefaultSkinOrder = IntIn(form, "DefaultSkinOrder", INT32_MIN, INT32_MAX);
  out.HitTestWidth = IntIn(form, "HitTestWidth", 0, kMaxConfigSize);
  out.GradientHeight = IntIn(form, "GradientHeight", INT32_MIN, kMaxConfigSize);
  out.TitleHeight = IntIn(form, "TitleHeight", 0, kMaxConfigSize);
  out.TitlerColor = ColorIn(form, "TitlerColor");
  out.Color = ColorIn(form, "Color");
  out.FramWidth = IntIn(form, "FramWidth", 0, kMaxConfigSize);
  out.Hue = IntIn(form, "HSB_H", -360, 360);
  out.Saturation = IntIn(form, "HSB_S", -100, 100);
  out.Brightness = IntIn(form, "HSB_B", -100, 100);
  return true;
}

std::string WriteSkinConfig(const TMlSkinConfig& v) {
  tinyxml2::XMLDocument doc;
  doc.InsertEndChild(doc.NewDeclaration());
  XMLElement* root = doc.NewElement("MlSkinRes");
  doc.InsertEndChild(root);
  XMLElement* form = root->InsertNewChildElement("Config")->InsertNewChildElement("Custom")->InsertNewChildElement("Form");
  auto number = [&](const char* name, std::optional<int> value) {
    form->InsertNewChildElement(name)->SetText(value.value_or(0));
  };
  number("Style", v.Style);
  form->InsertNewChildElement("FormBg")->SetText(platform::Cp936ToUtf8(v.FormBg.value_or("")).c_str());
  number("DefaultSkinOrder", v.DefaultSkinOrder);
  number("HitTestWidth", v.HitTestWidth);
  number("GradientHeight", v.GradientHeight);
  number("TitleHeight", v.TitleHeight);
  number("TitlerColor", v.TitlerColor);
  number("Color", v.Color);
  number("FramWidth", v.FramWidth);
  number("HSB_H", v.Hue);
  number("HSB_S", v.Saturation);
  number("HSB_B", v.Brightness);
  tinyxml2::XMLPrinter printer;
  doc.Print(&printer);
  return printer.CStr();
}
