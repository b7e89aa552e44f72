#include "engine/render/shading.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space.h"
#include "engine/render/content_parser.h"
#include "engine/render/function.h"
#include "engine/render/mesh_reader.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/render_context.h"
#include "engine/render/resource_list.h"

namespace {

// Patterns whose resources load patterns nested deeper than this are not loaded further.
constexpr int kMaxPatternLoadNesting = 8;

PdfObject resolvedOrNone(const PdfObject* value, ObjectResolver& resolver) {
  if (!value) return PdfObject();
  try {
    return resolver.resolve(*value);
  } catch (const C_PDF_Exception&) {
    return PdfObject();
  }
}

std::vector<double> numbers(const PdfObject& array) {
  std::vector<double> out;
  for (const PdfObject& e : array.elements)
    if (e.isNumber()) out.push_back(e.realValue());
  return out;
}

// The colour at t of one function or an array of one-output functions.
uint32_t colourAt(std::vector<std::unique_ptr<C_PDF_Function>>& functions, double t,
                  ColourSpace& space) {
  if (functions.size() == 1) return functionColour(*functions[0], t, space);
  std::vector<double> components;
  for (auto& f : functions) {
    const double in[1] = {t};
    components.push_back(f->evaluate(in) > 0 ? f->outputs()[0] : -1.0);
  }
  while (components.size() < 4) components.push_back(-1.0);
  return toColorref(components, space);
}

void readAxialParts(C_PDF_Shading_Type2& s, const PdfObject& d, ObjectResolver& resolver) {
  std::vector<double> domain = numbers(resolvedOrNone(d.lookup("Domain"), resolver));
  if (domain.size() >= 2) {
    s.t0 = domain[0];
    s.t1 = domain[1];
  }
  PdfObject extend = resolvedOrNone(d.lookup("Extend"), resolver);
  for (std::size_t i = 0; i < 2 && i < extend.elements.size(); ++i)
    s.extend[i] =
        extend.elements[i].kind == PdfObjectKind::Boolean && extend.elements[i].boolValue();

  std::vector<std::unique_ptr<C_PDF_Function>> functions;
  PdfObject function = resolvedOrNone(d.lookup("Function"), resolver);
  if (function.isArray()) {
    for (const PdfObject& f : function.elements)
      if (auto built = createFunction(f, resolver)) functions.push_back(std::move(built));
  } else if (function.kind != PdfObjectKind::None) {
    if (auto built = createFunction(function, resolver)) functions.push_back(std::move(built));
  }
  ColourSpace& space = s.colourSpace ? *s.colourSpace : *deviceGray();
  space.nonStroking = true;
  if (functions.empty()) return;
  const int n = C_PDF_Shading_Type2::kGradientStops;
  for (int i = 0; i < n; ++i) {
    const float position = float(i) / float(n - 1);
    const uint32_t colour =
        applyAlpha(colourAt(functions, s.t0 + (s.t1 - s.t0) * position, space), 1.0);
    s.stops.push_back({position, colour});
  }
  s.startColour = s.stops.front().colour;
  s.endColour = s.stops.back().colour;
}

std::vector<std::unique_ptr<C_PDF_Function>> functionsOf(const PdfObject& d,
                                                         ObjectResolver& resolver) {
  std::vector<std::unique_ptr<C_PDF_Function>> functions;
  PdfObject function = resolvedOrNone(d.lookup("Function"), resolver);
  if (function.isArray()) {
    for (const PdfObject& f : function.elements)
      if (auto built = createFunction(f, resolver)) functions.push_back(std::move(built));
  } else if (function.kind != PdfObjectKind::None) {
    if (auto built = createFunction(function, resolver)) functions.push_back(std::move(built));
  }
  return functions;
}

// The colour of function inputs (or, without functions, of components) as opaque ARGB.
uint32_t colourOf(std::vector<std::unique_ptr<C_PDF_Function>>& functions,
                  std::span<const double> in, ColourSpace& space) {
  std::vector<double> components;
  if (functions.empty()) {
    components.assign(in.begin(), in.end());
  } else {
    for (auto& f : functions) {
      const int n = f->evaluate(in);
      if (functions.size() == 1) {
        for (int i = 0; i < n; ++i) components.push_back(f->outputs()[i]);
      } else {
        components.push_back(n > 0 ? f->outputs()[0] : -1.0);
      }
    }
  }
  while (components.size() < 4) components.push_back(-1.0);
  return applyAlpha(toColorref(components, space), 1.0);
}

void readFunctionShading(C_PDF_Shading_Type1& s, const PdfObject& d, ObjectResolver& resolver) {
  std::vector<double> domain = numbers(resolvedOrNone(d.lookup("Domain"), resolver));
  if (domain.size() >= 4)
    for (int i = 0; i < 4; ++i) s.domain[i] = domain[i];
  std::vector<double> m = numbers(resolvedOrNone(d.lookup("Matrix"), resolver));
  if (m.size() >= 6)
    for (int i = 0; i < 6; ++i) s.matrix[i] = m[i];
  auto functions = functionsOf(d, resolver);
  if (functions.empty()) return;
  ColourSpace& space = s.colourSpace ? *s.colourSpace : *deviceGray();
  space.nonStroking = true;
  const int n = C_PDF_Shading_Type1::kSamples;
  auto bitmap = std::make_shared<brevia::gfx::Bitmap>(n, n);
  if (!bitmap->isValid()) return;
  uint32_t* pixels = reinterpret_cast<uint32_t*>(bitmap->data());
  const int stride = bitmap->stride() / 4;
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      // Sample centres, so that the bitmap's pixels cover the domain evenly.
      const double in[2] = {s.domain[0] + (s.domain[1] - s.domain[0]) * (i + 0.5) / n,
                            s.domain[2] + (s.domain[3] - s.domain[2]) * (j + 0.5) / n};
      pixels[j * stride + i] = colourOf(functions, in, space);
    }
  }
  bitmap->markDirty();
  s.samples = std::move(bitmap);
}

