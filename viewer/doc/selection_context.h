#pragma once
// The selection state shared by the renderer and the page view: one entry per page rectangle
// selected.

#include <cstddef>
#include <cstdint>
#include <vector>

class C_PDF_Document;
class C_PDF_Creator;

namespace Corvalis::Viewer {

// Selection modes.
inline constexpr int kSelectText = 1;
inline constexpr int kSelectArea = 3;

struct SelectionEntry {
  int32_t pageNumber = 0;
  int32_t mode = kSelectText;
  // Corners in page units, truncated to integers.
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  // The renderer's device pixels per page unit when the entry was made.
  double scale = 1;
};

struct SelectionContext {
  // The newest entry; its mode mirrors the selection mode.
  SelectionEntry* currentEntry = nullptr;
  C_PDF_Document* document = nullptr;
  C_PDF_Creator* creator = nullptr;
  int32_t entryCount = 0;
  bool flag = false;
  std::vector<SelectionEntry> entries;

  void clear() {
    entries.clear();
    currentEntry = nullptr;
    entryCount = 0;
  }
  // Entries beyond this many are not recorded (a drag through a huge document adds one per page).
  static constexpr std::size_t kMaxEntries = 100000;
  void add(const SelectionEntry& entry) {
    if (entries.size() >= kMaxEntries) return;
    entries.push_back(entry);
    currentEntry = &entries.back();
    entryCount = static_cast<int32_t>(entries.size());
  }
};

}  // namespace Corvalis::Viewer
