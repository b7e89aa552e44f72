#include "viewer/view/page_text_source.h"

#include <QElapsedTimer>
#include <new>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/layout/page_text_layout.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"

namespace Corvalis::Viewer {

PageTextSource::PageTextSource(C_PDF_Document& document, C_PDF_Creator& creator)
    : document_(document), creator_(creator) {}

PageTextSource::~PageTextSource() = default;

PageTextLayout* PageTextSource::collectedLayout(int32_t pageNumber) {
  try {
    S_PDF_PageEx* parsed = creator_.getPage(pageNumber);
    return parsed && parsed->layout && parsed->layout->built() ? parsed->layout.get() : nullptr;
  } catch (const C_PDF_Exception&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void PageTextSource::learn(const PageTextIndex& other) {
  if (index_.pageCount() != document_.pageCount) index_.resize(document_.pageCount);
  index_.merge(other);
}

PageTextLayout* PageTextSource::layout(int32_t pageNumber) {
  if (pageNumber < 1 || pageNumber > document_.pageCount) return nullptr;
  try {
    S_PDF_PageEx* parsed = creator_.getPage(pageNumber);
    if (!parsed || !parsed->layout) return nullptr;
    if (index_.pageCount() != document_.pageCount) index_.resize(document_.pageCount);
    if (parsed->layout->built()) {
      if (!index_.has(pageNumber)) index_.record(pageNumber, *parsed->layout);
      return parsed->layout.get();
    }
    if (!scanner_) scanner_ = std::make_unique<C_PDF_Draw>(document_, creator_);
    scanner_->collectPageText(pageNumber);
    ++pagesScanned_;
    parsed = creator_.getPage(pageNumber);
    if (!parsed || !parsed->layout || !parsed->layout->built()) return nullptr;
    index_.record(pageNumber, *parsed->layout);
    return parsed->layout.get();
  } catch (const C_PDF_Exception&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void PageTextSource::release(int32_t pageNumber) { creator_.evict(pageNumber); }

bool PageTextSource::indexMore(int budgetMs, int32_t keepPage) {
  if (index_.pageCount() != document_.pageCount) index_.resize(document_.pageCount);
  QElapsedTimer clock;
  clock.start();
  while (nextToIndex_ <= document_.pageCount) {
    const int32_t page = nextToIndex_++;
    if (index_.has(page)) continue;
    const bool known = collectedLayout(page) != nullptr;
    layout(page);
    // A page that fails to give text is still recorded, as empty, so that it is not tried again.
    if (!index_.has(page)) index_.record(page, PageTextLayout());
    if (!known && page != keepPage) release(page);
    if (clock.elapsed() >= budgetMs) break;
  }
  return nextToIndex_ <= document_.pageCount;
}

}  // namespace Corvalis::Viewer
