#include "engine/render/pdf_draw.h"

#include <cmath>
#include <cstdlib>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/text_string.h"
#include "engine/fonts/global_resource_font.h"
#include "engine/layout/page_text_layout.h"
#include "engine/messages/message_catalogue.h"
#include "engine/messages/message_listener.h"
#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space.h"
#include "engine/render/devices/cairo_device.h"
#include "engine/render/devices/text_device.h"
#include "engine/render/optional_content.h"
#include "engine/render/page_pixels.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/render_request.h"
#include "engine/render/render_context.h"
#include "engine/render/resolved_values.h"
#include "engine/render/resource_list.h"
#include "platform/graphics/solid_brush.h"
#include "platform/system/memory_gauge.h"

namespace gfx = brevia::gfx;
namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
// A text scan works in page units: one device pixel per point.
constexpr double kPointsPerInch = 72;

TextMatrix translation(double tx, double ty) { return TextMatrix{1, 0, 0, 1, tx, ty}; }

}  // namespace

C_PDF_Draw::C_PDF_Draw(C_PDF_Document& document, C_PDF_Creator& creator)
    : document_(document), creator_(creator) {}

C_PDF_Draw::~C_PDF_Draw() = default;

void C_PDF_Draw::reportOnce(int number, const std::string& argument, const std::string& leftOut) {
  if (reported_.insert(std::to_string(number) + ":" + argument + ":" + leftOut).second)
    Messages::ReportPageFault(number, 0, argument, leftOut);
}

void C_PDF_Draw::resetDrawing() {
  stack_.clear();
  ignoredSaves_ = 0;
  state_.reset();
  layers_.clear();
  activeMask_ = nullptr;
  softMaskNesting_ = 0;
  space_.attach(nullptr);
  device_ = &scanDevice_;
  pageDevice_ = nullptr;
  textDevice_ = nullptr;
  path_.reset();
  resources_ = nullptr;
  page_ = nullptr;
  formNesting_ = 0;
}

void C_PDF_Draw::setInitialState(const C_PDF_PageTreeNode_or_Page& page) {
  state_ = std::make_unique<GraphicsState>();
  state_->strokeSpace = defaultColourSpace();
  state_->fillSpace = defaultColourSpace();
  const uint32_t black = initialColour(*state_->fillSpace);
  state_->strokeArgb = applyAlpha(black, 1.0);
  state_->fillArgb = applyAlpha(black, 1.0);

  // Device pixels per unit of the page's space (UserUnit points each).
  const double s = pixelsPerPoint_ * zoom_ * page.userUnit;
  const double z = zoom_;
  const double W = deviceWidth_, H = deviceHeight_;
  const double x0 = page.originX, y0 = page.originY;
  gfx::Matrix ctm;
  switch (page.rotation) {
    case 180:
      ctm = gfx::Matrix(float(-s), 0, 0, float(s), float(z * W + s * x0), float(-s * y0));
      break;
    case 270:
      ctm = gfx::Matrix(0, float(-s), float(-s), 0, float(z * W + s * y0), float(z * H + s * x0));
      break;
    case 90:
      ctm = gfx::Matrix(0, float(s), float(s), 0, float(-s * y0), float(-s * x0));
      break;
    default:
      ctm = gfx::Matrix(float(s), 0, 0, float(-s), float(-s * x0), float(z * H + s * y0));
      break;
  }
  state_->ctm = ctm;
  baseCtm_ = ctm;
  gfx::RectF device{0, 0, float(W * z), float(H * z)};
  state_->clip = gfx::Region();
  state_->clip.combine(device, gfx::CombineMode::Intersect);
  space_.setClip(state_->clip, gfx::CombineMode::Replace);
  space_.setTransform(ctm);
}

