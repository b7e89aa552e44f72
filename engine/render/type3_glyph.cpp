// Drawing the glyphs of Type 3 fonts: each runs its glyph procedure through the interpreter.

#include <map>
#include <memory>
#include <string>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/fonts/fixed_pos_size_font.h"
#include "engine/render/operator_list.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/resource_list.h"
#include "engine/render/text_shower.h"

namespace gfx = brevia::gfx;

namespace {

// Glyph procedures that show Type 3 text deeper than this draw nothing.
constexpr int kMaxType3Nesting = 8;

// What drawing keeps in a Type 3 font between its glyphs.
struct Type3Procedures : S_PDF_Type3_Font::DrawCache {
  // Glyph procedures parsed so far, by glyph name (codes naming one glyph share its list); a
  // name without a usable procedure maps to null.
  std::map<std::string, std::unique_ptr<OperatorList>> procedures;
  // The font's own Resources, loaded when a procedure first needs them.
  std::shared_ptr<ResourceList> resources;
  bool resourcesLoaded = false;
};

Type3Procedures& proceduresOf(S_PDF_Type3_Font& type3) {
  if (!type3.drawCache) type3.drawCache = std::make_unique<Type3Procedures>();
  return static_cast<Type3Procedures&>(*type3.drawCache);
}

// The procedure of a glyph name, parsed on first use; null when there is none.
const OperatorList* procedure(S_PDF_Type3_Font& type3, Type3Procedures& cache,
                              const std::string& name, C_PDF_Draw& draw,
                              const ResourceList* resources) {
  auto found = cache.procedures.find(name);
  if (found != cache.procedures.end()) return found->second.get();
  std::unique_ptr<OperatorList>& slot = cache.procedures[name];
  const PdfObject* value = type3.charProcs.lookup(name);
  if (!value) return nullptr;
  ObjectResolver& resolver = *draw.document().resolver();
  try {
    PdfObject stream = resolver.resolve(*value);
    if (!stream.isStream()) return nullptr;
    std::vector<uint8_t> content;
    if (resolver.decodeStream(content, stream) < 0) return nullptr;
    slot = std::make_unique<OperatorList>(draw.creator().parse(content, resources));
  } catch (const C_PDF_Exception&) {
    return nullptr;
  }
  return slot.get();
}

bool isColourOperator(int32_t code) {
  switch (code) {
    case kOp_CS:
    case kOp_cs:
    case kOp_SC:
    case kOp_SCN:
    case kOp_sc:
    case kOp_scn:
    case kOp_G:
    case kOp_g:
    case kOp_RG:
    case kOp_rg:
    case kOp_K:
    case kOp_k:
      return true;
    default:
      return false;
  }
}

// A procedure that starts with d1 describes a shape only: it is painted in the text colour.
bool shapeOnly(const OperatorList& list) {
  for (const OperatorRecord& record : list.records) {
    if (record.code == kOp_d1) return true;
    if (record.code == kOp_d0) return false;
  }
  return false;
}

}  // namespace

void drawType3Glyph(C_PDF_Draw& draw, S_FixedPosSize_Font& font, uint8_t code) {
  S_PDF_Type3_Font* type3 = font.type3.get();
  if (!type3 || draw.text().type3Depth >= kMaxType3Nesting) return;
  const std::string& name = type3->names[code];
  if (name.empty()) return;

  // The procedure names resources in the font's own Resources when it has them.
  Type3Procedures& cache = proceduresOf(*type3);
  if (!cache.resourcesLoaded) {
    cache.resourcesLoaded = true;
    if (font.type3Resources.kind != PdfObjectKind::None)
      cache.resources = draw.creator().context().loadResources(font.type3Resources);
  }
  const ResourceList* pageResources = draw.resources();
  const ResourceList* resources = cache.resources ? cache.resources.get() : pageResources;
  const OperatorList* list = procedure(*type3, cache, name, draw, resources);
  if (!list) return;

  ++draw.text().type3Depth;
  draw.saveState();
  // Glyph space: FontMatrix, then the glyph matrix, then the page's transform.
  const TextMatrix& trm = draw.text().glyph;
  const auto& fm = type3->fontMatrix;
  const gfx::Matrix glyph{float(trm.a), float(trm.b), float(trm.c),
                          float(trm.d), float(trm.e), float(trm.f)};
  const gfx::Matrix fontMatrix{float(fm[0]), float(fm[1]), float(fm[2]),
                               float(fm[3]), float(fm[4]), float(fm[5])};
  if (glyph.isFinite() && fontMatrix.isFinite()) {
    PageSpace& space = draw.space();
    space.multiplyTransform(glyph);
    space.multiplyTransform(fontMatrix);
    draw.state().ctm = space.transform();
    draw.setResources(resources);
    const ResourceList* showing = draw.text().type3ShowingResources;
    if (resources != pageResources) draw.text().type3ShowingResources = pageResources;
    const bool shape = shapeOnly(*list);
    for (const OperatorRecord& record : list->records) {
      if (shape && isColourOperator(record.code)) continue;
      draw.execute(*list, record);
    }
    draw.text().type3ShowingResources = showing;
    draw.setResources(pageResources);
  }
  draw.restoreState();
  --draw.text().type3Depth;
}