// With a Function, a mesh's vertices carry t, not colours: t varies smoothly over a triangle or
// patch and the function maps it to colours that need not be anything like a blend of the
// corners' (a colour map through yellow from blue to red). Such pieces are cut into a grid of
// small triangles, each corner coloured by the function, fine enough to follow it.
constexpr int kFunctionStepsPerRange = 32;
constexpr int kMaxFunctionSubdivision = 32;

brevia::gfx::PointF coonsPoint(const MeshPatch& m, double u, double v) {
  auto at = [&](int i, int axis) { return m.xy[2 * i + axis]; };
  auto cubic = [](double a, double b, double c, double d, double t) {
    const double s = 1 - t;
    return s * s * s * a + 3 * s * s * t * b + 3 * s * t * t * c + t * t * t * d;
  };
  double xy[2];
  for (int axis = 0; axis < 2; ++axis) {
    // Boundary curves: u = 0 runs through points 0..3, v = 1 through 3..6, u = 1 through 9..6
    // and v = 0 through 0, 11, 10, 9.
    const double d1 = cubic(at(0, axis), at(1, axis), at(2, axis), at(3, axis), v);
    const double c2 = cubic(at(3, axis), at(4, axis), at(5, axis), at(6, axis), u);
    const double d2 = cubic(at(9, axis), at(8, axis), at(7, axis), at(6, axis), v);
    const double c1 = cubic(at(0, axis), at(11, axis), at(10, axis), at(9, axis), u);
    const double corners = (1 - u) * (1 - v) * at(0, axis) + (1 - u) * v * at(3, axis) +
                           u * v * at(6, axis) + u * (1 - v) * at(9, axis);
    xy[axis] = (1 - v) * c1 + v * c2 + (1 - u) * d1 + u * d2 - corners;
  }
  return {float(xy[0]), float(xy[1])};
}

