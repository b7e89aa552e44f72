#pragma once
// Parsing content streams (pages, forms, tiling patterns, glyph procedures) into operator lists.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "engine/render/operator_list.h"

class ColourSpace;
class ObjectResolver;

struct ContentContext {
  // Decodes inline-image data; without a resolver inline images keep no samples.
  ObjectResolver* resolver = nullptr;
  // The colour space an inline image names (a name to look up in the resources, or an array).
  std::function<std::shared_ptr<ColourSpace>(const PdfObject&)> colourSpace;
};

// Operands held at most; the stack is emptied before the next one is pushed.
inline constexpr int kMaxOperands = 50;

OperatorList parseContent(std::span<const uint8_t> content, const ContentContext& context);
