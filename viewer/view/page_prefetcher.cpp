#include "viewer/view/page_prefetcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTransform>
#include <algorithm>
#include <new>
#include <sys/stat.h>

#include "engine/document/pdf_document.h"
#include "engine/messages/message_listener.h"
#include "engine/render/page_pixels.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "viewer/view/pdf_view.h"

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace Corvalis::Viewer {

namespace Messages = PDFConverter::Messages;

namespace {

// The background thread's listener: reports are kept for the page being drawn; a question
// cannot be answered there, so it is answered no and the page is given up.
class NoteTaker : public Messages::IMessageListener {
 public:
  void Notify(int severity, const std::string& text) override {
    if (notes.size() < PagePrefetcher::kMaxNotesPerPage) notes.emplace_back(severity, text);
  }
  bool InteractiveQuery() override { return true; }
  int Ask(int, int, const std::string&) override {
    asked = true;
    return Messages::kAnswerNo;
  }
  void NotifyPageFault(const Messages::PageFault& fault) override {
    if (faults.size() < PagePrefetcher::kMaxNotesPerPage) faults.push_back(fault);
  }
  void clear() {
    notes.clear();
    faults.clear();
    asked = false;
  }
  std::vector<std::pair<int, std::string>> notes;
  std::vector<Messages::PageFault> faults;
  bool asked = false;
};

// Tells the interface thread that a page is ready. Qt's event queue orders everything the drawing
// thread did before posting it with its delivery, but Qt is not built with the thread sanitizer,
// so under it the hand-over is announced on both sides, around the queue.
class PreparedEvent : public QEvent {
 public:
  explicit PreparedEvent(int32_t page) : QEvent(type()), page_(page) {}
  static QEvent::Type type() {
    static const auto registered = QEvent::Type(QEvent::registerEventType());
    return registered;
  }
  // On the drawing thread, after the event is built and before it is posted.
  static void handingOver() {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(&handOver_);
#endif
  }
  // On the interface thread, before an event is read.
  static void handedOver() {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(&handOver_);
#endif
  }
  int32_t page() const { return page_; }

 private:
  [[maybe_unused]] static inline char handOver_ = 0;
  const int32_t page_;
};

}  // namespace

// The thread's own reading of the file.
class PagePrefetcher::Engine {
 public:
  // Null when the file cannot be read as it was by the interface thread.
  static std::unique_ptr<Engine> open(const std::string& path, const std::string& password,
                                      const std::atomic<bool>& stop) {
    try {
      auto engine = std::make_unique<Engine>();
      if (!engine->document.open(path, password)) return nullptr;
      engine->document.completePageTree();
      // As the shown document does: a Count larger than the tree is lowered to it.
      if (const PageTreeRoot* tree = engine->document.pageTree()) {
        const auto found = static_cast<int32_t>(tree->pagesByNumber.size());
        if (found < engine->document.pageCount) engine->document.pageCount = found;
      }
      engine->creator = std::make_unique<C_PDF_Creator>(engine->document);
      engine->renderer = std::make_unique<C_PDF_Draw>(engine->document, *engine->creator);
      engine->stop_ = &stop;
      return engine;
    } catch (...) {
      // Nothing may leave the drawing thread: a file it cannot read is drawn where it is shown.
      return nullptr;
    }
  }

  // The page as the view would draw it with these settings; nothing when it cannot be drawn or
  // the drawing was stopped.
  std::optional<PreparedPage> draw(int32_t pageNumber, const PrefetchSettings& settings) {
    try {
      PageViewState state;
      state.mode = settings.mode;
      state.zoom = settings.zoom;
      state.client = settings.client;
      state.resolution = settings.resolution;
      state.rotation = settings.viewRotation;
      RenderRequest asked;
      const ViewPageDrawing drawing =
          drawViewPage(document, pageNumber, state,
                       [&](const C_PDF_PageTreeNode_or_Page&, RenderRequest& request, int) {
                         request.stop = stop_;
                         asked = request;
                         return renderPageImage(*renderer, request, kMaxViewBitmapPixels);
                       });
      if (stopped() || drawing.image.isNull()) return std::nullopt;
      PreparedPage out;
      out.request = asked;
      out.drawnZoom = drawing.request.zoom;
      out.image = drawing.image;
      return out;
    } catch (...) {
      // Nothing may leave the drawing thread. The interface thread meets the same failure when
      // it draws the page, and reports it.
    }
    return std::nullopt;
  }

  // A piece of a page; nothing when it cannot be drawn or the drawing was stopped.
  std::optional<QImage> drawTile(const TileRequest& tile) {
    try {
      if (!document.findPage(tile.request.pageNumber, false)) return std::nullopt;
      RenderRequest request = tile.request;
      request.stop = stop_;
      QImage image = renderPageTile(*renderer, request, tile.rect);
      if (stopped() || image.isNull()) return std::nullopt;
      return image;
    } catch (...) {
      // As for whole pages: the interface thread reports what it meets.
      return std::nullopt;
    }
  }

  // The page was just drawn: the reading keeps what it parsed and decoded of the latest few
  // pages only. It would otherwise keep every page's content, parsed operators and text, which
  // scrolling through a long document adds up to hundreds of megabytes.
  void keepRecent(int32_t pageNumber) {
    std::erase(recent, pageNumber);
    recent.push_back(pageNumber);
    while (recent.size() > kKeptParsedPages) {
      const int32_t old = recent.front();
      recent.erase(recent.begin());
      creator->evict(old);
      // As before the first drawing: decoded again when the page is drawn again.
      if (C_PDF_PageTreeNode_or_Page* page = document.findPage(old, false);
          page && page->contentDecoded) {
        page->content = std::vector<uint8_t>();
        page->contentLength = -1;
        page->contentDecoded = false;
        page->nothingToDraw = true;
      }
    }
  }

  C_PDF_Document document;
  std::unique_ptr<C_PDF_Creator> creator;
  std::unique_ptr<C_PDF_Draw> renderer;
  // The pages drawn last, the latest last.
  std::vector<int32_t> recent;
  // Every drawing of this engine stops when it is raised.
  const std::atomic<bool>* stop_ = nullptr;
  bool stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }
};

