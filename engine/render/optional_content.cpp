#include "engine/render/optional_content.h"

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"

namespace {

PdfObject resolvedOrNone(const PdfObject* value, ObjectResolver& resolver) {
  if (!value) return PdfObject();
  try {
    return resolver.resolve(*value);
  } catch (const C_PDF_Exception&) {
    return PdfObject();
  }
}

}  // namespace

OptionalContent::OptionalContent(const C_PDF_Document& document) {
  const CatalogRecord* catalog = document.catalog();
  ObjectResolver* resolver = document.resolver();
  if (!catalog || !resolver) return;
  PdfObject properties = resolvedOrNone(catalog->catalog.lookup("OCProperties"), *resolver);
  if (!properties.isDictionary()) return;
  PdfObject config = resolvedOrNone(properties.lookup("D"), *resolver);
  if (!config.isDictionary()) return;
  auto references = [&](const PdfObject* value, auto&& each) {
    PdfObject array = resolvedOrNone(value, *resolver);
    int count = 0;
    for (const PdfObject& e : array.elements)
      if (e.isReference() && count++ < kMaxGroups) each(e.objectNumber);
  };
  const PdfObject* base = config.lookup("BaseState");
  if (base && base->isName("OFF")) {
    references(properties.lookup("OCGs"), [&](int32_t n) { off_.insert(n); });
    references(config.lookup("ON"), [&](int32_t n) { off_.erase(n); });
  } else {
    references(config.lookup("OFF"), [&](int32_t n) { off_.insert(n); });
  }
}

bool OptionalContent::groupOff(const PdfObject& group) const {
  return group.isReference() && off_.count(group.objectNumber) > 0;
}

bool OptionalContent::hides(const PdfObject& value, ObjectResolver& resolver) const {
  if (off_.empty()) return false;
  if (groupOff(value)) return true;
  PdfObject d = resolvedOrNone(&value, resolver);
  const PdfObject* type = d.lookup("Type");
  if (!type || !type->isName("OCMD")) return false;
  // A membership dictionary: its groups under its policy (AnyOn unless said otherwise).
  const PdfObject* groups = d.lookup("OCGs");
  if (!groups) return false;
  PdfObject list = groups->isReference() ? resolvedOrNone(groups, resolver) : *groups;
  std::vector<bool> states;
  if (list.isArray()) {
    for (const PdfObject& g : list.elements)
      if (g.isReference() && states.size() < size_t(kMaxGroups)) states.push_back(!groupOff(g));
  } else {
    states.push_back(!groupOff(*groups));  // a single group
  }
  if (states.empty()) return false;
  int on = 0;
  for (bool s : states) on += s;
  const int count = static_cast<int>(states.size());
  const PdfObject* policy = d.lookup("P");
  if (policy && policy->isName("AllOn")) return on != count;
  if (policy && policy->isName("AnyOff")) return on == count;
  if (policy && policy->isName("AllOff")) return on != 0;
  return on == 0;
}
