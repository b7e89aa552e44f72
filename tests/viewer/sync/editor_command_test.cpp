#include "viewer/sync/editor_command.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

namespace Corvalis::Viewer {
namespace {

TEST(EditorCommand, SplitsTheTemplateBeforeFillingItIn) {
  const QString nasty = "/tmp/my thesis; rm -rf ~/$(id) `x`.tex";
  EXPECT_EQ(EditorCommand::expand("emacsclient +%l %f", nasty, 17),
            QStringList({"emacsclient", "+17", nasty}));
  EXPECT_EQ(EditorCommand::expand("code -g %f:%l", nasty, 3),
            QStringList({"code", "-g", nasty + ":3"}));
  // Quotes and backslashes group words as a shell would; %% is a percent sign.
  EXPECT_EQ(EditorCommand::expand(R"("/opt/My Editor/ed" '--line=%l' a\ b 100%%)", "f", 5),
            QStringList({"/opt/My Editor/ed", "--line=5", "a b", "100%"}));
  EXPECT_EQ(EditorCommand::expand(
                R"(nvim --server /tmp/nvim.sock --remote-send "<C-\\><C-N>:e %f<CR>:%l<CR>")",
                "a.tex", 9),
            QStringList({"nvim", "--server", "/tmp/nvim.sock", "--remote-send",
                         "<C-\\><C-N>:e a.tex<CR>:9<CR>"}));
  EXPECT_FALSE(EditorCommand::expand("", "f", 1));
  EXPECT_FALSE(EditorCommand::expand("   ", "f", 1));
  EXPECT_FALSE(EditorCommand::expand("ed 'open", "f", 1));
  EXPECT_FALSE(EditorCommand::expand(QString(EditorCommand::kMaxTemplateLength + 1, 'a'), "f", 1));
}

TEST(EditorCommand, RunsTheEditorWithoutAShell) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString script = dir.filePath("record.sh");
  const QString record = dir.filePath("args.txt");
  {
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record +
             ".part'\nmv '" + record + ".part' '" + record + "'\n")
                .toUtf8());
  }
  QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  // Were the file name handed to a shell, this would make the marker file.
  const QString marker = dir.filePath("injected");
  const QString file = dir.filePath("a b; touch " + marker + ".tex");
  ASSERT_TRUE(EditorCommand::run("'" + script + "' --line %l %f", file, 42));
  QElapsedTimer clock;
  clock.start();
  while (!QFile::exists(record) && clock.elapsed() < 1500) QThread::msleep(10);
  QFile f(record);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(f.readAll()), "--line\n42\n" + file + "\n");
  EXPECT_FALSE(QFile::exists(marker));
  EXPECT_FALSE(QFile::exists(marker + ".tex"));
}

}  // namespace
}  // namespace Corvalis::Viewer
