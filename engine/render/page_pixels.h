#pragma once
// The size of a page in device pixels, as drawPage takes it and as its bitmap needs it: one
// helper for every caller (screen, print, brevia-cli, the text scan), so that they agree.

#include <cstdint>

class C_PDF_PageTreeNode_or_Page;

struct PagePixels {
  // drawPage's twips per device pixel for the resolution.
  double twipsPerPixel = 20;
  // The page's size in pixels at zoom 1, after its own rotation (drawPage's deviceWidth and
  // deviceHeight); fractional.
  double width = 0;
  double height = 0;
};

// How a side's fractional last pixel is counted: Truncate drops it (the view's bitmaps), Cover
// keeps it (brevia-cli's, whose partial edge pixels are paper white).
enum class PixelRounding { Truncate, Cover };

// Bitmap sides are at most this many pixels however large the page and zoom.
inline constexpr int32_t kMaxPixelSide = 1'000'000'000;

// The page at dpi dots per inch. A side of the page box shorter than one point counts as one
// point. Only quarter turns swap the sides: other rotations draw upright, as drawPage does.
PagePixels pagePixels(const C_PDF_PageTreeNode_or_Page& page, double dpi);

// Pixels of a side of length pixels (at zoom 1) drawn at zoom: at least one, at most
// kMaxPixelSide.
int32_t pixelSide(double length, double zoom, PixelRounding rounding);
