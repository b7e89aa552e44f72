#pragma once
// TextDevice: the page's text, from the codes the interpreter shows. Paints nothing.

#include "engine/layout/page_text_collector.h"
#include "engine/render/devices/device.h"

class PageTextLayout;

class TextDevice : public Device {
 public:
  bool paints() const override { return false; }

  // Starts a page whose device pixels are scale times its units.
  void begin(double scale) { collector_.begin(scale); }
  void showText(const TextShow& show) override;
  // Builds the page's text into layout.
  void finish(PageTextLayout& layout) { collector_.finish(layout); }

 private:
  PageTextCollector collector_;
};
