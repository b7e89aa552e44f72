#pragma once
// Colour conversion: component values in a colour space to COLORREF (0x00BBGGRR), image samples
// to RGB bytes, and COLORREF with an alpha to the graphics state's ARGB.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "engine/render/colour_space.h"

// Fixed results: the colour of a Pattern space, and the greys of a conversion that failed while
// the space serves as non-stroking or as stroking space.
inline constexpr uint32_t kPatternColour = 0xDCDCDC;
inline constexpr uint32_t kFailedFillColour = 0xE6E6E6;
inline constexpr uint32_t kFailedStrokeColour = 0x646464;

// Converts up to four components (unused ones passed as -1.0). Never fails: unsupported
// families give the failed-conversion grey and set space.conversionFailed.
uint32_t toColorref(double c1, double c2, double c3, double c4, ColourSpace& space);
// The same for any number of components (DeviceN with more than four colorants).
uint32_t toColorref(std::span<const double> components, ColourSpace& space);

// The colour of function(t) in space, as shadings take their end colours: outputs the function
// does not give count as -1.0; a failed evaluation gives the failed-conversion grey.
uint32_t functionColour(C_PDF_Function& function, double t, ColourSpace& space);

// The initial colour of the space's family. A family without one gives black and sets *error
// (when given and still empty) to the insertion for message 60.
uint32_t initialColour(ColourSpace& space, std::string* error = nullptr);

// One image sample (one byte per component, holding a value of bitsPerComponent bits) to RGB
// bytes. Repeats of the last sample are served from the space's one-entry cache.
std::array<uint8_t, 3> sampleToRgb(std::span<const uint8_t> components, int32_t bitsPerComponent,
                                   ColourSpace& space);

// ARGB of the graphics state: alpha byte = (int)(alpha × 255), alpha clamped to [0, 1].
uint32_t applyAlpha(uint32_t colorref, double alpha);
// The same alpha put on a colour that is already ARGB.
uint32_t replaceAlpha(uint32_t argb, double alpha);

// The channels of a COLORREF.
inline uint8_t redOf(uint32_t colorref) { return static_cast<uint8_t>(colorref); }
inline uint8_t greenOf(uint32_t colorref) { return static_cast<uint8_t>(colorref >> 8); }
inline uint8_t blueOf(uint32_t colorref) { return static_cast<uint8_t>(colorref >> 16); }
