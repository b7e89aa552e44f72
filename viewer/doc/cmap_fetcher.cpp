#include "viewer/doc/cmap_fetcher.h"

#include <QMetaObject>
#include <QPointer>

#include "engine/fonts/cmap_loader.h"
#include "engine/messages/message_catalogue.h"
#include "engine/messages/message_listener.h"

namespace Corvalis::Viewer {

namespace Messages = PDFConverter::Messages;

namespace {

CMapFetcher* g_instance = nullptr;

// Collects what a fetch reports on its thread, to be shown on the interface thread.
class NoteCollector : public Messages::IMessageListener {
 public:
  void Notify(int severity, const std::string& text) override {
    if (notes.size() < kMaxNotes) notes.emplace_back(severity, text);
  }
  bool InteractiveQuery() override { return false; }
  int Ask(int, int, const std::string&) override { return Messages::kAnswerNo; }

  static constexpr std::size_t kMaxNotes = 16;
  std::vector<std::pair<int, std::string>> notes;
};

}  // namespace

CMapFetcher::CMapFetcher() = default;

CMapFetcher::~CMapFetcher() {
  if (installed_) {
    CMaps::setMissingCMapHandler({});
    g_instance = nullptr;
  }
  // A fetch is bounded by its time-outs; its result has nowhere to go now.
  for (std::thread& worker : workers_)
    if (worker.joinable()) worker.join();
}

CMapFetcher* CMapFetcher::instance() { return g_instance; }

void CMapFetcher::install() {
  installed_ = true;
  g_instance = this;
  QPointer<CMapFetcher> self(this);
  // Runs inside drawing, on any thread: it only queues the question for the event loop, which
  // reaches it after the paint.
  CMaps::setMissingCMapHandler([self](const std::string& name) {
    if (!self) return;
    QMetaObject::invokeMethod(
        self.data(),
        [self, name] {
          if (self) self->offer(name);
        },
        Qt::QueuedConnection);
  });
}

void CMapFetcher::offer(const std::string& name) {
  if (!Messages::InteractiveQuery()) {
    Messages::ReportWithArgument(Messages::kMsgCMapNotFound, 1, name);
    return;
  }
  if (Messages::AskDownloadCMap(name) != Messages::kAnswerYes) return;
  fetch(name);
}

void CMapFetcher::fetch(const std::string& name) {
  ++pending_;
  // The destructor joins the thread, so this outlives it; a result queued for a fetcher being
  // destroyed is dropped with the fetcher's pending events.
  workers_.emplace_back([this, name] {
    NoteCollector collector;
    Messages::SetMessageListener(&collector);
    const std::string path = CMaps::downloadCMap(name);
    Messages::SetMessageListener(nullptr);
    QMetaObject::invokeMethod(
        this,
        [this, name, path, notes = std::move(collector.notes)] { delivered(name, path, notes); },
        Qt::QueuedConnection);
  });
}

void CMapFetcher::delivered(const std::string& name, const std::string& path,
                            const std::vector<std::pair<int, std::string>>& notes) {
  --pending_;
  if (Messages::IMessageListener* listener = Messages::GetMessageListener())
    for (const auto& [severity, text] : notes) listener->Notify(severity, text);
  if (path.empty())
    emit cmapFailed(QString::fromStdString(name));
  else
    emit cmapArrived(QString::fromStdString(name));
}

}  // namespace Corvalis::Viewer
