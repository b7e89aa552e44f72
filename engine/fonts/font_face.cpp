#include "engine/fonts/font_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H

std::shared_ptr<FontFace> FontFace::create(FT_LibraryRec_* library,
                                           std::shared_ptr<const std::vector<uint8_t>> bytes,
                                           int faceIndex, int32_t& error) {
  error = FT_Err_Invalid_Argument;
  if (!library || !bytes || bytes->empty() || bytes->size() > kMaxProgramBytes || faceIndex < 0)
    return nullptr;
  FT_Face face = nullptr;
  error = FT_New_Memory_Face(library, bytes->data(), static_cast<FT_Long>(bytes->size()), faceIndex,
                             &face);
  if (error != 0 || !face) {
    if (face) FT_Done_Face(face);
    return nullptr;
  }
  return std::shared_ptr<FontFace>(new FontFace(face, std::move(bytes)));
}

FontFace::~FontFace() {
  if (face_) FT_Done_Face(face_);
}

FontLibrary::FontLibrary(bool initialise) {
  FT_Library library = nullptr;
  if (initialise && FT_Init_FreeType(&library) == 0) library_ = library;
}

FontLibrary::~FontLibrary() {
  if (library_) FT_Done_FreeType(library_);
}
