#include "platform/system/file_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace brevia::platform;

class FileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("brevia-store-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    saveVariable("HOME", savedHome, hadHome);
    saveVariable("XDG_DATA_HOME", savedData, hadData);
  }
  void TearDown() override {
    restoreVariable("HOME", savedHome, hadHome);
    restoreVariable("XDG_DATA_HOME", savedData, hadData);
    std::error_code ignored;
    fs::permissions(root, fs::perms::owner_all, ignored);
    fs::remove_all(root, ignored);
  }
  static void saveVariable(const char* name, std::string& value, bool& had) {
    const char* v = std::getenv(name);
    had = v != nullptr;
    if (v) value = v;
  }
  static void restoreVariable(const char* name, const std::string& value, bool had) {
    if (had)
      ::setenv(name, value.c_str(), 1);
    else
      ::unsetenv(name);
  }
  static std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  fs::path root;
  std::string savedHome, savedData;
  bool hadHome = false, hadData = false;
};

TEST_F(FileStoreTest, FilesFoldersAndSortedBoundedSubfolders) {
  std::ofstream(root / "plain") << "x";
  fs::create_directories(root / "c");
  fs::create_directories(root / "a");
  fs::create_directories(root / "b");
  EXPECT_TRUE(isReadableFile((root / "plain").string()));
  EXPECT_FALSE(isReadableFile((root / "a").string()));  // a folder is not a file
  EXPECT_FALSE(isReadableFile((root / "missing").string()));
  EXPECT_TRUE(isDirectory(root.string()));
  EXPECT_FALSE(isDirectory((root / "plain").string()));

  const std::vector<std::string> all = subfolders(root.string(), 10);
  ASSERT_EQ(all.size(), 3u);  // the plain file is not listed
  EXPECT_EQ(all[0], (root / "a").string());
  EXPECT_EQ(all[2], (root / "c").string());
  EXPECT_EQ(subfolders(root.string(), 2).size(), 2u);
  EXPECT_TRUE(subfolders((root / "missing").string(), 10).empty());
}

TEST_F(FileStoreTest, UserDataPathFollowsTheEnvironment) {
  ::setenv("XDG_DATA_HOME", "/data/home//", 1);
  EXPECT_EQ(userDataPath("Maker/Files"), "/data/home/Maker/Files");
  ::setenv("XDG_DATA_HOME", "/", 1);
  EXPECT_EQ(userDataPath("Maker/Files"), "/Maker/Files");
  // A relative data home is ignored in favour of the home folder.
  ::setenv("XDG_DATA_HOME", "relative", 1);
  ::setenv("HOME", "/home/someone/", 1);
  EXPECT_EQ(homeFolder(), "/home/someone/");
  EXPECT_EQ(userDataPath("Maker/Files"), "/home/someone/.local/share/Maker/Files");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(userDataPath("x"), "/home/someone/.local/share/x");
  EXPECT_EQ(withoutTrailingSlashes("/"), "/");
  EXPECT_EQ(withoutTrailingSlashes("/a//"), "/a");
}

TEST_F(FileStoreTest, AtomicWriteStoresWholeFilesOnly) {
  const std::string folder = (root / "deep" / "store").string();
  ASSERT_TRUE(createFolders(folder));
  EXPECT_TRUE(createFolders(folder));  // an existing folder is fine

  const std::string body("first\0second", 12);
  const std::string path = writeFileAtomically(folder, "Name-1", body);
  ASSERT_EQ(path, folder + "/Name-1");
  EXPECT_EQ(contents(path), body);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);

  // A second write replaces the file, and no temporary file stays behind.
  EXPECT_EQ(writeFileAtomically(folder, "Name-1", "new"), path);
  EXPECT_EQ(contents(path), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  EXPECT_EQ(writeFileAtomically(folder, "empty", ""), folder + "/empty");
  EXPECT_EQ(contents(folder + "/empty"), "");
}

TEST_F(FileStoreTest, AtomicWriteRefusesPathsAndMissingFolders) {
  const std::string folder = root.string();
  EXPECT_EQ(writeFileAtomically(folder, "../escape", "x"), "");
  EXPECT_EQ(writeFileAtomically(folder, "a/b", "x"), "");
  EXPECT_EQ(writeFileAtomically(folder, "..", "x"), "");
  EXPECT_EQ(writeFileAtomically(folder, "", "x"), "");
  EXPECT_EQ(writeFileAtomically("", "name", "x"), "");
  EXPECT_EQ(writeFileAtomically(folder + "/missing", "name", "x"), "");
  EXPECT_FALSE(fs::exists(root.parent_path() / "escape"));
  if (::geteuid() != 0) {  // root writes into read-only folders anyway
    fs::permissions(root, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(writeFileAtomically(folder, "name", "x"), "");
    EXPECT_FALSE(createFolders(folder + "/sub"));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 0);
}

}  // namespace
