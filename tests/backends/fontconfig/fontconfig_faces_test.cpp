#include "backends/fontconfig/fontconfig_faces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The face names stories use map to IPA Mincho or IPA Gothic however they are written; a face
// that is not installed falls back to IPA Mincho.
TEST(FontconfigFaces, MapsStoryFaceNamesToTheIpaFaces) {
  const FaceSource faces = fontconfigFaces();
  const std::optional<FontFile> mincho = faces("IPAMincho");
  ASSERT_TRUE(mincho.has_value()) << "IPA Mincho is missing";
  const std::optional<FontFile> gothic = faces("IPAGothic");
  const std::vector<std::pair<std::string, bool>> cases = {{"ＭＳ 明朝", false},
                                                           {"ＭＳ　明朝", false},
                                                           {"MS Mincho", false},
                                                           {"ｍｓ ｍｉｎｃｈｏ", false},
                                                           {"ＭＳ Ｐ明朝", false},
                                                           {"No Such Face", false},
                                                           {"", false},
                                                           {"ＭＳ ゴシック", true},
                                                           {"MS Gothic", true},
                                                           {"ＭＳ ｺﾞｼｯｸ", true},
                                                           {"MS UI Gothic", true},
                                                           {"ＭＳ Ｐゴシック", true}};
  for (const auto& [name, isGothic] : cases) {
    if (isGothic && !gothic) continue;  // IPA Gothic is only recommended
    const std::optional<FontFile> file = faces(name);
    ASSERT_TRUE(file.has_value()) << name;
    EXPECT_EQ(*file->bytes, *(isGothic ? gothic : mincho)->bytes) << name;
  }
  if (gothic) {
    EXPECT_NE(*gothic->bytes, *mincho->bytes);
  }
  // Each font file is read once for all the names it draws.
  EXPECT_EQ(faces("MS Mincho")->bytes, faces("ＭＳ 明朝")->bytes);
}

}  // namespace
