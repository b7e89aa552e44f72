#pragma once
// Destinations: where a link or an outline entry leads, read from explicit arrays, names
// (the catalog's Dests dictionary or the Dests name tree) and GoTo actions.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "engine/document/pdf_object.h"

class ObjectResolver;
struct CatalogRecord;
struct PageTreeRoot;

struct PdfDestination {
  enum class Fit { None, XYZ, Fit, FitH, FitV, FitR, FitB, FitBH, FitBV };

  // 1-based page number; 0 when the destination names no page of this document.
  int32_t pageNumber = 0;
  Fit fit = Fit::None;
  // Position on the page in default user space, where the destination gives one.
  bool hasLeft = false;
  bool hasTop = false;
  double left = 0;
  double top = 0;
  // XYZ zoom factor; 0 keeps the current zoom.
  double zoom = 0;

  bool valid() const { return pageNumber > 0; }
};

class DestinationReader {
 public:
  // Name trees nested deeper than this are not descended into.
  static constexpr int kMaxNameTreeDepth = 32;
  // Nodes one name lookup visits at most.
  static constexpr int kMaxNameTreeNodes = 4096;
  // A name may lead to a dictionary whose D is another name, and so on, this often.
  static constexpr int kMaxIndirections = 8;

  // tree: the page tree as far as it has been read (pages found later are not known).
  DestinationReader(ObjectResolver& resolver, const CatalogRecord* catalog,
                    const PageTreeRoot* tree);

  // A destination value: an array, a name or string naming one, or a dictionary with D. A
  // direct string belongs to the object (ownerNumber, ownerGeneration) for decryption.
  PdfDestination read(const PdfObject& value, int32_t ownerNumber = -1,
                      int32_t ownerGeneration = 0);
  // The destination that the name stands for; invalid when unknown.
  PdfDestination named(const std::string& name);
  // The 1-based number of the page whose dictionary is object (number, generation); 0 if none.
  int32_t pageOfObject(int32_t number, int32_t generation);

 private:
  PdfDestination read(const PdfObject& value, int indirections, int32_t ownerNumber,
                      int32_t ownerGeneration);
  PdfDestination fromArray(const PdfObject& array);
  // The value the name stands for in the catalog's Dests or in the Dests name tree.
  bool lookupName(const std::string& name, PdfObject& out);
  bool searchNameTree(const PdfObject& node, const std::string& name, int depth, int& visited,
                      std::set<int32_t>& seen, PdfObject& out);

  ObjectResolver& resolver_;
  const CatalogRecord* catalog_;
  const PageTreeRoot* tree_;
  std::map<std::pair<int32_t, int32_t>, int32_t> pageNumbers_;
  bool pagesIndexed_ = false;
};

// A string value as the document meant it: decrypted with the key of the object it belongs to.
std::string documentString(const PdfObject& string, ObjectResolver& resolver, int32_t objectNumber,
                           int32_t generation);
