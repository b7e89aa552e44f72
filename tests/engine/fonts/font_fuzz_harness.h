#pragma once
// The work of the font-loading and text-showing fuzz targets, shared with the tests that replay
// what they found. Each run traps when a result breaks its contract.

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/document/lex_source.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/pdf_lexer.h"
#include "engine/document/trailer_info.h"
#include "engine/document/xref_table.h"
#include "tests/support/pdf_builder.h"
#include "engine/fonts/font_loader.h"
#include "engine/fonts/glyph_lookup.h"
#include "engine/render/devices/cairo_device.h"
#include "engine/render/devices/glyph_painter.h"
#include "engine/fonts/unicode_mapping.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "fuzz/pdf_text_input.h"
#include "platform/fonts/font_enum.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphics.h"

namespace font_fuzz {

inline void check(bool condition) {
  if (!condition) __builtin_trap();
}

// Inputs larger than this are not tried: they only slow the search down.
inline constexpr std::size_t kMaxInput = 1u << 20;
// Codes of each font drawn per transform.
inline constexpr int kCodesPerTransform = 48;

inline void checkText(const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    check(u >= 32);
    if (u >= 0xD800 && u <= 0xDBFF) {
      check(i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF);
      ++i;
    } else {
      check(!(u >= 0xDC00 && u <= 0xDFFF));
    }
  }
}

// Draws codes of the font under several glyph transforms: upright, turned, tiny, huge enough
// to be filled as an outline, and skewed.
// Returns a digest of the pixels drawn and the text found.
inline uint64_t drawSomeGlyphs(S_FixedPosSize_Font& font, const uint8_t* data, std::size_t size) {
  uint64_t digest = 1469598103934665603ull;
  auto mix = [&digest](uint64_t v) { digest = (digest ^ v) * 1099511628211ull; };
  brevia::gfx::Bitmap bitmap(48, 48);
  CairoDevice graphics(bitmap);
  const std::array<std::array<double, 4>, 5> transforms{
      {{12, 0, 0, -12}, {10, -6, -6, -10}, {0.3, 0, 0, -0.3}, {3000, 0, 0, -3000}, {20, 0, 9, -5}}};
  for (const auto& t : transforms) {
    const double pixelSize = std::sqrt(std::fabs(t[0] * t[3] - t[1] * t[2]));
    GlyphPainter painter(&graphics, font, t, pixelSize, 0xFF102030);
    for (int i = 0; i < kCodesPerTransform; ++i) {
      uint8_t code[2] = {static_cast<uint8_t>(size ? data[(i * 31) % size] : i),
                         static_cast<uint8_t>(i * 37)};
      uint32_t key = code[0];
      uint32_t glyph = 0;
      int length = 1;
      if (font.kind == FontKind::Type0) {
        length = 2;
        key = cidOfCode(font, code, 2);
        glyph = glyphForCid(font, static_cast<uint16_t>(key));
      } else if (font.kind != FontKind::Type3 && font.kind != FontKind::None) {
        glyph = glyphForCode(font, code[0]);
      }
      GlyphPainter::learnWidth(font, key, glyph);
      const double width = font.width(key);
      check(!std::isnan(width));
      const double x = 4 + (i % 5) * 7.3, y = 30 + (i % 3) * 0.4;
      if (!painter.drawCached(key, x, y)) painter.drawGlyph(key, glyph, x, y);
      std::u16string text;
      unicodeOfCode(font, code, length, text);
      checkText(text);
      for (char16_t u : text) mix(u);
    }
  }
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x) mix(bitmap.colourAt(x, y));
  return digest;
}

// The input is PDF text: a font value first (a reference or a dictionary), then the objects it
// refers to ("5 0 obj ... endobj", streams with font programs among them), found by the
// document's reconstruction scan.
// A font loaded from such text, with the library its face belongs to (released after it).
// Reads released parts again through the input's resolver, as the document's font cache does.
class InputParts : public FontPartsSource {
 public:
  InputParts(ObjectResolver& resolver, FontLibrary& library)
      : resolver_(resolver), library_(library) {}
  std::unique_ptr<CMaps::ToUnicodeCMap> readToUnicode(const PdfObject& value) override {
    return FontLoader(resolver_, library_, C_PDF_FontEnum::instance()).readToUnicode(value);
  }
  std::shared_ptr<const std::vector<uint8_t>> readProgram(const PdfObject& value) override {
    return FontLoader(resolver_, library_, C_PDF_FontEnum::instance()).readProgram(value);
  }

 private:
  ObjectResolver& resolver_;
  FontLibrary& library_;
};

// Released in reverse order: the font before the parts source and input it reads from.
struct LoadedFont {
  std::unique_ptr<FontLibrary> library = std::make_unique<FontLibrary>();
  std::unique_ptr<PdfTextInput> input;
  std::unique_ptr<InputParts> parts;
  std::unique_ptr<S_FixedPosSize_Font> font;
};

