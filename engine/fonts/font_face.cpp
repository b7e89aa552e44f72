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
  const std::size_t size = bytes->size();
  std::shared_ptr<FontFace> made(new FontFace(face, library, std::move(bytes), faceIndex));
  made->programSize_ = size;
  return made;
}

void FontFace::release() {
  if (!face_) return;
  charmapIndex_ = face_->charmap ? FT_Get_Charmap_Index(face_->charmap) : -1;
  FT_Done_Face(face_);
  face_ = nullptr;
  if (source_) bytes_.reset();
  released_ = true;
}

std::size_t FontFace::releasableBytes() const {
  // FreeType's tables of a face: a few pages, and for a program of the document about its size
  // again (Type 1 charstrings are kept decoded). An installed font's file stays shared.
  constexpr std::size_t kFaceTableBytes = 16 * 1024;
  if (!face_) return 0;
  return kFaceTableBytes + (source_ ? 2 * programSize_ : 0);
}

void FontFace::rebuild() const {
  // Tried once: a face that cannot be made again stays null rather than being tried per glyph.
  released_ = false;
  if (!bytes_ && source_) bytes_ = source_();
  if (!library_ || !bytes_ || bytes_->size() != programSize_) return;
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(library_, bytes_->data(), static_cast<FT_Long>(bytes_->size()), faceIndex_,
                         &face) != 0 ||
      !face) {
    if (face) FT_Done_Face(face);
    return;
  }
  if (charmapIndex_ >= 0 && charmapIndex_ < face->num_charmaps) {
    if (FT_Set_Charmap(face, face->charmaps[charmapIndex_]) != 0) face->charmap = nullptr;
  } else {
    face->charmap = nullptr;
  }
  face_ = face;
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
