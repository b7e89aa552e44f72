#include "viewer/sync/synctex_file.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "tests/viewer/viewer_test_support.h"

namespace viewer_test {
namespace {

// Lines of tests/data/synctex/tiny.tex: a paragraph on line 4 and line 6 of page 1, one on
// line 9 of page 2.
constexpr int kFirstLine = 4;
constexpr int kSecondLine = 6;
constexpr int kSecondPageLine = 9;

QRectF unite(const std::vector<SyncBox>& boxes) {
  QRectF all;
  for (const SyncBox& b : boxes) all = all.united(b.rect);
  return all;
}

TEST(SyncTexFile, FindsLinesAndPlacesInACheckedInFile) {
  const QString pdf = qtestData("synctex/tiny.pdf");
  EXPECT_TRUE(SyncTexFile::findBeside(pdf).endsWith("tiny.synctex.gz"));
  std::unique_ptr<SyncTexFile> sync = SyncTexFile::open(pdf);
  ASSERT_TRUE(sync);
  // Recorded under the folder it was made in: the bare name finds it.
  const std::vector<SyncBox> first = sync->forward("/elsewhere/tiny.tex", kFirstLine, 0);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.front().page, 1);
  const std::vector<SyncBox> second = sync->forward("tiny.tex", kSecondLine, 0);
  ASSERT_FALSE(second.empty());
  EXPECT_GT(unite(second).top(), unite(first).top());
  // On an A4 or Letter page, in points from the top.
  EXPECT_GT(unite(first).top(), 50);
  EXPECT_LT(unite(first).bottom(), 300);
  const std::vector<SyncBox> later = sync->forward("tiny.tex", kSecondPageLine, 0);
  ASSERT_FALSE(later.empty());
  EXPECT_EQ(later.front().page, 2);
  EXPECT_TRUE(sync->forward("other.tex", kFirstLine, 0).empty());

  // Back from the middle of the second paragraph.
  const QPointF middle = unite(second).center();
  const std::optional<SourceSpot> spot = sync->inverse(1, middle.x(), middle.y());
  ASSERT_TRUE(spot);
  EXPECT_TRUE(spot->file.endsWith("/tiny.tex")) << spot->file.toStdString();
  EXPECT_EQ(spot->line, kSecondLine);
  EXPECT_FALSE(sync->inverse(7, 100, 100));
}

TEST(SyncTexFile, NoSynchronisationFileMeansNone) {
  const QString pdf = pagesFile(1, "nosync.pdf");
  EXPECT_TRUE(SyncTexFile::findBeside(pdf).isEmpty());
  EXPECT_FALSE(SyncTexFile::open(pdf));
  // A damaged one is refused, not trusted.
  QTemporaryDir dir;
  QFile::copy(pdf, dir.filePath("bad.pdf"));
  QFile bad(dir.filePath("bad.synctex.gz"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("\x1f\x8b garbage");
  bad.close();
  std::unique_ptr<SyncTexFile> sync = SyncTexFile::open(dir.filePath("bad.pdf"));
  if (sync) {
    EXPECT_TRUE(sync->forward("x.tex", 1, 0).empty());
  }
  // Content that no input record precedes (the library would crash on it): refused, whether
  // there is no record at all, its tag is no number, or it comes only after the content.
  const char* kPreamble =
      "SyncTeX Version:1\n%sOutput:pdf\nMagnification:1000\nUnit:1\n"
      "X Offset:0\nY Offset:0\nContent:\n!325\n{1\nx1,4:11162458,8865054\n}1\n%s";
  struct Case {
    const char* before;
    const char* after;
    bool accepted;
  };
  for (const Case& c : {Case{"", "", false}, Case{"Input:abc:x.tex\n", "", false},
                        Case{"", "Input:1:x.tex\n", false}}) {
    QFile::remove(dir.filePath("bad.synctex.gz"));
    QFile plain(dir.filePath("bad.synctex"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly | QIODevice::Truncate));
    plain.write(QString::asprintf(kPreamble, c.before, c.after).toUtf8());
    plain.close();
    EXPECT_EQ(SyncTexFile::open(dir.filePath("bad.pdf")) != nullptr, c.accepted)
        << c.before << c.after;
  }
}

TEST(SyncTexFile, FollowsADocumentBuiltNow) {
  const QString pdflatex = QStandardPaths::findExecutable("pdflatex");
  if (pdflatex.isEmpty()) GTEST_SKIP() << "pdflatex is not installed";
  QTemporaryDir dir;
  QFile tex(dir.filePath("built.tex"));
  ASSERT_TRUE(tex.open(QIODevice::WriteOnly));
  tex.write(
      "\\documentclass{article}\n\\begin{document}\nOne.\n\\newpage\nTwo.\n"
      "\\newpage\nThree is here.\n\\end{document}\n");
  tex.close();
  QProcess run;
  run.setWorkingDirectory(dir.path());
  run.start(pdflatex, {"-synctex=1", "-interaction=batchmode", "built.tex"});
  ASSERT_TRUE(run.waitForFinished(20000));
  std::unique_ptr<SyncTexFile> sync = SyncTexFile::open(dir.filePath("built.pdf"));
  ASSERT_TRUE(sync);
  const std::vector<SyncBox> boxes = sync->forward(dir.filePath("built.tex"), 7, 0);
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.front().page, 3);
  const QPointF c = unite(boxes).center();
  const std::optional<SourceSpot> spot = sync->inverse(3, c.x(), c.y());
  ASSERT_TRUE(spot);
  EXPECT_EQ(spot->line, 7);
  EXPECT_EQ(QFileInfo(spot->file).canonicalFilePath(),
            QFileInfo(dir.filePath("built.tex")).canonicalFilePath());
}

}  // namespace
}  // namespace viewer_test
