#pragma once
// DisplayList: a page recorded once, as the calls the interpreter made, and replayed into any
// other device at another scale or shifted (a zoom, a tile) without running the page's content
// again. Paths, clips, glyphs, images and layers are kept in the recording's world terms, so a
// replay draws them afresh at the new scale; what the interpreter drew into bitmaps of its own
// (tiling cells, soft masks, stroke masks of patterns) is kept at the recording's resolution.

#include <cstddef>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "engine/render/devices/device.h"
#include "platform/graphics/graphics.h"

class DisplayList : public Device {
 public:
  // Commands kept at most; later ones are dropped (and the list says it is incomplete).
  static constexpr std::size_t kMaxCommands = 4'000'000;
  // Bytes of bitmaps (images, cells, masks) kept at most.
  static constexpr std::size_t kMaxBitmapBytes = 512u * 1024 * 1024;

  // Records a drawing into a target of width × height device pixels, painted as drawPage paints
  // (smoothing and interpolation of high quality).
  DisplayList(int width, int height);
  ~DisplayList() override;

  // Replays into device through scale, then a shift by (dx, dy) device pixels of device.
  void replay(Device& device, double scale = 1, double dx = 0, double dy = 0) const;

  // False when something was kept at the recording's resolution: replayed at another scale it
  // is resampled, not drawn afresh.
  bool scalable() const { return scalable_; }
  // False when something could not be kept (limits, brushes of unknown kinds).
  bool complete() const { return complete_; }
  std::size_t commandCount() const { return commands_.size(); }
  int width() const { return width_; }
  int height() const { return height_; }

  bool paints() const override { return true; }
  const brevia::gfx::Matrix& transform() const override { return state_.transform(); }
  void getClip(brevia::gfx::Region& region) const override { state_.getClip(region); }
  brevia::gfx::RectF deviceClipBounds() const override { return state_.deviceClipBounds(); }
  brevia::gfx::BlendMode blendMode() const override { return state_.blendMode(); }
  brevia::gfx::CompositingMode compositingMode() const override { return state_.compositingMode(); }
  brevia::gfx::InterpolationMode interpolationMode() const override {
    return state_.interpolationMode();
  }
  brevia::gfx::SmoothingMode smoothingMode() const override { return state_.smoothingMode(); }
  void setTransform(const brevia::gfx::Matrix& matrix) override;
  void multiplyTransform(const brevia::gfx::Matrix& matrix) override;
  void clipPath(const brevia::gfx::GraphicsPath& path, brevia::gfx::CombineMode mode) override;
  void clipRect(const brevia::gfx::RectF& rect, brevia::gfx::CombineMode mode) override;
  void setClip(const brevia::gfx::Region& region, brevia::gfx::CombineMode mode) override;
  void resetClip() override;
  brevia::gfx::RectF targetBounds() const override;

  void setBlendMode(brevia::gfx::BlendMode mode) override;
  void setCompositingMode(brevia::gfx::CompositingMode mode) override;
  void setInterpolationMode(brevia::gfx::InterpolationMode mode) override;

  void fillPath(const brevia::gfx::Brush& brush, const brevia::gfx::GraphicsPath& path) override;
  void strokePath(const brevia::gfx::Pen& pen, const brevia::gfx::GraphicsPath& path) override;
  void fillRectangle(const brevia::gfx::Brush& brush, const brevia::gfx::RectF& rect) override;
  void drawImage(const brevia::gfx::Bitmap& bitmap, const brevia::gfx::PointF dest[3],
                 const brevia::gfx::RectF& source,
                 const brevia::gfx::ImageAttributes* attributes) override;
  void fillTexture(const brevia::gfx::Bitmap& cell, const brevia::gfx::Matrix& placement,
                   const brevia::gfx::GraphicsPath& path) override;
  void drawGlyphMask(const brevia::gfx::CoverageMask& mask, int x, int y,
                     brevia::gfx::Argb colour) override;
  void fillGlyph(const GlyphFill& fill) override;
  void showText(const TextShow& show) override;