void C_PDF_Draw::render(const RenderRequest& request) {
  if (!request.output) return;
  // The request's stop flag stands in for the renderer's own while it draws.
  struct StopFlag {
    const std::atomic<bool>*& flag;
    const std::atomic<bool>* saved;
    ~StopFlag() { flag = saved; }
  } stop{stop_, stop_};
  if (request.stop) stop_ = request.stop;
  DrawFlags flags;
  flags.restrictedText = request.skip.restrictedText;
  flags.skipImages = request.skip.images;
  flags.skipPainting = request.skip.painting;
  flags.skipAnnotations = request.skip.annotations;
  CairoDevice painter(*request.output);
  painter.setSmoothingMode(gfx::SmoothingMode::HighQuality);
  painter.setInterpolationMode(gfx::InterpolationMode::HighQuality);
  painter.setCompositingMode(gfx::CompositingMode::SourceOver);
  run(request.pageNumber, request.cacheFlag(), &painter, request.twipsPerPixel,
      request.deviceHeight, request.deviceWidth, request.zoom, flags);
}

void C_PDF_Draw::drawPage(int32_t pageNumber, uint8_t cacheFlag, gfx::Bitmap& target,
                          double reserved, double twipsPerPixel, double deviceHeight,
                          double deviceWidth, double zoom, int32_t, int32_t, int32_t restrictedText,
                          int32_t skipImages, int32_t, int32_t skipPainting) {
  RenderRequest request;
  request.pageNumber = pageNumber;
  request.target = cacheFlag == 0 ? RenderTarget::Print : RenderTarget::Screen;
  request.resolution = reserved;
  request.twipsPerPixel = twipsPerPixel;
  request.deviceHeight = deviceHeight;
  request.deviceWidth = deviceWidth;
  request.zoom = zoom;
  request.skip.restrictedText = restrictedText != 0;
  request.skip.images = skipImages != 0;
  request.skip.painting = skipPainting != 0;
  request.output = &target;
  render(request);
}

void C_PDF_Draw::drawPageTo(int32_t pageNumber, uint8_t cacheFlag, Device& device,
                            double twipsPerPixel, double deviceHeight, double deviceWidth,
                            double zoom) {
  run(pageNumber, cacheFlag, &device, twipsPerPixel, deviceHeight, deviceWidth, zoom, DrawFlags{});
}

const PageTextLayout* C_PDF_Draw::collectPageText(int32_t pageNumber) {
  const C_PDF_PageTreeNode_or_Page* page = document_.findPage(pageNumber, false);
  if (!page) return nullptr;
  S_PDF_PageEx* parsed = creator_.getPage(pageNumber);
  if (!parsed || !parsed->layout) return nullptr;
  if (!parsed->layout->built()) {
    // Page units at zoom 1: one device pixel per point.
    const PagePixels pixels = pagePixels(*page, kPointsPerInch);
    run(pageNumber, 1, nullptr, pixels.twipsPerPixel, pixels.height, pixels.width, 1.0,
        DrawFlags{false, true, true});
  }
  return parsed->layout.get();
}

