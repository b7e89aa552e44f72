#pragma once
// Goes on with a long search on a thread of its own, over its own reading of the document, so
// that the interface thread's engine objects are never used by two callers at once and the event
// loop stays free: progress and the outcome arrive as queued signals.

#include <QObject>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "viewer/view/page_text_index.h"
#include "viewer/view/text_search_driver.h"

namespace Corvalis::Viewer {

class SearchWorker : public QObject {
  Q_OBJECT
 public:
  explicit SearchWorker(QObject* parent = nullptr);
  // Stops a search under way and waits for its thread.
  ~SearchWorker() override;

  // Reads the file again and goes on with request there (request.resumeAfter set, or a search
  // from its start), passing over the pages known holds no hit on. Stops one under way first.
  void start(const std::string& path, const std::string& password, SearchRequest request,
             PageTextIndex known);
  // The outcome of a search stopped here is never delivered.
  void cancel();
  bool running() const { return running_; }

  // Runs on the calling thread (the worker's body): nullptr outcome when the file cannot be read.
  static std::unique_ptr<SearchOutcome> search(const std::string& path, const std::string& password,
                                               const SearchRequest& request, PageTextIndex& index,
                                               const SearchProgress& progress);

 signals:
  void progressed(int visited, int page);
  // outcome null: the file could not be read again. index: what the pages the search read say.
  void finished(std::shared_ptr<Corvalis::Viewer::SearchOutcome> outcome,
                std::shared_ptr<Corvalis::Viewer::PageTextIndex> index);

 private:
  void join();

  std::thread thread_;
  std::shared_ptr<std::atomic<bool>> cancelled_;
  bool running_ = false;
  // Each search's number: what arrives from an earlier one is dropped.
  int generation_ = 0;
};

}  // namespace Corvalis::Viewer
