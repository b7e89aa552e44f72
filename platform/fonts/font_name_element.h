#pragma once
// One installed TrueType face in the matcher's list, with the scratch values of the last match.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fonts/font_source.h"

class C_PDF_FontNameElement {
 public:
  static constexpr size_t kMaxFullNameChars = 64;
  static constexpr size_t kMaxFaceNameChars = 32;
  static constexpr size_t kMaxWords = 32;
  // Words after the ninth never add to a score.
  static constexpr size_t kMaxScoredWords = 9;
  // What a struck-out face is renamed to, so that no PDF name can ever score on it.
  static constexpr std::string_view kStruckOutFullName = "xxxTTCfontDoNOTmatchWithAnythinGxxx";
  static constexpr std::string_view kStruckOutWord = "xxxDoNOTmatcHxxx";

  explicit C_PDF_FontNameElement(const brevia::platform::InstalledFace& face);

  const std::string& fullName() const { return fullName_; }
  // The family's face name.
  const std::string& faceName() const { return faceName_; }
  const std::vector<std::string>& words() const { return words_; }
  const std::string& file() const { return file_; }
  int faceIndex() const { return faceIndex_; }
  bool struckOut() const { return fullName_ == kStruckOutFullName; }
  bool hasWord(std::string_view word) const;

  // Renames the face and its words so it never matches again.
  void strikeOut();

  // Scores the face against a PDF font name; see score(), mismatches() and eligible().
  void scoreAgainst(std::string_view pdfName);
  void clearScore();
  int32_t score() const { return score_; }
  int32_t mismatches() const { return mismatches_; }
  bool eligible() const { return eligible_; }

 private:
  std::string fullName_;
  std::string faceName_;
  std::vector<std::string> words_;
  std::string file_;
  int faceIndex_ = 0;
  int32_t score_ = 0;
  int32_t mismatches_ = 0;
  bool eligible_ = false;
};
