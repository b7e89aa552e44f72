#pragma once
// One viewer per user: a second launch with a file hands the file to the running viewer over a
// local socket and ends, as opening from the desktop does with a viewer already running.

#include <QObject>
#include <QString>

class QLocalServer;

namespace Corvalis::Viewer {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // A request longer than this is not a path and is dropped.
  static constexpr qint64 kMaxRequestBytes = 64 * 1024;
  static constexpr int kConnectTimeoutMs = 1000;

  // name: the socket's name; by default one per user.
  explicit SingleInstance(QString name = defaultName());
  ~SingleInstance() override;

  static QString defaultName();

  // Hands path to a running viewer; true when one took it.
  bool handOver(const QString& path) const;
  // Starts answering later launches; false when the socket cannot be had.
  bool listen();

 signals:
  void fileRequested(const QString& path);

 private:
  void accept();

  QString name_;
  QLocalServer* server_ = nullptr;
};

}  // namespace Corvalis::Viewer
