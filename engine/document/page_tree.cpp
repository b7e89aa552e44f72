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

// Reads a box's four numbers as integers; false when it has fewer than four elements.
bool readBox(const PdfObject& box, ObjectResolver& resolver, int32_t out[4]) {
  if (!box.isArray() || box.elements.size() < 4) return false;
  for (int i = 0; i < 4; ++i) {
    PdfObject storage;
    const PdfObject& v = resolver.resolved(box.elements[i], storage);
    out[i] = v.intValue();
  }
  return true;
}

void applyBox(C_PDF_PageTreeNode_or_Page& node, const int32_t b[4]) {
  node.originX = std::min(b[0], b[2]);
  node.originY = std::min(b[1], b[3]);
  node.width = static_cast<int32_t>(std::min<int64_t>(std::llabs(int64_t{b[2]} - b[0]), INT32_MAX));
  node.height =
      static_cast<int32_t>(std::min<int64_t>(std::llabs(int64_t{b[3]} - b[1]), INT32_MAX));
}

void readPageBox(C_PDF_PageTreeNode_or_Page& node, ObjectResolver& resolver) {
  node.originX = 0;
  node.originY = 0;
  node.width = kDefaultWidth;
  node.height = kDefaultHeight;
  int32_t box[4];
  if (node.CropBox.kind != PdfObjectKind::None) {
    PdfObject crop;
    try {
      crop = resolver.resolve(node.CropBox);
    } catch (const C_PDF_Exception&) {
      return;
    }
    if (readBox(crop, resolver, box)) {
      applyBox(node, box);
      return;
    }
  }
  if (node.MediaBox.kind != PdfObjectKind::None) {
    PdfObject media = resolver.resolve(node.MediaBox);
    if (readBox(media, resolver, box)) applyBox(node, box);
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
    if (ancestor == reference.objectNumber) throw C_PDF_Exception(kErrorDocumentDamaged);
  if (static_cast<int>(walk.ancestors.size()) >= PageTreeRoot::kMaxDepth)
    throw C_PDF_Exception(kErrorDocumentDamaged);

  node->dictionary = resolver.resolve(reference);
  const PdfObject& d = node->dictionary;
  if (!d.isDictOrStream() || d.entries.empty()) throw C_PDF_Exception(kErrorDocumentDamaged);
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

  readPageBox(*node, resolver);
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
    throw C_PDF_Exception(kErrorObjectNotFound, "The file is damaged: it has no list of pages");
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
    throw C_PDF_Exception(kErrorDocumentDamaged,
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
