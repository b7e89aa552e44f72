#pragma once
// FontFace: one FreeType face made from bytes in memory, which it keeps alive; and
// FontLibrary, the document's FreeType library. FreeType types stay out of this header.

#include <cstdint>
#include <memory>
#include <vector>

struct FT_FaceRec_;
struct FT_LibraryRec_;

class FontFace {
 public:
  // Font programs larger than this are not handed to FreeType.
  static constexpr std::size_t kMaxProgramBytes = 64u * 1024 * 1024;

  // A face of the font in bytes (face faceIndex of a collection); nullptr when FreeType refuses
  // them. error receives FreeType's error code.
  static std::shared_ptr<FontFace> create(FT_LibraryRec_* library,
                                          std::shared_ptr<const std::vector<uint8_t>> bytes,
                                          int faceIndex, int32_t& error);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  FT_FaceRec_* get() const { return face_; }

 private:
  FontFace(FT_FaceRec_* face, std::shared_ptr<const std::vector<uint8_t>> bytes)
      : face_(face), bytes_(std::move(bytes)) {}

  FT_FaceRec_* face_;
  // FreeType reads the program from here for as long as the face lives.
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
};

// The FreeType library of one document: every face of the document's fonts is made with it, and
// it is released after them.
class FontLibrary {
 public:
  // initialise false stands for a FreeType that could not be initialised.
  explicit FontLibrary(bool initialise = true);
  ~FontLibrary();
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  // Null when FreeType could not be initialised: fonts then have no faces.
  FT_LibraryRec_* get() const { return library_; }
  // The last FreeType error met while making faces.
  int32_t lastError = 0;
  // Set once the failure to initialise has been reported.
  uint8_t reported = 0;

 private:
  FT_LibraryRec_* library_ = nullptr;
};
