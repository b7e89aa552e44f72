#include "engine/document/page_tree.h"

#include <cstdio>
#include <cstdlib>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/messages/message_catalogue.h"

namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

constexpr int32_t kDefaultWidth = 612;
constexpr int32_t kDefaultHeight = 792;
// A box coordinate beyond this is taken for a damaged value, not a page.
constexpr int64_t kMaxBoxCoordinate = int64_t{1} << 24;
// UserUnit values outside this range are ignored.
constexpr double kMinUserUnit = 0.01;
constexpr double kMaxUserUnit = 1000;

struct Walk {
  PageTreeRoot& root;
  IProgressSink* progress;
  // Object numbers of the nodes being built, so that a kid leading back to an ancestor is
  // refused.
  std::vector<int32_t> ancestors;

  bool stopped() const { return root.firstPageOnly && root.aPageWasBuilt; }
};

int32_t normaliseRotation(int64_t value) {
  value %= 360;
  if (value < 0) value += 360;
  return static_cast<int32_t>(value);
}

// Reads a box's four numbers as integers, normalised so that x0 <= x1 and y0 <= y1; false
// when it has fewer than four elements, cannot be read, or encloses no area or an absurd one.
bool readBox(const PdfObject& value, ObjectResolver& resolver, PageBox& out) {
  PdfObject box;
  try {
    box = resolver.resolve(value);
  } catch (const C_PDF_Exception&) {
    return false;
  }
  if (!box.isArray() || box.elements.size() < 4) return false;
  int32_t b[4];
  for (int i = 0; i < 4; ++i) {
    PdfObject storage;
    const PdfObject* v;
    try {
      v = &resolver.resolved(box.elements[i], storage);
    } catch (const C_PDF_Exception&) {
      return false;
    }
    if (!v->isNumber()) return false;
    b[i] = v->intValue();
    if (std::llabs(int64_t{b[i]}) > kMaxBoxCoordinate) return false;
  }
  out = PageBox{std::min(b[0], b[2]), std::min(b[1], b[3]), std::max(b[0], b[2]),
                std::max(b[1], b[3])};
  return out.x1 > out.x0 && out.y1 > out.y0;
}

// The page's media box: its own or inherited value when that encloses an area, else the
// nearest ancestor's, else the root's, else US Letter. The crop box is the part of the media
// box it covers; one that covers none of it is ignored.
void readPageBox(C_PDF_PageTreeNode_or_Page& node, const PageTreeRoot& root,
                 ObjectResolver& resolver) {
  PageBox media;
  if (node.MediaBox.kind != PdfObjectKind::None && readBox(node.MediaBox, resolver, media)) {
  } else if (node.parent) {
    media = node.parent->mediaBox;
  } else if (!(root.MediaBox.kind != PdfObjectKind::None &&
               readBox(root.MediaBox, resolver, media))) {
    media = PageBox{0, 0, kDefaultWidth, kDefaultHeight};
  }
  node.mediaBox = media;
  PageBox shown = media;
  PageBox crop;
  if (node.CropBox.kind != PdfObjectKind::None && readBox(node.CropBox, resolver, crop)) {
    const PageBox cut{std::max(crop.x0, media.x0), std::max(crop.y0, media.y0),
                      std::min(crop.x1, media.x1), std::min(crop.y1, media.y1)};
    if (cut.x1 > cut.x0 && cut.y1 > cut.y0) shown = cut;
  }
  node.originX = shown.x0;
  node.originY = shown.y0;
  const double unit = node.userUnit;
  node.width =
      static_cast<int32_t>(std::min<double>((int64_t{shown.x1} - shown.x0) * unit, INT32_MAX));
  node.height =
      static_cast<int32_t>(std::min<double>((int64_t{shown.y1} - shown.y0) * unit, INT32_MAX));
}

