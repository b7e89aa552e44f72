#include "viewer/app/display_modes.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>

#include "tests/viewer/viewer_test_support.h"

namespace viewer_test {
namespace {

using DisplayModesTest = FrameFixture;

TEST_F(DisplayModesTest, PreferencesMakeTheViewerTheDefaultKeepingOtherChoices) {
  DisplayModes* modes = DisplayModes::of(frame.get());
  ASSERT_TRUE(modes);
  // The entry is in the File menu shown without a document, under Preferences.
  bool listed = false;
  for (QAction* menu : frame->menuBar()->actions())
    for (QAction* a : menu->menu() ? menu->menu()->actions() : QList<QAction*>())
      if (a->menu() && a->menu()->actions().contains(modes->makeDefaultAction())) listed = true;
  EXPECT_TRUE(listed);

  // The tests' own configuration folder.
  ASSERT_FALSE(qgetenv("XDG_CONFIG_HOME").isEmpty());
  const QString path = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/mimeapps.list";
  QFile list(path);
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write("[Default Applications]\ntext/plain=editor.desktop\napplication/pdf=other.desktop\n");
  list.close();
  MessageCapture boxes;
  modes->makeDefaultAction()->trigger();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].icon, BoxIcon::Information);
  ASSERT_TRUE(list.open(QIODevice::ReadOnly));
  EXPECT_EQ(list.readAll(),
            "[Default Applications]\ntext/plain=editor.desktop\napplication/pdf=brevia.desktop;\n");
  list.close();
  list.remove();
}

}  // namespace
}  // namespace viewer_test
