#include "platform/fonts/font_name_element.h"

#include <algorithm>

#include "platform/fonts/font_name_text.h"

using brevia::platform::contains;
using brevia::platform::equalsIgnoreCase;

C_PDF_FontNameElement::C_PDF_FontNameElement(const brevia::platform::InstalledFace& face)
    : fullName_(brevia::platform::truncateChars(face.fullName, kMaxFullNameChars)),
      faceName_(brevia::platform::truncateChars(face.family, kMaxFaceNameChars)),
      words_(brevia::platform::splitWords(fullName_, kMaxWords)),
      file_(face.file),
      faceIndex_(face.faceIndex) {}

bool C_PDF_FontNameElement::hasWord(std::string_view word) const {
  return std::find(words_.begin(), words_.end(), word) != words_.end();
}

void C_PDF_FontNameElement::strikeOut() {
  fullName_ = kStruckOutFullName;
  for (std::string& word : words_) word = kStruckOutWord;
}

void C_PDF_FontNameElement::clearScore() {
  score_ = 0;
  mismatches_ = 0;
  eligible_ = false;
}

void C_PDF_FontNameElement::scoreAgainst(std::string_view pdfName) {
  clearScore();
  if (contains(fullName_, "Gothic")) return;

  // Maker prefixes such as "MS Sans Serif" or "MS UI Gothic" say nothing about the design.
  size_t first = 0;
  if (!words_.empty() && (equalsIgnoreCase(words_[0], "MS") || equalsIgnoreCase(words_[0], "MT") ||
                          equalsIgnoreCase(words_[0], "MV"))) {
    first = 1;
    if (words_.size() > 1 && equalsIgnoreCase(words_[1], "UI")) first = 2;
  }
  if (first >= words_.size()) return;
  const std::string& key = words_[first];
  if (!contains(pdfName, key) || key == "Italic") return;
  if (key == "RomanC" && contains(pdfName, "RomanCondensed")) return;
  if (key == "Berlin" && contains(pdfName, "Berling")) return;

  score_ = 1;
  eligible_ = true;
  size_t last = std::min(words_.size(), kMaxScoredWords);
  for (size_t i = first + 1; i < last; ++i) {
    if (contains(pdfName, words_[i])) {
      ++score_;
    } else {
      ++mismatches_;
    }
  }
}