void C_PDF_Draw::run(int32_t pageNumber, uint8_t cacheFlag, Device* painter, double twipsPerPixel,
                     double deviceHeight, double deviceWidth, double zoom, const DrawFlags& flags) {
  struct Cleanup {
    C_PDF_Draw& d;
    ~Cleanup() { d.resetDrawing(); }
  } cleanup{*this};
  // Whatever is left out while this page is drawn is reported with it.
  const Messages::DrawingPage drawingPage(pageNumber);

  flags_ = flags;
  if (painter) imageAreas_.clear();
  // Between pages no font is showing text: those of older pages may give memory back.
  creator_.context().fonts().beginPage();
  // Without a painter nothing is painted: images and paths only cost time then.
  if (!painter || !painter->paints()) {
    painter = nullptr;
    flags_.skipImages = flags_.skipPainting = true;
  }
  visibleFlags_ = flags_;
  markedContent_.clear();
  hiddenLevels_ = 0;
  if (!optionalContent_) optionalContent_ = std::make_unique<OptionalContent>(document_);
  tilingFill_ = shadingFill_ = patternPending_ = false;
  currentPattern_.reset();
  ignoreColourOperators_ = false;
  patternNesting_ = 0;
  clipNonZeroPending_ = clipEvenOddPending_ = false;
  textClipPending_ = false;
  textClipPoints_.clear();
  textClipTypes_.clear();
  if (pageNumber != cachedPage_ || cacheFlag != cachedFlag_) {
    imageCache_.clear();
    cachedPage_ = pageNumber;
    cachedFlag_ = cacheFlag;
  }
  cacheFlag_ = cacheFlag;
  imageOrdinal_ = 0;
  usedFontNames_.clear();
  reported_.clear();
  text_.actualText.clear();
  text_.actualTextActive = false;
  operatorSequence_ = 0;
  text_.matrix = text_.line = text_.glyph = TextMatrix{};

  layers_.clear();
  activeMask_ = nullptr;
  softMaskNesting_ = 0;
  pageDevice_ = painter;
  if (painter) {
    device_ = painter;
  } else {
    scanDevice_ = Device();
    device_ = &scanDevice_;
  }
  space_.attach(device_);
  path_.reset();
  currentPoint_ = {0, 0};

  twipsPerPixel_ = twipsPerPixel > 0 ? twipsPerPixel : 20;
  pixelsPerPoint_ = 20.0 / twipsPerPixel_;
  zoom_ = zoom > 0 ? zoom : 1;
  deviceWidth_ = deviceWidth;
  deviceHeight_ = deviceHeight;

  space_.resetClip();
  space_.resetTransform();
  device_->fillRectangle(gfx::SolidBrush(kWhite),
                         gfx::RectF{0, 0, float(deviceWidth * zoom_), float(deviceHeight * zoom_)});

  S_PDF_PageEx* parsed = creator_.getPage(pageNumber);
  // Prepared: after the page tree is completed the page is a new node whose resources are
  // loaded again here.
  const C_PDF_PageTreeNode_or_Page* page = document_.findPreparedPage(pageNumber, false);
  if (!parsed || !page) return;
  page_ = page;
  resources_ = dynamic_cast<const ResourceList*>(page->resourceList.get());
  setInitialState(*page);
  if (resources_)
    for (const std::string& error : resources_->loadErrors)
      reportOnce(Messages::kMsgFatalInternal, error,
                 "the colours of a colour space that cannot be read (drawn in a default space)");

  const bool collecting = parsed->layout && !parsed->layout->built();
  if (collecting) {
    if (!collector_) collector_ = std::make_unique<TextDevice>();
    collector_->begin(pixelsPerPoint_ * zoom_);
    textDevice_ = collector_.get();
  }
  const OperatorList& list = parsed->operators;
  for (const OperatorRecord& record : list.records) {
    if (stopped()) break;
    ++operatorSequence_;
    execute(list, record);
  }
  while (!layers_.empty()) closeLayer();
  if (!markedContent_.empty()) {
    for (std::size_t open = markedContent_.size(); open > 0; --open) device_->endMarkedContent();
    markedContent_.clear();
    hiddenLevels_ = 0;
    flags_ = visibleFlags_;
  }
  if (!stopped() && !flags_.skipAnnotations) drawAnnotations();
  while (!layers_.empty()) closeLayer();
  textDevice_ = nullptr;
  // A stopped drawing saw part of the text only; the page keeps none, so it is collected again.
  if (collecting && !stopped()) collector_->finish(*parsed->layout);
  // Under memory pressure the page's images are dropped; they are decoded again when needed.
  if (brevia::platform::memoryLoadPercent() >= brevia::platform::kHighMemoryLoadPercent) {
    imageCache_.clear();
    imageOrdinal_ = 0;
  }
  space_.resetClip();
  space_.resetTransform();
  device_->flush();
}

