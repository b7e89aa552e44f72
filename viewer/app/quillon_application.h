#pragma once
// C_Quillon_Application: start-up of the viewer — settings, translations, the message
// listener, the main window, the command line and the hand-over to a running viewer.

#include <QApplication>
#include <QPrinter>
#include <QTranslator>
#include <memory>

#include "viewer/app/command_line.h"
#include "viewer/app/file_association.h"
#include "viewer/doc/cmap_fetcher.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_listener.h"

namespace Corvalis::Viewer {

class C_Quillon_Frame;
class SingleInstance;

class C_Quillon_Application : public QApplication {
  Q_OBJECT
 public:
  struct StartOptions {
    bool showSplash = true;
    // Hand a file to a running viewer, and answer later launches.
    bool singleInstance = true;
    bool showWindow = true;
  };

  C_Quillon_Application(int& argc, char** argv);
  ~C_Quillon_Application() override;

  // Start-up with the command-line arguments (without the program name). False when the
  // viewer does not go on: the file went to a running viewer, or the window could not be made.
  // Only the first file is read from arguments; everything else on them is ignored.
  bool initInstance(const QStringList& arguments, const StartOptions& options);
  bool initInstanceFor(const ViewerRequest& request, const StartOptions& options);
  // Closes the main window and releases what the engine holds for the process.
  void exitInstance();

  C_Quillon_Frame* mainFrame() const { return frame_.get(); }
  RecentFileList& recentFiles() { return recentFiles_; }
  MessageListener& messageListener() { return listener_; }
  bool handedOver() const { return handedOver_; }
  // 96 / the display's horizontal resolution.
  double displayScale() const { return displayScale_; }
  FileAssociation::State association() const { return association_; }

  // The file the command line names: its first argument that is not an option; nothing else
  // on the command line is interpreted.
  static QString commandLineFile(const QStringList& arguments);
  // Installs the English translation for an English locale (the interface's own language is
  // Simplified Chinese); true when one was installed.
  bool loadTranslations(const QLocale& locale);

 private:
  MessageListener listener_;
  CMapFetcher cmapFetcher_;
  RecentFileList recentFiles_;
  QPrinter printer_;
  QTranslator translator_;
  QTranslator qtTranslator_;
  std::unique_ptr<SingleInstance> singleInstance_;
  std::unique_ptr<C_Quillon_Frame> frame_;
  double displayScale_ = 1.0;
  bool handedOver_ = false;
  FileAssociation::State association_ = FileAssociation::State::NoDefault;
};

}  // namespace Corvalis::Viewer
