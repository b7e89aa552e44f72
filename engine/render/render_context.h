#pragma once
// What the renderer keeps per document: the resolver, the XObject cache and the switch that
// turns the document's Resources dictionaries into resource lists.

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "engine/render/xobject_descriptor.h"

class C_PDF_Document;
class ObjectResolver;
class ResourceList;
class PdfObject;
class C_PDF_Global_Resource_Font;

class RenderContext {
 public:
  // Registers itself as the document's resource-list builder; unregisters when destroyed.
  explicit RenderContext(C_PDF_Document& document);
  ~RenderContext();
  RenderContext(const RenderContext&) = delete;
  RenderContext& operator=(const RenderContext&) = delete;

  C_PDF_Document& document() const { return document_; }
  ObjectResolver& resolver() const;

  std::shared_ptr<ResourceList> loadResources(const PdfObject& resources);

  // The document's font cache (owned by the document).
  C_PDF_Global_Resource_Font& fonts() const { return *fonts_; }

  // XObjects by object number and generation, loaded once per document.
  std::map<std::pair<int32_t, int32_t>, std::unique_ptr<XObjectDescriptor>> xObjects;
  // Nesting of XObject loads in progress (forms whose resources hold forms).
  int xObjectLoadDepth = 0;
  // Nesting of tiling-pattern resource loads in progress.
  int patternLoadDepth = 0;

 private:
  C_PDF_Document& document_;
  C_PDF_Global_Resource_Font* fonts_ = nullptr;
};
