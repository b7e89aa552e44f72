#pragma once
// C_PDF_Creator: parses each page's content once and keeps the result per page.

#include <cstdint>
#include <list>
#include <memory>
#include <span>

#include "engine/render/operator_list.h"
#include "engine/render/render_context.h"

class C_PDF_Document;
class C_PDF_PageTreeNode_or_Page;
class ColourSpace;
class ResourceList;
class PageTextLayout;

// The parsed form of one page.
struct S_PDF_PageEx {
  S_PDF_PageEx();
  ~S_PDF_PageEx();
  int32_t pageNumber = 0;
  int32_t pageObjectValue = -1;
  OperatorList operators;
  // The page's text, collected on its first drawing.
  std::unique_ptr<PageTextLayout> layout;
};

class C_Minimal_4_Conversion_Creator {
 public:
  virtual ~C_Minimal_4_Conversion_Creator() = default;
  virtual void evict(int32_t pageNumber) = 0;
  virtual S_PDF_PageEx* getPage(int32_t pageNumber) = 0;
};

class C_FixedPosSize_Creator : public C_Minimal_4_Conversion_Creator {};

class C_PDF_Creator : public C_FixedPosSize_Creator {
 public:
  explicit C_PDF_Creator(C_PDF_Document& document);
  ~C_PDF_Creator() override;

  // The page's parsed content, parsed on the first request; null when the document cannot
  // produce the page. May throw C_PDF_Exception while the page's resources are loaded.
  S_PDF_PageEx* getPage(int32_t pageNumber) override;
  void evict(int32_t pageNumber) override;

  int32_t highestPageRequested() const { return highestPage_; }
  C_PDF_Document& document() const { return document_; }
  RenderContext& context() { return context_; }

  // Parses content that draws with the given resources (forms, patterns, glyph procedures).
  OperatorList parse(std::span<const uint8_t> content, const ResourceList* resources);

  // The colour space an inline image or colour operator names, looked up in resources.
  static std::shared_ptr<ColourSpace> namedColourSpace(const PdfObject& value,
                                                       const ResourceList* resources,
                                                       ObjectResolver& resolver);

 private:
  C_PDF_Document& document_;
  RenderContext context_;
  std::list<std::unique_ptr<S_PDF_PageEx>> cache_;
  int32_t highestPage_ = 0;
};