PagePrefetcher::FileIdentity PagePrefetcher::identityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return {int64_t(info.st_size), int64_t(info.st_mtim.tv_sec), int64_t(info.st_mtim.tv_nsec)};
}

PagePrefetcher::PagePrefetcher(std::string path, std::string password, QObject* parent)
    : QObject(parent),
      path_(std::move(path)),
      password_(std::move(password)),
      identity_(identityOf(path_)) {
  thread_ = std::thread([this] { run(); });
}

PagePrefetcher::~PagePrefetcher() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool PagePrefetcher::event(QEvent* event) {
  // Before the event is read at all: it may be one from the drawing thread.
  PreparedEvent::handedOver();
  if (event->type() != PreparedEvent::type()) return QObject::event(event);
  const int32_t page = static_cast<const PreparedEvent*>(event)->page();
  if (page == 0) {
    emit tilesPrepared();
  } else {
    emit pagePrepared(page);
  }
  return true;
}

bool PagePrefetcher::wanted(int32_t page) const {
  return std::find(wanted_.begin(), wanted_.end(), page) != wanted_.end();
}

int32_t PagePrefetcher::nextPage() const {
  for (int32_t page : wanted_) {
    const bool ready = std::any_of(ready_.begin(), ready_.end(), [page](const PreparedPage& p) {
      return p.request.pageNumber == page;
    });
    if (!ready && std::find(failed_.begin(), failed_.end(), page) == failed_.end()) return page;
  }
  return 0;
}

namespace {

bool sameFault(const Messages::PageFault& a, const Messages::PageFault& b) {
  return a.number == b.number && a.severity == b.severity && a.text == b.text &&
         a.leftOut == b.leftOut && a.page == b.page;
}

}  // namespace

