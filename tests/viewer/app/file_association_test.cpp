#include "viewer/app/file_association.h"

#include <QFile>
#include <QTemporaryDir>

#include "tests/viewer/viewer_test_support.h"

namespace viewer_test {
namespace {

QString list(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
  const QString path = dir.filePath(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
  return path;
}

TEST(FileAssociation, TheFirstListThatNamesADefaultDecides) {
  QTemporaryDir dir;
  const QString ours =
      list(dir, "a.list",
           "[Added Associations]\napplication/pdf=other.desktop;\n"
           "[Default Applications]\napplication/pdf=brevia.desktop;other.desktop;\n");
  const QString theirs =
      list(dir, "b.list", "[Default Applications]\napplication/pdf = other.desktop\n");
  const QString silent = list(dir, "c.list", "[Default Applications]\ntext/plain=editor.desktop\n");
  using State = FileAssociation::State;
  EXPECT_EQ(FileAssociation::check("brevia.desktop", {silent, ours, theirs}), State::Default);
  EXPECT_EQ(FileAssociation::check("brevia.desktop", {theirs, ours}), State::OtherDefault);
  EXPECT_EQ(FileAssociation::check("brevia.desktop", {silent, dir.filePath("missing.list")}),
            State::NoDefault);
  EXPECT_FALSE(FileAssociation::searchFiles().isEmpty());
}

}  // namespace
}  // namespace viewer_test