// UserUnit: the size of one unit of the page's space in points (1 when absent or out of range).
double readUserUnit(const PdfObject& page, ObjectResolver& resolver) {
  const PdfObject* v = page.lookup("UserUnit");
  if (!v) return 1;
  PdfObject storage;
  try {
    const PdfObject& unit = resolver.resolved(*v, storage);
    const double u = unit.isNumber() ? unit.realValue() : 1;
    return u >= kMinUserUnit && u <= kMaxUserUnit ? u : 1;
  } catch (const C_PDF_Exception&) {
    return 1;
  }
}

std::unique_ptr<C_PDF_PageTreeNode_or_Page> buildNode(const PdfObject& reference,
                                                      C_PDF_PageTreeNode_or_Page* parent,
                                                      Walk& walk, ObjectResolver& resolver);

void buildKids(C_PDF_PageTreeNode_or_Page& node, const PdfObject& kids, Walk& walk,
               ObjectResolver& resolver) {
  for (const PdfObject& kid : kids.elements) {
    if (walk.stopped()) break;
    // A kid that is no reference, missing or not a dictionary is left out.
    if (!kid.isReference()) continue;
    try {
      node.kids.push_back(buildNode(kid, &node, walk, resolver));
    } catch (const C_PDF_Exception&) {
    }
  }
}

std::unique_ptr<C_PDF_PageTreeNode_or_Page> buildNode(const PdfObject& reference,
                                                      C_PDF_PageTreeNode_or_Page* parent,
                                                      Walk& walk, ObjectResolver& resolver) {
  auto node = std::make_unique<C_PDF_PageTreeNode_or_Page>();
  node->parent = parent;
  if (walk.stopped()) return node;
  for (int32_t ancestor : walk.ancestors)
    if (ancestor == reference.objectNumber) throw C_PDF_Exception(PdfError::DocumentDamaged);
  if (static_cast<int>(walk.ancestors.size()) >= PageTreeRoot::kMaxDepth)
    throw C_PDF_Exception(PdfError::DocumentDamaged);

  node->dictionary = resolver.resolve(reference);
  const PdfObject& d = node->dictionary;
  if (!d.isDictOrStream() || d.entries.empty()) throw C_PDF_Exception(PdfError::DocumentDamaged);
  node->objectNumber = d.objectNumber;
  node->generation = d.generation;

  node->Type = d.lookup("Type");
  if (!node->Type) node->Type = d.lookup("Types");
  node->Parent = d.lookup("Parent");

  // Inheritance: the node's own value, else the nearest ancestor's, else the root's.
  if (const PdfObject* own = d.lookup("Resources")) {
    node->Resources = *own;
  } else if (parent && parent->Resources.kind != PdfObjectKind::None) {
    node->Resources = parent->Resources;
  } else {
    node->resourcesFromRoot = true;
    node->resourceList = walk.root.rootResources;
  }
  const PageTreeRoot& root = walk.root;
  auto inherit = [&](const char* key, PdfObject C_PDF_PageTreeNode_or_Page::*field,
                     const PdfObject& rootValue) {
    if (const PdfObject* own = d.lookup(key))
      node.get()->*field = *own;
    else if (parent && (parent->*field).kind != PdfObjectKind::None)
      node.get()->*field = parent->*field;
    else
      node.get()->*field = rootValue;
  };
  inherit("MediaBox", &C_PDF_PageTreeNode_or_Page::MediaBox, root.MediaBox);
  inherit("CropBox", &C_PDF_PageTreeNode_or_Page::CropBox, root.CropBox);
  inherit("Rotate", &C_PDF_PageTreeNode_or_Page::Rotate, root.Rotate);
  // Before the kids, which may inherit the media box.
  node->userUnit = readUserUnit(d, resolver);
  readPageBox(*node, walk.root, resolver);

  const bool typedPage = node->Type && node->Type->isName("Page");
  if (!typedPage) {
    node->Kids = d.lookup("Kids");
    node->Count = d.lookup("Count");
  }
  if (!typedPage && (node->Kids || node->Count)) {
    if (node->Kids) {
      // An indirect Kids array is read like a direct one.
      PdfObject kidsStorage;
      const PdfObject* kids = node->Kids;
      if (kids->isReference()) {
        try {
          kids = &resolver.resolved(*kids, kidsStorage);
        } catch (const C_PDF_Exception&) {
          kids = nullptr;
        }
      }
      if (kids && kids->isArray()) {
        walk.ancestors.push_back(node->objectNumber);
        buildKids(*node, *kids, walk, resolver);
        walk.ancestors.pop_back();
      }
    }
  } else {
    node->isPage = true;
    node->Kids = nullptr;
    node->Count = nullptr;
    node->LastModified = d.lookup("LastModified");
    node->BleedBox = d.lookup("BleedBox");
    node->TrimBox = d.lookup("TrimBox");
    node->ArtBox = d.lookup("ArtBox");
    node->BoxColorInfo = d.lookup("BoxColorInfo");
    if (const PdfObject* v = d.lookup("Contents")) node->Contents = *v;
    node->Group = d.lookup("Group");
    node->Thumb = d.lookup("Thumb");
    node->B = d.lookup("B");
    node->Dur = d.lookup("Dur");
    node->Trans = d.lookup("Trans");
    if (const PdfObject* v = d.lookup("Annots")) node->Annots = *v;
    node->AA = d.lookup("AA");
    node->Metadata = d.lookup("Metadata");
    node->PieceInfo = d.lookup("PieceInfo");
    node->StructParents = d.lookup("StructParents");
    node->ID = d.lookup("ID");
    node->PZ = d.lookup("PZ");
    node->SeparationInfo = d.lookup("SeparationInfo");
  }

  if (node->Rotate.isNumber()) {
    node->rotation = normaliseRotation(node->Rotate.intValue());
  } else if (node->Rotate.isReference()) {
    node->rotation = normaliseRotation(resolver.resolve(node->Rotate).intValue());
  } else {
    node->rotation = 0;
  }

  if (node->isPage && node->Resources.kind == PdfObjectKind::None)
    node->Resources = PdfObject(PdfObjectKind::Dictionary);

  node->sizeText = pageSizeText(node->width, node->height, node->rotation);

  if (node->isPage) {
    node->pageNumber = ++walk.root.pagesBuilt;
    walk.root.aPageWasBuilt = true;
    if (walk.progress) walk.progress->setPosition(node->pageNumber);
  }
  return node;
}

