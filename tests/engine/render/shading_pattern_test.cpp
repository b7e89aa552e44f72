// Axial and radial shadings, shading patterns and tiling patterns.

#include <gtest/gtest.h>

#include "tests/engine/render/page_fixture.h"

using testing_pdf::PdfBuilder;
using testing_render::drawContent;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;

int red(uint32_t argb) { return int((argb >> 16) & 0xFF); }
int blue(uint32_t argb) { return int(argb & 0xFF); }

PdfBuilder shadings(const std::string& extend) {
  PdfBuilder b;
  b.set(5,
        "<< /Shading << /Ax 6 0 R /Rad 7 0 R /Mesh 8 0 R >> /Pattern << /P 9 0 R /T 10 0 R /U 11 0 "
        "R >> "
        "/ColorSpace << /PCS [/Pattern /DeviceRGB] >> >>");
  const std::string redToBlue =
      "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>";
  b.set(6, "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [50 0 150 0] " + redToBlue +
               " /Extend " + extend + " >>");
  b.set(7, "<< /ShadingType 3 /ColorSpace /DeviceRGB /Coords [100 50 0 100 50 40] " + redToBlue +
               " /Extend [false false] >>");
  b.set(8, "<< /ShadingType 4 /ColorSpace /DeviceRGB >>");
  b.set(9, "<< /Type /Pattern /PatternType 2 /Shading 6 0 R /Matrix [1 0 0 1 0 0] >>");
  // A coloured tiling pattern: a 5 x 5 red square in every 10 x 10 cell.
  b.setStream(10,
              "/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep "
              "10 /YStep 10 /Resources << >>",
              "1 0 0 rg 0 0 5 5 re f");
  // An uncoloured one: the colour comes with scn.
  b.setStream(11,
              "/Type /Pattern /PatternType 1 /PaintType 2 /TilingType 1 /BBox [0 0 10 10] /XStep "
              "10 /YStep 10 /Resources << >>",
              "0 1 0 rg 0 0 5 5 re f");
  return b;
}

TEST(Shadings, AxialFillsTheClipWithItsExtensions) {
  auto page = drawContent("/Ax sh", 200, 100, "/Resources 5 0 R", shadings("[true true]"));
  EXPECT_EQ(page.at(10, 50), 0xFFFF0000u);   // red left of the axis start
  EXPECT_EQ(page.at(190, 50), 0xFF0000FFu);  // blue right of its end
  uint32_t middle = page.at(100, 50);
  EXPECT_NEAR(red(middle), 128, 8);
  EXPECT_NEAR(blue(middle), 128, 8);
  auto bare = drawContent("/Ax sh", 200, 100, "/Resources 5 0 R", shadings("[false false]"));
  EXPECT_EQ(bare.at(10, 50), kWhite);
  EXPECT_EQ(bare.at(190, 50), kWhite);
  EXPECT_NEAR(red(bare.at(100, 50)), 128, 8);
  // The clip limits it.
  auto clipped = drawContent("0 0 100 100 re W n /Ax sh", 200, 100, "/Resources 5 0 R",
                             shadings("[true true]"));
  EXPECT_EQ(clipped.at(150, 50), kWhite);
}

TEST(Shadings, RadialAndUnsupportedTypes) {
  auto page = drawContent("/Rad sh", 200, 100, "/Resources 5 0 R", shadings("[true true]"));
  EXPECT_GT(red(page.at(100, 50)), 200);   // the start colour at the centre
  EXPECT_GT(blue(page.at(138, 50)), 200);  // the end colour at the rim
  EXPECT_EQ(page.at(180, 50), kWhite);     // nothing beyond it without Extend
  auto mesh =
      drawContent("/Mesh sh 0 0 1 rg", 200, 100, "/Resources 5 0 R", shadings("[true true]"));
  EXPECT_EQ(mesh.at(100, 50), kWhite);
  auto missing = drawContent("/Nope sh", 200, 100, "/Resources 5 0 R", shadings("[true true]"));
  EXPECT_EQ(missing.at(100, 50), kWhite);
}

