#pragma once
// C_PDF_Draw: runs a page's operator list against the graphics state and draws it through the
// graphics layer.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/render/devices/device.h"
#include "engine/render/graphics_state.h"
#include "engine/render/operator_list.h"
#include "engine/render/page_space.h"
#include "platform/graphics/graphics.h"
#include "platform/graphics/graphics_path.h"

class C_PDF_Document;
class CairoDevice;
class C_PDF_Creator;
class C_PDF_PageTreeNode_or_Page;
class TextDevice;
class PageTextLayout;
class ResourceList;
class OptionalContent;
struct S_FixedPosSize_Font;
struct S_PDF_PageEx;
struct XObjectDescriptor;
struct C_PDF_Pattern;
struct C_PDF_Shading;
struct C_PDF_Shading_Type2;
struct C_PDF_TilingPattern;
struct RenderRequest;

// A 3x3 affine matrix in row-vector form [a b 0; c d 0; e f 1].
struct TextMatrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  // this × other. Inline: text showing multiplies for every glyph.
  TextMatrix times(const TextMatrix& o) const {
    return TextMatrix{a * o.a + b * o.c, a * o.b + b * o.d,       c * o.a + d * o.c,
                      c * o.b + d * o.d, e * o.a + f * o.c + o.e, e * o.b + f * o.d + o.f};
  }
};

// Drawing-mode flags of drawPage.
struct DrawFlags {
  bool restrictedText = false;
  bool skipImages = false;
  bool skipPainting = false;
  bool skipAnnotations = false;
};

class C_Minimal_4_Conversion_Draw {
 public:
  virtual ~C_Minimal_4_Conversion_Draw() = default;
};
class C_FixedPosSize_Draw : public C_Minimal_4_Conversion_Draw {};

// The interpreter keeps the graphics state, runs the operators and hands what they produce to a
// device: a painter (CairoDevice, drawing into a bitmap) and the page's text collector (while the
// page's text is not built yet). drawPage has both; collectPageText has only the collector, so
// that a scan for text allocates no bitmap, decodes no image and fills no path.
class C_PDF_Draw : public C_FixedPosSize_Draw {
 public:
  // q deeper than this is not saved (the matching Q then does nothing), so that content cannot
  // exhaust memory with nesting.
  static constexpr int kMaxStateDepth = 1 << 16;
  // Path points beyond this are not added.
  static constexpr int kMaxPathPoints = brevia::gfx::GraphicsPath::kMaxPoints;
  // Tiling cells that fill with patterns deeper than this are not drawn.
  static constexpr int kMaxPatternNesting = 4;
  // A tiling cell is drawn at most this many device pixels wide and tall, then repeated.
  static constexpr int kMaxCellPixels = 2048;
  // Tiling cells drawn for one fill at most, counting the cells of patterns used inside cells.
  static constexpr int kMaxTilesPerFill = 4096;
  // Forms drawing forms deeper than this are not drawn.
  static constexpr int kMaxFormNesting = 32;
  // Soft masks whose mask content sets soft masks deeper than this are left out.
  static constexpr int kMaxSoftMaskNesting = 4;
  // Transparency layers (groups and soft-masked runs) open at once beyond this draw directly.
  static constexpr int kMaxLayers = 64;
  // Annotations drawn per page at most.
  static constexpr int kMaxAnnotations = 4096;
  // Marked-content levels deeper than this are not tracked (their EMC closes nothing).
  static constexpr std::size_t kMaxMarkedContentDepth = 4096;
  // Dash lengths beyond this many are ignored.
  static constexpr std::size_t kMaxDashes = 64;
  // Decoded images kept per page, by their order of drawing.
  static constexpr int kMaxCachedImages = 150000;

  C_PDF_Draw(C_PDF_Document& document, C_PDF_Creator& creator);
  ~C_PDF_Draw() override;

  // Draws the request's page into its output bitmap (nothing without one) with the page's
  // top-left corner at device (0, 0). May throw C_PDF_Exception when the page's resources
  // cannot be loaded.
  void render(const RenderRequest& request);