void indexPages(std::vector<std::unique_ptr<C_PDF_PageTreeNode_or_Page>>& nodes,
                std::vector<C_PDF_PageTreeNode_or_Page*>& byNumber) {
  for (auto& n : nodes) {
    if (n->isPage && n->pageNumber > 0) {
      if (byNumber.size() < static_cast<std::size_t>(n->pageNumber))
        byNumber.resize(n->pageNumber, nullptr);
      byNumber[n->pageNumber - 1] = n.get();
    }
    indexPages(n->kids, byNumber);
  }
}

}  // namespace

const PdfObject& C_PDF_PageTreeNode_or_Page::effectiveResources(const PageTreeRoot& root) const {
  if (resourcesFromRoot && root.Resources.kind != PdfObjectKind::None) return root.Resources;
  return Resources;
}

std::string pageSizeText(int32_t width, int32_t height, int32_t rotation) {
  const bool upright = rotation == 0 || rotation == 180;
  const double first = (upright ? width : height) / 72.0;
  const double second = (upright ? height : width) / 72.0;
  char a[32], b[32];
  std::snprintf(a, sizeof a, "%.3g", first);
  std::snprintf(b, sizeof b, "%.3g", second);
  return std::string(a) + " x " + b + Messages::CatalogueText(Messages::kMsgInchSuffix);
}

