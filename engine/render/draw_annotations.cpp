// Appearance streams of a page's annotations (not form widgets, which the viewer's form overlay
// shows), drawn over the page content.

#include <algorithm>
#include <cmath>

#include "engine/document/object_resolver.h"
#include "engine/document/page_tree.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/xobject_descriptor.h"
#include "engine/render/xobject_loader.h"

namespace gfx = brevia::gfx;

namespace {

// Annotation flags that keep an annotation off the screen.
constexpr int kFlagHidden = 1 << 1;
constexpr int kFlagNoView = 1 << 5;

PdfObject resolvedOrNone(const PdfObject* value, ObjectResolver& resolver) {
  if (!value) return PdfObject();
  try {
    return resolver.resolve(*value);
  } catch (const C_PDF_Exception&) {
    return PdfObject();
  }
}

std::vector<double> numbers(const PdfObject& array) {
  std::vector<double> out;
  for (const PdfObject& e : array.elements)
    if (e.isNumber()) out.push_back(e.realValue());
  return out;
}

}  // namespace

void C_PDF_Draw::drawAnnotations() {
  if (!page_ || !graphics_ || flags_.skipPainting) return;
  ObjectResolver& resolver = *document_.resolver();
  PdfObject annots = resolvedOrNone(&page_->Annots, resolver);
  if (!annots.isArray()) return;
  const gfx::Matrix pageCtm = baseCtm_;
  int drawn = 0;
  for (const PdfObject& entry : annots.elements) {
    if (drawn >= kMaxAnnotations) break;
    PdfObject a = resolvedOrNone(&entry, resolver);
    if (!a.isDictionary()) continue;
    const PdfObject* subtype = a.lookup("Subtype");
    if (!subtype || subtype->isName("Widget") || subtype->isName("Popup")) continue;
    const int flags = resolvedOrNone(a.lookup("F"), resolver).intValue();
    if (flags & (kFlagHidden | kFlagNoView)) continue;
    PdfObject ap = resolvedOrNone(a.lookup("AP"), resolver);
    const PdfObject* normal = ap.isDictionary() ? ap.lookup("N") : nullptr;
    if (!normal) continue;
    // The normal appearance, or the one of the annotation's state.
    const PdfObject* stream = normal;
    if (!normal->isReference() || !resolvedOrNone(normal, resolver).isStream()) {
      PdfObject states = resolvedOrNone(normal, resolver);
      const PdfObject* state = a.lookup("AS");
      stream =
          states.isDictionary() && state && state->isName() ? states.lookup(state->text) : nullptr;
      if (!stream) continue;
      PdfObject copy = *stream;
      if (!copy.isReference()) continue;
      XObjectDescriptor* form = loadXObject(copy, creator_.context(), resources_);
      if (form && form->isForm) {
        ++drawn;
        drawAppearance(*form, numbers(resolvedOrNone(a.lookup("Rect"), resolver)), pageCtm);
      }
      continue;
    }
    XObjectDescriptor* form = loadXObject(*stream, creator_.context(), resources_);
    if (!form || !form->isForm) continue;
    ++drawn;
    drawAppearance(*form, numbers(resolvedOrNone(a.lookup("Rect"), resolver)), pageCtm);
  }
}

// The form's BBox, through its Matrix, is fitted onto the annotation's Rect.
void C_PDF_Draw::drawAppearance(XObjectDescriptor& form, const std::vector<double>& rect,
                                const gfx::Matrix& pageCtm) {
  if (rect.size() < 4) return;
  const auto& b = form.bbox;
  const auto& m = form.matrix;
  double xs[4], ys[4];
  const double corners[4][2] = {{b[0], b[1]}, {b[2], b[1]}, {b[2], b[3]}, {b[0], b[3]}};
  for (int i = 0; i < 4; ++i) {
    xs[i] = m[0] * corners[i][0] + m[2] * corners[i][1] + m[4];
    ys[i] = m[1] * corners[i][0] + m[3] * corners[i][1] + m[5];
  }
  const double bx0 = *std::min_element(xs, xs + 4), bx1 = *std::max_element(xs, xs + 4);
  const double by0 = *std::min_element(ys, ys + 4), by1 = *std::max_element(ys, ys + 4);
  const double rx0 = std::min(rect[0], rect[2]), rx1 = std::max(rect[0], rect[2]);
  const double ry0 = std::min(rect[1], rect[3]), ry1 = std::max(rect[1], rect[3]);
  const double sx = bx1 > bx0 ? (rx1 - rx0) / (bx1 - bx0) : 1,
               sy = by1 > by0 ? (ry1 - ry0) / (by1 - by0) : 1;
  const gfx::Matrix fit(float(sx), 0, 0, float(sy), float(rx0 - bx0 * sx), float(ry0 - by0 * sy));
  if (!fit.isFinite()) return;
  saveState();
  gfx::Matrix ctm = pageCtm;
  ctm.multiply(fit, gfx::MatrixOrder::Prepend);
  space_.setTransform(ctm);
  state_->ctm = ctm;
  drawForm(form);
  restoreState();
}
