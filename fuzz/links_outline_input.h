#pragma once
// Reads everything a document offers for navigation: the outline, every page's links and the
// named destinations they use. Shared by the fuzz target and the replay of its inputs.

#include <string>

#include "engine/document/destination.h"
#include "engine/document/link_annotation.h"
#include "engine/document/outline.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"

inline void readNavigation(const std::string& path) {
  // Pages whose links are read, at most.
  constexpr int kMaxPages = 50;
  C_PDF_Document document;
  try {
    if (!document.open(path, "")) return;
    document.completePageTree();
  } catch (const C_PDF_Exception&) {
    return;
  }
  if (!document.resolver()) return;
  DestinationReader destinations(*document.resolver(), document.catalog(), document.pageTree());
  const Outline outline = readOutline(document.catalog() ? document.catalog()->Outlines : nullptr,
                                      *document.resolver(), destinations);
  (void)outline;
  for (int32_t n = 1; n <= document.pageCount && n <= kMaxPages; ++n) {
    C_PDF_PageTreeNode_or_Page* page = nullptr;
    try {
      page = document.findPage(n, false);
    } catch (const C_PDF_Exception&) {
    }
    if (!page) break;
    for (const LinkAnnotation& link :
         readPageLinks(page->Annots, *document.resolver(), destinations))
      if (!link.target.name.empty()) destinations.named(link.target.name);
  }
  destinations.named("section.1");
}
