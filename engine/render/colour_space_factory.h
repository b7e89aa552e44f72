#pragma once
// Building colour-space objects from the colour-space values of a file.

#include <memory>
#include <string>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_object.h"
#include "engine/render/colour_space.h"

// Insertions of message 60 for colour-space values that cannot be used.
inline constexpr const char kColourErrorUnknownName[] = "11";
inline constexpr const char kColourErrorUnknownArray[] = "12";
inline constexpr const char kColourErrorNoInitialColour[] = "18";

// Colour spaces nested deeper than this inside one another (Indexed bases, ICCBased and
// Separation alternates) are unusable: a value can refer to itself through references.
inline constexpr int kMaxColourSpaceNesting = 8;

// Builds the colour space of a value: a name (DeviceGray, RGB, Pattern, ...), an array
// ([/Indexed ...], [/ICCBased n 0 R], ...) or a reference to either. Never null and never
// throws: a value that names nothing usable (or whose objects are missing) gives DeviceGray and
// sets *error (when error is given and still empty) to the insertion for message 60. The
// device families are the shared built-in objects.
std::shared_ptr<ColourSpace> createColourSpace(const PdfObject& value, ObjectResolver& resolver,
                                               std::string* error);
