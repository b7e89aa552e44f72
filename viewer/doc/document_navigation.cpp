#include "viewer/doc/document_navigation.h"

#include <algorithm>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "viewer/doc/pdf_doc.h"

namespace Corvalis::Viewer {

DocumentNavigation& DocumentNavigation::of(C_PDF_Doc& document) {
  if (auto* found = document.findChild<DocumentNavigation*>(QString(), Qt::FindDirectChildrenOnly))
    return *found;
  return *new DocumentNavigation(document);
}

DocumentNavigation::DocumentNavigation(C_PDF_Doc& document)
    : QObject(&document), document_(document) {}

DestinationReader* DocumentNavigation::destinations() {
  C_PDF_Document* parsed = document_.document();
  if (!parsed || !parsed->resolver() || C_PDF_Doc::engineBusy()) return nullptr;
  if (!destinations_) {
    // Destinations name pages anywhere in the document.
    document_.completePageTree();
    destinations_ = std::make_unique<DestinationReader>(*parsed->resolver(), parsed->catalog(),
                                                        parsed->pageTree());
  }
  return destinations_.get();
}

const C_PDF_PageTreeNode_or_Page* DocumentNavigation::page(int number) {
  C_PDF_Document* parsed = document_.document();
  if (!parsed || C_PDF_Doc::engineBusy()) return nullptr;
  try {
    return parsed->findPage(number, false);
  } catch (const C_PDF_Exception&) {
    return nullptr;
  }
}

const std::vector<LinkAnnotation>& DocumentNavigation::links(int number) {
  if (auto it = links_.find(number); it != links_.end()) return it->second;
  DestinationReader* reader = destinations();
  const C_PDF_PageTreeNode_or_Page* p = reader ? page(number) : nullptr;
  if (!p) return none_;
  if (linkOrder_.size() >= kMaxCachedPages) {
    links_.erase(linkOrder_.front());
    linkOrder_.erase(linkOrder_.begin());
  }
  linkOrder_.push_back(number);
  return links_[number] = readPageLinks(p->Annots, *document_.document()->resolver(), *reader);
}

int DocumentNavigation::namedPage(const std::string& name) {
  DestinationReader* reader = destinations();
  if (!reader) return 0;
  try {
    return reader->named(name).pageNumber;
  } catch (const C_PDF_Exception&) {
    return 0;
  }
}

bool DocumentNavigation::hasOutline() const {
  const C_PDF_Document* parsed = document_.document();
  return parsed && parsed->catalog() && parsed->catalog()->Outlines;
}

const Outline& DocumentNavigation::outline() {
  if (outline_) return *outline_;
  static const Outline empty;
  DestinationReader* reader = destinations();
  if (!reader) return empty;
  outline_ = std::make_unique<Outline>(readOutline(
      document_.document()->catalog() ? document_.document()->catalog()->Outlines : nullptr,
      *document_.document()->resolver(), *reader));
  return *outline_;
}

}  // namespace Corvalis::Viewer