std::unique_ptr<PageTreeRoot> buildPageTree(const PdfObject* pages, ObjectResolver& resolver,
                                            C_PDF_Document* document, bool firstPageOnly,
                                            IProgressSink* progress) {
  if (!pages)
    throw C_PDF_Exception(PdfError::ObjectNotFound, "The file is damaged: it has no list of pages");
  auto root = std::make_unique<PageTreeRoot>();
  root->resolver = &resolver;
  root->document = document;
  root->firstPageOnly = firstPageOnly;
  root->pagesDictionary = resolver.resolve(*pages);
  const PdfObject& d = root->pagesDictionary;
  root->Type = d.lookup("Type");
  root->Kids = d.lookup("Kids");
  root->Count = d.lookup("Count");
  if (const PdfObject* v = d.lookup("Resources")) root->Resources = *v;
  if (const PdfObject* v = d.lookup("MediaBox")) root->MediaBox = *v;
  if (const PdfObject* v = d.lookup("CropBox")) root->CropBox = *v;
  if (const PdfObject* v = d.lookup("Rotate")) root->Rotate = *v;
  PdfObject kids;
  if (root->Kids) kids = resolver.resolve(*root->Kids);
  if (root->Count) {
    PdfObject storage;
    root->pageCount = resolver.resolved(*root->Count, storage).intValue();
  } else if (!kids.elements.empty()) {
    // A damaged root without Count: at least one page per kid; the full walk corrects it.
    root->pageCount = static_cast<int32_t>(std::min<std::size_t>(kids.elements.size(), INT32_MAX));
  } else {
    throw C_PDF_Exception(PdfError::DocumentDamaged,
                          "The file is damaged: its list of pages cannot be read");
  }

  if (progress)
    progress->start("Reading the Document", root->pageCount,
                    root->pageCount > PageTreeRoot::kProgressThreshold);
  struct ProgressEnd {
    IProgressSink* p;
    ~ProgressEnd() {
      if (p) p->finish();
    }
  } progressEnd{progress};

  Walk walk{*root, progress, {}};
  if (d.objectNumber >= 0) walk.ancestors.push_back(d.objectNumber);
  for (const PdfObject& kid : kids.elements) {
    if (walk.stopped()) break;
    // As below the root: a kid that cannot be read is left out, the others still count.
    if (!kid.isReference()) continue;
    try {
      root->kids.push_back(buildNode(kid, nullptr, walk, resolver));
    } catch (const C_PDF_Exception&) {
    }
  }
  indexPages(root->kids, root->pagesByNumber);
  return root;
}

void decodePageContent(C_PDF_PageTreeNode_or_Page& page, ObjectResolver& resolver) {
  if (page.contentDecoded) return;
  page.contentDecoded = true;
  if (page.Contents.kind == PdfObjectKind::None) return;

  PdfObject storage;
  const PdfObject* contents = &page.Contents;
  if (!contents->isArray()) {
    storage = resolver.resolve(*contents);
    contents = &storage;
    if (!contents->isArray()) {
      page.nothingToDraw = false;
      std::vector<uint8_t> data;
      int32_t length = contents->isStream() ? resolver.decodeStream(data, *contents) : -1;
      if (length >= 0) {
        page.content = std::move(data);
        page.contentLength = length;
      }
      return;
    }
  }
  if (contents->elements.empty()) return;
  page.content.clear();
  for (std::size_t i = 0; i < contents->elements.size(); ++i) {
    if (i > 0) page.content.push_back(' ');
    PdfObject stream = resolver.resolve(contents->elements[i]);
    std::vector<uint8_t> data;
    int32_t length = stream.isStream() ? resolver.decodeStream(data, stream) : -1;
    if (length < 0)
      page.content.push_back(' ');
    else
      page.content.insert(page.content.end(), data.begin(), data.end());
  }
  page.contentLength = static_cast<int32_t>(page.content.size());
  page.nothingToDraw = false;
}
