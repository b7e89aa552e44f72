#pragma once
// Draws the pages beside the shown one ahead of time, on a thread of its own with an engine of
// its own (a second reading of the same file), so that turning to one of them shows a finished
// bitmap. The interface thread never waits for it: it takes a page only when one drawn for
// exactly its own request is ready, and draws the page itself otherwise.

#include <QImage>
#include <QObject>
#include <QSize>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/messages/message_listener.h"
#include "viewer/view/page_image.h"
#include "viewer/view/tile_cache.h"
#include "viewer/view/zoom_model.h"

namespace Corvalis::Viewer {

// What the view draws a page with, besides the page itself.
struct PrefetchSettings {
  ZoomMode mode = ZoomMode::FitPage;
  // The zoom the next page starts from (used as it is outside the fit modes).
  double zoom = 1;
  QSize client;
  double resolution = 96;
  int viewRotation = 0;
  int32_t renderFlagA = 0;
  int32_t renderFlagB = 0;
  bool operator==(const PrefetchSettings&) const = default;
};

// A page drawn ahead.
struct PreparedPage {
  // As asked for: the zoom fitted, the view's rotation.
  RenderRequest request;
  // The zoom drawn at (lower when the bitmap had to be smaller).
  double drawnZoom = 0;
  // As shown: after the view's rotation.
  QImage image;
  // What the engine reported while drawing it (severity, text), to be shown when it is shown.
  std::vector<std::pair<int, std::string>> notes;
  // What it was drawn without; told to the interface thread's listener when it is taken.
  std::vector<PDFConverter::Messages::PageFault> faults;
};

// A piece of a page for the strip or the thumbnails: the page drawn at the request's zoom and
// rotation, only the part rect of the shown page (its own pixels).
struct TileRequest {
  TileKey key;
  RenderRequest request;
  QRect rect;
  bool operator==(const TileRequest&) const = default;
};

struct PreparedTile {
  TileKey key;
  QImage image;
  std::vector<std::pair<int, std::string>> notes;
};

class PagePrefetcher : public QObject {
  Q_OBJECT
 public:
  // Messages kept per page drawn ahead; a flood from a broken page is cut here.
  static constexpr std::size_t kMaxNotesPerPage = 32;
  // Pages asked for at once (the next and the previous one).
  static constexpr std::size_t kMaxWantedPages = 2;
  // Pieces asked for at once, of each kind.
  static constexpr std::size_t kMaxWantedTiles = 512;
  // The thread's reading keeps the parsed content of this many pages drawn last (the pieces of
  // a page are drawn one after another).
  static constexpr std::size_t kKeptParsedPages = 4;

  // path and password: as the shown document was opened. The thread starts at once; the file is
  // read there when the first page is asked for.
  PagePrefetcher(std::string path, std::string password, QObject* parent = nullptr);
  // Stops the drawing under way between two operators and waits for the thread to end.
  ~PagePrefetcher() override;
  PagePrefetcher(const PagePrefetcher&) = delete;
  PagePrefetcher& operator=(const PagePrefetcher&) = delete;

  // Asks for these pages (the first first) drawn with these settings. Pages prepared with other
  // settings, or no longer asked for, are let go; a drawing of one is stopped.
  void prepare(const PrefetchSettings& settings, std::vector<int32_t> pages);
  // Forgets every page and stops the drawing under way (zoom, rotation, window size changed).
  void discard();
  // The page drawn for exactly this request (zoom and rotation included), handed over (it is no
  // longer kept); nothing when there is none ready. What it was drawn without is told to the
  // calling thread's listener.
  std::optional<PreparedPage> take(const RenderRequest& request);

  // Asks for these pieces of a kind, the most needed first; pieces of that kind asked for before
  // and not asked for now are let go, and a drawing of one is stopped. Whole pages asked for
  // with prepare() are drawn first, then the strip's pieces, then the thumbnails.
  void wantTiles(int32_t kind, std::vector<TileRequest> tiles);
  // The pieces of a kind drawn since the last call, handed over.
  std::vector<PreparedTile> takeTiles(int32_t kind);

  bool isReady(int32_t page) const;
  // False once the thread has given up on the file: it could not be read, it changed on disk, or
  // a page asked the user a question (that page and the rest are drawn where the user is).
  bool active() const;
  // Pages drawn to the end since the start.
  int64_t pagesDrawn() const;

 signals:
  // A page is ready (delivered on the interface thread).
  void pagePrepared(int page);
  // Pieces are ready to be taken (delivered on the interface thread).
  void tilesPrepared();

 protected:
  bool event(QEvent* event) override;

 private:
  class Engine;
  struct FileIdentity {
    int64_t size = -1;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
  };
  static FileIdentity identityOf(const std::string& path);

  void run();
  // The first page asked for that is neither ready nor failed; 0 when none. Under mutex_.
  int32_t nextPage() const;
  bool wanted(int32_t page) const;
  // The first piece asked for that is neither ready nor failed; null when none. Under mutex_.
  const TileRequest* nextTile() const;
  bool tileWanted(const TileKey& key) const;
  // Lets go of the ready pages for which drop is true, keeping what they reported. Under mutex_.
  template <typename Drop>
  void letGo(Drop drop);
  struct Owed {
    std::vector<std::pair<int, std::string>> notes;
    std::vector<PDFConverter::Messages::PageFault> faults;
  };
  void owe(int32_t page, std::vector<std::pair<int, std::string>>& notes,
           std::vector<PDFConverter::Messages::PageFault>& faults);

  const std::string path_;
  const std::string password_;
  const FileIdentity identity_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  // Raised to stop the drawing under way; the engine looks at it between operators.
  std::atomic<bool> stop_{false};
  bool quit_ = false;
  bool active_ = true;
  PrefetchSettings settings_;
  std::vector<int32_t> wanted_;
  std::vector<PreparedPage> ready_;
  std::vector<int32_t> failed_;
  // The engine reports some things once only (a filter it cannot undo): what a drawing that was
  // let go reported is owed to the page's next drawing that is shown.
  // A drawing stopped and begun again reports the same things twice: what is owed once already
  // is not owed again.
  std::map<int32_t, Owed> owed_;
  int32_t drawing_ = 0;
  std::vector<TileRequest> wantedTiles_[2];
  std::vector<PreparedTile> readyTiles_;
  std::vector<TileKey> failedTiles_;
  std::optional<TileKey> drawingTile_;
  int64_t pagesDrawn_ = 0;
  std::thread thread_;
};

}  // namespace Corvalis::Viewer
