#include "viewer/app/file_association.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <map>

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

TEST(FileAssociation, MakingTheDefaultKeepsEveryOtherEntry) {
  const QByteArray entry = "application/pdf=brevia.desktop;";
  // Replaced in [Default Applications] only; other groups, types, comments and blank lines stay.
  const QByteArray existing =
      "# my choices\n[Added Associations]\napplication/pdf=other.desktop;\n\n"
      "[Default Applications]\ntext/plain=editor.desktop\napplication/pdf=other.desktop;\n"
      "image/png=viewer.desktop\n\n[Removed Associations]\ntext/html=old.desktop\n";
  EXPECT_EQ(FileAssociation::withDefault(existing, "brevia.desktop"),
            "# my choices\n[Added Associations]\napplication/pdf=other.desktop;\n\n"
            "[Default Applications]\ntext/plain=editor.desktop\n" +
                entry +
                "\nimage/png=viewer.desktop\n\n[Removed Associations]\ntext/html=old.desktop\n");
  // The group without the type: added at its end, before the blank line that parts it.
  EXPECT_EQ(
      FileAssociation::withDefault(
          "[Default Applications]\ntext/plain=editor.desktop\n\n[Added Associations]\n",
          "brevia.desktop"),
      "[Default Applications]\ntext/plain=editor.desktop\n" + entry + "\n\n[Added Associations]\n");
  // No group, no file, no final line break; a second entry of the type in the group goes.
  EXPECT_EQ(
      FileAssociation::withDefault("[Added Associations]\ntext/plain=a.desktop", "brevia.desktop"),
      "[Added Associations]\ntext/plain=a.desktop\n\n[Default Applications]\n" + entry + "\n");
  EXPECT_EQ(FileAssociation::withDefault("", "brevia.desktop"),
            "[Default Applications]\n" + entry + "\n");
  EXPECT_EQ(FileAssociation::withDefault("[Default Applications]\napplication/pdf=a.desktop\n"
                                         "application/pdf = b.desktop\n",
                                         "brevia.desktop"),
            "[Default Applications]\n" + entry + "\n");

  // On disk: the folder is made, the file written whole, and read back as the default.
  QTemporaryDir dir;
  const QString path = dir.filePath("config/mimeapps.list");
  ASSERT_TRUE(FileAssociation::makeDefaultIn(path, "brevia.desktop"));
  EXPECT_EQ(FileAssociation::check("brevia.desktop", {path}), FileAssociation::State::Default);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Truncate));
  file.write(existing);
  file.close();
  ASSERT_TRUE(FileAssociation::makeDefaultIn(path, "brevia.desktop"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray written = file.readAll();
  EXPECT_EQ(written, FileAssociation::withDefault(existing, "brevia.desktop"));
  file.close();
  // A folder where the file should be: it fails and says why.
  QString error;
  EXPECT_FALSE(FileAssociation::makeDefaultIn(dir.path(), "brevia.desktop", &error));
  EXPECT_FALSE(error.isEmpty());
}

// Sets environment variables for a test and puts the old values back.
class Environment {
 public:
  void set(const char* name, const QByteArray& value) {
    if (!saved_.count(name)) saved_[name] = {qEnvironmentVariableIsSet(name), qgetenv(name)};
    qputenv(name, value);
  }
  void unset(const char* name) {
    if (!saved_.count(name)) saved_[name] = {qEnvironmentVariableIsSet(name), qgetenv(name)};
    qunsetenv(name);
  }
  ~Environment() {
    for (const auto& [name, old] : saved_) {
      if (old.first)
        qputenv(name.c_str(), old.second);
      else
        qunsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::pair<bool, QByteArray>> saved_;
};

TEST(FileAssociation, TheDefaultIsReadAsXdgMimeReadsIt) {
  // xdg-mime splits some folder lists at blanks: a folder without any.
  QTemporaryDir root(QDir::tempPath() + "/brevia-mime-XXXXXX");
  const QString config = root.filePath("config"), configDir = root.filePath("etc");
  const QString data = root.filePath("data"), dataDir = root.filePath("usr");
  Environment env;
  env.set("XDG_CONFIG_HOME", config.toUtf8());
  env.set("XDG_CONFIG_DIRS", configDir.toUtf8());
  env.set("XDG_DATA_HOME", data.toUtf8());
  env.set("XDG_DATA_DIRS", dataDir.toUtf8());
  // xdg-mime's own reading of the lists, without a desktop of its own.
  env.set("XDG_CURRENT_DESKTOP", "X-Generic");
  env.unset("XDG_MENU_PREFIX");
  auto write = [](const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  };
  // Installed: brevia and other (whose programs run); ghost's program is not there.
  write(data + "/applications/brevia.desktop", "[Desktop Entry]\nExec=sh %f\n");
  write(dataDir + "/applications/other.desktop", "[Desktop Entry]\nExec=/bin/sh %f\n");
  write(dataDir + "/applications/ghost.desktop", "[Desktop Entry]\nExec=no-such-program %f\n");

  const QString xdgMime = QStandardPaths::findExecutable("xdg-mime");
  auto xdgSays = [&]() -> QString {
    if (xdgMime.isEmpty()) return FileAssociation::queryDefault();
    QProcess p;
    p.start(xdgMime, {"query", "default", "application/pdf"});
    if (!p.waitForFinished(5000)) return "timed out";
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
  };
  auto expect = [&](const QString& wanted, const char* why) {
    EXPECT_EQ(FileAssociation::queryDefault(), wanted) << why;
    EXPECT_EQ(xdgSays(), wanted) << why << " (xdg-mime)";
  };

  expect("", "no list names one");
  write(dataDir + "/applications/mimeinfo.cache", "[MIME Cache]\napplication/pdf=other.desktop;\n");
  expect("other.desktop", "the cache of installed handlers");
  write(configDir + "/mimeapps.list", "[Default Applications]\napplication/pdf=ghost.desktop;\n");
  expect("other.desktop", "a default whose program is missing is passed over");
  write(config + "/mimeapps.list",
        "[Added Associations]\napplication/pdf=other.desktop;\n"
        "[Default Applications]\ntext/plain=other.desktop\napplication/pdf=brevia.desktop;\n");
  expect("brevia.desktop", "the user's list first");
  write(config + "/x-generic-mimeapps.list",
        "[Default Applications]\napplication/pdf=other.desktop\n");
  expect("other.desktop", "the desktop's own list before the common one");
  QFile::remove(config + "/x-generic-mimeapps.list");
  EXPECT_EQ(FileAssociation::check("brevia.desktop"), FileAssociation::State::Default);

  // Choosing the viewer writes the user's list; the other entries stay.
  write(config + "/mimeapps.list",
        "[Default Applications]\ntext/plain=other.desktop\napplication/pdf=other.desktop;\n");
  ASSERT_TRUE(FileAssociation::makeDefault("brevia.desktop"));
  expect("brevia.desktop", "after choosing it");
  EXPECT_EQ(FileAssociation::check("other.desktop", {config + "/mimeapps.list"}),
            FileAssociation::State::OtherDefault);
  QFile list(config + "/mimeapps.list");
  ASSERT_TRUE(list.open(QIODevice::ReadOnly));
  EXPECT_TRUE(list.readAll().contains("text/plain=other.desktop"));
}

}  // namespace
}  // namespace viewer_test
