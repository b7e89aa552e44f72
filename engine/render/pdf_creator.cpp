#include "engine/render/pdf_creator.h"

#include "engine/document/pdf_document.h"
#include "engine/render/colour_space.h"
#include "engine/render/colour_space_factory.h"
#include "engine/layout/page_text_layout.h"
#include "engine/render/content_parser.h"
#include "engine/render/resource_list.h"

S_PDF_PageEx::S_PDF_PageEx() : layout(std::make_unique<PageTextLayout>()) {}
S_PDF_PageEx::~S_PDF_PageEx() = default;

C_PDF_Creator::C_PDF_Creator(C_PDF_Document& document) : document_(document), context_(document) {}

C_PDF_Creator::~C_PDF_Creator() = default;

std::shared_ptr<ColourSpace> C_PDF_Creator::namedColourSpace(const PdfObject& value,
                                                             const ResourceList* resources,
                                                             ObjectResolver& resolver) {
  if (value.isName()) {
    const std::string& name = value.text;
    if (name == "DeviceGray" || name == "G" || name == "Pattern") return deviceGray();
    if (name == "DeviceRGB" || name == "RGB") return deviceRGB();
    if (name == "DeviceCMYK" || name == "CMYK") return deviceCMYK();
    if (resources)
      if (auto space = resources->colourSpace(name)) return space;
    return deviceGray();  // an unknown name draws in grey
  }
  return createColourSpace(value, resolver, nullptr);
}

OperatorList C_PDF_Creator::parse(std::span<const uint8_t> content, const ResourceList* resources) {
  ContentContext context;
  context.resolver = document_.resolver();
  context.colourSpace = [resources, this](const PdfObject& value) {
    return namedColourSpace(value, resources, *document_.resolver());
  };
  return parseContent(content, context);
}

S_PDF_PageEx* C_PDF_Creator::getPage(int32_t pageNumber) {
  for (auto& entry : cache_)
    if (entry->pageNumber == pageNumber) return entry.get();
  C_PDF_PageTreeNode_or_Page* page = document_.findPreparedPage(pageNumber, true);
  if (!page) return nullptr;
  if (pageNumber > highestPage_) highestPage_ = pageNumber;
  auto parsed = std::make_unique<S_PDF_PageEx>();
  parsed->pageNumber = pageNumber;
  parsed->pageObjectValue = page->objectNumber;
  if (!page->nothingToDraw && page->contentLength > 0) {
    auto* resources = dynamic_cast<ResourceList*>(page->resourceList.get());
    parsed->operators = parse(page->content, resources);
  }
  cache_.push_back(std::move(parsed));
  return cache_.back().get();
}

void C_PDF_Creator::evict(int32_t pageNumber) {
  for (auto it = cache_.begin(); it != cache_.end(); ++it) {
    if ((*it)->pageNumber == pageNumber) {
      cache_.erase(it);
      return;
    }
  }
}