bool subdivideByFunction(C_PDF_Shading_Mesh& s, const MeshPatch& m,
                         std::vector<std::unique_ptr<C_PDF_Function>>& functions,
                         ColourSpace& space, double tRange) {
  const int corners = m.triangle ? 3 : 4;
  double lo = m.corner[0].c[0], hi = lo;
  for (int i = 1; i < corners; ++i) {
    lo = std::min(lo, m.corner[i].c[0]);
    hi = std::max(hi, m.corner[i].c[0]);
  }
  if (!(tRange > 0) || !(hi - lo < tRange * 4)) return false;
  const int k = std::clamp(int(std::ceil((hi - lo) / tRange * kFunctionStepsPerRange)), 1,
                           kMaxFunctionSubdivision);
  if (k <= 1 || s.patches.size() + std::size_t(2 * k * k) > kMaxMeshPatches) return false;
  auto colourAtT = [&](double t) {
    return colourOf(functions, std::span<const double>(&t, 1), space);
  };
  auto addTriangle = [&](const brevia::gfx::PointF(&pts)[3], const double(&ts)[3]) {
    C_PDF_Shading_Mesh::Patch p;
    p.triangle = true;
    for (int i = 0; i < 3; ++i) {
      p.points[i] = pts[i];
      p.colours[i] = colourAtT(ts[i]);
    }
    s.patches.push_back(p);
  };
  if (m.triangle) {
    // Barycentric grid: row i from corner 0 towards corner 1, column j towards corner 2.
    auto point = [&](int i, int j, brevia::gfx::PointF& pt, double& t) {
      const double b1 = double(i) / k, b2 = double(j) / k, b0 = 1 - b1 - b2;
      pt = {float(b0 * m.xy[0] + b1 * m.xy[2] + b2 * m.xy[4]),
            float(b0 * m.xy[1] + b1 * m.xy[3] + b2 * m.xy[5])};
      t = b0 * m.corner[0].c[0] + b1 * m.corner[1].c[0] + b2 * m.corner[2].c[0];
    };
    for (int i = 0; i < k; ++i) {
      for (int j = 0; i + j < k; ++j) {
        brevia::gfx::PointF a[3];
        double ta[3];
        point(i, j, a[0], ta[0]);
        point(i + 1, j, a[1], ta[1]);
        point(i, j + 1, a[2], ta[2]);
        addTriangle(a, ta);
        if (i + j + 1 < k) {
          brevia::gfx::PointF b[3];
          double tb[3];
          point(i + 1, j, b[0], tb[0]);
          point(i + 1, j + 1, b[1], tb[1]);
          point(i, j + 1, b[2], tb[2]);
          addTriangle(b, tb);
        }
      }
    }
    return true;
  }
  // Patches: a k x k grid over (u, v); t is bilinear in the corners 0 (0, 0), 1 (0, 1),
  // 2 (1, 1) and 3 (1, 0).
  auto point = [&](int i, int j, brevia::gfx::PointF& pt, double& t) {
    const double u = double(i) / k, v = double(j) / k;
    pt = coonsPoint(m, u, v);
    t = (1 - u) * (1 - v) * m.corner[0].c[0] + (1 - u) * v * m.corner[1].c[0] +
        u * v * m.corner[2].c[0] + u * (1 - v) * m.corner[3].c[0];
  };
  for (int i = 0; i < k; ++i) {
    for (int j = 0; j < k; ++j) {
      brevia::gfx::PointF q[4];
      double tq[4];
      point(i, j, q[0], tq[0]);
      point(i + 1, j, q[1], tq[1]);
      point(i + 1, j + 1, q[2], tq[2]);
      point(i, j + 1, q[3], tq[3]);
      addTriangle({q[0], q[1], q[2]}, {tq[0], tq[1], tq[2]});
      addTriangle({q[0], q[2], q[3]}, {tq[0], tq[2], tq[3]});
    }
  }
  return true;
}

