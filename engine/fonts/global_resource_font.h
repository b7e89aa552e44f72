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

class C_PDF_Global_Resource_Font : public IDocumentFontCache {
 public:
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

  FontLibrary& library() { return *library_; }
  std::size_t fontCount() const { return byObject_.size() + direct_.size(); }

 private:
  C_PDF_Document& document_;
  C_PDF_FontEnum* fontEnum_;
  // Released after the fonts, whose faces it made.
  std::unique_ptr<FontLibrary> library_;
  std::map<std::pair<int32_t, int32_t>, std::unique_ptr<S_FixedPosSize_Font>> byObject_;
  std::vector<std::unique_ptr<S_FixedPosSize_Font>> direct_;
};