void PagePrefetcher::owe(int32_t page, std::vector<std::pair<int, std::string>>& notes,
                         std::vector<Messages::PageFault>& faults) {
  if (notes.empty() && faults.empty()) return;
  Owed& owed = owed_[page];
  for (auto& note : notes)
    if (owed.notes.size() < kMaxNotesPerPage &&
        std::find(owed.notes.begin(), owed.notes.end(), note) == owed.notes.end())
      owed.notes.push_back(std::move(note));
  for (auto& fault : faults)
    if (owed.faults.size() < kMaxNotesPerPage &&
        std::none_of(owed.faults.begin(), owed.faults.end(),
                     [&](const Messages::PageFault& f) { return sameFault(f, fault); }))
      owed.faults.push_back(std::move(fault));
  notes.clear();
  faults.clear();
}

bool PagePrefetcher::tileWanted(const TileKey& key) const {
  const auto& list = wantedTiles_[key.kind == TileKey::Thumbnail ? 1 : 0];
  return std::any_of(list.begin(), list.end(), [&](const TileRequest& t) { return t.key == key; });
}

const TileRequest* PagePrefetcher::nextTile() const {
  for (const auto& list : wantedTiles_)
    for (const TileRequest& tile : list) {
      const bool ready = std::any_of(readyTiles_.begin(), readyTiles_.end(),
                                     [&](const PreparedTile& t) { return t.key == tile.key; });
      if (!ready &&
          std::find(failedTiles_.begin(), failedTiles_.end(), tile.key) == failedTiles_.end())
        return &tile;
    }
  return nullptr;
}

void PagePrefetcher::wantTiles(int32_t kind, std::vector<TileRequest> tiles) {
  if (tiles.size() > kMaxWantedTiles) tiles.resize(kMaxWantedTiles);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& list = wantedTiles_[kind == TileKey::Thumbnail ? 1 : 0];
    list = std::move(tiles);
    // Pieces no longer asked for go; failures are tried again when asked for anew.
    std::erase_if(readyTiles_,
                  [&](const PreparedTile& t) { return t.key.kind == kind && !tileWanted(t.key); });
    std::erase_if(failedTiles_, [&](const TileKey& k) { return k.kind == kind && !tileWanted(k); });
    if (drawingTile_ && drawingTile_->kind == kind && !tileWanted(*drawingTile_)) stop_ = true;
  }
  wake_.notify_all();
}

std::vector<PreparedTile> PagePrefetcher::takeTiles(int32_t kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<PreparedTile> out;
  for (auto it = readyTiles_.begin(); it != readyTiles_.end();) {
    if (it->key.kind == kind) {
      out.push_back(std::move(*it));
      it = readyTiles_.erase(it);
    } else {
      ++it;
    }
  }
  return out;
}

template <typename Drop>
void PagePrefetcher::letGo(Drop drop) {
  for (PreparedPage& p : ready_)
    if (drop(p)) owe(p.request.pageNumber, p.notes, p.faults);
  std::erase_if(ready_, drop);
}

void PagePrefetcher::prepare(const PrefetchSettings& settings, std::vector<int32_t> pages) {
  if (pages.size() > kMaxWantedPages) pages.resize(kMaxWantedPages);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!(settings == settings_)) {
      settings_ = settings;
      letGo([](const PreparedPage&) { return true; });
      failed_.clear();
      if (drawing_) stop_ = true;
    }
    wanted_ = std::move(pages);
    letGo([this](const PreparedPage& p) { return !wanted(p.request.pageNumber); });
    if (drawing_ && !wanted(drawing_)) stop_ = true;
  }
  wake_.notify_all();
}

void PagePrefetcher::discard() {
  std::lock_guard<std::mutex> lock(mutex_);
  wanted_.clear();
  letGo([](const PreparedPage&) { return true; });
  failed_.clear();
  if (drawing_) stop_ = true;
}

