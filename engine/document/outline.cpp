#include "engine/document/outline.h"

#include <cstdint>
#include <set>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/text_string.h"

namespace {

// A title is one line: line breaks and tabs become blanks, other control characters go.
std::string oneLine(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<uint8_t>(c);
    if (c == '\r' || c == '\n' || c == '\t')
      out.push_back(' ');
    else if (b >= 0x20 && b != 0x7F)
      out.push_back(c);
  }
  return out;
}

struct OutlineWalk {
  ObjectResolver& resolver;
  DestinationReader& destinations;
  Outline& outline;
  // Every entry is read once: a Next or First that leads back ends that chain.
  std::set<int32_t> seen;
};

void readChildren(OutlineWalk& walk, const PdfObject& first, int depth,
                  std::vector<OutlineItem>& into);

void readItem(OutlineWalk& walk, const PdfObject& ref, const PdfObject& entry, int depth,
              OutlineItem& item) {
  const int32_t number = ref.objectNumber;
  const int32_t generation = ref.generation;
  if (const PdfObject* title = entry.lookup("Title")) {
    PdfObject storage;
    const PdfObject& t = walk.resolver.resolved(*title, storage);
    if (t.isString()) {
      const bool own = !title->isReference();
      item.title = oneLine(
          textStringToUtf8(documentString(t, walk.resolver, own ? number : title->objectNumber,
                                          own ? generation : title->generation)));
    }
  }
  if (const PdfObject* dest = entry.lookup("Dest")) {
    item.target.kind = LinkTarget::Kind::GoTo;
    item.target.destination = walk.destinations.read(*dest, number, generation);
  } else if (const PdfObject* action = entry.lookup("A")) {
    item.target = readLinkAction(*action, walk.resolver, walk.destinations, number, generation);
  }
  if (const PdfObject* count = entry.lookup("Count"))
    item.open = count->isNumber() && count->intValue() > 0;
  if (const PdfObject* first = entry.lookup("First")) {
    if (depth + 1 >= Outline::kMaxDepth) {
      walk.outline.truncated = true;
    } else {
      readChildren(walk, *first, depth + 1, item.children);
    }
  }
}

void readChildren(OutlineWalk& walk, const PdfObject& first, int depth,
                  std::vector<OutlineItem>& into) {
  PdfObject next = first;
  // The chain is followed by Next; each step is one entry, so the item limit bounds it.
  while (next.isReference()) {
    if (walk.outline.itemCount >= Outline::kMaxItems) {
      walk.outline.truncated = true;
      return;
    }
    if (!walk.seen.insert(next.objectNumber).second) {
      walk.outline.truncated = true;
      return;
    }
    PdfObject entry;
    try {
      entry = walk.resolver.resolve(next);
    } catch (const C_PDF_Exception&) {
      return;
    }
    if (!entry.isDictionary()) return;
    ++walk.outline.itemCount;
    OutlineItem item;
    try {
      readItem(walk, next, entry, depth, item);
    } catch (const C_PDF_Exception&) {
      // What was read of the entry is kept.
    }
    into.push_back(std::move(item));
    const PdfObject* n = entry.lookup("Next");
    if (!n) return;
    next = *n;
  }
}

}  // namespace

Outline readOutline(const PdfObject* outlines, ObjectResolver& resolver,
                    DestinationReader& destinations) {
  Outline outline;
  if (!outlines) return outline;
  OutlineWalk walk{resolver, destinations, outline, {}};
  try {
    PdfObject storage;
    const PdfObject& root = resolver.resolved(*outlines, storage);
    if (outlines->isReference()) walk.seen.insert(outlines->objectNumber);
    if (const PdfObject* first = root.isDictionary() ? root.lookup("First") : nullptr)
      readChildren(walk, *first, 0, outline.items);
  } catch (const C_PDF_Exception&) {
  }
  return outline;
}
