#pragma once
// The document outline (bookmarks), read once into plain items for the viewer.

#include <cstddef>
#include <string>
#include <vector>

#include "engine/document/link_annotation.h"

struct OutlineItem {
  std::string title;  // UTF-8
  LinkTarget target;
  // The entry shows its children when the outline opens (a positive Count).
  bool open = false;
  std::vector<OutlineItem> children;
};

struct Outline {
  // Entries nested deeper than this are not read.
  static constexpr int kMaxDepth = 32;
  // Entries read at most in all; an outline with more is cut.
  static constexpr std::size_t kMaxItems = 20000;

  std::vector<OutlineItem> items;
  std::size_t itemCount = 0;
  // Entries were left out (too many, too deep, or a First/Next chain that loops).
  bool truncated = false;
};

// Reads the Outlines value of the catalog (nullptr gives an empty outline).
Outline readOutline(const PdfObject* outlines, ObjectResolver& resolver,
                    DestinationReader& destinations);
