#pragma once
// Helpers of the font and text tests: documents with font objects, embedded programs taken from
// the installed fonts, the records a drawn page collects, and a listener for engine messages.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/document/pdf_document.h"
#include "engine/fonts/global_resource_font.h"
#include "engine/layout/page_text_collector.h"
#include "engine/messages/message_listener.h"
#include "engine/render/resource_list.h"
#include "platform/fonts/font_enum.h"
#include "tests/engine/render/page_fixture.h"
#include "tests/support/pdf_builder.h"

namespace font_testing {

// The whole font file of an installed face ("Arial" is Liberation Sans here); empty when missing.
inline std::string systemFont(const char* face) {
  std::optional<S_SystemFontData> data = C_PDF_FontEnum::instance().systemFontData(face);
  if (!data || data->collection) return {};
  return std::string(data->bytes.begin(), data->bytes.end());
}

// Records the engine's messages.
class Messages : public Corvalis::PDFConverter::Messages::IMessageListener {
 public:
  Messages() { Corvalis::PDFConverter::Messages::SetMessageListener(this); }
  ~Messages() override { Corvalis::PDFConverter::Messages::SetMessageListener(nullptr); }
  void Notify(int, const std::string& text) override { notes.push_back(text); }
  bool InteractiveQuery() override { return false; }
  int Ask(int, int, const std::string&) override {
    return Corvalis::PDFConverter::Messages::kAnswerNo;
  }
  int count(const std::string& part) const {
    int n = 0;
    for (const std::string& note : notes) n += note.find(part) != std::string::npos;
    return n;
  }
  std::vector<std::string> notes;
};

// A document of the builder's objects (1 to 3 are the catalog, pages and page).
struct FontDocument {
  std::unique_ptr<C_PDF_Document> document;
  std::unique_ptr<C_PDF_Global_Resource_Font> cache;

  S_FixedPosSize_Font* load(int objectNumber) {
    PdfObject reference(PdfObjectKind::Reference);
    reference.objectNumber = objectNumber;
    reference.generation = 0;
    return cache->load("F", reference);
  }
};

inline FontDocument openFonts(testing_pdf::PdfBuilder builder) {
  builder.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  builder.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  builder.set(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>");
  FontDocument d;
  d.document = std::make_unique<C_PDF_Document>();
  d.document->open(testing_pdf::writeTempFile(builder.build("/Root 1 0 R"), "fonts.pdf"), "");
  d.cache = std::make_unique<C_PDF_Global_Resource_Font>(*d.document);
  return d;
}

// A page drawn at 72 dpi with the records its text collected.
struct ShownPage {
  testing_render::DrawnPage page;
  std::vector<CollectedGlyph> glyphs;

  std::u16string text() const {
    std::u16string t;
    for (const CollectedGlyph& g : glyphs) t.push_back(g.unit);
    return t;
  }
  S_FixedPosSize_Font* font(const std::string& name) const {
    const C_PDF_PageTreeNode_or_Page* node = page.document->findPage(1, false);
    auto* resources = dynamic_cast<const ResourceList*>(node->resourceList.get());
    return resources ? resources->font(name) : nullptr;
  }
  // Pixels of the rectangle that are not white.
  int ink(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += page.at(x, y) != 0xFFFFFFFFu;
    return n;
  }
};

// Draws content on a 200 × 100 page whose font resources are fontEntries (e.g. "/F1 5 0 R").
inline ShownPage showContent(const std::string& content, const std::string& fontEntries,
                             testing_pdf::PdfBuilder builder, int width = 200, int height = 100) {
  ShownPage shown;
  setPageTextObserver([&](const std::vector<CollectedGlyph>& glyphs) { shown.glyphs = glyphs; });
  shown.page = testing_render::drawContent(content, width, height,
                                           "/Resources << /Font << " + fontEntries + " >> >>",
                                           std::move(builder));
  setPageTextObserver(nullptr);
  return shown;
}

// An embedded TrueType font (object number n, program object n + 1) without Widths unless given.
inline void addTrueType(testing_pdf::PdfBuilder& builder, int n, const std::string& program,
                        const std::string& extra = "", int flags = 32) {
  builder.set(n, "<< /Type /Font /Subtype /TrueType /BaseFont /LiberationSans " + extra +
                     " /FontDescriptor " + std::to_string(n + 1) + " 0 R >>");
  builder.set(n + 1, "<< /Type /FontDescriptor /FontName /LiberationSans /Flags " +
                         std::to_string(flags) + " /FontFile2 " + std::to_string(n + 2) +
                         " 0 R >>");
  builder.setStream(n + 2, "", program);
}

}  // namespace font_testing
