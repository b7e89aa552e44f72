#pragma once
// FontFace: one FreeType face made from bytes in memory, which it keeps alive; and
// FontLibrary, the document's FreeType library. FreeType types stay out of this header.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct FT_FaceRec_;
struct FT_LibraryRec_;

class FontFace {
 public:
  // Reads the program bytes again after release(); null bytes when they cannot be had.
  using ProgramSource = std::function<std::shared_ptr<const std::vector<uint8_t>>()>;

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

  // The face, made again (with the charmap it had) when it was released; null only when that
  // fails.
  FT_FaceRec_* get() const {
    if (!face_ && released_) rebuild();
    return face_;
  }

  // Where the bytes come from again: with a source release() drops the bytes too (a program the
  // document holds); without one they stay (an installed font's file, shared).
  void setProgramSource(ProgramSource source) { source_ = std::move(source); }
  // Drops FreeType's face (and the bytes when they can be read again); get() makes them anew.
  // Nothing may hold the FT_Face across this call.
  void release();
  bool released() const { return released_; }
  // Bytes this face holds that release() frees, roughly: the program it may drop and FreeType's
  // own tables, which grow with the program.
  std::size_t releasableBytes() const;

 private:
  FontFace(FT_FaceRec_* face, FT_LibraryRec_* library,
           std::shared_ptr<const std::vector<uint8_t>> bytes, int faceIndex)
      : face_(face), library_(library), bytes_(std::move(bytes)), faceIndex_(faceIndex) {}
  void rebuild() const;

  mutable FT_FaceRec_* face_;
  FT_LibraryRec_* library_;
  // FreeType reads the program from here for as long as the face lives.
  mutable std::shared_ptr<const std::vector<uint8_t>> bytes_;
  std::size_t programSize_ = 0;
  int faceIndex_;
  ProgramSource source_;
  // Set by release() until the face is made again; the charmap (index, -1 for none) to restore.
  mutable bool released_ = false;
  int charmapIndex_ = -1;
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
