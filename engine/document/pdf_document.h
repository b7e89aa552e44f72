#pragma once
// C_PDF_Document: one parsed PDF file with its objects, page tree and form record.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/document/annotation_list.h"
#include "engine/document/document_hooks.h"
#include "engine/document/object_resolver.h"
#include "engine/document/page_tree.h"
#include "engine/document/pdf_file.h"
#include "engine/document/pdf_lexer.h"
#include "engine/document/security_permissions.h"
#include "engine/document/trailer_info.h"
#include "engine/document/xref_table.h"

class C_PDF_SecurityHandler;

// The catalog dictionary and the values the viewer reads from it.
struct CatalogRecord {
  PdfObject catalog;
  const PdfObject* Type = nullptr;
  const PdfObject* Version = nullptr;
  const PdfObject* Pages = nullptr;
  const PdfObject* PageLabels = nullptr;
  const PdfObject* Names = nullptr;
  const PdfObject* Dests = nullptr;
  const PdfObject* ViewerPreferences = nullptr;
  const PdfObject* PageLayout = nullptr;
  const PdfObject* PageMode = nullptr;
  const PdfObject* Outlines = nullptr;
  const PdfObject* Threads = nullptr;
  const PdfObject* OpenAction = nullptr;
  const PdfObject* AA = nullptr;
  const PdfObject* URI = nullptr;
  const PdfObject* AcroForm = nullptr;
  const PdfObject* Metadata = nullptr;
  const PdfObject* StructTreeRoot = nullptr;
  const PdfObject* MarkInfo = nullptr;
  const PdfObject* SpiderInfo = nullptr;
  const PdfObject* OutputIntents = nullptr;
};

// Operations every document format offers to the viewer.
class C_Minimal_4_Conversion_Document {
 public:
  virtual ~C_Minimal_4_Conversion_Document() = default;
  virtual void trimCache(bool force) = 0;
  virtual C_PDF_PageTreeNode_or_Page* findPage(int32_t number, bool decodeContent) = 0;
  virtual C_PDF_PageTreeNode_or_Page* findPreparedPage(int32_t number, bool decodeContent) = 0;
  virtual bool open(const std::string& path, const std::string& password) = 0;
  virtual void completePageTree() = 0;
  virtual void pageTreeCompleted() {}
};

class C_FixedPosSize_Document : public C_Minimal_4_Conversion_Document {};

class C_PDF_Document : public C_FixedPosSize_Document {
 public:
  C_PDF_Document();
  ~C_PDF_Document() override;
  C_PDF_Document(const C_PDF_Document&) = delete;
  C_PDF_Document& operator=(const C_PDF_Document&) = delete;

  // Opens the file: false only when it cannot be read; every other failure throws
  // C_PDF_Exception. Only the first page of the tree is read (see completePageTree).
  bool open(const std::string& path, const std::string& password) override;
  // Reads the whole page tree after the first-page-only open. Pages found before must be
  // looked up again.
  void completePageTree() override;
  void trimCache(bool force) override;
  C_PDF_PageTreeNode_or_Page* findPage(int32_t number, bool decodeContent) override;
  C_PDF_PageTreeNode_or_Page* findPreparedPage(int32_t number, bool decodeContent) override;

  // Hooks set by the viewer or the renderer before or after open.
  void setPasswordProvider(IPasswordProvider* provider) { passwordProvider_ = provider; }
  IPasswordProvider* passwordProvider() const { return passwordProvider_; }
  void setProgressSink(IProgressSink* progress) { progress_ = progress; }
  void setFontCache(std::unique_ptr<IDocumentFontCache> cache) { fontCache_ = std::move(cache); }
  IDocumentFontCache* fontCache() const { return fontCache_.get(); }
  // Builds a page's resource list from a Resources value (the renderer's loader).
  using ResourceListFactory = std::function<std::shared_ptr<IResourceList>(const PdfObject&)>;
  void setResourceListFactory(ResourceListFactory factory) {
    resourceListFactory_ = std::move(factory);
  }

  int32_t pageCount = 0;
  // Set when the form holds a text field without kids: the view lays controls over fields.
  bool formOverlay = false;

  ObjectResolver* resolver() const { return resolver_.get(); }
  const CatalogRecord* catalog() const { return catalog_.get(); }
  const FormRecord* form() const { return form_.get(); }
  const PageTreeRoot* pageTree() const { return pageTree_.get(); }
  const TrailerInfo* trailerInfo() const { return trailerInfo_.get(); }
  const XrefTable* xrefTable() const { return xrefTable_.get(); }
  bool encrypted() const { return securityHandler_ != nullptr; }
  C_PDF_SecurityHandler* securityHandler() const { return securityHandler_.get(); }
  // What the author allows (printing, copying, ...); everything for an unencrypted document or
  // one opened with its owner password.
  DocumentPermissions permissions() const;
  bool allows(DocumentPermission p) const { return permissions().allows(p); }
  // Lifts the restrictions when password is the owner password; false otherwise.
  bool unlockWithOwnerPassword(const std::string& password);
  const std::string& password() const { return password_; }
  const std::string& path() const { return path_; }
  // Why open() returned false.
  const std::string& openError() const { return openError_; }

 private:
  void buildForm();
  // Why a file whose catalogue cannot be found was refused, in words a person understands.
  std::string damageReason() const;
  // A catalogue whose page tree lists the page objects a scan of the file finds; kind None when
  // there are none.
  PdfObject pagesFromScan();
  void lookUpCatalogKeys();

  std::string path_;
  std::string password_;
  std::string openError_;
  std::unique_ptr<C_PDF_File> file_;
  std::unique_ptr<PdfLexer> lexer_;
  std::unique_ptr<TrailerInfo> trailerInfo_;
  std::unique_ptr<XrefTable> xrefTable_;
  std::unique_ptr<ObjectResolver> resolver_;
  std::unique_ptr<C_PDF_SecurityHandler> securityHandler_;
  std::unique_ptr<CatalogRecord> catalog_;
  std::unique_ptr<IDocumentFontCache> fontCache_;
  std::unique_ptr<PageTreeRoot> pageTree_;
  std::unique_ptr<FormRecord> form_;
  IPasswordProvider* passwordProvider_ = nullptr;
  IProgressSink* progress_ = nullptr;
  ResourceListFactory resourceListFactory_;
};
