#include "viewer/sync/source_link.h"

#include <QDir>
#include <QFile>

#include "viewer/app/command_line.h"
#include "viewer/app/request_runner.h"
#include "viewer/sync/editor_command.h"
#include "viewer/view/page_marks.h"
#include "tests/viewer/viewer_test_support.h"

namespace viewer_test {
namespace {

class SourceLinks : public FrameFixture {};

TEST_F(SourceLinks, ForwardShowsAndMarksTheLineAndCtrlClickComesBack) {
  // A copy beside its synchronisation file, under a name with a space.
  QDir dir(QDir::temp().filePath("source link"));
  dir.mkpath(".");
  for (const char* name : {"tiny.pdf", "tiny.synctex.gz"}) {
    QFile::remove(dir.filePath(name));
    ASSERT_TRUE(QFile::copy(qtestData(std::string("synctex/") + name), dir.filePath(name)));
  }
  ViewerRequest request;
  request.files = {dir.filePath("tiny.pdf")};
  request.forward = SourcePlace{9, 0, "tiny.tex"};
  request.editorCommand = "myeditor --line %l %f";
  ASSERT_TRUE(RequestRunner::run(*frame, request));
  C_PDF_View* view = frame->activeView();
  ASSERT_TRUE(view);
  EXPECT_EQ(view->currentPage(), 2);
  PageMarks& marks = PageMarks::of(*view);
  ASSERT_TRUE(marks.active());
  EXPECT_EQ(marks.page(), 2);
  const QRect line = marks.rects().front().translated(view->pageOrigin());

  std::vector<std::tuple<QString, QString, int>> runs;
  SourceLink::of(*view).setLauncher([&runs](const QString& t, const QString& f, int l) {
    runs.emplace_back(t, f, l);
    return true;
  });
  EXPECT_TRUE(SourceLink::of(*view).unavailableReason().isEmpty());
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, line.center());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(std::get<0>(runs[0]), "myeditor --line %l %f");
  EXPECT_TRUE(std::get<1>(runs[0]).endsWith("/tiny.tex"));
  EXPECT_EQ(std::get<2>(runs[0]), 9);
  EditorCommand::store(QString());
}

TEST_F(SourceLinks, WithoutASynchronisationFileTheEntrySaysWhy) {
  ASSERT_TRUE(frame->openFile(pagesFile(2, "nosync-link.pdf")));
  C_PDF_View* view = frame->activeView();
  EXPECT_FALSE(SourceLink::of(*view).unavailableReason().isEmpty());
  EXPECT_FALSE(SourceLink::forward(*view, SourcePlace{1, 0, "x.tex"}));
  EXPECT_LE(view->currentPage(), 1);
}

}  // namespace
}  // namespace viewer_test
