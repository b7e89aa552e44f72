#pragma once
// The text runs of any page of a document. A page that has been drawn keeps the runs its
// drawing collected; any other page is scanned for its text alone: no bitmap, no images, no
// path painting.

#include <cstdint>
#include <memory>

#include "viewer/view/page_text_index.h"

class C_PDF_Creator;
class C_PDF_Document;
class C_PDF_Draw;
class PageTextLayout;

namespace Corvalis::Viewer {

class PageTextSource {
 public:
  PageTextSource(C_PDF_Document& document, C_PDF_Creator& creator);
  ~PageTextSource();
  PageTextSource(const PageTextSource&) = delete;
  PageTextSource& operator=(const PageTextSource&) = delete;

  // The page's runs, collected now when the page has none yet; null when the page does not
  // exist or its content cannot be read (a damaged page has no text, it does not stop a walk).
  PageTextLayout* layout(int32_t pageNumber);
  // The runs when the page already has them; never scans.
  PageTextLayout* collectedLayout(int32_t pageNumber);
  // Drops the page's parsed content and runs (a walk over a long document keeps only the pages
  // it needs).
  void release(int32_t pageNumber);

  // Pages scanned since this source was made.
  int64_t pagesScanned() const { return pagesScanned_; }

  // The text of every page seen so far, for passing over pages without the phrase.
  const PageTextIndex& index() const { return index_; }
  // Takes what another reading of the same document found of its pages' text.
  void learn(const PageTextIndex& other);
  // Scans pages not yet in the index, in page order, for about budgetMs; pages other than
  // keepPage are let go again. False once every page is in the index.
  bool indexMore(int budgetMs, int32_t keepPage);

 private:
  C_PDF_Document& document_;
  C_PDF_Creator& creator_;
  // Its own renderer, so that scanning never disturbs the shown page's cached images.
  std::unique_ptr<C_PDF_Draw> scanner_;
  int64_t pagesScanned_ = 0;
  PageTextIndex index_;
  int32_t nextToIndex_ = 1;
};

}  // namespace Corvalis::Viewer
