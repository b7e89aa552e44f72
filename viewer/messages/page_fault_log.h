#pragma once
// What the pages of one document were shown without (a resource the page names but does not
// have, an image that cannot be decoded, a font that cannot be loaded), each kept once however
// often the page is drawn again and by whichever engine drew it. Nothing of this stops the
// reading, so it is told without a box.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/messages/message_listener.h"

namespace Corvalis::Viewer {

struct PageFaultRecord {
  int32_t page = 0;
  QString leftOut;
  // The engine's numbered message as the catalogue words it; empty when it has none.
  int number = 0;
  QString details;
  bool operator==(const PageFaultRecord&) const = default;
};

class PageFaultLog;

// Announces every fault that is new to its log.
class PageFaultHub : public QObject {
  Q_OBJECT
 signals:
  void faultAdded(Corvalis::Viewer::PageFaultLog* log);
};

class PageFaultLog : public QObject {
  Q_OBJECT
 public:
  // A document broken everywhere keeps this many, then only counts.
  static constexpr std::size_t kMaxRecords = 256;

  explicit PageFaultLog(QObject* parent = nullptr);

  // The log of a document: a child of the object standing for it, so that it goes with it.
  static PageFaultLog* of(QObject* document);
  // Where faults reported on this thread go: the log of the innermost Scope, else the fallback's.
  static PageFaultLog* current();
  // The log for faults reported outside any scope (the active document's).
  static void setFallback(std::function<PageFaultLog*()> fallback);
  static PageFaultHub* hub();

  // Keeps the fault unless the log has it already (the same page, part and message); true when
  // it is new.
  bool add(const PDFConverter::Messages::PageFault& fault);
  const std::vector<PageFaultRecord>& records() const { return records_; }
  // Faults kept or counted since the document was opened.
  std::size_t count() const { return count_; }

  // One line: the first fault, and how many more there are.
  QString noticeText() const;
  // Every fault, one a line, with the engine's message.
  QString detailsText() const;
  // The notice was closed: the faults are still kept, and it is not shown again.
  bool dismissed() const { return dismissed_; }
  void dismiss() { dismissed_ = true; }

  // While one lives, faults reported on this thread go to log.
  class Scope {
   public:
    explicit Scope(PageFaultLog* log);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    PageFaultLog* previous_;
  };

 signals:
  void faultAdded();

 private:
  std::vector<PageFaultRecord> records_;
  std::size_t count_ = 0;
  bool dismissed_ = false;
};

// The text of one fault: "Left out on page 3: the image or form /Im1, which ...".
QString pageFaultText(const PageFaultRecord& record);

}  // namespace Corvalis::Viewer