TEST(Patterns, ShadingAndTilingFills) {
  // A shading pattern fills only the path.
  auto fill = drawContent("/Pattern cs /P scn 0 0 100 100 re f", 200, 100, "/Resources 5 0 R",
                          shadings("[true true]"));
  EXPECT_EQ(fill.at(20, 50), 0xFFFF0000u);
  EXPECT_EQ(fill.at(150, 50), kWhite);
  // A tiling pattern repeats its cell across the path.
  auto tiles = drawContent("/Pattern cs /T scn 0 0 100 100 re f", 200, 100, "/Resources 5 0 R",
                           shadings("[true true]"));
  EXPECT_EQ(tiles.at(2, 97), 0xFFFF0000u);
  EXPECT_EQ(tiles.at(7, 92), kWhite);
  EXPECT_EQ(tiles.at(52, 97), 0xFFFF0000u);
  EXPECT_EQ(tiles.at(152, 97), kWhite);  // outside the path
  // An uncoloured pattern paints in the colour given with scn, not the cell's own.
  auto uncoloured = drawContent("/PCS cs 0 0 1 /U scn 0 0 100 100 re f", 200, 100,
                                "/Resources 5 0 R", shadings("[true true]"));
  EXPECT_EQ(uncoloured.at(2, 97), 0xFF0000FFu);
  // A plain colour afterwards ends the pattern fill.
  auto after = drawContent("/Pattern cs /T scn 0 g 0 0 100 100 re f", 200, 100, "/Resources 5 0 R",
                           shadings("[true true]"));
  EXPECT_EQ(after.at(7, 92), 0xFF000000u);
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(Patterns, PatternsInAFormArePlacedInTheFormsSpace) {
  // As plotting packages write surfaces: each facet is a form, moved into place by the page and
  // by its own cm, that fills a small rectangle with a mesh pattern whose Matrix undoes the cm.
  // Placed in the page's space the triangle would land off the facet and leave it blank.
  PdfBuilder b;
  b.set(5, "<< /XObject << /Facet 6 0 R /Cell 9 0 R >> >>");
  b.setStream(6, "/Subtype /Form /BBox [0 0 40 40] /Resources << /Pattern << /Tri 7 0 R >> >>",
              "1 0 0 1 -100 -100 cm /Pattern cs /Tri scn 100 100 40 40 re f");
  b.set(7, "<< /PatternType 2 /Matrix [1 0 0 1 -100 -100] /Shading 8 0 R >>");
  // A red triangle over the whole facet (pattern space 100..140), in two pieces.
  b.setStream(8,
              "/ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 "
              "/BitsPerFlag 8 /Decode [0 255 0 255 0 1 0 1 0 1]",
              bytes({0, 100, 100, 255, 0, 0, 0, 140, 100, 255, 0, 0, 0, 140, 140, 255, 0, 0,
                     0, 100, 100, 255, 0, 0, 0, 140, 140, 255, 0, 0, 0, 100, 140, 255, 0, 0}));
  // A tiling pattern drawn inside a form keeps to the form's space too.
  b.setStream(9, "/Subtype /Form /BBox [0 0 40 40] /Resources << /Pattern << /T 10 0 R >> >>",
              "/Pattern cs /T scn 0 0 40 40 re f");
  b.setStream(10, "/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 20 20] /XStep 20 /YStep 20",
              "0 0 1 rg 0 0 10 10 re f");
  auto page = drawContent("q 1 0 0 1 30 20 cm /Facet Do Q q 1 0 0 1 125 25 cm /Cell Do Q", 200, 100,
                          "/Resources 5 0 R", b);
  EXPECT_EQ(page.at(35, 75), 0xFFFF0000u);
  EXPECT_EQ(page.at(65, 45), 0xFFFF0000u);
  EXPECT_EQ(page.at(50, 60), 0xFFFF0000u);
  EXPECT_EQ(page.at(75, 60), kWhite);
  // The cell's square starts at the form's origin (125, 25): device (125..135, 65..75).
  EXPECT_EQ(page.at(127, 73), 0xFF0000FFu);
  EXPECT_EQ(page.at(132, 68), 0xFF0000FFu);
  EXPECT_EQ(page.at(137, 73), kWhite);
  EXPECT_EQ(page.at(147, 73), 0xFF0000FFu);
}

TEST(Shadings, FunctionAndMeshShadings) {
  PdfBuilder b;
  b.set(5, "<< /Shading << /Fn 6 0 R /Tri 7 0 R /Coons 8 0 R /Lattice 9 0 R >> >>");
  // Grey rising with x over the whole page.
  b.set(6,
        "<< /ShadingType 1 /ColorSpace /DeviceGray /Domain [0 1 0 1] /Matrix [200 0 0 100 0 0] "
        "/Function 10 0 R >>");
  b.setStream(10, "/FunctionType 4 /Domain [0 1 0 1] /Range [0 1]", "{ pop }");
  const std::string rgb8 = "/ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 ";
  const std::string raw = "/Decode [0 255 0 255 0 1 0 1 0 1]";
  // One red triangle over the lower-left half.
  b.setStream(7, "/ShadingType 4 " + rgb8 + "/BitsPerFlag 8 " + raw,
              bytes({0, 0, 0, 255, 0, 0, 0, 200, 0, 255, 0, 0, 0, 0, 100, 255, 0, 0}));
  // One blue Coons patch over the right half, with straight sides.
  b.setStream(8, "/ShadingType 6 " + rgb8 + "/BitsPerFlag 8 " + raw,
              bytes({0,   100, 0,   100, 33,  100, 66,  100, 100, 133, 100, 166, 100,
                     200, 100, 200, 66,  200, 33,  200, 0,   166, 0,   133, 0,   0,
                     0,   255, 0,   0,   255, 0,   0,   255, 0,   0,   255}));
  // A lattice of two rows, green at the bottom, black at the top.
  b.setStream(9, "/ShadingType 5 " + rgb8 + "/VerticesPerRow 2 " + raw,
              bytes({0, 0, 0, 255, 0, 200, 0, 0, 255, 0, 0, 100, 0, 0, 0, 200, 100, 0, 0, 0}));
  auto fn = drawContent("/Fn sh", 200, 100, "/Resources 5 0 R", b);
  EXPECT_LT(red(fn.at(5, 50)), 20);
  EXPECT_GT(red(fn.at(195, 50)), 235);
  EXPECT_NEAR(red(fn.at(100, 50)), 128, 8);
  auto tri = drawContent("/Tri sh", 200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(tri.at(20, 80), 0xFFFF0000u);
  EXPECT_EQ(tri.at(180, 20), kWhite);
  auto coons = drawContent("/Coons sh", 200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(coons.at(150, 50), 0xFF0000FFu);
  EXPECT_EQ(coons.at(50, 50), kWhite);
  auto lattice = drawContent("/Lattice sh", 200, 100, "/Resources 5 0 R", b);
  EXPECT_GT(int((lattice.at(100, 95) >> 8) & 0xFF), 230);
  EXPECT_LT(int((lattice.at(100, 5) >> 8) & 0xFF), 25);
  EXPECT_EQ(red(lattice.at(100, 50)), 0);
  // Short and malformed mesh data draws what is complete, and nothing else.
  b.setStream(7, "/ShadingType 4 " + rgb8 + "/BitsPerFlag 8 " + raw,
              bytes({0, 0, 0, 255, 0, 0, 0}));
  b.setStream(8,
              "/ShadingType 6 /ColorSpace /DeviceRGB /BitsPerCoordinate 7 /BitsPerComponent 8 "
              "/BitsPerFlag 8 " +
                  raw,
              bytes({0, 1, 2, 3}));
  auto broken = drawContent("/Tri sh /Coons sh", 200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(broken.at(20, 80), kWhite);
}

TEST(Shadings, MeshesWithAFunctionColourEveryPointThroughIt) {
  // t runs 0 to 1 across a Coons patch (left half) and a triangle (right half); the function
  // goes blue, yellow, red. Halfway the colour is the function's yellow, not a blue-red blend.
  PdfBuilder b;
  b.set(5, "<< /Shading << /Patch 6 0 R /Tri 7 0 R >> >>");
  const std::string map =
      "/Function << /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1] /Functions "
      "[<< /FunctionType 2 /Domain [0 1] /C0 [0 0 1] /C1 [1 1 0] /N 1 >> << /FunctionType 2 "
      "/Domain [0 1] /C0 [1 1 0] /C1 [1 0 0] /N 1 >>] >> ";
  const std::string format =
      "/ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 /BitsPerFlag 8 "
      "/Decode [0 255 0 255 0 1] ";
  // Corners (0,0) t 0, (0,100) t 0, (100,100) t 1, (100,0) t 1, straight sides.
  b.setStream(6, "/ShadingType 6 " + format + map,
              bytes({0,   0,  0,   0,  33,  0, 66, 0, 100, 33, 100, 66, 100, 100, 100,
                     100, 66, 100, 33, 100, 0, 66, 0, 33,  0,  0,   0,  255, 255}));
  b.setStream(7, "/ShadingType 4 " + format + map,
              bytes({0, 100, 0, 0, 0, 200, 0, 255, 0, 200, 100, 255}));
  auto page = drawContent("/Patch sh /Tri sh", 200, 100, "/Resources 5 0 R", b);
  const uint32_t middle = page.at(50, 50);
  EXPECT_GT(red(middle), 200);
  EXPECT_GT(int(middle >> 8 & 0xFF), 200);
  EXPECT_LT(blue(middle), 60);
  EXPECT_LT(red(page.at(3, 50)), 40);  // blue at t = 0
  EXPECT_GT(blue(page.at(3, 50)), 200);
  EXPECT_GT(red(page.at(97, 50)), 200);  // red at t = 1
  EXPECT_LT(int(page.at(97, 50) >> 8 & 0xFF), 60);
  const uint32_t triangle = page.at(150, 60);  // t = 0.5 on the triangle
  EXPECT_GT(int(triangle >> 8 & 0xFF), 200);
  EXPECT_LT(blue(triangle), 60);
}

TEST(Shadings, RadialEndsExtendOnTheirOwnAndAlphaAndBackgroundApply) {
  PdfBuilder b;
  b.set(5,
        "<< /Shading << /Rad 6 0 R /Ax 7 0 R >> /Pattern << /P 8 0 R >> /ExtGState << /H << /ca "
        "0.5 >> >> >>");
  const std::string redToBlue =
      "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>";
  b.set(6, "<< /ShadingType 3 /ColorSpace /DeviceRGB /Coords [100 50 10 100 50 30] " + redToBlue +
               " /Extend [true false] >>");
  b.set(7, "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 50 0] " + redToBlue +
               " /Background [0 1 0] >>");
  b.set(8, "<< /Type /Pattern /PatternType 2 /Shading 7 0 R >>");
  auto radial = drawContent("/Rad sh", 200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(radial.at(100, 50), 0xFFFF0000u);  // inside the start circle: extended
  EXPECT_EQ(radial.at(150, 50), kWhite);       // beyond the end circle: not extended
  EXPECT_GT(blue(radial.at(128, 50)), 200);
  auto background =
      drawContent("/Pattern cs /P scn 0 0 200 100 re f", 200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(background.at(150, 50), 0xFF00FF00u);
  EXPECT_GT(red(background.at(1, 50)), 240);
  auto faded = drawContent("/H gs /Ax sh", 200, 100, "/Resources 5 0 R", b);
  EXPECT_NEAR(int((faded.at(1, 50) >> 8) & 0xFF), 128, 3);
  EXPECT_GT(red(faded.at(1, 50)), 245);
}

TEST(Patterns, FineTilingCoversTheWholeFill) {
  // Twenty thousand one-unit cells cost one cell drawing.
  PdfBuilder b;
  b.set(5, "<< /Pattern << /T 6 0 R >> >>");
  b.setStream(6,
              "/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 2 2] /XStep 2 "
              "/YStep 2 /Resources << >>",
              "1 0 0 rg 0 0 1 1 re f");
  auto page = drawContent("/Pattern cs /T scn 0 0 200 100 re f", 200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(page.at(0, 99), 0xFFFF0000u);
  EXPECT_EQ(page.at(1, 99), kWhite);
  EXPECT_EQ(page.at(198, 1), 0xFFFF0000u);
  EXPECT_EQ(page.at(199, 1), kWhite);
}

}  // namespace