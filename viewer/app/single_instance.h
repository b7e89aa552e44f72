#pragma once
// One viewer per user: a second launch with a file hands the file to the running viewer over a
// local socket and ends, as opening from the desktop does with a viewer already running. The
// request carries the files and what to do in them (page, destination, phrase, source line).

#include <QObject>
#include <QString>

#include "viewer/app/command_line.h"

class QLocalServer;

namespace Corvalis::Viewer {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // A request longer than this is dropped.
  static constexpr qint64 kMaxRequestBytes = 64 * 1024;
  static constexpr int kConnectTimeoutMs = 1000;

  // name: the socket's name; by default one per user.
  explicit SingleInstance(QString name = defaultName());
  ~SingleInstance() override;

  static QString defaultName();

  // Hands the request to a running viewer; true when one took it.
  bool handOver(const ViewerRequest& request) const;
  bool handOver(const QString& path) const;
  // Starts answering later launches; false when the socket cannot be had.
  bool listen();

 signals:
  void requested(const Corvalis::Viewer::ViewerRequest& request);

 private:
  void accept();

  QString name_;
  QLocalServer* server_ = nullptr;
};

}  // namespace Corvalis::Viewer
