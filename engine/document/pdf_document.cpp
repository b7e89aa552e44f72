#include "engine/document/pdf_document.h"

#include <algorithm>

#include "engine/document/byte_scan.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/security_handler.h"

C_PDF_Document::C_PDF_Document() = default;

C_PDF_Document::~C_PDF_Document() {
  // Fonts go first: cached fonts may refer to page resources.
  if (fontCache_) fontCache_->clearContents();
  pageTree_.reset();
  form_.reset();
  fontCache_.reset();
  catalog_.reset();
  securityHandler_.reset();
  resolver_.reset();
  xrefTable_.reset();
  trailerInfo_.reset();
  lexer_.reset();
  file_.reset();
}

bool C_PDF_Document::open(const std::string& path, const std::string& password) {
  path_ = path;
  password_ = password;
  file_ = std::make_unique<C_PDF_File>(path);
  if (file_->length < 0) {
    openError_ = file_->error();
    return false;
  }
  lexer_ = std::make_unique<PdfLexer>(file_.get());
  if (file_->length == 0) throw C_PDF_Exception(PdfError::DocumentDamaged, "The file is empty");
  trailerInfo_ = std::make_unique<TrailerInfo>();
  readTrailerInfo(*trailerInfo_, *lexer_);
  xrefTable_ = std::make_unique<XrefTable>(trailerInfo_.get(), lexer_.get());
  resolver_ = std::make_unique<ObjectResolver>(xrefTable_.get(), lexer_.get());

  if (trailerInfo_->encrypted || xrefTable_->encrypted()) {
    securityHandler_ = std::make_unique<C_PDF_SecurityHandler>(
        trailerInfo_->Encrypt, *resolver_, *trailerInfo_, password_, passwordProvider_);
  }

  catalog_ = std::make_unique<CatalogRecord>();
  try {
    if (trailerInfo_->Root) catalog_->catalog = resolver_->resolve(*trailerInfo_->Root);
    // A trailer that names no catalogue that can be read: the one a scan of the file finds.
    if (!catalog_->catalog.isDictionary() || !catalog_->catalog.lookup("Pages")) {
      if (xrefTable_->recoverCatalog(*resolver_))
        catalog_->catalog = resolver_->resolve(*trailerInfo_->Root);
    }
  } catch (const C_PDF_Exception&) {
    catalog_->catalog = PdfObject();
  }
  // With no catalogue left, the page objects still found make the document.
  if (!catalog_->catalog.isDictionary()) catalog_->catalog = pagesFromScan();
  if (!catalog_->catalog.isDictionary())
    throw C_PDF_Exception(PdfError::DocumentDamaged, damageReason());
  lookUpCatalogKeys();

  try {
    pageTree_ = buildPageTree(catalog_->Pages, *resolver_, this, true, progress_);
  } catch (const C_PDF_Exception&) {
    pageTree_.reset();
  }
  if (!pageTree_ || pageTree_->pagesByNumber.empty() || !pageTree_->pagesByNumber[0]) {
    // The page tree is lost or holds no page that can be read: the pages the scan finds.
    PdfObject scanned = pagesFromScan();
    if (scanned.isDictionary()) {
      catalog_->catalog = std::move(scanned);
      lookUpCatalogKeys();
      pageTree_ = buildPageTree(catalog_->Pages, *resolver_, this, true, progress_);
    } else if (!pageTree_) {
      pageTree_ = buildPageTree(catalog_->Pages, *resolver_, this, true, progress_);  // says why
    }
  }
  buildForm();
  pageCount = pageTree_->pageCount;
  return true;
}

void C_PDF_Document::lookUpCatalogKeys() {
  const PdfObject& c = catalog_->catalog;
  catalog_->Type = c.lookup("Type");
  catalog_->Version = c.lookup("Version");
  catalog_->Pages = c.lookup("Pages");
  catalog_->PageLabels = c.lookup("PageLabels");
  catalog_->Names = c.lookup("Names");
  catalog_->Dests = c.lookup("Dests");
  catalog_->ViewerPreferences = c.lookup("ViewerPreferences");
  catalog_->PageLayout = c.lookup("PageLayout");
  catalog_->PageMode = c.lookup("PageMode");
  catalog_->Outlines = c.lookup("Outlines");
  catalog_->Threads = c.lookup("Threads");
  catalog_->OpenAction = c.lookup("OpenAction");
  catalog_->AA = c.lookup("AA");
  catalog_->URI = c.lookup("URI");
  catalog_->AcroForm = c.lookup("AcroForm");
  catalog_->Metadata = c.lookup("Metadata");
  catalog_->StructTreeRoot = c.lookup("StructTreeRoot");
  catalog_->MarkInfo = c.lookup("MarkInfo");
  catalog_->SpiderInfo = c.lookup("SpiderInfo");
  catalog_->OutputIntents = c.lookup("OutputIntents");
}

