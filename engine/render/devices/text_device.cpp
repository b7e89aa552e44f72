#include "engine/render/devices/text_device.h"

void TextDevice::showText(const TextShow& show) {
  // Invisible text is taken too: it is the text layer of scanned pages.
  if (show.rotated || show.inGlyphProcedure) return;
  collector_.add(show.glyph);
}
