#include "viewer/view/search_worker.h"

#include <algorithm>
#include <new>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/messages/message_listener.h"
#include "engine/render/pdf_creator.h"
#include "viewer/view/page_text_source.h"

namespace Corvalis::Viewer {

namespace Messages = PDFConverter::Messages;

SearchWorker::SearchWorker(QObject* parent) : QObject(parent) {}

SearchWorker::~SearchWorker() {
  cancel();
  join();
}

void SearchWorker::join() {
  if (thread_.joinable()) thread_.join();
}

void SearchWorker::cancel() {
  if (cancelled_) cancelled_->store(true);
  running_ = false;
  ++generation_;
}

std::unique_ptr<SearchOutcome> SearchWorker::search(const std::string& path,
                                                    const std::string& password,
                                                    const SearchRequest& request,
                                                    PageTextIndex& index,
                                                    const SearchProgress& progress) {
  try {
    C_PDF_Document document;
    if (!document.open(path, password)) return nullptr;
    document.completePageTree();
    if (const PageTreeRoot* tree = document.pageTree()) {
      const auto found = static_cast<int32_t>(tree->pagesByNumber.size());
      if (found < document.pageCount) document.pageCount = found;
    }
    C_PDF_Creator creator(document);
    PageTextSource source(document, creator);
    source.learn(index);
    SearchRequest here = request;
    here.pageCount = std::min(here.pageCount, document.pageCount);
    auto outcome = std::make_unique<SearchOutcome>(findInDocument(source, here, 0, progress));
    index = source.index();
    return outcome;
  } catch (const C_PDF_Exception&) {
  } catch (const std::bad_alloc&) {
  }
  return nullptr;
}

void SearchWorker::start(const std::string& path, const std::string& password,
                         SearchRequest request, PageTextIndex known) {
  cancel();
  join();
  running_ = true;
  const int generation = ++generation_;
  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  cancelled_ = cancelled;
  auto index = std::make_shared<PageTextIndex>(std::move(known));
  thread_ = std::thread([this, path, password, request = std::move(request), index, cancelled,
                         generation] {
    Messages::QuietListener quiet;
    Messages::SetMessageListener(&quiet);
    const SearchProgress progress = [this, cancelled, generation](int32_t visited, int32_t page) {
      if (cancelled->load()) return false;
      QMetaObject::invokeMethod(
          this,
          [this, generation, visited, page] {
            if (generation == generation_) emit progressed(visited, page);
          },
          Qt::QueuedConnection);
      return true;
    };
    std::shared_ptr<SearchOutcome> outcome = search(path, password, request, *index, progress);
    Messages::SetMessageListener(nullptr);
    if (cancelled->load()) return;
    // Delivered on the interface thread, unless the search was given up meanwhile.
    QMetaObject::invokeMethod(
        this,
        [this, generation, outcome, index] {
          if (generation != generation_) return;
          running_ = false;
          emit finished(outcome, index);
        },
        Qt::QueuedConnection);
  });
}

}  // namespace Corvalis::Viewer