void C_PDF_Draw::saveState() {
  if (static_cast<int>(stack_.size()) >= kMaxStateDepth) {
    ++ignoredSaves_;
    return;
  }
  auto saved = std::make_unique<GraphicsState>(*state_);
  saved->fillArgb = replaceAlpha(saved->fillArgb, saved->fillAlpha);
  saved->strokeArgb = replaceAlpha(saved->strokeArgb, saved->strokeAlpha);
  space_.getClip(saved->clip);
  // The fill colour is part of the state, also when it is a pattern.
  saved->savedFillPattern = currentPattern_;
  saved->savedFillPatternArgb = patternColour_;
  saved->savedTilingFill = tilingFill_;
  saved->savedShadingFill = shadingFill_;
  stack_.push_back(std::move(saved));
}

void C_PDF_Draw::restoreState() {
  if (ignoredSaves_ > 0) {
    --ignoredSaves_;
    return;
  }
  if (stack_.empty()) return;
  state_ = std::move(stack_.back());
  stack_.pop_back();
  currentPattern_ = state_->savedFillPattern;
  patternColour_ = state_->savedFillPatternArgb;
  tilingFill_ = state_->savedTilingFill;
  shadingFill_ = state_->savedShadingFill;
  state_->imageAttributes.setAlphaFactor(static_cast<float>(state_->fillAlpha));
  device_->setBlendMode(state_->blendMode);
  space_.setTransform(state_->ctm);
  space_.setClip(state_->clip, gfx::CombineMode::Replace);
}

namespace {

// The blend mode a BM name gives; false for names that are not blend modes.
bool blendModeNamed(const std::string& name, gfx::BlendMode& mode) {
  static const char* const kNames[] = {"Normal",    "Multiply",   "Screen",     "Overlay",
                                       "Darken",    "Lighten",    "ColorDodge", "ColorBurn",
                                       "HardLight", "SoftLight",  "Difference", "Exclusion",
                                       "Hue",       "Saturation", "Color",      "Luminosity"};
  for (int i = 0; i < 16; ++i)
    if (name == kNames[i]) {
      mode = static_cast<gfx::BlendMode>(i);
      return true;
    }
  if (name == "Compatible") {
    mode = gfx::BlendMode::Normal;
    return true;
  }
  return false;
}

}  // namespace

void C_PDF_Draw::setDash(const PdfObject& array, double phase) {
  std::vector<double> lengths;
  double total = 0;
  for (const PdfObject& e : array.elements) {
    if (!e.isNumber() || lengths.size() >= kMaxDashes) continue;
    const double v = e.realValue();
    if (!(v >= 0) || !std::isfinite(v)) return;  // a negative length makes the pattern unusable
    lengths.push_back(v);
    total += v;
  }
  // All zeros: solid, as an empty pattern.
  if (!(total > 0)) lengths.clear();
  state_->dashes = std::move(lengths);
  state_->dashPhase = std::isfinite(phase) ? phase : 0;
}

