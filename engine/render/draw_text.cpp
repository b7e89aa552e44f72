// Text showing of C_PDF_Draw: the font a Tf name selects and the show operators.

#include "engine/render/pdf_draw.h"
#include "engine/render/resource_list.h"
#include "engine/render/text_shower.h"

S_FixedPosSize_Font* C_PDF_Draw::findFont(const std::string& name) {
  S_FixedPosSize_Font* font = resources_ ? resources_->font(name) : nullptr;
  if (!font && text_.type3ShowingResources) font = text_.type3ShowingResources->font(name);
  return font;
}

void C_PDF_Draw::showText(const PdfObject& array) { TextShower(*this).show(array); }
