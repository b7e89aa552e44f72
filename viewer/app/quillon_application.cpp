#include "viewer/app/quillon_application.h"

#include <QLibraryInfo>
#include <QScreen>

#include "viewer/messages/app_identity.h"
#include "viewer/messages/command_ids.h"
#include "viewer/app/quillon_frame.h"
#include "viewer/app/request_runner.h"
#include "viewer/app/single_instance.h"
#include "viewer/ui/icons.h"

namespace Corvalis::Viewer {

namespace {

constexpr double kReferenceDpi = 96.0;

}  // namespace

C_Quillon_Application::C_Quillon_Application(int& argc, char** argv)
    : QApplication(argc, argv), recentFiles_(kRecentFileCount) {
  setOrganizationName(QString::fromLatin1(kOrganisationName));
  setApplicationName(QString::fromLatin1(kSettingsApplicationName));
  // No display name: the platform would append it to every caption ("转到页 — Brevia
  // Reader"); each window names itself.
  listener_.install();
  // Missing CMaps are asked about and fetched after the paint that met them, never inside it.
  cmapFetcher_.install();
}

C_Quillon_Application::~C_Quillon_Application() { exitInstance(); }

QString C_Quillon_Application::commandLineFile(const QStringList& arguments) {
  for (const QString& argument : arguments)
    if (!argument.isEmpty() && !argument.startsWith(QLatin1Char('-'))) return argument;
  return {};
}

bool C_Quillon_Application::loadTranslations(const QLocale& locale) {
  removeTranslator(&translator_);
  removeTranslator(&qtTranslator_);
  setEnglishArtwork(false);
  if (locale.language() == QLocale::English) {
    if (!translator_.load(QStringLiteral(":/i18n/brevia_en.qm"))) return false;
    installTranslator(&translator_);
    setEnglishArtwork(true);
    return true;
  }
  // The framework's own dialogs and buttons speak the interface's language too.
  if (qtTranslator_.load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    installTranslator(&qtTranslator_);
  return false;
}

bool C_Quillon_Application::initInstance(const QStringList& arguments,
                                         const StartOptions& options) {
  ViewerRequest request;
  if (const QString file = commandLineFile(arguments); !file.isEmpty()) request.files << file;
  return initInstanceFor(request, options);
}

bool C_Quillon_Application::initInstanceFor(const ViewerRequest& request,
                                            const StartOptions& options) {
  loadTranslations(QLocale::system());
  if (const QScreen* screen = primaryScreen(); screen && screen->logicalDotsPerInchX() > 0)
    displayScale_ = kReferenceDpi / screen->logicalDotsPerInchX();
  recentFiles_.load();

  if (options.singleInstance) {
    singleInstance_ = std::make_unique<SingleInstance>();
    const bool worthHanding = !request.files.isEmpty() || !request.editorCommand.isEmpty();
    if (worthHanding && singleInstance_->handOver(request)) {
      handedOver_ = true;
      return false;
    }
  }

  C_Quillon_Frame::Options frameOptions;
  frameOptions.showSplash = options.showSplash;
  frame_ = std::make_unique<C_Quillon_Frame>(recentFiles_, printer_, frameOptions);
  listener_.setMainWindow(frame_.get());
  if (singleInstance_ && singleInstance_->listen()) {
    connect(singleInstance_.get(), &SingleInstance::requested, frame_.get(),
            [this](const ViewerRequest& r) {
              RequestRunner::run(*frame_, r);
              frame_->raise();
              frame_->activateWindow();
            });
  }
  association_ = FileAssociation::check(QString::fromLatin1(kDesktopEntryName));

  // The main window is up before the file is opened, so a box about the file has a window
  // behind it.
  if (options.showWindow) {
    if (const QScreen* screen = primaryScreen()) frame_->setGeometry(screen->availableGeometry());
    frame_->showMaximized();
    frame_->update();
    processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  RequestRunner::run(*frame_, request);
  frame_->createStartPanel();
  return true;
}

void C_Quillon_Application::exitInstance() {
  frame_.reset();
  singleInstance_.reset();
  listener_.setMainWindow(nullptr);
}

}  // namespace Corvalis::Viewer
