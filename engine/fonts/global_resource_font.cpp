#include "engine/fonts/global_resource_font.h"

#include "engine/document/pdf_document.h"
#include "engine/fonts/font_loader.h"
#include "engine/messages/message_catalogue.h"
#include "engine/messages/message_listener.h"
#include "platform/fonts/font_enum.h"

namespace Messages = Corvalis::PDFConverter::Messages;

C_PDF_Global_Resource_Font::C_PDF_Global_Resource_Font(C_PDF_Document& document,
                                                       C_PDF_FontEnum* fontEnum)
    : document_(document), fontEnum_(fontEnum), library_(std::make_unique<FontLibrary>()) {}

C_PDF_Global_Resource_Font::~C_PDF_Global_Resource_Font() {
  // Faces before the library that made them.
  clearContents();
  library_.reset();
}

S_FixedPosSize_Font* C_PDF_Global_Resource_Font::load(const std::string&, const PdfObject& value) {
  std::pair<int32_t, int32_t> key;
  if (value.isReference()) {
    key = {value.objectNumber, value.generation};
    auto it = byObject_.find(key);
    if (it != byObject_.end()) return it->second.get();
  }
  if (!library_->get() && !library_->reported) {
    // Without FreeType fonts have no faces; text still advances and is collected.
    library_->reported = 1;
    Messages::ReportWithArgument(Messages::kMsgFatalInternal, 0, "14");
  }
  ObjectResolver* resolver = document_.resolver();
  std::unique_ptr<S_FixedPosSize_Font> font;
  if (resolver) {
    FontLoader loader(*resolver, *library_, fontEnum_ ? *fontEnum_ : C_PDF_FontEnum::instance());
    font = loader.load(value);
  } else {
    font = std::make_unique<S_FixedPosSize_Font>();
  }
  S_FixedPosSize_Font* loaded = font.get();
  if (value.isReference()) {
    byObject_[key] = std::move(font);
  } else {
    direct_.push_back(std::move(font));
  }
  return loaded;
}

void C_PDF_Global_Resource_Font::trim(bool) {
  for (auto& [key, font] : byObject_) font->clearGlyphCache();
  for (auto& font : direct_) font->clearGlyphCache();
}

void C_PDF_Global_Resource_Font::clearContents() {
  byObject_.clear();
  direct_.clear();
}
