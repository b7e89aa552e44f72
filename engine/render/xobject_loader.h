#pragma once
// Loading the XObjects of a resource dictionary: images and forms, once per document.

#include "engine/document/pdf_object.h"

class RenderContext;
class ResourceList;
struct XObjectDescriptor;

// Forms whose resources load forms nested deeper than this are not loaded further.
inline constexpr int kMaxXObjectLoadNesting = 32;

// The XObject a resource value refers to, loaded (and parsed, for forms) the first time;
// nullptr for values that are not usable XObjects (no Subtype, PostScript, unknown subtypes,
// missing objects), which are then simply not drawn.
XObjectDescriptor* loadXObject(const PdfObject& value, RenderContext& context,
                               const ResourceList* resources);

// Decodes an image's samples if not done yet; false when there are none.
bool decodeImageData(XObjectDescriptor& image, RenderContext& context);
