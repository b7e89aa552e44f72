// Arbitrary glyph records through the page text layout, its export and a search over the runs;
// the same bytes as shown codes through the page text collector.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/layout/page_text_collector.h"
#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_export.h"
#include "engine/layout/text_search.h"

namespace {

// Each record takes 12 bytes: unit, x, y, width, height, orientation, font index.
constexpr std::size_t kRecordBytes = 12;

float coordinate(const uint8_t* p) { return float(int16_t(p[0] << 8 | p[1])) / 16.0f; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<CollectedGlyph> glyphs;
  static const int kOrientations[] = {0, 90, 180, 270, 45, 300, 0, 0};
  for (std::size_t at = 0; at + kRecordBytes <= size; at += kRecordBytes) {
    const uint8_t* r = data + at;
    CollectedGlyph g;
    g.unit = char16_t(r[0] << 8 | r[1]);
    g.x = coordinate(r + 2);
    g.y = coordinate(r + 4);
    g.width = r[6] / 8.0f;
    g.height = r[7] / 4.0f;
    g.orientation = kOrientations[r[8] & 7];
    g.sequence = int32_t(at / kRecordBytes);
    glyphs.push_back(g);
  }
  // The records again as shown codes of one or two units under a clip that the bytes place.
  PageTextCollector collector(double(1 + (size & 3)));
  for (std::size_t at = 0; at + kRecordBytes <= size; at += kRecordBytes) {
    const uint8_t* r = data + at;
    const char16_t units[2] = {char16_t(r[0] << 8 | r[1]), char16_t(r[10] << 8 | r[11])};
    ShownGlyph shown;
    shown.text = std::u16string_view(units, 1 + (r[9] & 1));
    shown.originX = coordinate(r + 2) * 4;
    shown.originY = coordinate(r + 4) * 4;
    shown.advance = (int8_t(r[6]) / 4.0) * (r[9] & 2 ? 1e12 : 1);
    shown.height = r[7] / 2.0;
    shown.orientation = kOrientations[r[8] & 7] + (r[8] >> 3);
    shown.clipLeft = coordinate(r + 10);
    shown.clipTop = -coordinate(r + 10);
    shown.clipRight = shown.clipLeft + r[11] * 4;
    shown.clipBottom = shown.clipTop + r[10] * 4;
    shown.sequence = int32_t(at / kRecordBytes);
    collector.add(shown);
  }
  PageTextLayout scanned;
  collector.finish(scanned);
  (void)text_export::pageText(scanned);

  PageTextLayout layout;
  layout.build(glyphs);
  (void)text_export::pageText(layout);
  if (TextRun* first = layout.firstRun()) {
    TextSearch search(u"a b", false);
    int32_t index = 0;
    TextRun* run = first;
    for (int i = 0; i < 100; ++i) {
      auto hit = search.findForward(run, index);
      if (!hit) break;
      markHit(*hit);
      run = hit->endRun;
      index = hit->end + 1;
    }
    (void)search.findBackward(layout.lastRun(), 1 << 20);
    // A phrase with a ligature and ß, which read as several letters on both sides.
    TextSearch expanding(u"\uFB03 \u00DF", false);
    (void)expanding.findForward(first, 0);
    (void)expanding.findBackward(layout.lastRun(), 1 << 20);
    clearMarks(first, layout.lastRun());
  }
  return 0;
}
