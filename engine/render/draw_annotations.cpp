// Appearances of a page's annotations, form widgets among them, drawn over the page content:
// the file's appearance streams, or ones built from the annotation's dictionary when it brings
// none.

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/document/object_resolver.h"
#include "engine/document/page_tree.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/forms/built_appearance.h"
#include "engine/forms/decrypted_values.h"
#include "engine/forms/markup_appearance.h"
#include "engine/forms/widget_appearance.h"
#include "engine/render/content_parser.h"
#include "engine/render/operator_list.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/render_context.h"
#include "engine/render/xobject_descriptor.h"
#include "engine/render/xobject_loader.h"

namespace gfx = brevia::gfx;

namespace {

// Annotation flags: Hidden keeps an annotation off screen and paper, NoView off the screen;
// only annotations with Print are printed.
constexpr int kFlagHidden = 1 << 1;
constexpr int kFlagPrint = 1 << 2;
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

// The appearance stream to draw: N itself, or the state AS picks from N's states (without AS,
// the state the field's value names, as writers that leave AS out mean); null when there is
// none.
const PdfObject* normalAppearance(const PdfObject& annotation, const PdfObject& ap,
                                  const AnnotationValues& values, PdfObject& states) {
  const PdfObject* normal = ap.isDictionary() ? ap.lookup("N") : nullptr;
  if (!normal) return nullptr;
  if (normal->isReference() && values.resolve(*normal).isStream()) return normal;
  states = values.resolve(*normal);
  if (!states.isDictionary()) return nullptr;
  PdfObject state =
      annotation.lookup("AS") ? values.resolve(*annotation.lookup("AS")) : PdfObject();
  if (!state.isName()) state = inheritedEntry(annotation, "V", values);
  const PdfObject* stream = state.isName() ? states.lookup(state.text) : nullptr;
  return stream && stream->isReference() ? stream : nullptr;
}

// With NeedAppearances a text field's appearance is built anew unless it is a text field's
// stream that already shows the field's value (a choice field's is always built anew).
bool showsValue(const PdfObject& widget, const PdfObject& ap, const AnnotationValues& values,
                ObjectResolver& resolver) {
  if (!inheritedEntry(widget, "FT", values).isName("Tx")) return false;
  const PdfObject* normal = ap.isDictionary() ? ap.lookup("N") : nullptr;
  const PdfObject stream = normal ? values.resolve(*normal) : PdfObject();
  if (!stream.isStream()) return false;
  std::vector<uint8_t> bytes;
  try {
    if (resolver.decodeStream(bytes, stream) < 0) return false;
  } catch (const C_PDF_Exception&) {
    return false;
  }
  return appearanceShowsValue(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), widget, values);
}

// A form XObject of a built appearance, parsed like the file's own.
std::unique_ptr<XObjectDescriptor> builtForm(const BuiltAppearance& built, C_PDF_Creator& creator,
                                             ObjectResolver& resolver) {
  auto form = std::make_unique<XObjectDescriptor>();
  form->isForm = true;
  for (int i = 0; i < 4; ++i) form->bbox[i] = built.bbox[i];
  for (int i = 0; i < 6; ++i) form->matrix[i] = built.matrix[i];
  RenderContext& context = creator.context();
  if (built.resources.isDictionary()) form->resources = context.loadResources(built.resources);
  const ResourceList* formResources = form->resources.get();
  ContentContext parse;
  parse.resolver = &resolver;
  parse.colourSpace = [formResources, &resolver](const PdfObject& value) {
    return C_PDF_Creator::namedColourSpace(value, formResources, resolver);
  };
  const auto* bytes = reinterpret_cast<const uint8_t*>(built.content.data());
  form->form = std::make_unique<OperatorList>(
      parseContent(std::span<const uint8_t>(bytes, built.content.size()), parse));
  return form;
}

}  // namespace

void C_PDF_Draw::drawAnnotations() {
  // A scan for text runs them too: the text of their appearances (field values, free text) is
  // page text, whether the page was first drawn or first scanned.
  if (!page_ || (!painting() && !textDevice_)) return;
  ObjectResolver& resolver = *document_.resolver();
  PdfObject annots = resolvedOrNone(&page_->Annots, resolver);
  if (!annots.isArray()) return;
  const gfx::Matrix pageCtm = baseCtm_;
  const bool printing = cacheFlag_ == 0;
  // With NeedAppearances the appearances of text and choice fields are built from their values.
  // Strings are read in clear, each with the key of the object that holds it: a field's DA or
  // value may come from its parent or the form dictionary.
  const DecryptedValues values(resolver, document_.xrefTable());
  const FormRecord* formRecord = document_.form();
  PdfObject acroForm;
  const CatalogRecord* catalog = document_.catalog();
  const PdfObject* root = document_.trailerInfo() ? document_.trailerInfo()->Root : nullptr;
  if (catalog && catalog->AcroForm) {
    acroForm = catalog->AcroForm->isReference() || !root
                   ? values.resolve(*catalog->AcroForm)
                   : values.decrypted(*catalog->AcroForm, root->objectNumber, root->generation);
  }
  if (!acroForm.isDictionary() && formRecord) acroForm = formRecord->dictionary;
  const PdfObject need = acroForm.isDictionary()
                             ? resolvedOrNone(acroForm.lookup("NeedAppearances"), resolver)
                             : PdfObject();
  const bool needAppearances = need.kind == PdfObjectKind::Boolean && need.boolValue();
  int drawn = 0;
  for (const PdfObject& entry : annots.elements) {
    if (drawn >= kMaxAnnotations || stopped()) break;
    PdfObject a = resolvedOrNone(&entry, resolver);
    if (!a.isDictionary()) continue;
    const PdfObject* subtype = a.lookup("Subtype");
    if (!subtype || subtype->isName("Popup")) continue;
    const int flags = resolvedOrNone(a.lookup("F"), resolver).intValue();
    if (flags & kFlagHidden) continue;
    if (printing ? !(flags & kFlagPrint) : (flags & kFlagNoView) != 0) continue;
    if (hiddenByOptionalContent(a.lookup("OC"))) continue;
    const std::vector<double> rect = numbers(resolvedOrNone(a.lookup("Rect"), resolver));
    const int32_t number = entry.isReference() ? entry.objectNumber : page_->objectNumber;
    const int32_t generation = entry.isReference() ? entry.generation : 0;
    a = values.decrypted(std::move(a), number, generation);
    const bool widget = subtype->isName("Widget");
    PdfObject ap = resolvedOrNone(a.lookup("AP"), resolver);
    if (widget && needAppearances && isTextField(a, values) && !showsValue(a, ap, values, resolver))
      ap = PdfObject();
    PdfObject states;
    if (const PdfObject* stream = normalAppearance(a, ap, values, states)) {
      XObjectDescriptor* form = loadXObject(*stream, creator_.context(), resources_);
      if (form && form->isForm) {
        ++drawn;
        drawAppearance(*form, rect, pageCtm);
      }
      continue;
    }
    // A markup annotation with appearances, none for its state, shows nothing; a widget whose
    // state has none (or an empty dictionary in its place) is built from its field, as a box
    // with its MK colours and, when on, its check.
    if (!widget && ap.isDictionary() && ap.lookup("N")) continue;
    std::optional<BuiltAppearance> built =
        widget ? buildWidgetAppearance(a, acroForm, values) : buildMarkupAppearance(a, values);
    if (built) {
      std::unique_ptr<XObjectDescriptor> form = builtForm(*built, creator_, resolver);
      ++drawn;
      drawAppearance(*form, rect, pageCtm);
    }
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