  bool beginLayer(const brevia::gfx::RectF& deviceBounds) override;
  void endLayer(float alpha, brevia::gfx::BlendMode blend,
                const brevia::gfx::Bitmap* mask) override;
  brevia::gfx::RectI layerBox() const override;

  void beginMarkedContent(const std::string& tag) override;
  void endMarkedContent() override;

 private:
  struct SetTransform {
    brevia::gfx::Matrix matrix;
  };
  struct ClipPath {
    brevia::gfx::GraphicsPath path;
    brevia::gfx::CombineMode mode;
  };
  struct ClipRect {
    brevia::gfx::RectF rect;
    brevia::gfx::CombineMode mode;
  };
  struct SetClip {
    brevia::gfx::Region region;
    brevia::gfx::CombineMode mode;
  };
  struct ResetClip {};
  struct SetBlend {
    brevia::gfx::BlendMode mode;
  };
  struct SetCompositing {
    brevia::gfx::CompositingMode mode;
  };
  struct SetInterpolation {
    brevia::gfx::InterpolationMode mode;
  };
  struct FillPath {
    std::shared_ptr<const brevia::gfx::Brush> brush;
    brevia::gfx::GraphicsPath path;
  };
  struct StrokePath {
    brevia::gfx::Pen pen;
    brevia::gfx::GraphicsPath path;
  };
  struct FillRectangle {
    std::shared_ptr<const brevia::gfx::Brush> brush;
    brevia::gfx::RectF rect;
  };
  struct DrawImage {
    std::shared_ptr<const brevia::gfx::Bitmap> bitmap;
    brevia::gfx::PointF dest[3];
    brevia::gfx::RectF source;
    std::shared_ptr<const brevia::gfx::ImageAttributes> attributes;
  };
  struct FillTexture {
    std::shared_ptr<const brevia::gfx::Bitmap> cell;
    brevia::gfx::Matrix placement;
    brevia::gfx::GraphicsPath path;
  };
  struct GlyphMask {
    std::vector<uint8_t> coverage;
    int width, height, x, y;
    brevia::gfx::Argb colour;
  };
  struct ShowText {
    TextShow show;
    std::u16string text;
  };
  struct BeginLayer {
    brevia::gfx::RectF bounds;
  };
  struct EndLayer {
    float alpha;
    brevia::gfx::BlendMode blend;
    std::shared_ptr<const brevia::gfx::Bitmap> mask;
  };
  struct BeginMarked {
    std::string tag;
  };
  struct EndMarked {};
  using Command =
      std::variant<SetTransform, ClipPath, ClipRect, SetClip, ResetClip, SetBlend, SetCompositing,
                   SetInterpolation, FillPath, StrokePath, FillRectangle, DrawImage, FillTexture,
                   GlyphMask, GlyphFill, ShowText, BeginLayer, EndLayer, BeginMarked, EndMarked>;

  bool room();
  void add(Command command);
  // A copy of bitmap kept by the list, with its origin; null beyond the limits.
  std::shared_ptr<const brevia::gfx::Bitmap> keep(const brevia::gfx::Bitmap& bitmap);
  std::shared_ptr<const brevia::gfx::Brush> keep(const brevia::gfx::Brush& brush);

  int width_;
  int height_;
  // The transform, clip and settings as a painter keeps them (its clip regions are what the
  // interpreter saves and restores); it paints nothing.
  brevia::gfx::Bitmap stateTarget_{1, 1};
  brevia::gfx::Graphics state_{stateTarget_};
  std::vector<Command> commands_;
  // Pixel boxes of the layers open while recording, as a painter would make them.
  std::vector<brevia::gfx::RectI> layers_;
  std::size_t bitmapBytes_ = 0;
  bool scalable_ = true;
  bool complete_ = true;
};