std::optional<PreparedPage> PagePrefetcher::take(const RenderRequest& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = std::find_if(ready_.begin(), ready_.end(),
                            [&](const PreparedPage& p) { return p.request == request; });
  // The view draws the page itself when none is ready, and its own engine says what it says.
  owed_.erase(request.pageNumber);
  if (found == ready_.end()) return std::nullopt;
  PreparedPage page = std::move(*found);
  ready_.erase(found);
  // Not modal: told at once, as the view's own drawing would tell it.
  if (Messages::IMessageListener* listener = Messages::GetMessageListener())
    for (const Messages::PageFault& fault : page.faults) listener->NotifyPageFault(fault);
  return page;
}

bool PagePrefetcher::isReady(int32_t page) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(ready_.begin(), ready_.end(),
                     [page](const PreparedPage& p) { return p.request.pageNumber == page; });
}

bool PagePrefetcher::active() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return active_;
}

int64_t PagePrefetcher::pagesDrawn() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pagesDrawn_;
}

void PagePrefetcher::run() {
  NoteTaker notes;
  Messages::SetMessageListener(&notes);
  std::unique_ptr<Engine> engine;
  bool opened = false;
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    wake_.wait(lock,
               [this] { return quit_ || (active_ && (nextPage() != 0 || nextTile() != nullptr)); });
    if (quit_) break;
    const int32_t page = nextPage();
    if (page == 0) {
      const TileRequest tile = *nextTile();
      drawingTile_ = tile.key;
      stop_ = false;
      lock.unlock();
      bool giveUp = false;
      std::optional<QImage> image;
      if (!opened) {
        opened = true;
        engine = Engine::open(path_, password_, stop_);
        if (!engine || identityOf(path_) != identity_) engine.reset();
      }
      if (!engine) {
        giveUp = true;
      } else {
        notes.clear();
        image = engine->drawTile(tile);
        engine->keepRecent(tile.request.pageNumber);
        if (notes.asked) giveUp = true;
      }
      lock.lock();
      drawingTile_.reset();
      if (giveUp) {
        active_ = false;
        ready_.clear();
        readyTiles_.clear();
        // The interface thread draws what is left itself.
        QCoreApplication::postEvent(this, new PreparedEvent(0));
        continue;
      }
      if (stop_ || !tileWanted(tile.key)) continue;
      if (!image) {
        failedTiles_.push_back(tile.key);
        continue;
      }
      readyTiles_.push_back(PreparedTile{tile.key, std::move(*image), std::move(notes.notes)});
      notes.notes.clear();
      auto* event = new PreparedEvent(0);
      PreparedEvent::handingOver();
      QCoreApplication::postEvent(this, event);
      continue;
    }
    const PrefetchSettings settings = settings_;
    drawing_ = page;
    stop_ = false;
    lock.unlock();

    bool giveUp = false;
    std::optional<PreparedPage> prepared;
    if (!opened) {
      opened = true;
      engine = Engine::open(path_, password_, stop_);
      // A file changed since the view read it would give other pages than the view shows.
      if (!engine || identityOf(path_) != identity_) engine.reset();
    }
    if (!engine) {
      giveUp = true;
    } else {
      notes.clear();
      prepared = engine->draw(page, settings);
      engine->keepRecent(page);
      if (notes.asked) giveUp = true;
    }

    lock.lock();
    drawing_ = 0;
    if (giveUp) {
      active_ = false;
      ready_.clear();
      continue;
    }
    owe(page, notes.notes, notes.faults);
    // Stopped, or asked for with other settings meanwhile: what was drawn is not wanted.
    if (stop_ || !(settings == settings_) || !wanted(page)) continue;
    if (!prepared) {
      failed_.push_back(page);
      continue;
    }
    prepared->notes = std::move(owed_[page].notes);
    prepared->faults = std::move(owed_[page].faults);
    owed_.erase(page);
    ++pagesDrawn_;
    ready_.push_back(std::move(*prepared));
    auto* event = new PreparedEvent(page);
    PreparedEvent::handingOver();
    QCoreApplication::postEvent(this, event);
  }
  lock.unlock();
  engine.reset();
  Messages::SetMessageListener(nullptr);
}

}  // namespace Corvalis::Viewer
