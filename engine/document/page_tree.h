#pragma once
// The page tree: intermediate nodes and pages with their boxes, rotation and content.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/document/annotation_list.h"
#include "engine/document/document_hooks.h"
#include "engine/document/pdf_object.h"

class ObjectResolver;
class C_PDF_Document;
struct PageTreeRoot;

class C_Minimal_4_Conversion_PageTreeNode_or_Page {
 public:
  virtual ~C_Minimal_4_Conversion_PageTreeNode_or_Page() = default;
};

class C_FixedPosSize_PageTreeNode_or_Page : public C_Minimal_4_Conversion_PageTreeNode_or_Page {};

// A page box in default user-space units, normalised (x0 < x1, y0 < y1).
struct PageBox {
  int32_t x0 = 0, y0 = 0, x1 = 612, y1 = 792;
};

class C_PDF_PageTreeNode_or_Page : public C_FixedPosSize_PageTreeNode_or_Page {
 public:
  // The page's prepared resources: shared with the root when inherited from it.
  std::shared_ptr<IResourceList> resourceList;
  // Links and widgets, built on demand by the prepared lookup.
  std::unique_ptr<AnnotationList> annotations;
  // 1-based position among the leaves in tree order; -1 for intermediate nodes.
  int32_t pageNumber = -1;
  // Size of the shown box (the crop box within the media box) in points: its width and height
  // in the page's units, truncated to integers, times userUnit.
  int32_t height = 792;
  int32_t width = 612;
  // The page's unit in points (UserUnit).
  double userUnit = 1;
  // The usable media box, where a page that has none of its own inherits it from.
  PageBox mediaBox;
  // Rotate normalised into 0 ... 359.
  int32_t rotation = 0;
  // Lower left corner of the shown box, in the page's units.
  int32_t originX = 0;
  int32_t originY = 0;
  // The page size for display, such as "8.5 x 11 in".
  std::string sizeText;
  // True until the content has been decoded (stays true without Contents).
  bool nothingToDraw = true;
  bool contentDecoded = false;
  // The decoded content of all content streams joined; length -1 when a single stream could
  // not be decoded.
  std::vector<uint8_t> content;
  int32_t contentLength = -1;

  std::vector<std::unique_ptr<C_PDF_PageTreeNode_or_Page>> kids;
  C_PDF_PageTreeNode_or_Page* parent = nullptr;
  bool isPage = false;
  // The resources come from the root's Resources (no own or inherited Resources).
  bool resourcesFromRoot = false;

  // Values of the node's dictionary. Resources, Contents and Annots are deep copies;
  // MediaBox, CropBox and Rotate are inherited copies; the others point into dictionary.
  PdfObject dictionary;
  PdfObject Resources;
  PdfObject Contents;
  PdfObject Annots;
  PdfObject MediaBox;
  PdfObject CropBox;
  PdfObject Rotate;
  const PdfObject* Type = nullptr;
  const PdfObject* Parent = nullptr;
  const PdfObject* Kids = nullptr;
  const PdfObject* Count = nullptr;
  const PdfObject* LastModified = nullptr;
  const PdfObject* BleedBox = nullptr;
  const PdfObject* TrimBox = nullptr;
  const PdfObject* ArtBox = nullptr;
  const PdfObject* BoxColorInfo = nullptr;
  const PdfObject* Group = nullptr;
  const PdfObject* Thumb = nullptr;
  const PdfObject* B = nullptr;
  const PdfObject* Dur = nullptr;
  const PdfObject* Trans = nullptr;
  const PdfObject* AA = nullptr;
  const PdfObject* Metadata = nullptr;
  const PdfObject* PieceInfo = nullptr;
  const PdfObject* StructParents = nullptr;
  const PdfObject* ID = nullptr;
  const PdfObject* PZ = nullptr;
  const PdfObject* SeparationInfo = nullptr;

  int32_t objectNumber = -1;
  int32_t generation = -1;

  // The Resources dictionary the page draws with (its own, an ancestor's or the root's);
  // may be a Reference.
  const PdfObject& effectiveResources(const PageTreeRoot& root) const;
};

// The resolved Pages dictionary and the state of the walk.
struct PageTreeRoot {
  // Trees nested deeper than this are not descended into.
  static constexpr int kMaxDepth = 256;
  // The progress window is shown for trees with more pages than this.
  static constexpr int kProgressThreshold = 200;

  PdfObject pagesDictionary;
  ObjectResolver* resolver = nullptr;
  C_PDF_Document* document = nullptr;
  std::vector<std::unique_ptr<C_PDF_PageTreeNode_or_Page>> kids;
  std::shared_ptr<IResourceList> rootResources;
  // The root's own values, the last resort of inheritance.
  PdfObject Resources;
  PdfObject MediaBox;
  PdfObject CropBox;
  PdfObject Rotate;
  const PdfObject* Type = nullptr;
  const PdfObject* Kids = nullptr;
  const PdfObject* Count = nullptr;
  int32_t pageCount = 0;
  int32_t pagesBuilt = 0;
  bool firstPageOnly = false;
  bool aPageWasBuilt = false;
  // Pages by number (index pageNumber - 1); lookups take it instead of walking the tree.
  std::vector<C_PDF_PageTreeNode_or_Page*> pagesByNumber;
};

// Builds the page tree from the catalog's Pages value. Throws C_PDF_Exception (code 1 without
// Pages, code 2 without Count; failures directly under the root propagate).
std::unique_ptr<PageTreeRoot> buildPageTree(const PdfObject* pages, ObjectResolver& resolver,
                                            C_PDF_Document* document, bool firstPageOnly,
                                            IProgressSink* progress);

// The page size for display: width and height in inches, as "8.5 x 11 in".
std::string pageSizeText(int32_t width, int32_t height, int32_t rotation);

// Decodes the page's content once: every content stream, joined with a blank.
void decodePageContent(C_PDF_PageTreeNode_or_Page& page, ObjectResolver& resolver);
