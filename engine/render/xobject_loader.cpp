#include "engine/render/xobject_loader.h"

#include <cmath>

#include "engine/decode/dct_decoder.h"
#include "engine/decode/decode_limits.h"
#include "engine/decode/flate_reader.h"
#include "engine/decode/predictor.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space.h"
#include "engine/render/image_bitmap.h"
#include "engine/render/content_parser.h"
#include "engine/render/jpx_image.h"
#include "engine/render/operator_list.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/render_context.h"
#include "engine/render/resource_list.h"
#include "engine/render/xobject_descriptor.h"

namespace {

// A number, or a reference to one; anything else gives fallback.
int32_t sizeValue(const PdfObject* value, ObjectResolver& resolver, int32_t fallback) {
  if (!value) return fallback;
  PdfObject storage;
  try {
    const PdfObject& v = resolver.resolved(*value, storage);
    return v.isNumber() ? v.intValue() : fallback;
  } catch (const C_PDF_Exception&) {
    return fallback;
  }
}

// The numeric elements of an array value (others are skipped).
std::vector<double> numbers(const PdfObject* value, ObjectResolver& resolver) {
  std::vector<double> out;
  if (!value) return out;
  PdfObject storage;
  try {
    const PdfObject& array = resolver.resolved(*value, storage);
    for (const PdfObject& e : array.elements)
      if (e.isNumber()) out.push_back(e.realValue());
  } catch (const C_PDF_Exception&) {
  }
  return out;
}

void loadImage(XObjectDescriptor& image, const PdfObject& d, RenderContext& context,
               const ResourceList* resources) {
  ObjectResolver& resolver = context.resolver();
  image.isImage = true;
  image.width = sizeValue(d.lookup("Width"), resolver, 1);
  image.height = sizeValue(d.lookup("Height"), resolver, 1);
  image.decode = numbers(d.lookup("Decode"), resolver);
  if (const PdfObject* decode = d.lookup("Decode")) {
    if (decode->isArray() && !decode->elements.empty() && !decode->elements[0].text.empty() &&
        decode->elements[0].text[0] == '1')
      image.decodeInverted = true;
  }
  bool mask = false;
  if (const PdfObject* m = d.lookup("ImageMask")) {
    PdfObject storage;
    try {
      const PdfObject& v = resolver.resolved(*m, storage);
      mask = v.kind == PdfObjectKind::Boolean && v.boolValue();
    } catch (const C_PDF_Exception&) {
    }
  }
  if (const PdfObject* key = d.lookup("Mask")) {
    PdfObject storage;
    try {
      const PdfObject& v = resolver.resolved(*key, storage);
      if (v.isArray())
        for (const PdfObject& e : v.elements)
          if (e.isNumber()) image.colourKey.push_back(e.intValue());
    } catch (const C_PDF_Exception&) {
    }
  }
  if (mask) {
    image.bitsPerComponent = 1;
    image.colourSpace = deviceGray();
    image.imageMask = true;
  } else {
    image.bitsPerComponent = sizeValue(d.lookup("BitsPerComponent"), resolver, -1);
    if (const PdfObject* cs = d.lookup("ColorSpace")) {
      PdfObject storage;
      try {
        image.colourSpace =
            C_PDF_Creator::namedColourSpace(resolver.resolved(*cs, storage), resources, resolver);
      } catch (const C_PDF_Exception&) {
      }
    }
  }
}

void loadForm(XObjectDescriptor& form, const PdfObject& stream, RenderContext& context, int depth) {
  ObjectResolver& resolver = context.resolver();
  form.isForm = true;
  std::vector<double> box = numbers(stream.lookup("BBox"), resolver);
  for (std::size_t i = 0; i < 4 && i < box.size(); ++i) form.bbox[i] = box[i];
  std::vector<double> matrix = numbers(stream.lookup("Matrix"), resolver);
  if (matrix.size() >= 6)
    for (int i = 0; i < 6; ++i) form.matrix[i] = matrix[i];
  if (const PdfObject* group = stream.lookup("Group")) {
    PdfObject storage;
    try {
      const PdfObject& g = resolver.resolved(*group, storage);
      const PdfObject* type = g.isDictionary() ? g.lookup("S") : nullptr;
      if (type && type->isName("Transparency")) {
        form.isGroup = true;
        const PdfObject* isolated = g.lookup("I");
        const PdfObject* knockout = g.lookup("K");
        form.groupIsolated =
            isolated && isolated->kind == PdfObjectKind::Boolean && isolated->boolValue();
        form.groupKnockout =
            knockout && knockout->kind == PdfObjectKind::Boolean && knockout->boolValue();
      }
    } catch (const C_PDF_Exception&) {
    }
  }
  // A form with Ref, Metadata and PieceInfo together is drawn like any other form.
  if (const PdfObject* resources = stream.lookup("Resources");
      resources && depth < kMaxXObjectLoadNesting)
    form.resources = context.loadResources(*resources);
  std::vector<uint8_t> content;
  int32_t length = -1;
  try {
    length = resolver.decodeStream(content, stream);
  } catch (const C_PDF_Exception&) {
    length = -1;
  }
  form.form = std::make_unique<OperatorList>();
  if (length > 0) {
    const ResourceList* formResources = form.resources.get();
    ContentContext parse;
    parse.resolver = &resolver;
    parse.colourSpace = [formResources, &resolver](const PdfObject& value) {
      return C_PDF_Creator::namedColourSpace(value, formResources, resolver);
    };
    *form.form = parseContent(content, parse);
  }
}

// True when the stream's last filter is one of the names given. outer then receives the
// stream's dictionary with the filters before that one (its data is left to the caller), and
// alone says whether there are none.
bool splitLastFilter(const PdfObject& stream, ObjectResolver& resolver,
                     std::initializer_list<const char*> names, PdfObject& outer, bool& alone,
                     PdfObject* lastParms = nullptr) {
  PdfObject filterStorage, parmsStorage;
  const PdfObject* filterValue = stream.lookup("Filter");
  if (!filterValue) return false;
  const PdfObject& filter = resolver.resolved(*filterValue, filterStorage);
  const PdfObject* parmsValue = stream.lookup("DecodeParms");
  static const PdfObject none;
  const PdfObject& parms = parmsValue ? resolver.resolved(*parmsValue, parmsStorage) : none;
  const PdfObject* last =
      filter.isArray() && !filter.elements.empty() ? &filter.elements.back() : &filter;
  bool named = false;
  for (const char* name : names) named = named || last->isName(name);
  if (!named) return false;
  // An empty Filter array keeps the pipeline from guessing a filter for the bare bytes.
  PdfObject before(PdfObjectKind::Array);
  PdfObject beforeParms(PdfObjectKind::Array);
  if (filter.isArray()) {
    for (std::size_t i = 0; i + 1 < filter.elements.size(); ++i) {
      before.elements.push_back(filter.elements[i]);
      beforeParms.elements.push_back(parms.isArray() && i < parms.elements.size()
                                         ? parms.elements[i]
                                         : PdfObject(PdfObjectKind::Null));
    }
    if (lastParms && parms.isArray() && parms.elements.size() == filter.elements.size())
      *lastParms = parms.elements.back();
  } else if (lastParms && parms.isDictOrStream()) {
    *lastParms = parms;
  }
  alone = before.elements.empty();
  outer = PdfObject(PdfObjectKind::Stream);
  for (const DictEntry& e : stream.entries)
    if (e.key != "Filter" && e.key != "DecodeParms") outer.add(e.key, e.value);
  outer.add("Filter", before);
  if (!beforeParms.elements.empty()) outer.add("DecodeParms", beforeParms);
  outer.objectNumber = stream.objectNumber;
  outer.generation = stream.generation;
  return true;
}

// The data the stream's last filter (as split off by splitLastFilter) takes: the stored bytes
// themselves when nothing comes before it, else what the filters before it give (kept in
// storage). False when those fail.
bool lastFilterInput(const PdfObject& stream, PdfObject& outer, bool alone,
                     ObjectResolver& resolver, std::vector<uint8_t>& storage,
                     std::span<const uint8_t>& input) {
  if (alone && !resolver.decryptor()) {
    input = {reinterpret_cast<const uint8_t*>(stream.text.data()), stream.text.size()};
    return true;
  }
  outer.text = stream.text;
  if (resolver.decodeStream(storage, outer) < 0) return false;
  input = storage;
  return true;
}

// Decodes a DCT image straight at 1/scale of its size; false (and nothing kept) when the
// stream is no DCT stream or its frame is not the image the dictionary describes.
bool decodeScaledDct(XObjectDescriptor& image, const PdfObject& stream, ObjectResolver& resolver,
                     int scale) {
  PdfObject outer;
  bool alone = false;
  if (!splitLastFilter(stream, resolver, {"DCTDecode", "DCT"}, outer, alone)) return false;
  std::vector<uint8_t> storage;
  std::span<const uint8_t> input;
  if (!lastFilterInput(stream, outer, alone, resolver, storage, input)) return false;
  DctImageInfo info;
  const int32_t length = decodeDct(input, image.data, kMaxDecodedStreamBytes, &info, scale);
  const int components = image.colourSpace ? image.colourSpace->componentCount : 3;
  if (length <= 0 || info.width != image.width || info.height != image.height ||
      info.components != components) {
    image.data.clear();
    return false;
  }
  image.dataLength = length;
  image.dataScale = scale;
  return true;
}

}  // namespace

