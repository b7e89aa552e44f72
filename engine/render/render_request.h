#pragma once
// One drawing of a page: which page, how large, for what, what to leave out, where to draw it
// and when to stop. Every caller (the view, the pages drawn ahead, thumbnails, slides, printing,
// brevia-cli, the tests) fills one of these and hands it to C_PDF_Draw::render.

#include <atomic>
#include <cstdint>

namespace brevia::gfx {
class Bitmap;
}
class C_PDF_PageTreeNode_or_Page;

// What the drawing is for. Printing draws annotations as printed and decodes images at full
// size; the others are drawn for a screen or a file.
enum class RenderTarget : uint8_t { Screen, Print, Thumbnail, Export };

// Parts of the page a drawing leaves out.
struct RenderSkip {
  bool images = false;
  // Paths are neither filled nor stroked.
  bool painting = false;
  // The appearances of the page's annotations (and so of its form fields).
  bool annotations = false;
  // Text in restricted mode (as the page's text scan draws it).
  bool restrictedText = false;
  bool operator==(const RenderSkip&) const = default;
};

struct RenderRequest {
  int32_t pageNumber = 1;
  double zoom = 1;
  // The view's turn in degrees clockwise (0, 90, 180, 270) on top of the page's own. The engine
  // draws the page in its own rotation; whoever shows the bitmap turns it (the viewer's page
  // images), and a bitmap drawn for one turn is never shown for another.
  int rotation = 0;
  RenderTarget target = RenderTarget::Screen;
  RenderSkip skip;
  // The page at zoom 1: the resolution in pixels per inch, 1440 / resolution twips per pixel
  // and its size in pixels after its own rotation (see pagePixels).
  double resolution = 96;
  double twipsPerPixel = 15;
  double deviceWidth = 0;
  double deviceHeight = 0;
  // While raised the drawing stops between operators and leaves the bitmap unfinished. Null:
  // the renderer's own stop flag, if any.
  const std::atomic<bool>* stop = nullptr;
  // Where the page is drawn: its pixel (0, 0) is the page's top-left corner, less the bitmap's
  // origin. Not owned; set just before drawing.
  brevia::gfx::Bitmap* output = nullptr;

  // The image cache's key: printing keeps its own full-size images.
  uint8_t cacheFlag() const { return target == RenderTarget::Print ? 0 : 1; }
  // The same drawing: the stop flag and the output say when and where, not what.
  bool operator==(const RenderRequest& other) const {
    return pageNumber == other.pageNumber && zoom == other.zoom && rotation == other.rotation &&
           target == other.target && skip == other.skip && resolution == other.resolution &&
           twipsPerPixel == other.twipsPerPixel && deviceWidth == other.deviceWidth &&
           deviceHeight == other.deviceHeight;
  }
};

// The request for the page record's page at a resolution, at zoom 1, for target.
RenderRequest pageRenderRequest(const C_PDF_PageTreeNode_or_Page& page, int32_t pageNumber,
                                double resolution, RenderTarget target = RenderTarget::Screen);
