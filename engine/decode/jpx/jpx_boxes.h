#pragma once
// JP2 and JPX file boxes: the header's colour, palette, component-mapping and channel
// definitions, and where the first contiguous code stream lies.

#include <cstdint>
#include <span>
#include <vector>

namespace jpx {

// Boxes read at most, and how deeply super-boxes nest; palettes of more entries are refused.
inline constexpr int kMaxBoxes = 4096;
inline constexpr int kMaxBoxNesting = 8;
inline constexpr int kMaxPaletteEntries = 1024;
inline constexpr int kMaxPaletteColumns = 64;

enum class ColourMethod : uint8_t { None, Enumerated, Icc };

// Enumerated colour spaces of the JP2 colr box that this reader knows.
enum EnumeratedSpace : uint32_t {
  kEnumCmyk = 12,
  kEnumLab = 14,
  kEnumSrgb = 16,
  kEnumGrey = 17,
  kEnumSycc = 18,
  kEnumEsrgb = 20,
  kEnumRommRgb = 21,
  kEnumEsycc = 24,
};

struct Jp2Header {
  std::span<const uint8_t> codeStream;
  ColourMethod method = ColourMethod::None;
  uint32_t enumerated = 0;
  std::vector<uint8_t> icc;
  // CIE Lab parameters (range and offset of L, a, b), when the box gives them.
  bool labParameters = false;
  uint32_t labRange[3] = {}, labOffset[3] = {};
  // Palette: entries × columns values, with each column's depth and signedness.
  int paletteEntries = 0;
  std::vector<uint8_t> paletteDepth;
  std::vector<uint8_t> paletteSigned;
  std::vector<int32_t> palette;
  struct Mapping {
    uint16_t component;
    uint8_t type;  // 0 direct, 1 through the palette
    uint8_t column;
  };
  std::vector<Mapping> mapping;
  struct Channel {
    uint16_t index, type, association;
  };
  std::vector<Channel> channels;
};

// True when the data is a JP2/JPX file (rather than a bare code stream).
bool isJp2File(std::span<const uint8_t> data);

// Reads the boxes; false when no code stream box is found.
bool readJp2(std::span<const uint8_t> data, Jp2Header& out);

}  // namespace jpx