void C_PDF_Draw::applyExtGState(const std::string& name) {
  const PdfObject* gs = resources_ ? resources_->extGState(name) : nullptr;
  if (!gs) {
    reportOnce(Messages::kMsgFatalInternal, "16",
               "the graphics state /" + name + ", which is not in the page's resources");
    return;
  }
  ObjectResolver& resolver = *document_.resolver();
  auto resolvedEntry = [&](const char* key, PdfObject& storage) -> const PdfObject* {
    const PdfObject* v = gs->lookup(key);
    if (!v) return nullptr;
    try {
      return &resolver.resolved(*v, storage);
    } catch (const C_PDF_Exception&) {
      return nullptr;
    }
  };
  auto value = [&](const char* key, double& out) {
    PdfObject storage;
    const PdfObject* v = resolvedEntry(key, storage);
    if (!v || !v->isNumber()) return false;
    out = v->realValue();
    return std::isfinite(out);
  };
  double alpha;
  if (value("ca", alpha)) {
    state_->fillAlpha = alpha;
    // Also when ca returns to 1: images after it are opaque again.
    state_->imageAttributes.setAlphaFactor(static_cast<float>(alpha));
    state_->fillArgb = replaceAlpha(state_->fillArgb, alpha);
  }
  if (value("CA", alpha)) {
    state_->strokeAlpha = alpha;
    state_->strokeArgb = replaceAlpha(state_->strokeArgb, alpha);
  }
  double number;
  if (value("LW", number)) state_->lineWidth = number;
  if (value("LC", number)) state_->lineCap = truncateToInt32(number);
  if (value("LJ", number)) state_->lineJoin = truncateToInt32(number);
  if (value("ML", number)) state_->miterLimit = number;
  PdfObject storage;
  if (const PdfObject* d = resolvedEntry("D", storage);
      d && d->isArray() && d->elements.size() >= 2 && d->elements[0].isArray())
    setDash(d->elements[0], d->elements[1].isNumber() ? d->elements[1].realValue() : 0);
  if (const PdfObject* bm = resolvedEntry("BM", storage)) {
    gfx::BlendMode mode = gfx::BlendMode::Normal;
    if (bm->isName()) {
      blendModeNamed(bm->text, mode);
    } else if (bm->isArray()) {
      // The first mode this reader knows.
      for (const PdfObject& e : bm->elements)
        if (e.isName() && blendModeNamed(e.text, mode)) break;
    }
    state_->blendMode = mode;
    device_->setBlendMode(mode);
  }
  // Font: [font size], as Tf sets them. Only a font object (a reference) is taken, so that it is
  // loaded once however often the state is set.
  if (const PdfObject* f = resolvedEntry("Font", storage);
      f && f->isArray() && f->elements.size() >= 2 && f->elements[0].isReference() &&
      f->elements[1].isNumber() && std::isfinite(f->elements[1].realValue())) {
    try {
      state_->font = creator_.context().fonts().load("Font", f->elements[0]);
      state_->fontSize = f->elements[1].realValue();
    } catch (const C_PDF_Exception&) {
    }
  }
  if (const PdfObject* mask = gs->lookup("SMask")) {
    PdfObject maskStorage;
    const PdfObject* m = nullptr;
    try {
      m = &resolver.resolved(*mask, maskStorage);
    } catch (const C_PDF_Exception&) {
    }
    if (m && m->isDictionary())
      setSoftMask(*m);
    else
      state_->softMask.reset();  // None
  }
}

void C_PDF_Draw::enterMarkedContent(bool hidden, std::string_view tag) {
  if (markedContent_.size() >= kMaxMarkedContentDepth) return;
  markedContent_.push_back(hidden);
  device_->beginMarkedContent(std::string(tag));
  if (hidden && hiddenLevels_++ == 0) {
    flags_.skipPainting = true;
    flags_.skipImages = true;
  }
}

void C_PDF_Draw::leaveMarkedContent() {
  if (markedContent_.empty()) return;
  const bool hidden = markedContent_.back();
  markedContent_.pop_back();
  device_->endMarkedContent();
  if (hidden && --hiddenLevels_ == 0) flags_ = visibleFlags_;
}

bool C_PDF_Draw::hiddenByOptionalContent(const PdfObject* value) {
  if (!value || !optionalContent_ || optionalContent_->empty()) return false;
  return optionalContent_->hides(*value, *document_.resolver());
}