XObjectDescriptor* loadXObject(const PdfObject& value, RenderContext& context,
                               const ResourceList* resources) {
  if (!value.isReference()) return nullptr;
  const auto key = std::make_pair(value.objectNumber, value.generation);
  auto found = context.xObjects.find(key);
  if (found != context.xObjects.end())
    return found->second->isForm || found->second->isImage ? found->second.get() : nullptr;

  // The descriptor joins the cache before it is loaded, so that a form whose resources name it
  // again finds it instead of loading without end.
  auto& slot = context.xObjects[key];
  slot = std::make_unique<XObjectDescriptor>();
  XObjectDescriptor& x = *slot;
  x.objectNumber = value.objectNumber;
  x.generation = value.generation;
  if (context.xObjectLoadDepth >= kMaxXObjectLoadNesting) return nullptr;
  ++context.xObjectLoadDepth;
  struct DepthGuard {
    RenderContext& c;
    ~DepthGuard() { --c.xObjectLoadDepth; }
  } guard{context};

  PdfObject stream;
  try {
    stream = context.resolver().resolve(value);
  } catch (const C_PDF_Exception&) {
    return nullptr;
  }
  const PdfObject* subtype = stream.lookup("Subtype");
  if (!subtype || !stream.isStream()) return nullptr;
  if (subtype->isName("Image")) {
    loadImage(x, stream, context, resources);
    stream.text.clear();  // the samples are decoded from the file when first drawn
    x.dictionary = std::move(stream);
  } else if (subtype->isName("Form")) {
    loadForm(x, stream, context, context.xObjectLoadDepth);
    stream.text.clear();
    x.dictionary = std::move(stream);
  } else {
    // PostScript XObjects and unknown subtypes are not drawn.
    return nullptr;
  }
  return &x;
}

