#pragma once
// The segment reader: parses segment headers, runs each segment's procedure and composes the
// page.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/decode/jbig2/jbig2_bitmap.h"

// A segment never refers to more segments than this.
inline constexpr uint32_t kMaxJbig2ReferredSegments = 1u << 16;
// An image never holds more segments than this.
inline constexpr std::size_t kMaxJbig2Segments = 1u << 20;

// Once the page size is known, an image may do this much work (in pixels, see Jbig2Budget)
// beyond a fixed allowance for shared dictionaries: enough for every real page, little enough
// that a crafted small page cannot keep the decoder busy.
inline constexpr int64_t kJbig2WorkAllowance = int64_t{1} << 26;
inline constexpr int64_t kJbig2WorkPerPagePixel = 16;

class C_PDF_JBIG2 {
 public:
  explicit C_PDF_JBIG2(int64_t workPixels);
  virtual ~C_PDF_JBIG2();

  // Reads the globals, then the image's own segments.
  void decode(const uint8_t* globals, std::size_t globalsSize, const uint8_t* data,
              std::size_t size);
  // The page (blank when nothing was drawn), or nullptr without page information.
  std::unique_ptr<JBIG2Bitmap> takePage();

 private:
  struct Header;
  struct RegionInfo;
  // Reads the segments of one buffer; false when decoding must end.
  bool readSegments(const uint8_t* data, std::size_t size);
  bool runSegment(const Header& h, const uint8_t* data, std::size_t size);
  JBIG2Segment* find(uint32_t number) const;
  void pageInfo(const uint8_t* data, std::size_t size);
  void endOfStripe(const uint8_t* data, std::size_t size);
  bool symbolDict(const Header& h, const uint8_t* data, std::size_t size);
  void textRegion(const Header& h, const uint8_t* data, std::size_t size);
  void patternDict(const Header& h, const uint8_t* data, std::size_t size);
  void halftoneRegion(const Header& h, const uint8_t* data, std::size_t size);
  void genericRegion(const Header& h, const uint8_t* data, std::size_t size);
  void refinementRegion(const Header& h, const uint8_t* data, std::size_t size);
  void codeTable(const Header& h, const uint8_t* data, std::size_t size);
  // Composes an immediate region onto the page or keeps an intermediate one.
  void placeRegion(const Header& h, const RegionInfo& info, std::unique_ptr<JBIG2Bitmap> bitmap);

  Jbig2Budget budget_;
  std::unique_ptr<JBIG2Bitmap> page_;
  bool pageHeightUnknown_ = false;
  bool havePage_ = false;
  uint32_t pageWidth_ = 0, pageHeight_ = 0;
  // The page bitmap, made on first use.
  JBIG2Bitmap* drawnPage();
  int pageDefaultPixel_ = 0;
  std::vector<std::unique_ptr<JBIG2Segment>> segments_;
  // The latest stored segment of each number, so that references cost no search.
  std::unordered_map<uint32_t, JBIG2Segment*> byNumber_;
  void store(std::unique_ptr<JBIG2Segment> segment);
};
