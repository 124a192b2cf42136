// The fuzz target's promises on many generated documents, in the normal
// build: the layout's elements, numbers of every kind and XML debris in
// random order.
#include <gtest/gtest.h>

#include <random>

#include "fuzz/SkinConfigTarget.h"

namespace {

TEST(SkinConfigProperties, HoldOnGeneratedDocuments) {
  const char* pieces[] = {
      "<MlSkinRes>", "</MlSkinRes>", "<Config>", "</Config>", "<custom>", "</custom>", "<FORM>", "</FORM>",
      "<Style>", "</Style>", "<Color>", "</Color>", "<TitleHeight>", "</TitleHeight>", "<HSB_S>", "</HSB_S>",
      "<GradientHeight>", "</GradientHeight>", "<FormBg>", "</FormBg>", "<FramWidth>", "</FramWidth>",
      "0", "1", "-", "+", "27", "4096", "4097", "-360", "16777215", "16777216", "-16777201", "2147483648",
      "99999999999999999999", "0x1B", " ", "\n", "&amp;", "&lt;", "<!--", "-->", "<![CDATA[", "]]>", "<?xml?>",
      "..", "/", "leaf.jpg", "\xD6\xD0", "\xE4\xB8\xAD", "<x/>", "<a b='", "'>", "\0"};
  std::mt19937 random(20261211);
  for (int i = 0; i < 20000; ++i) {
    std::string input;
    const int n = static_cast<int>(random() % 40);
    for (int k = 0; k < n; ++k) {
      const char* p = pieces[random() % std::size(pieces)];
      input += *p ? std::string(p) : std::string(1, '\0');
    }
    skintest::CheckSkinConfig(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
  }
}

}  // namespace
