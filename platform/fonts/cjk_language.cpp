#include "platform/fonts/cjk_language.h"

#include "platform/fonts/font_name_text.h"

namespace brevia::platform {
namespace {

struct FaceLanguage {
  std::string_view face;
  std::string_view language;
};

constexpr FaceLanguage kFaceLanguages[] = {
    {"SimSun", "zh-cn"},
    {"NSimSun", "zh-cn"},
    {"SimSun-ExtB", "zh-cn"},
    {"SimHei", "zh-cn"},
    {"SimKai", "zh-cn"},
    {"KaiTi", "zh-cn"},
    {"KaiTi_GB2312", "zh-cn"},
    {"FangSong", "zh-cn"},
    {"FangSong_GB2312", "zh-cn"},
    {"Microsoft YaHei", "zh-cn"},
    {"DengXian", "zh-cn"},
    {"STSong", "zh-cn"},
    {"STHeiti", "zh-cn"},
    {"STKaiti", "zh-cn"},
    {"STFangsong", "zh-cn"},
    {"宋体", "zh-cn"},
    {"新宋体", "zh-cn"},
    {"黑体", "zh-cn"},
    {"楷体", "zh-cn"},
    {"仿宋", "zh-cn"},
    {"微软雅黑", "zh-cn"},
    {"MingLiU", "zh-tw"},
    {"PMingLiU", "zh-tw"},
    {"MingLiU_HKSCS", "zh-tw"},
    {"DFKai-SB", "zh-tw"},
    {"Microsoft JhengHei", "zh-tw"},
    {"細明體", "zh-tw"},
    {"新細明體", "zh-tw"},
    {"標楷體", "zh-tw"},
    {"MS Mincho", "ja"},
    {"MS PMincho", "ja"},
    {"MS Gothic", "ja"},
    {"MS PGothic", "ja"},
    {"MS UI Gothic", "ja"},
    {"Meiryo", "ja"},
    {"Meiryo UI", "ja"},
    {"Yu Gothic", "ja"},
    {"Yu Mincho", "ja"},
    {"ＭＳ 明朝", "ja"},
    {"ＭＳ Ｐ明朝", "ja"},
    {"ＭＳ ゴシック", "ja"},
    {"ＭＳ Ｐゴシック", "ja"},
    {"Batang", "ko"},
    {"BatangChe", "ko"},
    {"Gulim", "ko"},
    {"GulimChe", "ko"},
    {"Dotum", "ko"},
    {"DotumChe", "ko"},
    {"Gungsuh", "ko"},
    {"GungsuhChe", "ko"},
    {"Malgun Gothic", "ko"},
    {"바탕", "ko"},
    {"굴림", "ko"},
    {"돋움", "ko"},
    {"궁서", "ko"},
};

}  // namespace

std::string languageForCharacterCollection(std::string_view collection) {
  size_t dash = collection.rfind('-');
  std::string_view ordering =
      dash == std::string_view::npos ? collection : collection.substr(dash + 1);
  if (ordering.rfind("GB", 0) == 0) return "zh-cn";
  if (ordering.rfind("CNS", 0) == 0) return "zh-tw";
  if (ordering.rfind("Japan", 0) == 0) return "ja";
  if (ordering.rfind("Korea", 0) == 0 || ordering == "KR") return "ko";
  return {};
}

std::string languageForFaceName(std::string_view family) {
  for (const FaceLanguage& entry : kFaceLanguages) {
    if (equalsIgnoreCase(family, entry.face)) return std::string(entry.language);
  }
  return {};
}

}  // namespace brevia::platform