void readMeshShading(C_PDF_Shading_Mesh& s, const PdfObject& d, ObjectResolver& resolver) {
  if (!d.isStream()) return;
  auto functions = functionsOf(d, resolver);
  ColourSpace& space = s.colourSpace ? *s.colourSpace : *deviceGray();
  space.nonStroking = true;
  MeshFormat format;
  format.type = s.shadingType;
  format.bitsPerCoordinate = resolvedOrNone(d.lookup("BitsPerCoordinate"), resolver).intValue();
  format.bitsPerComponent = resolvedOrNone(d.lookup("BitsPerComponent"), resolver).intValue();
  format.bitsPerFlag = resolvedOrNone(d.lookup("BitsPerFlag"), resolver).intValue();
  format.verticesPerRow = resolvedOrNone(d.lookup("VerticesPerRow"), resolver).intValue();
  format.components = functions.empty() ? space.componentCount : 1;
  format.decode = numbers(resolvedOrNone(d.lookup("Decode"), resolver));
  std::vector<uint8_t> data;
  try {
    if (resolver.decodeStream(data, d) < 0) return;
  } catch (const C_PDF_Exception&) {
    return;
  }
  const double tRange =
      format.decode.size() >= 6 ? std::fabs(format.decode[5] - format.decode[4]) : 1;
  for (const MeshPatch& m : readMesh(data, format)) {
    if (!functions.empty() && subdivideByFunction(s, m, functions, space, tRange)) continue;
    C_PDF_Shading_Mesh::Patch p;
    p.triangle = m.triangle;
    p.tensor = m.tensor;
    for (int i = 0; i < 16; ++i) p.points[i] = {float(m.xy[2 * i]), float(m.xy[2 * i + 1])};
    for (int i = 0; i < 4; ++i)
      p.colours[i] =
          colourOf(functions,
                   std::span<const double>(m.corner[i].c.data(), size_t(format.components)), space);
    s.patches.push_back(p);
  }
}

}  // namespace

C_PDF_Shading::~C_PDF_Shading() = default;
C_PDF_Pattern::~C_PDF_Pattern() = default;
C_PDF_TilingPattern::C_PDF_TilingPattern() = default;
C_PDF_TilingPattern::~C_PDF_TilingPattern() = default;

std::shared_ptr<C_PDF_Shading> loadShading(const PdfObject& value, RenderContext& context,
                                           const ResourceList* resources) {
  ObjectResolver& resolver = context.resolver();
  PdfObject d = resolvedOrNone(&value, resolver);
  if (!d.isDictOrStream()) return nullptr;
  const int32_t type = resolvedOrNone(d.lookup("ShadingType"), resolver).intValue();
  std::shared_ptr<C_PDF_Shading> shading;
  if (type == 1)
    shading = std::make_shared<C_PDF_Shading_Type1>();
  else if (type >= 4 && type <= 7)
    shading = std::make_shared<C_PDF_Shading_Mesh>();
  else if (type == 2)
    shading = std::make_shared<C_PDF_Shading_Type2>();
  else if (type == 3)
    shading = std::make_shared<C_PDF_Shading_Type3>();
  else
    shading = std::make_shared<C_PDF_Shading>();
  shading->shadingType = type;
  shading->objectNumber = value.isReference() ? value.objectNumber : -1;
  shading->generation = value.isReference() ? value.generation : -1;
  if (const PdfObject* cs = d.lookup("ColorSpace"))
    shading->colourSpace =
        C_PDF_Creator::namedColourSpace(resolvedOrNone(cs, resolver), resources, resolver);
  std::vector<double> box = numbers(resolvedOrNone(d.lookup("BBox"), resolver));
  if (box.size() >= 4) {
    shading->hasBBox = true;
    for (int i = 0; i < 4; ++i) shading->bbox[i] = float(box[i]);
  }
  PdfObject antiAlias = resolvedOrNone(d.lookup("AntiAlias"), resolver);
  shading->antiAlias = antiAlias.kind == PdfObjectKind::Boolean && antiAlias.boolValue();
  if (const PdfObject* bg = d.lookup("Background"); bg && shading->colourSpace) {
    std::vector<double> c = numbers(resolvedOrNone(bg, resolver));
    if (static_cast<int>(c.size()) >= shading->colourSpace->componentCount) {
      c.resize(std::max<size_t>(c.size(), 4), -1.0);
      shading->colourSpace->nonStroking = true;
      shading->hasBackground = true;
      shading->background = applyAlpha(toColorref(c, *shading->colourSpace), 1.0);
    }
  }
  if (type == 1) readFunctionShading(static_cast<C_PDF_Shading_Type1&>(*shading), d, resolver);
  if (type >= 4 && type <= 7)
    readMeshShading(static_cast<C_PDF_Shading_Mesh&>(*shading), d, resolver);
  if (type == 2 || type == 3) {
    auto& axial = static_cast<C_PDF_Shading_Type2&>(*shading);
    std::vector<double> coords = numbers(resolvedOrNone(d.lookup("Coords"), resolver));
    if (type == 2 && coords.size() >= 4)
      for (int i = 0; i < 4; ++i) axial.coords[i] = float(coords[i]);
    if (type == 3 && coords.size() >= 6)
      for (int i = 0; i < 6; ++i)
        static_cast<C_PDF_Shading_Type3&>(axial).circles[i] = float(coords[i]);
    readAxialParts(axial, d, resolver);
  }
  return shading;
}