  // render() with the arguments in their historical order: twipsPerPixel is 1440 / resolution;
  // deviceWidth and deviceHeight are the page's size in pixels at zoom 1 (after the page's
  // rotation). cacheFlag is 1 for the screen and the search scan, 0 for printing.
  void drawPage(int32_t pageNumber, uint8_t cacheFlag, brevia::gfx::Bitmap& target, double reserved,
                double twipsPerPixel, double deviceHeight, double deviceWidth, double zoom,
                int32_t unused1, int32_t unused2, int32_t restrictedText, int32_t skipImages,
                int32_t unused5, int32_t skipPainting);

  // Draws the page into device as drawPage draws it into a bitmap (a recording of the page, a
  // painter of the caller's).
  void drawPageTo(int32_t pageNumber, uint8_t cacheFlag, Device& device, double twipsPerPixel,
                  double deviceHeight, double deviceWidth, double zoom);

  // The page's text, collected by running its content without a painter the first time it is
  // asked for (or drawn); null when the page does not exist. Positions are page units at zoom 1
  // with the page's rotation. The layout belongs to the creator's page and lives until the page
  // is evicted. May throw C_PDF_Exception as drawPage does.
  const PageTextLayout* collectPageText(int32_t pageNumber);

  C_PDF_Document& document() const { return document_; }
  C_PDF_Creator& creator() const { return creator_; }

  // Exposed to the parts that extend drawing (text, images, patterns). painter() is the device
  // drawn into, null while text is only scanned; space() holds the transform and clip in either
  // case.
  Device* painter() { return device_->paints() ? device_ : nullptr; }
  PageSpace& space() { return space_; }
  // Where the text shown goes while the page's text is collected; null otherwise. It is the
  // page's whatever device paints (a tiling cell, a soft mask), as text is read from all of them.
  Device* textDevice() { return textDevice_; }
  GraphicsState& state() { return *state_; }
  const ResourceList* resources() const { return resources_; }
  void setResources(const ResourceList* resources) { resources_ = resources; }
  int32_t operatorSequence() const { return operatorSequence_; }
  double pixelsPerPoint() const { return pixelsPerPoint_; }
  double zoom() const { return zoom_; }
  const DrawFlags& flags() const { return flags_; }
  // Image bitmaps built since this renderer was created (cache hits build none).
  int64_t bitmapsBuilt() const { return bitmapsBuilt_; }
  // Device pixel boxes of the pictures the last drawPage painted straight onto the page (not
  // stencil masks, which are painted shapes, nor images inside patterns, groups or Type 3
  // glyphs), clipped to the bitmap: what a screen filter may want to leave as they are.
  struct ImageArea {
    int32_t x = 0, y = 0, width = 0, height = 0;
  };
  static constexpr std::size_t kMaxImageAreas = 4096;
  const std::vector<ImageArea>& imageAreas() const { return imageAreas_; }
  // While the flag (not owned) is raised, drawPage stops between operators and leaves the bitmap
  // unfinished: a page drawn ahead that is no longer wanted. Null: never stops.
  void setStopFlag(const std::atomic<bool>* flag) { stop_ = flag; }
  bool stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

  // Runs one record.
  void execute(const OperatorList& list, const OperatorRecord& record);

  // Reports a page fault once per drawing: the catalogue message (0 for none) with its argument,
  // and what the page is drawn without.
  void reportOnce(int number, const std::string& argument, const std::string& leftOut);

  // q and Q.
  void saveState();
  void restoreState();

  // The text part of the graphics state, which text showing and Type 3 glyphs work on.
  struct TextState {
    // Text matrices (Tm, Tlm and the glyph matrix) and their copies saved by BT.
    TextMatrix matrix, line, glyph;
    TextMatrix savedMatrix, savedLine, savedGlyph;
    // Marked content's ActualText, handed out to the codes shown until EMC.
    std::u16string actualText;
    bool actualTextActive = false;
    // Nesting of Type 3 glyph procedures being run (no text is collected inside them).
    int type3Depth = 0;
    // While a glyph procedure runs with its font's own resources: the resources of the content
    // that showed the glyph, where fonts the font's resources lack are found.
    const ResourceList* type3ShowingResources = nullptr;
  };
  TextState& text() { return text_; }

