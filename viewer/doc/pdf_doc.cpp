#include "viewer/doc/pdf_doc.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <new>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/messages/message_catalogue.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "viewer/doc/cmap_fetcher.h"
#include "viewer/doc/document_navigation.h"
#include "viewer/doc/page_tree_progress.h"
#include "viewer/messages/message_box.h"
#include "viewer/messages/viewer_texts.h"
#include "viewer/ui/password_dialog.h"

namespace Corvalis::Viewer {

namespace Messages = PDFConverter::Messages;

namespace {

int g_busyDepth = 0;
// Wrong passwords the user may type before the open gives up.
constexpr int kMaxPasswordTries = 100;
// Free memory is handed back this soon after a document closes (once for several closed
// together), when its views and their page images are gone too.
constexpr int kHandBackDelayMs = 100;
bool g_handBackPending = false;

// The allocator keeps what a closed document freed (its page images, parsed pages, fonts: often
// hundreds of MiB) for later use; the system gets it back now.
void handBackFreeMemory() {
#if defined(__GLIBC__)
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || g_handBackPending) return;
  g_handBackPending = true;
  QTimer::singleShot(kHandBackDelayMs, app, [] {
    g_handBackPending = false;
    malloc_trim(0);
  });
#endif
}

// Answers the engine's question for a password with none, noting that it was asked: the user is
// asked once the engine call is over, never from inside it (the dialog runs the event loop).
class AskLaterProvider : public IPasswordProvider {
 public:
  std::optional<std::string> askPassword() override {
    asked = true;
    return std::nullopt;
  }
  bool asked = false;
};

struct BusyScope {
  BusyScope() { ++g_busyDepth; }
  ~BusyScope() { --g_busyDepth; }
};

}  // namespace

void showEngineError(int code, const char* caption, QWidget* owner, const std::string& reason) {
  const std::string& text = Messages::ExceptionText(code);
  if (text.empty()) return;
  const BoxIcon icon = code == static_cast<int>(PdfError::UnsupportedEncryption)
                           ? BoxIcon::Information
                           : BoxIcon::Warning;
  QString shown = QString::fromStdString(text);
  if (!reason.empty()) {
    // The reason reads as a sentence of its own above the general text.
    QString sentence = QString::fromStdString(reason).trimmed();
    if (!sentence.isEmpty()) {
      sentence[0] = sentence[0].toUpper();
      if (!sentence.endsWith(QLatin1Char('.'))) sentence += QLatin1Char('.');
      shown = sentence + QStringLiteral("\n\n") + shown;
    }
  }
  showMessage(owner, QString::fromLatin1(caption), shown, icon);
}

C_PDF_Doc::C_PDF_Doc(QWidget* owner)
    : owner_(owner), progress_(std::make_unique<PageTreeProgress>(owner)) {
  if (CMapFetcher* fetcher = CMapFetcher::instance())
    connect(fetcher, &CMapFetcher::cmapArrived, this, &C_PDF_Doc::reloadFonts);
}

C_PDF_Doc::~C_PDF_Doc() {
  releaseEngine();
  handBackFreeMemory();
}

void C_PDF_Doc::releaseEngine() {
  // The renderer and creator refer to the document; the selection context refers to both.
  renderer_.reset();
  creator_.reset();
  document_.reset();
  selectionContext_.reset();
}

