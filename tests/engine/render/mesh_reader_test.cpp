// Reading the vertex data of mesh shadings.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/render/mesh_reader.h"
#include "fuzz/mesh_fuzz_harness.h"

namespace {

MeshFormat format(int type, int flagBits = 8) {
  MeshFormat f;
  f.type = type;
  f.bitsPerCoordinate = 8;
  f.bitsPerComponent = 8;
  f.bitsPerFlag = flagBits;
  f.components = 1;
  f.decode = {0, 255, 0, 255, 0, 255};
  return f;
}

std::vector<uint8_t> bytes(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

TEST(MeshReader, FreeFormTrianglesShareVerticesByFlag) {
  // A triangle, then flag 1 (on the last two vertices) and flag 2 (on the first and last).
  auto mesh = readMesh(bytes({0, 0, 0, 1, 0, 10, 0, 2, 0, 0, 10, 3, 1, 10, 10, 4, 2, 20, 20, 5}),
                       format(4));
  ASSERT_EQ(mesh.size(), 3u);
  EXPECT_EQ(mesh[1].corner[0].c[0], 2);
  EXPECT_EQ(mesh[1].corner[2].c[0], 4);
  EXPECT_EQ(mesh[2].corner[0].c[0], 2);
  EXPECT_EQ(mesh[2].corner[1].c[0], 4);
  EXPECT_EQ(mesh[2].xy[4], 20);
}

TEST(MeshReader, CoonsPatchesContinueOnASideOfTheLast) {
  std::vector<uint8_t> data = {0};
  for (int i = 0; i < 12; ++i) data.insert(data.end(), {uint8_t(i), uint8_t(100 + i)});
  data.insert(data.end(), {10, 11, 12, 13});
  // Flag 2: the new patch starts with points 6..9 and colours 2 and 3 of the last.
  data.push_back(2);
  for (int i = 0; i < 8; ++i) data.insert(data.end(), {uint8_t(50 + i), 0});
  data.insert(data.end(), {20, 21});
  auto mesh = readMesh(data, format(6));
  ASSERT_EQ(mesh.size(), 2u);
  EXPECT_EQ(mesh[1].xy[0], 6);
  EXPECT_EQ(mesh[1].xy[7], 109);
  EXPECT_EQ(mesh[1].xy[8], 50);
  EXPECT_EQ(mesh[1].corner[0].c[0], 12);
  EXPECT_EQ(mesh[1].corner[1].c[0], 13);
  EXPECT_EQ(mesh[1].corner[3].c[0], 21);
  // A first patch that continues nothing, and unusable formats, give nothing.
  data[0] = 1;
  EXPECT_TRUE(readMesh(data, format(6)).empty());
  EXPECT_TRUE(readMesh(data, format(6, 3)).empty());
  MeshFormat shortDecode = format(6);
  shortDecode.decode.resize(4);
  EXPECT_TRUE(readMesh(data, shortDecode).empty());
}

TEST(MeshReader, LatticeRowsMakeTwoTrianglesPerCell) {
  MeshFormat f = format(5);
  f.verticesPerRow = 3;
  auto mesh = readMesh(bytes({0, 0, 1, 5, 0, 1, 9, 0, 1, 0, 5, 2, 5, 5, 2, 9, 5, 2, 0, 9}), f);
  EXPECT_EQ(mesh.size(), 4u);
  f.verticesPerRow = 1;
  EXPECT_TRUE(readMesh(bytes({0, 0, 1, 5, 0, 1}), f).empty());
}

TEST(MeshReader, FuzzFindingsDoNotCrash) {
  const char* dataDir = std::getenv("BREVIA_TEST_DATA");
  const std::filesystem::path dir =
      (dataDir ? std::filesystem::path(dataDir)
               : std::filesystem::path(BREVIA_SOURCE_DIR) / "tests/data") /
      "fuzz" / "mesh_fuzz";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no fuzz findings";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(file), {}};
    mesh_fuzz::runMeshInput(reinterpret_cast<const uint8_t*>(content.data()), content.size());
  }
}

}  // namespace
