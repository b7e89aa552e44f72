// The viewer's tests run inside one application object, with settings in a scratch folder and
// every message box captured.

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/app/quillon_application.h"
#include "viewer/doc/reading_positions.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir scratch;
  qputenv("XDG_CONFIG_HOME", scratch.path().toUtf8());
  qputenv("XDG_DATA_HOME", scratch.path().toUtf8());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scratch.path());
  Corvalis::Viewer::C_Quillon_Application app(argc, argv);
  Corvalis::Viewer::setMessageBoxHook(viewer_test::MessageCapture::unexpectedBox());
  // Most tests read one page at a time; the strip's tests choose their mode themselves.
  Corvalis::Viewer::ReadingPositions::setDefaultMode(0, true);
  return RUN_ALL_TESTS();
}