bool C_PDF_Doc::onOpenDocument(const QString& path) {
  {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
      showMessage(nullptr, kCaptionReader, kTextCouldNotOpen, BoxIcon::Warning);
      return false;
    }
  }
  C_PDF_PasswordDialog passwordDialog(owner_.data());
  std::string typed;
  int code = 0;
  std::string reason;
  // Each wrong password asks again; every try reads the file afresh.
  for (int attempt = 0;; ++attempt) {
    AskLaterProvider later;
    code = 0;
    bool opened = false;
    {
      BusyScope busy;
      try {
        document_ = std::make_unique<C_PDF_Document>();
        viewRotation_ = 0;
        document_->setPasswordProvider(&later);
        document_->setProgressSink(progress_.get());
        opened = document_->open(QFile::encodeName(path).toStdString(), typed);
        document_->setPasswordProvider(nullptr);
      } catch (const C_PDF_Exception& e) {
        if (document_) document_->setPasswordProvider(nullptr);
        code = e.code();
        reason = e.reason();
      }
    }
    if (code == static_cast<int>(PdfError::PasswordCancelled) && later.asked &&
        attempt < kMaxPasswordTries) {
      const std::optional<std::string> answer = passwordDialog.askPassword();
      if (!answer) return false;
      typed = *answer;
      continue;
    }
    if (code != 0) {
      showEngineError(code, kCaptionViewer, nullptr, reason);
      return false;
    }
    if (!opened) {
      // The engine says why it could not read the file (too large, a read error).
      const std::string& why = document_->openError();
      QString text = QString::fromLatin1(kTextCouldNotOpen);
      if (!why.empty()) text += QStringLiteral("\n\n") + QString::fromStdString(why);
      showMessage(nullptr, kCaptionReader, text, BoxIcon::Warning);
      return false;
    }
    break;
  }
  password_ = typed;
  {
    BusyScope busy;
    try {
      creator_ = std::make_unique<C_PDF_Creator>(*document_);
    } catch (const std::bad_alloc&) {
      // Without a creator the views draw nothing for this document.
    }
    selectionContext_ = std::make_unique<SelectionContext>();
    selectionContext_->document = document_.get();
    selectionContext_->creator = creator_.get();
    if (creator_) {
      try {
        renderer_ = std::make_unique<C_PDF_Draw>(*document_, *creator_);
      } catch (const std::bad_alloc&) {
      }
    }
  }
  if (onOpened) onOpened();
  path_ = QFileInfo(path).absoluteFilePath();
  return true;
}

bool C_PDF_Doc::engineBusy() { return g_busyDepth > 0; }

void C_PDF_Doc::replaceEngine(std::unique_ptr<C_PDF_Document> parsed) {
  if (!parsed) return;
  emit aboutToReplaceEngine();
  // Links, destinations and the outline of the old reading.
  if (auto* navigation = findChild<DocumentNavigation*>(QString(), Qt::FindDirectChildrenOnly))
    delete navigation;
  releaseEngine();
  document_ = std::move(parsed);
  try {
    creator_ = std::make_unique<C_PDF_Creator>(*document_);
  } catch (const std::bad_alloc&) {
  }
  selectionContext_ = std::make_unique<SelectionContext>();
  selectionContext_->document = document_.get();
  selectionContext_->creator = creator_.get();
  if (creator_) {
    try {
      renderer_ = std::make_unique<C_PDF_Draw>(*document_, *creator_);
    } catch (const std::bad_alloc&) {
    }
  }
  // The reading was made whole on the worker thread.
  pageTreeComplete_ = true;
  fileChanging_ = false;
  ++reloadCount_;
  emit engineReplaced();
}

void C_PDF_Doc::completePageTree() {
  if (pageTreeComplete_ || !document_) return;
  pageTreeComplete_ = true;
  int failed = 0;
  {
    BusyScope busy;
    try {
      document_->completePageTree();
    } catch (const C_PDF_Exception& e) {
      failed = e.code();
    }
    // A Count larger than the tree would leave the views offering pages that do not exist.
    if (const PageTreeRoot* tree = document_->pageTree()) {
      const auto found = static_cast<int32_t>(tree->pagesByNumber.size());
      if (found < document_->pageCount) document_->pageCount = found;
    }
    // Parsed pages may refer to the page records the walk has just replaced.
    if (creator_)
      for (int32_t n = creator_->highestPageRequested(); n >= 1; --n) creator_->evict(n);
  }
  // The box runs the event loop: only once the engine call is over.
  if (failed) showEngineError(failed, kCaptionReader, nullptr);
  emit pageTreeCompleted();
}

void C_PDF_Doc::reloadFonts() {
  if (!document_ || engineBusy()) return;
  // A fresh reading of the same file: the fonts loaded without the CMap go with the old one,
  // and so does everything that points at them (parsed pages, the renderer's page state).
  auto fresh = std::make_unique<C_PDF_Document>();
  const std::string path = document_->path();
  const std::string pw = password_.empty() ? document_->password() : password_;
  try {
    if (!fresh->open(path, pw)) return;
    fresh->completePageTree();
  } catch (const C_PDF_Exception&) {
    return;
  }
  replaceEngine(std::move(fresh));
  emit fontsReloaded();
}

}  // namespace Corvalis::Viewer