namespace {

// Growing the reduction of a mask to fit kMaxImageBitmapPixels takes at most this many steps
// after the first estimate.
constexpr int kMaxMaskFactorSteps = 64;
// Masks smaller than this (in samples) are kept whole: they cost little, and keep their detail.
constexpr int64_t kMinReducedMaskPixels = int64_t{4} << 20;

// Samples of a mask taken as one where it is drawn across reach device pixels: 1 unless the
// mask has at least twice the samples it needs there and twice its image's (reach < 0: not
// known).
int maskFactor(int size, double reach, int imageSize) {
  if (!(reach >= 0) || !std::isfinite(reach) || size <= 0) return 1;
  const double need = std::max({reach * kMinSamplesPerDevicePixel, double(imageSize), 1.0});
  const double factor = std::floor(size / need);
  return factor >= 2 ? int(std::min<double>(factor, size)) : 1;
}

// The mask's samples reduced by factorX × factorY while they are decoded: a Flate stream
// (without a predictor or with a PNG one) is inflated row by row and never held whole.
std::shared_ptr<ImageAlpha> reducedMask(const PdfObject& stream, ObjectResolver& resolver,
                                        int width, int height, int bits, double lo, double hi,
                                        bool stencil, int factorX, int factorY) {
  const int64_t rowBytes = (int64_t{width} * bits + 7) / 8;
  PdfObject outer, parms;
  bool alone = false;
  bool streamed = splitLastFilter(stream, resolver, {"FlateDecode", "Fl"}, outer, alone, &parms);
  auto parameter = [&](const char* key, int fallback) {
    const PdfObject* v = parms.isDictOrStream() ? parms.lookup(key) : nullptr;
    PdfObject storage;
    const PdfObject& value = v ? resolver.resolved(*v, storage) : parms;
    return v && value.isNumber() ? value.intValue() : fallback;
  };
  // PNG predictors are undone row by row too, when their rows are the mask's rows.
  const int predictor = streamed ? parameter("Predictor", 1) : 1;
  const bool png = predictor >= 10 && predictor <= 15;
  if (predictor > 1)
    streamed = png && parameter("Colors", 1) == 1 && parameter("BitsPerComponent", 8) == bits &&
               parameter("Columns", 1) == width;
  std::vector<uint8_t> storage;
  std::span<const uint8_t> input;
  if (streamed) {
    if (!lastFilterInput(stream, outer, alone, resolver, storage, input)) return nullptr;
    FlateReader reader(input, kMaxDecodedStreamBytes);
    bool first = true, empty = false;
    std::vector<uint8_t> tagged(png ? std::size_t(rowBytes) + 1 : 0), previous(tagged.size());
    auto alpha = buildReducedAlpha(
        [&](std::span<uint8_t> row) {
          if (!png) {
            const std::size_t got = reader.read(row);
            if (first && got == 0) empty = true;
            first = false;
            return got == row.size();
          }
          const std::size_t got = reader.read(tagged);
          if (first && got == 0) empty = true;
          first = false;
          if (got < 1) return false;
          const std::span<uint8_t> samples(tagged.data() + 1, got - 1);
          if (!undoPngRow(tagged[0], predictor, samples, previous, (bits + 7) / 8)) return false;
          std::copy(samples.begin(), samples.end(), previous.begin());
          std::copy(samples.begin(), samples.end(), row.begin());
          return got == tagged.size();
        },
        width, height, bits, lo, hi, stencil, factorX, factorY);
    // Data that does not inflate at all gives no mask, as when it is decoded whole.
    return empty ? nullptr : alpha;
  }
  if (resolver.decodeStream(storage, stream) < 0) return nullptr;
  std::size_t at = 0;
  return buildReducedAlpha(
      [&](std::span<uint8_t> row) {
        const std::size_t n = std::min<std::size_t>(row.size(), storage.size() - at);
        std::copy_n(storage.begin() + std::ptrdiff_t(at), n, row.begin());
        at += n;
        return n == row.size() && rowBytes > 0;
      },
      width, height, bits, lo, hi, stencil, factorX, factorY);
}

}  // namespace

