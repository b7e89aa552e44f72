#pragma once
// What a document offers for moving around in it — the links of each page and the outline —
// read from the engine once and kept with the document.

#include <QObject>
#include <map>
#include <memory>
#include <vector>

#include "engine/document/link_annotation.h"
#include "engine/document/outline.h"

class C_PDF_PageTreeNode_or_Page;

namespace Corvalis::Viewer {

class C_PDF_Doc;

class DocumentNavigation : public QObject {
  Q_OBJECT
 public:
  // Pages whose links are kept at once; the oldest go first.
  static constexpr std::size_t kMaxCachedPages = 64;

  // The document's navigation, made on first use; it lives as long as the document.
  static DocumentNavigation& of(C_PDF_Doc& document);

  // The page's links (empty while the engine is busy or the page is missing).
  const std::vector<LinkAnnotation>& links(int page);
  const Outline& outline();
  // The page record, for placing a link on the screen.
  const C_PDF_PageTreeNode_or_Page* page(int number);
  // The page a named destination leads to; 0 when the name is unknown.
  int namedPage(const std::string& name);
  // Whether the document has an outline at all, without reading it.
  bool hasOutline() const;

 private:
  explicit DocumentNavigation(C_PDF_Doc& document);
  // The reader of destinations over the whole page tree.
  DestinationReader* destinations();

  C_PDF_Doc& document_;
  std::unique_ptr<DestinationReader> destinations_;
  std::map<int, std::vector<LinkAnnotation>> links_;
  std::vector<int> linkOrder_;
  std::unique_ptr<Outline> outline_;
  const std::vector<LinkAnnotation> none_;
};

}  // namespace Corvalis::Viewer