  // Text showing: the font a Tf name selects (nullptr when absent), TJ and its forms.
  S_FixedPosSize_Font* findFont(const std::string& name);
  void showText(const PdfObject& array);

  // Text drawn as outlines (user space, nonzero winding): filled with the fill colour or pattern
  // and stroked with the line state and the stroke colour or pattern.
  void paintTextOutlines(const brevia::gfx::GraphicsPath& outlines, bool fill, bool stroke);
  // Text in the clipping modes: from the first such show until ET the outlines shown (user
  // space) are gathered; ET intersects the clip with them (with nothing when none had an outline).
  void beginTextClip() { textClipPending_ = true; }
  void addTextClip(const brevia::gfx::GraphicsPath& outlines);
  bool fillsWithPattern() const { return (tilingFill_ || shadingFill_) && currentPattern_; }

 private:
  TextState text_;
  // Font resource names used on the page.
  std::vector<std::string> usedFontNames_;

  // One drawing: with a target the page is painted into it, without one only its text is
  // collected; text is collected either way while the page's text is not built.
  void run(int32_t pageNumber, uint8_t cacheFlag, Device* painter, double twipsPerPixel,
           double deviceHeight, double deviceWidth, double zoom, const DrawFlags& flags);
  void resetDrawing();
  void setInitialState(const C_PDF_PageTreeNode_or_Page& page);

  // Paths and painting.
  void pathOperator(const OperatorRecord& r);
  void stroke(bool close);
  void fill(brevia::gfx::FillMode mode);
  void fillThenStroke(brevia::gfx::FillMode mode, bool close);
  void endPath();
  void applyPendingClips();
  void applyTextClip();
  brevia::gfx::Pen currentPen() const;
  // Strokes path (user space) with the stroke colour, or through it with the stroke pattern.
  void strokePath(const brevia::gfx::Pen& pen, const brevia::gfx::GraphicsPath& path);
  void strokeWithPattern(const brevia::gfx::Pen& pen, const brevia::gfx::GraphicsPath& path);
  brevia::gfx::GraphicsPath cleanedForStroke() const;

  // XObjects and inline images.
  void drawNamedXObject(const std::string& name);
  void drawForm(XObjectDescriptor& form);
  // name: the image's resource name, for a report when it cannot be decoded (empty inline).
  void drawImage(XObjectDescriptor& image, bool isInline, const std::string& name = {});
  // An image mask painted with the fill pattern: the pattern shows through the mask's samples.
  void drawImageMaskWithPattern(const brevia::gfx::Bitmap& mask);

  // Shadings and patterns.
  void paintShading(const std::string& name);
  void paintGradient(const C_PDF_Shading& shading, const brevia::gfx::GraphicsPath* path);
  void selectPattern(std::string_view name, const OperatorList& list, const OperatorRecord& r);
  void selectStrokePattern(std::string_view name, const OperatorRecord& r);
  void fillWithPattern();
  void fillWithTiling(C_PDF_TilingPattern& pattern);
  brevia::gfx::Matrix patternSpace(const C_PDF_Pattern& pattern) const;

  // Colours.
  void colourOperator(const OperatorList& list, const OperatorRecord& r);
  void setStrokeColour(uint32_t colorref);
  void setFillColour(uint32_t colorref);

  // Transparency. Painting under a soft mask goes into a layer that is drawn through the mask
  // once the mask changes; a transparency group is a layer drawn with its ca, blend mode and
  // mask when the group ends.
  // The device keeps the layer's pixels; this is how the interpreter closes it.
  struct Layer {
    bool isGroup = false;
    // Mask layers: the mask; groups: how the group is drawn onto what lies below.
    std::shared_ptr<const SoftMask> mask;
    brevia::gfx::BlendMode blend = brevia::gfx::BlendMode::Normal;
    float alpha = 1.0f;
  };
  // Before painting: the layer of the current soft mask must be the one drawn into.
  void syncSoftMask();
  bool openLayer(brevia::gfx::RectF deviceBounds);
  void closeLayer();
  void setSoftMask(const PdfObject& mask);
  bool beginGroup(const XObjectDescriptor& form);
  void endGroup();

