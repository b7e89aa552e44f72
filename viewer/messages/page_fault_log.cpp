#include "viewer/messages/page_fault_log.h"

#include <algorithm>

namespace Corvalis::Viewer {

namespace {

// Faults are reported on the interface thread only: the drawing-ahead thread keeps its own and
// hands them over with its page.
PageFaultLog* g_scoped = nullptr;
std::function<PageFaultLog*()> g_fallback;

}  // namespace

PageFaultLog::PageFaultLog(QObject* parent) : QObject(parent) {
  setObjectName(QStringLiteral("pageFaultLog"));
}

PageFaultLog* PageFaultLog::of(QObject* document) {
  if (!document) return nullptr;
  if (auto* log = document->findChild<PageFaultLog*>(QString(), Qt::FindDirectChildrenOnly))
    return log;
  return new PageFaultLog(document);
}

PageFaultLog* PageFaultLog::current() {
  if (g_scoped) return g_scoped;
  return g_fallback ? g_fallback() : nullptr;
}

void PageFaultLog::setFallback(std::function<PageFaultLog*()> fallback) {
  g_fallback = std::move(fallback);
}

PageFaultHub* PageFaultLog::hub() {
  static PageFaultHub* hub = new PageFaultHub;
  return hub;
}

bool PageFaultLog::add(const PDFConverter::Messages::PageFault& fault) {
  PageFaultRecord record;
  record.page = fault.page;
  record.leftOut = QString::fromStdString(fault.leftOut);
  record.number = fault.number;
  record.details = QString::fromStdString(fault.text);
  if (record.leftOut.isEmpty()) record.leftOut = record.details;
  if (std::find(records_.begin(), records_.end(), record) != records_.end()) return false;
  ++count_;
  if (records_.size() < kMaxRecords) records_.push_back(std::move(record));
  emit faultAdded();
  emit hub()->faultAdded(this);
  return true;
}

QString pageFaultText(const PageFaultRecord& record) {
  const QString what =
      record.leftOut.isEmpty() ? QStringLiteral("a part it cannot draw") : record.leftOut;
  // Said the same whether the page was drawn or only read for its text: it is left out either way.
  return record.page > 0 ? QStringLiteral("Left out on page %1: %2.").arg(record.page).arg(what)
                         : QStringLiteral("Left out: %1.").arg(what);
}

QString PageFaultLog::noticeText() const {
  if (records_.empty()) return {};
  QString text = pageFaultText(records_.front());
  if (count_ > 1)
    text += count_ == 2 ? QStringLiteral(" One more problem: see Details.")
                        : QStringLiteral(" %1 more problems: see Details.").arg(count_ - 1);
  return text;
}

QString PageFaultLog::detailsText() const {
  QStringList lines;
  for (const PageFaultRecord& record : records_) {
    QString line = pageFaultText(record);
    // The engine's own words, for a report; it went on drawing, whatever they say.
    if (!record.details.isEmpty() && record.details != record.leftOut)
      line += QStringLiteral(" Engine message %1: ").arg(record.number) +
              QString(record.details).replace('\n', ' ');
    lines << line;
  }
  if (count_ > records_.size())
    lines << QStringLiteral("... and %1 more.").arg(count_ - records_.size());
  return lines.join('\n');
}

PageFaultLog::Scope::Scope(PageFaultLog* log) : previous_(g_scoped) {
  if (log) g_scoped = log;
}

PageFaultLog::Scope::~Scope() { g_scoped = previous_; }

}  // namespace Corvalis::Viewer
