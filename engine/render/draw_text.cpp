// Text showing of C_PDF_Draw: the font a Tf name selects, the show operators and the end of the
// page's text collection.

#include "engine/layout/page_text_layout.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/resource_list.h"
#include "engine/render/text_shower.h"

S_FixedPosSize_Font* C_PDF_Draw::findFont(const std::string& name) {
  return resources_ ? resources_->font(name) : nullptr;
}

void C_PDF_Draw::showText(const PdfObject& array) { TextShower(*this).show(array); }

void C_PDF_Draw::finishPageText(S_PDF_PageEx& page) {
  if (page.layout && !page.layout->built()) {
    orderAlongBaselines(collectedGlyphs);
    if (const PageTextObserver& observer = pageTextObserver()) observer(collectedGlyphs);
    page.layout->build(collectedGlyphs);
  }
  collectedGlyphs.clear();
}
