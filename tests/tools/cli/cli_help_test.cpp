// brevia-cli by the conventions of the shell: help and version on standard output with status
// 0, usage errors on standard error with status 2, unreadable files with one line and status 1.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/pdf_builder.h"
#include "tests/support/program_run.h"

namespace {

using testing_run::run;

int lines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

TEST(CliHelp, HelpAndVersionGoToStandardOutput) {
  for (const char* asked : {"--help", "-h", "help"}) {
    const auto r = run("brevia-cli", asked);
    EXPECT_EQ(r.status, 0) << asked;
    EXPECT_EQ(r.err, "") << asked;
    for (const char* command : {"info FILE", "render FILE", "text FILE", "find FILE PHRASE"})
      EXPECT_NE(r.out.find(command), std::string::npos) << asked << " lacks " << command;
    EXPECT_NE(r.out.find("Exit status"), std::string::npos);
  }
  const auto version = run("brevia-cli", "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("brevia-cli ", 0), 0u) << version.out;
  EXPECT_EQ(lines(version.out), 1);

  // A command's own help, wherever --help stands; "help COMMAND" is the same.
  for (const char* asked :
       {"find --help", "find a.pdf --help", "help find", "find --password x --help"}) {
    const auto r = run("brevia-cli", asked);
    EXPECT_EQ(r.status, 0) << asked;
    EXPECT_EQ(r.out.rfind("usage: brevia-cli find FILE PHRASE", 0), 0u) << asked << r.out;
    EXPECT_NE(r.out.find("--json"), std::string::npos);
  }
  // --help as the value of an option is that value, not a request for help.
  const auto password = run("brevia-cli", "info /nonexistent.pdf --password --help");
  EXPECT_EQ(password.status, 1);
}

TEST(CliHelp, UsageErrorsGoToStandardErrorWithStatus2) {
  for (const char* wrong : {"", "--sideways", "unknown", "help unknown", "text", "find a.pdf",
                            "render a.pdf", "info", "text a.pdf --page"}) {
    const auto r = run("brevia-cli", wrong);
    EXPECT_EQ(r.status, 2) << "'" << wrong << "'";
    EXPECT_EQ(r.out, "") << wrong;
    EXPECT_NE(r.err.find("usage"), std::string::npos) << wrong << ": " << r.err;
  }
}

TEST(CliHelp, AFileThatCannotBeReadIsOneLineNamingIt) {
  const std::string broken = testing_pdf::writeTempFile("%PDF-1.4\nrubbish", "broken.pdf");
  const std::string folder = testing_pdf::writeTempFile("", "folder.pdf") + ".d";
  ASSERT_EQ(std::system(("mkdir -p " + testing_run::quoted(folder)).c_str()), 0);
  for (const std::string& file : {std::string("/nonexistent/file.pdf"), broken, folder}) {
    for (const std::string command : {"info ", "text ", "find ", "render "}) {
      const std::string extra = command == "find "     ? " word"
                                : command == "render " ? " --page 1 -o /dev/null"
                                                       : "";
      const auto r = run("brevia-cli", command + testing_run::quoted(file) + extra);
      EXPECT_EQ(r.status, 1) << command << file;
      EXPECT_EQ(lines(r.err), 1) << command << file << ":\n" << r.err;
      EXPECT_NE(r.err.find(file + ": "), std::string::npos) << r.err;
    }
  }
}

}  // namespace
