#include "engine/fonts/global_resource_font.h"

#include <algorithm>

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
    Messages::ReportPageFault(Messages::kMsgFatalInternal, 0, "14",
                              "the glyphs of every font: the font library cannot be started");
  }
  ObjectResolver* resolver = document_.resolver();
  std::unique_ptr<S_FixedPosSize_Font> font;
  if (resolver) {
    FontLoader loader(*resolver, *library_, fontEnum_ ? *fontEnum_ : C_PDF_FontEnum::instance(),
                      this);
    font = loader.load(value);
    font->lastUse = page_;
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

void C_PDF_Global_Resource_Font::beginPage(std::size_t budgetBytes) {
  ++page_;
  std::vector<std::pair<S_FixedPosSize_Font*, std::size_t>> old;
  std::size_t total = 0;
  auto consider = [&](S_FixedPosSize_Font& font) {
    if (font.lastUse + kRecentPages > page_) return;
    const std::size_t bytes = font.releasableBytes();
    if (bytes == 0) return;
    old.emplace_back(&font, bytes);
    total += bytes;
  };
  for (auto& [key, font] : byObject_) consider(*font);
  for (auto& font : direct_) consider(*font);
  if (total <= budgetBytes) return;
  std::stable_sort(old.begin(), old.end(), [](const auto& a, const auto& b) {
    return a.first->lastUse < b.first->lastUse;
  });
  for (const auto& [font, bytes] : old) {
    if (total <= budgetBytes) break;
    font->releaseRebuildable();
    total -= bytes;
  }
}

std::unique_ptr<CMaps::ToUnicodeCMap> C_PDF_Global_Resource_Font::readToUnicode(
    const PdfObject& value) {
  ObjectResolver* resolver = document_.resolver();
  if (!resolver) return nullptr;
  FontLoader loader(*resolver, *library_, fontEnum_ ? *fontEnum_ : C_PDF_FontEnum::instance());
  return loader.readToUnicode(value);
}

std::shared_ptr<const std::vector<uint8_t>> C_PDF_Global_Resource_Font::readProgram(
    const PdfObject& value) {
  ObjectResolver* resolver = document_.resolver();
  if (!resolver) return nullptr;
  FontLoader loader(*resolver, *library_, fontEnum_ ? *fontEnum_ : C_PDF_FontEnum::instance());
  return loader.readProgram(value);
}

void C_PDF_Global_Resource_Font::clearContents() {
  byObject_.clear();
  direct_.clear();
}
