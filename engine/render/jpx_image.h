#pragma once
// JPEG 2000 image XObjects: the image's size, channels and colour come from the JPX data where
// the dictionary does not give them.

#include <cstdint>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_object.h"

struct XObjectDescriptor;

// True when the stream's last filter is JPXDecode.
bool isJpxStream(const PdfObject& stream, ObjectResolver& resolver);

// Decodes a JPXDecode image stream into 8-bit samples of the image's colour space (the
// dictionary's ColorSpace when present, else the JPX data's), setting the image's width,
// height, bits per component and colour space. An alpha channel becomes the image's soft mask
// when SMaskInData asks for it and the image has no SMask. Returns the data length, or -1.
int32_t decodeJpxImageData(XObjectDescriptor& image, const PdfObject& stream,
                           ObjectResolver& resolver);