std::shared_ptr<C_PDF_Pattern> loadPattern(const PdfObject& value, RenderContext& context,
                                           const ResourceList* resources) {
  ObjectResolver& resolver = context.resolver();
  PdfObject d = resolvedOrNone(&value, resolver);
  if (!d.isDictOrStream()) return nullptr;
  if (const PdfObject* type = d.lookup("Type"); type && !type->isName("Pattern")) return nullptr;
  const int32_t patternType = resolvedOrNone(d.lookup("PatternType"), resolver).intValue();
  std::shared_ptr<C_PDF_Pattern> pattern;
  if (patternType == 1 && d.isStream()) {
    auto tiling = std::make_shared<C_PDF_TilingPattern>();
    tiling->paintType = resolvedOrNone(d.lookup("PaintType"), resolver).intValue();
    tiling->tilingType = resolvedOrNone(d.lookup("TilingType"), resolver).intValue();
    std::vector<double> box = numbers(resolvedOrNone(d.lookup("BBox"), resolver));
    for (std::size_t i = 0; i < 4 && i < box.size(); ++i) tiling->bbox[i] = box[i];
    tiling->xStep = resolvedOrNone(d.lookup("XStep"), resolver).realValue();
    tiling->yStep = resolvedOrNone(d.lookup("YStep"), resolver).realValue();
    if (const PdfObject* r = d.lookup("Resources");
        r && context.patternLoadDepth < kMaxPatternLoadNesting) {
      ++context.patternLoadDepth;
      tiling->resources = context.loadResources(*r);
      --context.patternLoadDepth;
    }
    pattern = tiling;
  } else if (patternType == 2) {
    auto shadingPattern = std::make_shared<C_PDF_ShadingPattern>();
    if (const PdfObject* s = d.lookup("Shading"))
      shadingPattern->shading = loadShading(*s, context, resources);
    shadingPattern->extGState = resolvedOrNone(d.lookup("ExtGState"), resolver);
    pattern = shadingPattern;
  } else {
    return nullptr;
  }
  pattern->patternType = patternType;
  pattern->objectNumber = value.isReference() ? value.objectNumber : -1;
  pattern->generation = value.isReference() ? value.generation : -1;
  std::vector<double> m = numbers(resolvedOrNone(d.lookup("Matrix"), resolver));
  if (m.size() >= 6)
    for (int i = 0; i < 6; ++i) pattern->matrix[i] = m[i];
  return pattern;
}

void prepareTiling(C_PDF_TilingPattern& pattern, RenderContext& context) {
  if (pattern.prepared) return;
  pattern.prepared = true;
  pattern.content = std::make_unique<OperatorList>();
  if (pattern.objectNumber < 0) return;
  ObjectResolver& resolver = context.resolver();
  PdfObject reference(PdfObjectKind::Reference);
  reference.objectNumber = pattern.objectNumber;
  reference.generation = pattern.generation;
  try {
    PdfObject stream = resolver.resolve(reference);
    std::vector<uint8_t> content;
    if (resolver.decodeStream(content, stream) <= 0) return;
    const ResourceList* resources = pattern.resources.get();
    ContentContext parse;
    parse.resolver = &resolver;
    parse.colourSpace = [resources, &resolver](const PdfObject& v) {
      return C_PDF_Creator::namedColourSpace(v, resources, resolver);
    };
    *pattern.content = parseContent(content, parse);
  } catch (const C_PDF_Exception&) {
  }
}
