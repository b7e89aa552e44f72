#include "engine/document/destination.h"

#include "engine/document/decryptor.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/page_tree.h"

namespace {

PdfDestination::Fit fitOf(const std::string& name) {
  using Fit = PdfDestination::Fit;
  static const std::pair<const char*, Fit> kFits[] = {
      {"XYZ", Fit::XYZ},   {"Fit", Fit::Fit},   {"FitH", Fit::FitH},   {"FitV", Fit::FitV},
      {"FitR", Fit::FitR}, {"FitB", Fit::FitB}, {"FitBH", Fit::FitBH}, {"FitBV", Fit::FitBV}};
  for (const auto& [text, fit] : kFits)
    if (name == text) return fit;
  return Fit::None;
}

// A number, or nothing for null and anything else.
bool numberAt(const PdfObject& array, std::size_t index, double& value) {
  if (index >= array.elements.size() || !array.elements[index].isNumber()) return false;
  value = array.elements[index].realValue();
  return true;
}

}  // namespace

std::string documentString(const PdfObject& string, ObjectResolver& resolver, int32_t objectNumber,
                           int32_t generation) {
  std::string text = string.text;
  if (const IDecryptor* decryptor = resolver.decryptor(); decryptor && objectNumber > 0)
    decryptor->decrypt(text, objectNumber, generation);
  return text;
}

DestinationReader::DestinationReader(ObjectResolver& resolver, const CatalogRecord* catalog,
                                     const PageTreeRoot* tree)
    : resolver_(resolver), catalog_(catalog), tree_(tree) {}

int32_t DestinationReader::pageOfObject(int32_t number, int32_t generation) {
  if (!pagesIndexed_) {
    pagesIndexed_ = true;
    if (tree_)
      for (const C_PDF_PageTreeNode_or_Page* page : tree_->pagesByNumber)
        if (page && page->objectNumber >= 0)
          pageNumbers_.emplace(std::make_pair(page->objectNumber, page->generation),
                               page->pageNumber);
  }
  auto it = pageNumbers_.find({number, generation});
  if (it == pageNumbers_.end()) {
    // Some writers get the generation wrong; the number alone still tells the page.
    it = pageNumbers_.lower_bound({number, INT32_MIN});
    if (it == pageNumbers_.end() || it->first.first != number) return 0;
  }
  return it->second;
}

PdfDestination DestinationReader::read(const PdfObject& value, int32_t ownerNumber,
                                       int32_t ownerGeneration) {
  return read(value, 0, ownerNumber, ownerGeneration);
}

PdfDestination DestinationReader::read(const PdfObject& value, int indirections,
                                       int32_t ownerNumber, int32_t ownerGeneration) {
  if (indirections > kMaxIndirections) return {};
  PdfObject storage;
  const PdfObject* v = &value;
  try {
    v = &resolver_.resolved(value, storage);
  } catch (const C_PDF_Exception&) {
    return {};
  }
  if (value.isReference()) {
    ownerNumber = value.objectNumber;
    ownerGeneration = value.generation;
  }
  if (v->isArray()) return fromArray(*v);
  if (v->isName() || v->isString()) {
    const std::string name =
        v->isString() ? documentString(*v, resolver_, ownerNumber, ownerGeneration) : v->text;
    PdfObject target;
    if (!lookupName(name, target)) return {};
    return read(target, indirections + 1, -1, 0);
  }
  if (v->isDictionary()) {
    // A named destination's value, or a GoTo action.
    if (const PdfObject* d = v->lookup("D"))
      return read(*d, indirections + 1, ownerNumber, ownerGeneration);
  }
  return {};
}

