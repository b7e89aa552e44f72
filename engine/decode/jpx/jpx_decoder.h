#pragma once
// JPEG 2000 (JPXDecode) images: JP2/JPX files or bare code streams.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// Samples one image may decode to at most (all channels); larger images are refused.
inline constexpr int64_t kMaxJpxImageSamples = int64_t{1} << 26;
// Threads a decoding uses at most.
inline constexpr int kMaxJpxThreads = 4;

enum class JpxColour { Unknown, Grey, Rgb, Cmyk, Lab, Icc };

struct JpxPlane {
  int depth = 8;                  // bits per sample of this channel
  std::vector<uint16_t> samples;  // width × height, unsigned (signed data offset by half range)
};

struct JpxImage {
  int width = 0, height = 0;
  // The channels after any palette, in the file's channel order.
  std::vector<JpxPlane> planes;
  JpxColour colour = JpxColour::Unknown;
  std::vector<uint8_t> icc;  // the embedded profile (JpxColour::Icc)
  // Lab: L, a and b as ranges and offsets of the sample codes (the file's or the defaults).
  double labRange[3] = {100, 170, 200}, labOffset[3] = {0, 0, 0};
  // Which planes hold the colour channels, in colour order, and which holds opacity (-1: none).
  std::vector<int> colourPlanes;
  int alphaPlane = -1;
  bool alphaPremultiplied = false;
  bool fromFile = false;  // read from JP2/JPX boxes rather than a bare code stream
  bool complete = true;   // false when the data broke off or was damaged
};

// Decodes the whole image. threads 0 uses the machine's cores (at most kMaxJpxThreads).
// False when nothing could be decoded or the image would exceed maxSamples; a damaged stream
// still gives the image with what it holds (missing parts mid-grey).
bool decodeJpxImage(std::span<const uint8_t> input, JpxImage& image, int threads = 0,
                    int64_t maxSamples = kMaxJpxImageSamples);

// The decoder behind the JPXDecode filter: reset decodes the image, nextByte hands out its
// samples, rows top to bottom, pixels left to right, channels interleaved, each sample as many
// bits as its channel's depth, packed most significant bit first.
class C_PDF_JPEG2000 {
 public:
  // Images of more than maxSamples samples are not decoded.
  explicit C_PDF_JPEG2000(std::span<const uint8_t> input, int64_t maxSamples = kMaxJpxImageSamples)
      : input_(input), maxSamples_(maxSamples) {}
  virtual ~C_PDF_JPEG2000() = default;
  virtual bool reset();
  virtual int nextByte();
  // Reads up to max bytes at once (what nextByte would give); returns the count.
  std::size_t read(uint8_t* out, std::size_t max);
  const JpxImage& image() const { return image_; }

 private:
  std::span<const uint8_t> input_;
  int64_t maxSamples_;
  JpxImage image_;
  std::size_t pixel_ = 0, pixels_ = 0;
  std::size_t channel_ = 0;
  uint32_t accumulator_ = 0;
  int accumulated_ = 0;
  bool ready_ = false;
};

// Decodes into output (at most maxOutput bytes). Returns the length, or -1 when nothing could
// be decoded. Images with more samples than maxOutput could hold are not decoded at all.
int32_t decodeJpx(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                  std::size_t maxOutput);