void C_PDF_Draw::beginMarkedContent(const OperatorList& list, const OperatorRecord& r) {
  bool hidden = false;
  if (list.str(r, 0) == "OC" && optionalContent_ && !optionalContent_->empty()) {
    const PdfObject* properties = list.object(r);
    if (properties && properties->isName() && resources_)
      properties = resources_->propertiesDictionary.lookup(properties->text);
    hidden = hiddenByOptionalContent(properties);
  }
  enterMarkedContent(hidden, list.str(r, 0));
  if (!text_.actualText.empty()) return;
  const PdfObject* properties = list.object(r);
  if (!properties || !properties->isDictionary()) return;
  const PdfObject* text = properties->lookup("ActualText");
  if (!text || !text->isString() || text->text.size() <= 2) return;
  // Replacement text is taken only as UTF-16 with its byte-order mark; control characters other
  // than tab mean it is not meant to be read.
  const auto b0 = static_cast<uint8_t>(text->text[0]), b1 = static_cast<uint8_t>(text->text[1]);
  if (!((b0 == 0xFE && b1 == 0xFF) || (b0 == 0xFF && b1 == 0xFE))) return;
  std::u16string decoded = decodeTextString(text->text);
  for (char16_t unit : decoded)
    if (unit < 32 && unit != u'\t') return;
  text_.actualText = std::move(decoded);
  text_.actualTextActive = !text_.actualText.empty();
}