PdfObject C_PDF_Document::pagesFromScan() {
  std::vector<XrefEntry> pages = xrefTable_->scannedPages();
  if (pages.empty()) return PdfObject();
  PdfObject kids(PdfObjectKind::Array);
  for (const XrefEntry& page : pages) {
    PdfObject reference(PdfObjectKind::Reference);
    reference.objectNumber = page.objectNumber;
    reference.generation = page.generation;
    kids.elements.push_back(std::move(reference));
  }
  PdfObject tree(PdfObjectKind::Dictionary);
  tree.add("Type", PdfObject(PdfObjectKind::Name, "Pages"));
  tree.add("Count", PdfObject(PdfObjectKind::Number, std::to_string(pages.size())));
  tree.add("Kids", std::move(kids));
  PdfObject catalog(PdfObjectKind::Dictionary);
  catalog.add("Type", PdfObject(PdfObjectKind::Name, "Catalog"));
  catalog.add("Pages", std::move(tree));
  return catalog;
}

std::string C_PDF_Document::damageReason() const {
  C_PDF_Lex_Source& source = *file_;
  // A PDF file starts with %PDF- (some writers put a little before it).
  constexpr int64_t kHeaderSearchBytes = 1024;
  const bool header =
      findForward(source, "%PDF-", 0, std::min(source.length, kHeaderSearchBytes)) >= 0;
  if (!header) return "This file is not a PDF document";
  // A complete file ends with %%EOF shortly after startxref.
  constexpr int64_t kEndSearchBytes = 1024;
  const int64_t tail = std::max<int64_t>(0, source.length - kEndSearchBytes);
  if (findForward(source, "%%EOF", tail) < 0 && findForward(source, "startxref", tail) < 0)
    return "The file is damaged: its end is missing";
  return "The file is damaged: its catalogue cannot be found";
}

DocumentPermissions C_PDF_Document::permissions() const {
  return securityHandler_ ? securityHandler_->documentPermissions() : DocumentPermissions{};
}

bool C_PDF_Document::unlockWithOwnerPassword(const std::string& password) {
  return !securityHandler_ || securityHandler_->unlockWithOwnerPassword(password);
}

void C_PDF_Document::buildForm() {
  if (!catalog_->AcroForm) return;
  form_ = std::make_unique<FormRecord>();
  form_->dictionary = resolver_->resolve(*catalog_->AcroForm);
  const PdfObject& d = form_->dictionary;
  form_->Fields = d.lookup("Fields");
  form_->NeedApperances = d.lookup("NeedApperances");
  form_->SigFlags = d.lookup("SigFlags");
  form_->CO = d.lookup("CO");
  form_->DR = d.lookup("DR");
  form_->DA = d.lookup("DA");
  form_->Q = d.lookup("Q");
  form_->XFA = d.lookup("XFA");
  if (form_->Fields) {
    form_->fields = buildAnnotationList(*form_->Fields, *resolver_, true);
    if (form_->fields->hasTextField) formOverlay = true;
  }
}

void C_PDF_Document::completePageTree() {
  if (!pageTree_ || pageTree_->pageCount == 1 || !pageTree_->firstPageOnly) return;
  trimCache(true);
  pageTree_.reset();
  pageTree_ = buildPageTree(catalog_->Pages, *resolver_, this, false, progress_);
  pageCount = pageTree_->pageCount;
}

void C_PDF_Document::trimCache(bool force) {
  if (fontCache_) fontCache_->trim(force);
}

C_PDF_PageTreeNode_or_Page* C_PDF_Document::findPage(int32_t number, bool decodeContent) {
  C_PDF_PageTreeNode_or_Page* page = nullptr;
  if (pageTree_ && number >= 1 &&
      static_cast<std::size_t>(number) <= pageTree_->pagesByNumber.size())
    page = pageTree_->pagesByNumber[number - 1];
  if (!page) {
    // The view stops offering pages past the last one that exists.
    if (number > 0) pageCount = std::min(pageCount, number - 1);
    return nullptr;
  }
  if (decodeContent) decodePageContent(*page, *resolver_);
  return page;
}

C_PDF_PageTreeNode_or_Page* C_PDF_Document::findPreparedPage(int32_t number, bool decodeContent) {
  C_PDF_PageTreeNode_or_Page* page = findPage(number, false);
  if (!page) return nullptr;
  if (!page->resourceList && resourceListFactory_) {
    if (!page->resourcesFromRoot) {
      page->resourceList = resourceListFactory_(page->Resources);
    } else if (pageTree_->Resources.kind != PdfObjectKind::None) {
      if (!pageTree_->rootResources)
        pageTree_->rootResources = resourceListFactory_(pageTree_->Resources);
      page->resourceList = pageTree_->rootResources;
    } else {
      page->resourceList = resourceListFactory_(page->Resources);
    }
  }
  if (!page->annotations && page->Annots.kind != PdfObjectKind::None)
    page->annotations = buildAnnotationList(page->Annots, *resolver_, false);
  if (decodeContent) decodePageContent(*page, *resolver_);
  return page;
}
