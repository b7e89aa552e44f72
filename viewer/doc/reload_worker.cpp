#include "viewer/doc/reload_worker.h"

#include <QFile>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/xref_table.h"
#include "engine/messages/message_listener.h"

namespace Corvalis::Viewer {

namespace Messages = PDFConverter::Messages;

ReloadWorker::ReloadWorker(QObject* parent) : QObject(parent) {}

ReloadWorker::~ReloadWorker() {
  if (thread_.joinable()) thread_.join();
}

bool ReloadWorker::endsWithMarker(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char tail[kEndMarkerWindow + 1] = {};
  std::size_t got = 0;
  if (std::fseek(f, -kEndMarkerWindow, SEEK_END) != 0) std::fseek(f, 0, SEEK_SET);
  got = std::fread(tail, 1, kEndMarkerWindow, f);
  std::fclose(f);
  for (std::size_t i = 0; i + 5 <= got; ++i)
    if (std::memcmp(tail + i, "%%EOF", 5) == 0) return true;
  return false;
}

ReloadOutcome ReloadWorker::read(const std::string& path, const std::string& password,
                                 bool acceptDamaged) {
  ReloadOutcome out;
  if (!acceptDamaged && !endsWithMarker(path)) {
    out.kind = ReloadOutcome::Kind::Incomplete;
    return out;
  }
  try {
    auto document = std::make_unique<C_PDF_Document>();
    if (!document->open(path, password)) {
      out.reason = document->openError();
      return out;
    }
    document->completePageTree();
    if (const PageTreeRoot* tree = document->pageTree()) {
      const auto found = static_cast<int32_t>(tree->pagesByNumber.size());
      if (found < document->pageCount) document->pageCount = found;
    }
    const bool repaired = document->xrefTable() && document->xrefTable()->rebuilt();
    if ((repaired && !acceptDamaged) || document->pageCount < 1) {
      out.kind = ReloadOutcome::Kind::Incomplete;
      return out;
    }
    out.kind = ReloadOutcome::Kind::Ready;
    out.document = std::move(document);
  } catch (const C_PDF_Exception& e) {
    out.kind = acceptDamaged ? ReloadOutcome::Kind::Unreadable : ReloadOutcome::Kind::Incomplete;
    out.code = e.code();
    out.reason = e.reason();
  } catch (const std::bad_alloc&) {
    out.kind = ReloadOutcome::Kind::Unreadable;
  }
  return out;
}

bool ReloadWorker::start(const QString& path, const std::string& password, bool acceptDamaged) {
  if (busy_) return false;
  if (thread_.joinable()) thread_.join();
  busy_ = true;
  const std::string file = QFile::encodeName(path).toStdString();
  thread_ = std::thread([this, file, password, acceptDamaged] {
    Messages::QuietListener quiet;
    Messages::SetMessageListener(&quiet);
    auto outcome = std::make_shared<ReloadOutcome>(read(file, password, acceptDamaged));
    Messages::SetMessageListener(nullptr);
    // Delivered on the interface thread; dropped if the worker has gone meanwhile.
    QMetaObject::invokeMethod(
        this,
        [this, outcome] {
          busy_ = false;
          emit finished(outcome);
        },
        Qt::QueuedConnection);
  });
  return true;
}

}  // namespace Corvalis::Viewer