void C_PDF_Draw::execute(const OperatorList& list, const OperatorRecord& r) {
  if (state_->softMask.get() != activeMask_) {
    switch (r.code) {
      case kOp_S:
      case kOp_s:
      case kOp_f:
      case kOp_F:
      case kOp_fStar:
      case kOp_B:
      case kOp_BStar:
      case kOp_b:
      case kOp_bStar:
      case kOp_sh:
      case kOp_Do:
      case kOp_BI:
      case kOp_Tj:
      case kOp_TJ:
      case kOp_Quote:
      case kOp_DoubleQuote:
        syncSoftMask();
        break;
      default:
        break;
    }
  }
  // Hidden text is not drawn or collected, but still advances.
  int32_t hiddenTextMode = -1;
  if (hiddenLevels_ > 0 &&
      (r.code == kOp_Tj || r.code == kOp_TJ || r.code == kOp_Quote || r.code == kOp_DoubleQuote)) {
    hiddenTextMode = state_->renderMode;
    state_->renderMode = 3;
  }
  GraphicsState& s = *state_;
  switch (r.code) {
    case kOp_w:
      s.lineWidth = r.num[0];
      break;
    case kOp_J:
      s.lineCap = truncateToInt32(r.num[0]);
      break;
    case kOp_j:
      s.lineJoin = truncateToInt32(r.num[0]);
      break;
    case kOp_M:
      s.miterLimit = r.num[0];
      break;
    case kOp_d:
      if (const PdfObject* array = list.object(r); array && array->isArray())
        setDash(*array, r.num[0]);
      break;
    case kOp_gs:
      applyExtGState(std::string(list.str(r, 0)));
      break;
    case kOp_q:
      saveState();
      break;
    case kOp_Q:
      restoreState();
      break;
    case kOp_cm: {
      gfx::Matrix m(float(r.num[0]), float(r.num[1]), float(r.num[2]), float(r.num[3]),
                    float(r.num[4]), float(r.num[5]));
      if (!m.isFinite()) break;
      space_.multiplyTransform(m);
      s.ctm = space_.transform();
      break;
    }
    case kOp_m:
    case kOp_l:
    case kOp_c:
    case kOp_v:
    case kOp_y:
    case kOp_h:
    case kOp_re:
      pathOperator(r);
      break;
    case kOp_S:
      stroke(false);
      break;
    case kOp_s:
      stroke(true);
      break;
    case kOp_f:
    case kOp_F:
      fill(gfx::FillMode::Winding);
      endPath();
      break;
    case kOp_fStar:
      fill(gfx::FillMode::Alternate);
      endPath();
      break;
    case kOp_B:
      fillThenStroke(gfx::FillMode::Winding, false);
      break;
    case kOp_BStar:
      fillThenStroke(gfx::FillMode::Alternate, false);
      break;
    case kOp_b:
      fillThenStroke(gfx::FillMode::Winding, true);
      break;
    case kOp_bStar:
      fillThenStroke(gfx::FillMode::Alternate, true);
      break;
    case kOp_n:
      endPath();
      break;
    case kOp_W:
      clipNonZeroPending_ = true;
      break;
    case kOp_WStar:
      clipEvenOddPending_ = true;
      break;
    case kOp_BT:
      text_.savedMatrix = text_.matrix;
      text_.savedLine = text_.line;
      text_.savedGlyph = text_.glyph;
      text_.matrix = text_.line = TextMatrix{};
      textClipPending_ = false;
      textClipPoints_.clear();
      textClipTypes_.clear();
      break;
    case kOp_ET:
      applyTextClip();
      text_.matrix = text_.savedMatrix;
      text_.line = text_.savedLine;
      text_.glyph = text_.savedGlyph;
      break;
    case kOp_Tc:
      s.charSpacing = r.num[0];
      break;
    case kOp_Tw:
      s.wordSpacing = r.num[0];
      break;
    case kOp_Tz:
      s.horizontalScaling = r.num[0] / 100.0;
      break;
    case kOp_TL:
      s.leading = r.num[0];
      break;
    case kOp_Tr:
      s.renderMode = truncateToInt32(r.num[0]);
      break;
    case kOp_Ts:
      s.rise = r.num[0];
      break;
    case kOp_Tf: {
      std::string name(list.str(r, 0));
      s.fontSize = r.num[1];
      s.font = findFont(name);
      bool known = false;
      for (const std::string& used : usedFontNames_) known = known || used == name;
      if (!known) usedFontNames_.push_back(name);
      break;
    }
    case kOp_TD:
      s.leading = -r.num[1];
      [[fallthrough]];
    case kOp_Td:
      text_.line = translation(r.num[0], r.num[1]).times(text_.line);
      text_.matrix = text_.line;
      break;
    case kOp_Tm:
      text_.line = TextMatrix{r.num[0], r.num[1], r.num[2], r.num[3], r.num[4], r.num[5]};
      text_.matrix = text_.line;
      break;
    case kOp_TStar:
      text_.line = translation(0, -s.leading).times(text_.line);
      text_.matrix = text_.line;
      break;
    case kOp_DoubleQuote:
    case kOp_Quote:
    case kOp_Tj: {
      if (r.code == kOp_DoubleQuote) {
        s.wordSpacing = r.num[0];
        s.charSpacing = r.num[1];
      }
      if (r.code != kOp_Tj) {
        text_.line = translation(0, -s.leading).times(text_.line);
        text_.matrix = text_.line;
      }
      PdfObject array(PdfObjectKind::Array);
      array.elements.emplace_back(PdfObjectKind::String,
                                  std::string(list.str(r, r.code == kOp_DoubleQuote ? 2 : 0)));
      showText(array);
      break;
    }
    case kOp_TJ:
      if (const PdfObject* array = list.object(r)) showText(*array);
      break;
    case kOp_CS:
    case kOp_cs:
    case kOp_SC:
    case kOp_SCN:
    case kOp_sc:
    case kOp_scn:
    case kOp_G:
    case kOp_g:
    case kOp_RG:
    case kOp_rg:
    case kOp_K:
    case kOp_k:
      colourOperator(list, r);
      break;
    case kOp_sh:
      paintShading(std::string(list.str(r, 0)));
      break;
    case kOp_Do:
      drawNamedXObject(std::string(list.str(r, 0)));
      break;
    case kOp_BI:
      if (XObjectDescriptor* image = list.image(r)) drawImage(*image, true);
      break;
    case kOp_BDC:
      beginMarkedContent(list, r);
      break;
    case kOp_BMC:
      enterMarkedContent(false, list.str(r, 0));
      break;
    case kOp_EMC:
      leaveMarkedContent();
      text_.actualText.clear();
      text_.actualTextActive = false;
      break;
    default:
      break;
  }
  if (hiddenTextMode >= 0) state_->renderMode = hiddenTextMode;
}