std::shared_ptr<ImageAlpha> loadImageAlpha(const XObjectDescriptor& image, RenderContext& context,
                                           double reachX, double reachY) {
  const PdfObject* soft = image.dictionary.lookup("SMask");
  const PdfObject* stencil = image.dictionary.lookup("Mask");
  const PdfObject* value = soft && soft->isReference() ? soft : stencil;
  if (!value || !value->isReference()) return nullptr;
  const bool isSoft = value == soft;
  ObjectResolver& resolver = context.resolver();
  try {
    PdfObject stream = resolver.resolve(*value);
    if (!stream.isStream()) return nullptr;
    if (!isSoft) {
      const PdfObject* flag = stream.lookup("ImageMask");
      PdfObject storage;
      if (!flag || !resolver.resolved(*flag, storage).boolValue()) return nullptr;
    }
    const int width = sizeValue(stream.lookup("Width"), resolver, -1);
    const int height = sizeValue(stream.lookup("Height"), resolver, -1);
    const int bits = isSoft ? sizeValue(stream.lookup("BitsPerComponent"), resolver, 8) : 1;
    std::vector<double> decode = numbers(stream.lookup("Decode"), resolver);
    if (decode.size() < 2) decode = {0.0, 1.0};
    std::vector<double> matte = numbers(stream.lookup("Matte"), resolver);
    // A large mask far finer than where it is drawn, or too large to keep, is reduced as it is
    // read; never below its image's own size, whose samples the bitmap keeps.
    const bool large = int64_t{std::max(width, 0)} * std::max(height, 0) >= kMinReducedMaskPixels;
    int factorX = large ? maskFactor(width, reachX, image.width) : 1;
    int factorY = large ? maskFactor(height, reachY, image.height) : 1;
    if (width > 0 && height > 0) {
      auto cells = [&] {
        return ((int64_t{width} + factorX - 1) / factorX) *
               ((int64_t{height} + factorY - 1) / factorY);
      };
      if (cells() > kMaxImageBitmapPixels) {
        const double k = std::sqrt(double(cells()) / double(kMaxImageBitmapPixels));
        factorX = int(std::ceil(factorX * k));
        factorY = int(std::ceil(factorY * k));
      }
      for (int i = 0; i < kMaxMaskFactorSteps && cells() > kMaxImageBitmapPixels; ++i) {
        ++factorX;
        ++factorY;
      }
    }
    std::shared_ptr<ImageAlpha> alpha;
    if (factorX > 1 || factorY > 1) {
      alpha = reducedMask(stream, resolver, width, height, bits, decode[0], decode[1], !isSoft,
                          factorX, factorY);
    } else {
      std::vector<uint8_t> data;
      if (resolver.decodeStream(data, stream) < 0) return nullptr;
      alpha = buildAlpha(data, width, height, bits, decode[0], decode[1], !isSoft);
    }
    if (alpha && isSoft && !matte.empty() && image.colourSpace &&
        matte.size() >= static_cast<size_t>(image.colourSpace->componentCount)) {
      matte.resize(4, -1.0);
      const uint32_t colorref =
          toColorref(matte[0], matte[1], matte[2], matte[3], *image.colourSpace);
      alpha->hasMatte = true;
      alpha->matte[0] = redOf(colorref);
      alpha->matte[1] = greenOf(colorref);
      alpha->matte[2] = blueOf(colorref);
    }
    return alpha;
  } catch (const C_PDF_Exception&) {
    return nullptr;
  }
}

bool decodeImageData(XObjectDescriptor& image, RenderContext& context, int dctScale) {
  if (image.dataLength >= 0) return true;
  if (image.decodeAttempted) return false;
  image.decodeAttempted = true;
  if (image.objectNumber < 0) return false;
  PdfObject reference(PdfObjectKind::Reference);
  reference.objectNumber = image.objectNumber;
  reference.generation = image.generation;
  try {
    PdfObject stream = context.resolver().resolve(reference);
    image.dataScale = 1;
    if (dctScale > 1 && decodeScaledDct(image, stream, context.resolver(), dctScale)) return true;
    if (isJpxStream(stream, context.resolver()))
      image.dataLength = decodeJpxImageData(image, stream, context.resolver());
    else
      image.dataLength = context.resolver().decodeStream(image.data, stream);
  } catch (const C_PDF_Exception&) {
    image.dataLength = -1;
  }
  if (image.dataLength < 0) image.data.clear();
  return image.dataLength >= 0;
}
