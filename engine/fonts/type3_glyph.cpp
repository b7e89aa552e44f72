// Drawing the glyphs of Type 3 fonts: each runs its glyph procedure through the interpreter.

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/fonts/fixed_pos_size_font.h"
#include "engine/fonts/text_shower.h"
#include "engine/render/operator_list.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/resource_list.h"

namespace gfx = brevia::gfx;

namespace {

// Glyph procedures that show Type 3 text deeper than this draw nothing.
constexpr int kMaxType3Nesting = 8;

// The procedure of a glyph name, parsed on first use; null when there is none.
const OperatorList* procedure(S_PDF_Type3_Font& type3, const std::string& name, C_PDF_Draw& draw,
                              const ResourceList* resources) {
  auto found = type3.procedures.find(name);
  if (found != type3.procedures.end()) return found->second.get();
  std::unique_ptr<OperatorList>& slot = type3.procedures[name];
  const PdfObject* value = type3.charProcs.lookup(name);
  if (!value) return nullptr;
  ObjectResolver& resolver = *draw.document().resolver();
  try {
    PdfObject stream = resolver.resolve(*value, true);
    if (!stream.isStream()) return nullptr;
    std::vector<uint8_t> content;
    if (resolver.decodeStream(content, stream) < 0) return nullptr;
    slot = std::make_unique<OperatorList>(draw.creator().parse(content, resources));
  } catch (const C_PDF_Exception&) {
    return nullptr;
  }
  return slot.get();
}

}  // namespace

S_PDF_Type3_Font::S_PDF_Type3_Font() = default;
S_PDF_Type3_Font::~S_PDF_Type3_Font() = default;

void drawType3Glyph(C_PDF_Draw& draw, S_FixedPosSize_Font& font, uint8_t code) {
  S_PDF_Type3_Font* type3 = font.type3.get();
  gfx::Graphics* graphics = draw.graphics();
  if (!type3 || !graphics || draw.type3Depth >= kMaxType3Nesting) return;
  const std::string& name = type3->names[code];
  if (name.empty()) return;

  // The procedure names resources in the font's own Resources when it has them.
  if (!type3->resourcesLoaded) {
    type3->resourcesLoaded = true;
    if (font.type3Resources.kind != PdfObjectKind::None)
      type3->resources = draw.creator().context().loadResources(font.type3Resources);
  }
  const ResourceList* pageResources = draw.resources();
  const ResourceList* resources = type3->resources ? type3->resources.get() : pageResources;
  const OperatorList* list = procedure(*type3, name, draw, resources);
  if (!list) return;

  ++draw.type3Depth;
  draw.saveState();
  // Glyph space: FontMatrix, then the glyph matrix, then the page's transform.
  const TextMatrix& trm = draw.glyphMatrix;
  const auto& fm = type3->fontMatrix;
  const gfx::Matrix glyph{float(trm.a), float(trm.b), float(trm.c), float(trm.d), float(trm.e), float(trm.f)};
  const gfx::Matrix fontMatrix{float(fm[0]), float(fm[1]), float(fm[2]), float(fm[3]), float(fm[4]), float(fm[5])};
  if (glyph.isFinite() && fontMatrix.isFinite()) {
    graphics->multiplyTransform(glyph, gfx::MatrixOrder::Prepend);
    graphics->multiplyTransform(fontMatrix, gfx::MatrixOrder::Prepend);
    draw.state().ctm = graphics->transform();
    draw.setResources(resources);
    for (const OperatorRecord& record : list->records) draw.execute(*list, record);
    draw.setResources(pageResources);
  }
  draw.restoreState();
  --draw.type3Depth;
}
