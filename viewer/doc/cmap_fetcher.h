#pragma once
// Takes the predefined CMaps the engine misses while a page is drawn away from the drawing: the
// page is drawn at once without the CMap; once the paint is over the reader is asked (once per
// CMap and run), the file is fetched on a thread of its own, and when it has arrived every open
// document draws its pages again with it.

#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace Corvalis::Viewer {

class CMapFetcher : public QObject {
  Q_OBJECT
 public:
  CMapFetcher();
  ~CMapFetcher() override;
  CMapFetcher(const CMapFetcher&) = delete;
  CMapFetcher& operator=(const CMapFetcher&) = delete;

  // Becomes the engine's handler of missing CMaps (and stops being it when destroyed).
  void install();
  // The installed fetcher, or null.
  static CMapFetcher* instance();

  // Fetches running or not yet delivered.
  int pending() const { return pending_; }

 signals:
  // The CMap has been stored and can be loaded now.
  void cmapArrived(const QString& name);
  // A fetch ended without a CMap (refused, not found, no connection).
  void cmapFailed(const QString& name);

 private:
  void offer(const std::string& name);
  void fetch(const std::string& name);
  void delivered(const std::string& name, const std::string& path,
                 const std::vector<std::pair<int, std::string>>& notes);

  std::vector<std::thread> workers_;
  int pending_ = 0;
  bool installed_ = false;
};

}  // namespace Corvalis::Viewer
