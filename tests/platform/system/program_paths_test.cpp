#include "platform/system/program_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using brevia::platform::dataDirectories;
using brevia::platform::findDataFile;
using brevia::platform::programDirectory;

TEST(ProgramPaths, ProgramDirectoryHoldsThisProgram) {
  std::string folder = programDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), '/');
  EXPECT_NE(folder.back(), '/');
  EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / "system_tests"));
}

TEST(ProgramPaths, DataFolderOfAnInstalledBuildFollowsTheProgramFolder) {
  std::vector<std::string> folders = dataDirectories();
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_EQ(folders[0], programDirectory());
  EXPECT_EQ(folders[1], fs::path(programDirectory()).parent_path().string() + "/share/brevia");
}

TEST(ProgramPaths, FindsPlainFileNamesOnly) {
  fs::path first = fs::temp_directory_path() / ("brevia-paths-a-" + std::to_string(::getpid()));
  fs::path second = fs::temp_directory_path() / ("brevia-paths-b-" + std::to_string(::getpid()));
  fs::create_directories(first);
  fs::create_directories(second / "sub");
  std::ofstream(second / "ZAPFDING.TTF") << "x";
  std::ofstream(second / "sub" / "inner") << "x";
  std::vector<std::string> folders{first.string(), second.string()};

  EXPECT_EQ(findDataFile("ZAPFDING.TTF", folders), (second / "ZAPFDING.TTF").string());
  EXPECT_EQ(findDataFile("sub", folders), "");  // a folder is no file
  EXPECT_EQ(findDataFile("sub/inner", folders), "");
  EXPECT_EQ(findDataFile("..", folders), "");
  EXPECT_EQ(findDataFile("", folders), "");
  EXPECT_EQ(findDataFile("missing", folders), "");

  fs::remove_all(first);
  fs::remove_all(second);
}

}  // namespace
