#pragma once
// Loading the XObjects of a resource dictionary: images and forms, once per document.

#include <memory>

#include "engine/document/pdf_object.h"

class RenderContext;
class ResourceList;
struct XObjectDescriptor;
struct ImageAlpha;

// Forms whose resources load forms nested deeper than this are not loaded further.
inline constexpr int kMaxXObjectLoadNesting = 32;

// The XObject a resource value refers to, loaded (and parsed, for forms) the first time;
// nullptr for values that are not usable XObjects (no Subtype, PostScript, unknown subtypes,
// missing objects), which are then simply not drawn.
XObjectDescriptor* loadXObject(const PdfObject& value, RenderContext& context,
                               const ResourceList* resources);

// The opacity an image's SMask (with its Matte) or Mask stream gives, decoded now; null when the
// image has neither or they cannot be read. reachX and reachY, when not negative, are how many
// device pixels the image spans along its rows and columns: a mask with far more samples than
// that is reduced (and marked so) while it is decoded.
std::shared_ptr<ImageAlpha> loadImageAlpha(const XObjectDescriptor& image, RenderContext& context,
                                           double reachX = -1, double reachY = -1);

// Decodes an image's samples if not done yet; false when there are none. A DCT image (DCT its
// last filter) may be decoded at 1/dctScale of its size (2, 4 or 8), as dataScale then says.
bool decodeImageData(XObjectDescriptor& image, RenderContext& context, int dctScale = 1);
