#pragma once
// C_PDF_Global_Resource_Font: the document's font cache and its FreeType library. A font
// referred to by an indirect reference is loaded once; inline font dictionaries are loaded anew
// each time (and kept until the cache is emptied).

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/document/document_hooks.h"
#include "engine/document/pdf_object.h"
#include "engine/fonts/fixed_pos_size_font.h"
#include "engine/fonts/font_face.h"

class C_PDF_Document;
class C_PDF_FontEnum;

class C_PDF_Global_Resource_Font : public IDocumentFontCache, public FontPartsSource {
 public:
  // Fonts shown on this many of the latest pages (the current one included) keep everything.
  static constexpr uint64_t kRecentPages = 2;
  // Older fonts keep their faces, programs and ToUnicode CMaps while all of them together take
  // less than this; beyond it the least recently shown release theirs (they are made again, the
  // same, when shown again).
  static constexpr std::size_t kRebuildableBudgetBytes = 8u * 1024 * 1024;

  // fontEnum: the installed-font matcher (the program's instance when null).
  explicit C_PDF_Global_Resource_Font(C_PDF_Document& document, C_PDF_FontEnum* fontEnum = nullptr);
  ~C_PDF_Global_Resource_Font() override;

  // The font of a font resource value (a reference or a dictionary). Never null.
  S_FixedPosSize_Font* load(const std::string& resourceName, const PdfObject& value);

  // Under memory pressure: empties every font's glyph cache. Fonts stay loaded, since the
  // resource lists of pages and forms point at them.
  void trim(bool force) override;
  // Releases every font, before the document's objects go away.
  void clearContents() override;

  // A page starts to be drawn or scanned: fonts no page since the last kRecentPages showed
  // release what they can make again, least recent first, down to the budget. No font may be in
  // the middle of showing text.
  void beginPage(std::size_t budgetBytes = kRebuildableBudgetBytes);
  // The font shows text on the current page.
  void touch(S_FixedPosSize_Font& font) { font.lastUse = page_; }

  std::unique_ptr<CMaps::ToUnicodeCMap> readToUnicode(const PdfObject& value) override;
  std::shared_ptr<const std::vector<uint8_t>> readProgram(const PdfObject& value) override;

  FontLibrary& library() { return *library_; }
  std::size_t fontCount() const { return byObject_.size() + direct_.size(); }

 private:
  C_PDF_Document& document_;
  C_PDF_FontEnum* fontEnum_;
  // Released after the fonts, whose faces it made.
  std::unique_ptr<FontLibrary> library_;
  std::map<std::pair<int32_t, int32_t>, std::unique_ptr<S_FixedPosSize_Font>> byObject_;
  std::vector<std::unique_ptr<S_FixedPosSize_Font>> direct_;
  // Pages begun so far.
  uint64_t page_ = 0;
};