// rebuildable: loaded as the document's font cache loads fonts, able to release its parts.
inline LoadedFont loadFontText(const uint8_t* data, std::size_t size, bool rebuildable = false) {
  LoadedFont loaded;
  loaded.input = std::make_unique<PdfTextInput>(data, size);
  if (rebuildable)
    loaded.parts = std::make_unique<InputParts>(loaded.input->resolver(), *loaded.library);
  FontLoader loader(loaded.input->resolver(), *loaded.library, C_PDF_FontEnum::instance(),
                    loaded.parts.get());
  loaded.font = loader.load(loaded.input->value);
  return loaded;
}

inline void runFontLoadInput(const uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return;
  LoadedFont loaded = loadFontText(data, size);
  std::unique_ptr<S_FixedPosSize_Font>& font = loaded.font;
  check(font != nullptr);
  check(font->glyphCache.size() <= static_cast<std::size_t>(S_FixedPosSize_Font::kGlyphCacheSlots));
  for (uint32_t cid : {0u, 1u, 0xFFFFu}) {
    const VerticalMetrics::Metric m = font->verticalMetrics.of(static_cast<uint16_t>(cid), 1000);
    check(std::isfinite(m.advance) && std::isfinite(m.vx) && std::isfinite(m.vy));
  }
  drawSomeGlyphs(*font, data, size);
  if (font->descendant) drawSomeGlyphs(*font->descendant, data, size);

  // Released and made again, a font draws the same pixels and finds the same text.
  LoadedFont again = loadFontText(data, size, true);
  check(again.font != nullptr);
  const uint64_t first = drawSomeGlyphs(*again.font, data, size);
  again.font->releaseRebuildable();
  check(drawSomeGlyphs(*again.font, data, size) == first);
}

// A page whose content is the input, drawn with fixed fonts: a standard-14 font, a Type0 font
// with a ToUnicode CMap, a Type 3 font, an embedded symbolic font, and a Type0 font written top to
// bottom.
inline std::string textShowDocument(const uint8_t* content, std::size_t size) {
  static const std::string program = [] {
    // A small program keeps each run quick.
    std::optional<S_SystemFontData> data = C_PDF_FontEnum::instance().systemFontData("Symbol");
    return data && !data->collection ? std::string(data->bytes.begin(), data->bytes.end())
                                     : std::string("x");
  }();
  auto stream = [](const std::string& data) {
    return "<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
  };
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << /Font "
      "<< /F1 5 0 R /F2 6 0 R /F3 9 0 R /F4 10 0 R /F5 13 0 R >> >> >>",
      stream(std::string(reinterpret_cast<const char*>(content), size)),
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      "<< /Type /Font /Subtype /Type0 /BaseFont /Arial /Encoding /Identity-H /DescendantFonts [7 0 "
      "R] "
      "/ToUnicode 8 0 R >>",
      "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Arial /DW 600 /W [3 [250 300] 10 20 500] "
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor "
      "11 0 R >>",
      stream("begincmap 1 begincodespacerange <0000> <FFFF> endcodespacerange 1 beginbfrange "
             "<0000> <00FF> <0020> endbfrange 1 beginbfchar <0100> <D83DDE00> endbfchar endcmap"),
      "<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /FontBBox [0 0 1000 1000] "
      "/CharProcs << >> /Encoding << /Differences [32 /space /a /b] >> /FirstChar 32 /LastChar 34 "
      "/Widths [250 500 600] >>",
      "<< /Type /Font /Subtype /TrueType /BaseFont /Sans /FontDescriptor 11 0 R >>",
      "<< /Type /FontDescriptor /FontName /Sans /Flags 4 /FontFile2 12 0 R >>",
      stream(program),
      // Written top to bottom.
      "<< /Type /Font /Subtype /Type0 /BaseFont /Sans /Encoding /Identity-V /DescendantFonts "
      "[14 0 R] >>",
      "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Sans /DW 1000 /DW2 [880 -1000] /W2 [3 "
      "[-500 250 800] 10 20 -900 450 850] /FontDescriptor 11 0 R >>",
  };
  testing_pdf::PdfBuilder builder;
  for (const std::string& object : objects) builder.add(object);
  return builder.build("/Root 1 0 R");
}

inline void runTextShowInput(const uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return;
  static const std::string path = [] {
    std::string pattern = "/tmp/brevia-text-fuzz-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) ::close(fd);
    return pattern;
  }();
  const std::string file = textShowDocument(data, size);
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
  }
  C_PDF_Document document;
  try {
    if (!document.open(path, "")) return;
    C_PDF_Creator creator(document);
    C_PDF_Draw draw(document, creator);
    // The text alone, without a painter; then the page is parsed again so that drawing it
    // collects its text once more.
    (void)draw.collectPageText(1);
    creator.evict(1);
    brevia::gfx::Bitmap bitmap(200, 200);
    draw.drawPage(1, 1, bitmap, 0, 20, 200, 200, 1, 0, 0, 0, 0, 0, 0);
    // Again at another scale: the glyph caches are remade, the text is not collected twice.
    brevia::gfx::Bitmap larger(500, 500);
    draw.drawPage(1, 1, larger, 0, 20, 200, 200, 2.5, 0, 0, 0, 0, 0, 0);
  } catch (const C_PDF_Exception&) {
  }
}

}  // namespace font_fuzz