PdfDestination DestinationReader::fromArray(const PdfObject& array) {
  PdfDestination dest;
  if (array.elements.empty()) return dest;
  const PdfObject& page = array.elements[0];
  if (page.isReference()) {
    dest.pageNumber = pageOfObject(page.objectNumber, page.generation);
  } else if (page.isNumber()) {
    // A page index, as remote destinations give it; some writers use it locally too.
    const int32_t index = page.intValue();
    const int32_t count = tree_ ? static_cast<int32_t>(tree_->pagesByNumber.size()) : 0;
    if (index >= 0 && index < count) dest.pageNumber = index + 1;
  }
  if (array.elements.size() > 1 && array.elements[1].isName())
    dest.fit = fitOf(array.elements[1].text);
  using Fit = PdfDestination::Fit;
  switch (dest.fit) {
    case Fit::XYZ:
      dest.hasLeft = numberAt(array, 2, dest.left);
      dest.hasTop = numberAt(array, 3, dest.top);
      if (!numberAt(array, 4, dest.zoom) || !(dest.zoom > 0)) dest.zoom = 0;
      break;
    case Fit::FitH:
    case Fit::FitBH:
      dest.hasTop = numberAt(array, 2, dest.top);
      break;
    case Fit::FitV:
    case Fit::FitBV:
      dest.hasLeft = numberAt(array, 2, dest.left);
      break;
    case Fit::FitR:
      // left bottom right top: the rectangle's top left corner is shown.
      dest.hasLeft = numberAt(array, 2, dest.left);
      dest.hasTop = numberAt(array, 5, dest.top);
      break;
    default:
      break;
  }
  return dest;
}

PdfDestination DestinationReader::named(const std::string& name) {
  PdfObject target;
  if (!lookupName(name, target)) return {};
  return read(target, 1, -1, 0);
}

bool DestinationReader::lookupName(const std::string& name, PdfObject& out) {
  if (!catalog_) return false;
  try {
    if (catalog_->Dests) {
      PdfObject storage;
      const PdfObject& dests = resolver_.resolved(*catalog_->Dests, storage);
      if (const PdfObject* found = dests.lookup(name)) {
        out = *found;
        return true;
      }
    }
    if (catalog_->Names) {
      PdfObject namesStorage;
      const PdfObject& names = resolver_.resolved(*catalog_->Names, namesStorage);
      if (const PdfObject* root = names.lookup("Dests")) {
        int visited = 0;
        std::set<int32_t> seen;
        return searchNameTree(*root, name, 0, visited, seen, out);
      }
    }
  } catch (const C_PDF_Exception&) {
  }
  return false;
}

bool DestinationReader::searchNameTree(const PdfObject& ref, const std::string& name, int depth,
                                       int& visited, std::set<int32_t>& seen, PdfObject& out) {
  if (depth > kMaxNameTreeDepth || ++visited > kMaxNameTreeNodes) return false;
  // A node met again (a kid that names its ancestor) is not searched twice.
  if (ref.isReference() && !seen.insert(ref.objectNumber).second) return false;
  PdfObject storage;
  const PdfObject& node = resolver_.resolved(ref, storage);
  if (!node.isDictionary()) return false;
  const int32_t number = ref.isReference() ? ref.objectNumber : -1;
  const int32_t generation = ref.isReference() ? ref.generation : 0;
  if (const PdfObject* limits = node.lookup("Limits"); limits && depth > 0) {
    PdfObject limitsStorage;
    const PdfObject& l = resolver_.resolved(*limits, limitsStorage);
    if (l.isArray() && l.elements.size() >= 2 && l.elements[0].isString() &&
        l.elements[1].isString()) {
      if (name < documentString(l.elements[0], resolver_, number, generation) ||
          name > documentString(l.elements[1], resolver_, number, generation))
        return false;
    }
  }
  if (const PdfObject* names = node.lookup("Names")) {
    PdfObject namesStorage;
    const PdfObject& list = resolver_.resolved(*names, namesStorage);
    const int32_t listNumber = names->isReference() ? names->objectNumber : number;
    const int32_t listGeneration = names->isReference() ? names->generation : generation;
    for (std::size_t i = 0; i + 1 < list.elements.size(); i += 2) {
      const PdfObject& key = list.elements[i];
      if (key.isString() && documentString(key, resolver_, listNumber, listGeneration) == name) {
        out = list.elements[i + 1];
        return true;
      }
    }
  }
  if (const PdfObject* kids = node.lookup("Kids")) {
    PdfObject kidsStorage;
    const PdfObject& list = resolver_.resolved(*kids, kidsStorage);
    for (const PdfObject& kid : list.elements)
      if (searchNameTree(kid, name, depth + 1, visited, seen, out)) return true;
  }
  return false;
}
