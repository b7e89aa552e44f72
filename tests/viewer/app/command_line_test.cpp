#include "viewer/app/command_line.h"

#include <gtest/gtest.h>

#include <QFileInfo>

namespace Corvalis::Viewer {
namespace {

CommandLine parse(const QStringList& arguments) { return CommandLine::parse(arguments); }

TEST(CommandLine, ReadsEveryOptionInBothSpellings) {
  const CommandLine a = parse({"--page", "12", "--find=some words", "doc.pdf"});
  ASSERT_EQ(a.outcome(), CommandLine::Outcome::Run);
  EXPECT_EQ(a.request().files, QStringList{"doc.pdf"});
  EXPECT_EQ(a.request().page, 12);
  EXPECT_EQ(a.request().find, "some words");

  const CommandLine b = parse({"--synctex-forward", "42:7:/home/me/My thesis:v2/ch1.tex",
                               "--synctex-editor-command=emacsclient +%l %f", "t.pdf"});
  ASSERT_EQ(b.outcome(), CommandLine::Outcome::Run);
  ASSERT_TRUE(b.request().forward);
  // The file part keeps its own colons.
  EXPECT_EQ(*b.request().forward, (SourcePlace{42, 7, "/home/me/My thesis:v2/ch1.tex"}));
  EXPECT_EQ(b.request().editorCommand, "emacsclient +%l %f");

  // After "--" a name starting with a dash is a file.
  EXPECT_EQ(parse({"--", "-odd.pdf"}).request().files, QStringList{"-odd.pdf"});
  EXPECT_EQ(parse({"--named-dest", "chapter.2", "x.pdf"}).request().namedDestination, "chapter.2");
}

TEST(CommandLine, HelpAndVersionWinWhereverTheyStand) {
  EXPECT_EQ(parse({"file.pdf", "--help"}).outcome(), CommandLine::Outcome::Help);
  EXPECT_EQ(parse({"-h"}).outcome(), CommandLine::Outcome::Help);
  EXPECT_EQ(parse({"--version"}).outcome(), CommandLine::Outcome::Version);
  EXPECT_TRUE(CommandLine::usage().contains("--synctex-forward"));
  EXPECT_TRUE(CommandLine::versionText().startsWith("brevia "));
}

TEST(CommandLine, RefusesWhatItCannotCarryOut) {
  struct Case {
    QStringList arguments;
    const char* says;
  };
  const Case cases[] = {
      {{"--frobnicate", "a.pdf"}, "unknown option '--frobnicate'"},
      {{"-x"}, "unknown option '-x'"},
      {{"a.pdf", "--page"}, "needs a value"},
      {{"--page", "0", "a.pdf"}, "page number"},
      {{"--page", "two", "a.pdf"}, "page number"},
      {{"--page", "99999999999", "a.pdf"}, "page number"},
      {{"--page", "2", "--named-dest", "x", "a.pdf"}, "together"},
      {{"--page", "2"}, "need a file"},
      {{"--synctex-forward", "12:tex.tex", "a.pdf"}, "LINE:COLUMN:TEXFILE"},
      {{"--synctex-forward", "x:0:a.tex", "a.pdf"}, "LINE:COLUMN:TEXFILE"},
      {{"--synctex-forward", "3:0:", "a.pdf"}, "LINE:COLUMN:TEXFILE"},
  };
  for (const Case& c : cases) {
    const CommandLine line = parse(c.arguments);
    EXPECT_EQ(line.outcome(), CommandLine::Outcome::Error) << c.arguments.join(' ').toStdString();
    EXPECT_TRUE(line.error().contains(QLatin1String(c.says)))
        << line.error().toStdString() << " for " << c.arguments.join(' ').toStdString();
  }
}

TEST(CommandLine, LeavesTheToolkitItsOwnOptions) {
  EXPECT_EQ(CommandLine::withoutToolkitOptions(
                {"-platform", "offscreen", "-reverse", "-style=fusion", "a.pdf", "--", "-sync"}),
            QStringList({"a.pdf", "--", "-sync"}));
}

TEST(ViewerRequest, TravelsToTheRunningViewerWhole) {
  ViewerRequest r;
  r.files = {"rel/doc.pdf"};
  r.page = 3;
  r.find = "line\nbreak \"quoted\"";
  r.forward = SourcePlace{9, 0, "ch 1.tex"};
  r.editorCommand = "code -g %f:%l";
  const QByteArray wire = r.toWire();
  EXPECT_FALSE(wire.contains('\n'));
  const std::optional<ViewerRequest> back = ViewerRequest::fromWire(wire);
  ASSERT_TRUE(back);
  // Relative names are made absolute for a viewer started in another folder.
  EXPECT_EQ(back->files, QStringList{QFileInfo("rel/doc.pdf").absoluteFilePath()});
  EXPECT_EQ(back->forward->file, QFileInfo("ch 1.tex").absoluteFilePath());
  EXPECT_EQ(back->page, 3);
  EXPECT_EQ(back->find, r.find);
  EXPECT_EQ(back->editorCommand, r.editorCommand);

  // What an older launch sends: the bare path.
  EXPECT_EQ(ViewerRequest::fromWire("/tmp/a.pdf")->files, QStringList{"/tmp/a.pdf"});
  EXPECT_FALSE(ViewerRequest::fromWire("{not json"));
  EXPECT_FALSE(ViewerRequest::fromWire(""));
  // Numbers out of range from the socket are dropped, not trusted.
  const auto odd =
      ViewerRequest::fromWire(R"({"files":["/a.pdf"],"page":-4,"forward":{"line":0,"file":"x"}})");
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->page, 0);
  EXPECT_FALSE(odd->forward);
}

}  // namespace
}  // namespace Corvalis::Viewer
