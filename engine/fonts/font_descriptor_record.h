#pragma once
// FontDescriptorRecord: what font loading keeps of a FontDescriptor dictionary.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/document/pdf_object.h"

struct FontDescriptorRecord {
  // Flags bits that font loading reads.
  static constexpr int32_t kFixedPitch = 1;
  static constexpr int32_t kSerif = 2;
  static constexpr int32_t kScript = 8;
  static constexpr int32_t kNonsymbolic = 32;
  static constexpr int32_t kItalic = 64;
  static constexpr int32_t kForceBold = 1 << 18;
  // FontWeight from which a substitute is bold, and the ItalicAngle (degrees) from which it is
  // italic.
  static constexpr double kBoldWeight = 600;
  static constexpr double kItalicAngle = 1;

  // The decoded font program (null when there is none, or when the face alone holds it because
  // it can be read again).
  std::shared_ptr<const std::vector<uint8_t>> program;
  // The descriptor dictionary, resolved.
  PdfObject descriptor;
  std::string fontName;
  int32_t flags = 0;
  // Which entry held the program: "FontFile", "FontFile2", "FontFile3" or empty.
  std::string programEntry;
  // True when a program was decoded (more than one byte) and handed to FreeType.
  bool embedded = false;
  // Lang, when a name.
  std::string lang;
  // FontWeight (0 when absent) and ItalicAngle.
  double fontWeight = 0;
  double italicAngle = 0;
};