  // Optional content: BMC/BDC open a level, EMC closes it; inside a level that hides its
  // content nothing is painted (the state still changes, text still advances).
  void enterMarkedContent(bool hidden, std::string_view tag);
  void leaveMarkedContent();
  bool hiddenByOptionalContent(const PdfObject* value);

  // Appearance streams of the page's annotations, over the content.
  void drawAnnotations();
  void drawAppearance(XObjectDescriptor& form, const std::vector<double>& rect,
                      const brevia::gfx::Matrix& pageCtm);

  // Other state.
  void applyExtGState(const std::string& name);
  void setDash(const PdfObject& array, double phase);
  void beginMarkedContent(const OperatorList& list, const OperatorRecord& r);

  C_PDF_Document& document_;
  C_PDF_Creator& creator_;

  // The page's painter (null while text is scanned), and the device drawn into now (the page's,
  // a tiling cell's or a soft mask's; while text is scanned one that paints nothing).
  Device* pageDevice_ = nullptr;
  Device scanDevice_;
  Device* device_ = &scanDevice_;
  bool painting() const { return device_->paints(); }
  PageSpace space_;
  Device* textDevice_ = nullptr;
  // Reused from page to page.
  std::unique_ptr<TextDevice> collector_;
  std::vector<std::unique_ptr<Layer>> layers_;
  // The mask of the top layer when it is a mask layer.
  const SoftMask* activeMask_ = nullptr;
  int softMaskNesting_ = 0;

  std::unique_ptr<OptionalContent> optionalContent_;
  std::vector<bool> markedContent_;
  int hiddenLevels_ = 0;
  // The drawing's own flags, while hidden content switches painting off.
  DrawFlags visibleFlags_;
  brevia::gfx::GraphicsPath path_;
  brevia::gfx::PointF currentPoint_{0, 0};
  bool clipNonZeroPending_ = false;
  bool clipEvenOddPending_ = false;
  // Outlines of text in the clipping modes (device space) until ET.
  std::vector<brevia::gfx::PointF> textClipPoints_;
  std::vector<uint8_t> textClipTypes_;
  bool textClipPending_ = false;

  std::unique_ptr<GraphicsState> state_;
  std::vector<std::unique_ptr<GraphicsState>> stack_;
  int ignoredSaves_ = 0;

  const ResourceList* resources_ = nullptr;
  const C_PDF_PageTreeNode_or_Page* page_ = nullptr;

  double twipsPerPixel_ = 20;
  double pixelsPerPoint_ = 1;
  double zoom_ = 1;
  double deviceWidth_ = 0;
  double deviceHeight_ = 0;
  DrawFlags flags_;
  int32_t operatorSequence_ = 0;
  int formNesting_ = 0;

  // Pattern colours chosen by scn.
  bool tilingFill_ = false;
  bool shadingFill_ = false;
  bool patternPending_ = false;
  std::shared_ptr<C_PDF_Pattern> currentPattern_;
  // The colour an uncoloured tiling pattern paints with (ARGB), while its cell runs colour
  // operators are ignored.
  uint32_t patternColour_ = 0xFF000000;
  bool ignoreColourOperators_ = false;
  int patternNesting_ = 0;
  // Cells the current outermost pattern fill may still draw.
  int tileBudget_ = 0;
  // The page's initial transform: pattern space starts from it.
  brevia::gfx::Matrix baseCtm_;

  // Bitmaps of the page's images by ordinal, kept while the same page is drawn with the same
  // cache flag.
  std::vector<std::unique_ptr<brevia::gfx::Bitmap>> imageCache_;
  // Per cached bitmap: the drawn size (device pixels along the image's axes) it is enough for.
  std::vector<std::pair<float, float>> imageCacheReach_;
  int32_t imageOrdinal_ = 0;
  std::vector<ImageArea> imageAreas_;
  // Records where an image about to be drawn lands, by the painter's transform.
  void noteImageArea(bool imageMask);
  int64_t bitmapsBuilt_ = 0;
  const std::atomic<bool>* stop_ = nullptr;
  uint8_t cacheFlag_ = 0;

  int32_t cachedPage_ = -1;
  uint8_t cachedFlag_ = 0;
  std::set<std::string> reported_;
};
