#include "engine/document/link_annotation.h"

#include <algorithm>
#include <cmath>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"

namespace {

LinkTarget::Kind kindOf(const PdfObject* s) {
  using Kind = LinkTarget::Kind;
  if (!s || !s->isName()) return Kind::None;
  if (s->text == "GoTo") return Kind::GoTo;
  if (s->text == "URI") return Kind::URI;
  if (s->text == "Named") return Kind::Named;
  if (s->text == "GoToR" || s->text == "GoToE") return Kind::GoToRemote;
  if (s->text == "Launch") return Kind::Launch;
  if (s->text == "JavaScript") return Kind::JavaScript;
  return Kind::Other;
}

}  // namespace

LinkTarget readLinkAction(const PdfObject& value, ObjectResolver& resolver,
                          DestinationReader& destinations, int32_t ownerNumber,
                          int32_t ownerGeneration) {
  LinkTarget target;
  try {
    PdfObject storage;
    const PdfObject& action = resolver.resolved(value, storage);
    if (!action.isDictionary()) return target;
    const int32_t number = value.isReference() ? value.objectNumber : ownerNumber;
    const int32_t generation = value.isReference() ? value.generation : ownerGeneration;
    target.kind = kindOf(action.lookup("S"));
    switch (target.kind) {
      case LinkTarget::Kind::GoTo:
        if (const PdfObject* d = action.lookup("D"))
          target.destination = destinations.read(*d, number, generation);
        break;
      case LinkTarget::Kind::URI:
        if (const PdfObject* uri = action.lookup("URI")) {
          PdfObject uriStorage;
          const PdfObject& u = resolver.resolved(*uri, uriStorage);
          if (u.isString()) {
            const std::string text =
                uri->isReference() ? documentString(u, resolver, uri->objectNumber, uri->generation)
                                   : documentString(u, resolver, number, generation);
            for (char c : text) {
              if (target.uri.size() >= kMaxUriLength) break;
              if (static_cast<uint8_t>(c) > 32 && c != 0x7F) target.uri.push_back(c);
            }
          }
        }
        break;
      case LinkTarget::Kind::Named:
        if (const PdfObject* n = action.lookup("N"); n && n->isName()) target.name = n->text;
        break;
      default:
        break;
    }
  } catch (const C_PDF_Exception&) {
  }
  return target;
}

std::vector<LinkAnnotation> readPageLinks(const PdfObject& annotsValue, ObjectResolver& resolver,
                                          DestinationReader& destinations) {
  std::vector<LinkAnnotation> links;
  PdfObject annotsStorage;
  const PdfObject* annots = nullptr;
  try {
    annots = &resolver.resolved(annotsValue, annotsStorage);
  } catch (const C_PDF_Exception&) {
    return links;
  }
  if (!annots->isArray()) return links;
  for (const PdfObject& element : annots->elements) {
    if (links.size() >= kMaxPageLinks) break;
    try {
      PdfObject storage;
      const PdfObject& annot = resolver.resolved(element, storage);
      if (!annot.isDictionary()) continue;
      const PdfObject* subtype = annot.lookup("Subtype");
      if (!subtype || !subtype->isName("Link")) continue;
      const int32_t number = element.isReference() ? element.objectNumber : -1;
      const int32_t generation = element.isReference() ? element.generation : 0;
      LinkAnnotation link;
      const PdfObject* rectValue = annot.lookup("Rect");
      if (!rectValue) continue;
      PdfObject rectStorage;
      const PdfObject& rect = resolver.resolved(*rectValue, rectStorage);
      if (!rect.isArray() || rect.elements.size() < 4) continue;
      double r[4];
      bool numbers = true;
      for (int i = 0; i < 4; ++i) {
        numbers = numbers && rect.elements[i].isNumber();
        r[i] = rect.elements[i].realValue();
        numbers = numbers && std::isfinite(r[i]);
      }
      if (!numbers) continue;
      link.x1 = std::min(r[0], r[2]);
      link.x2 = std::max(r[0], r[2]);
      link.y1 = std::min(r[1], r[3]);
      link.y2 = std::max(r[1], r[3]);
      if (const PdfObject* a = annot.lookup("A")) {
        link.target = readLinkAction(*a, resolver, destinations, number, generation);
      } else if (const PdfObject* dest = annot.lookup("Dest")) {
        link.target.kind = LinkTarget::Kind::GoTo;
        link.target.destination = destinations.read(*dest, number, generation);
      }
      if (link.target.kind == LinkTarget::Kind::None) continue;
      links.push_back(std::move(link));
    } catch (const C_PDF_Exception&) {
    }
  }
  return links;
}
