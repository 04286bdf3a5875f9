#include "core/file_io.hpp"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace vorn::file_io {
namespace {

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vorn-file-io-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override { (void)std::system(("rm -rf '" + root_ + "'").c_str()); }

  std::vector<std::string> entries(const std::string& directory) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(directory.c_str())) {
      while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      ::closedir(dir);
    }
    return names;
  }

  std::string root_;
};

TEST(DirectoryPartTest, EverythingBeforeTheLastSlash) {
  EXPECT_EQ(directoryPart("out.wasm"), "");
  EXPECT_EQ(directoryPart("a/b/out.wasm"), "a/b");
  EXPECT_EQ(directoryPart("/out.wasm"), "/");
  EXPECT_EQ(directoryPart("a/b/"), "a");
  EXPECT_EQ(directoryPart("/abs/dir/x"), "/abs/dir");
}

TEST_F(FileIoTest, ReadsUpToTheLimitAndRefusesMore) {
  std::string path = root_ + "/f.vorn";
  std::ofstream(path) << std::string(100, 'x');
  auto exact = readFile(path, 100);
  ASSERT_TRUE(exact.has_value());
  EXPECT_EQ(exact->size(), 100u);
  auto over = readFile(path, 99);
  ASSERT_FALSE(over.has_value());
  EXPECT_EQ(over.error(), Error::FileTooBig);
  EXPECT_EQ(readFile(root_ + "/missing").error(), Error::FileNotFound);
  EXPECT_EQ(readFile(root_).error(), Error::IsDir);
}

TEST_F(FileIoTest, WritesCreateMissingDirectoriesAndLeaveNoTemporaries) {
  std::string path = root_ + "/one/two/out.bin";
  ASSERT_TRUE(writeFileAny(path, "first").has_value());
  ASSERT_TRUE(writeFileAny(path, "second").has_value());
  EXPECT_EQ(*readFile(path), "second");
  EXPECT_EQ(entries(root_ + "/one/two"), std::vector<std::string>{"out.bin"});
}

TEST_F(FileIoTest, FailedWriteLeavesTheOldFileAlone) {
  std::string path = root_ + "/keep.txt";
  ASSERT_TRUE(writeFileAny(path, "original").has_value());
  // A file where a directory is needed makes the write fail before anything is replaced.
  std::ofstream(root_ + "/blocker") << "x";
  auto failed = writeFileAny(root_ + "/blocker/out.txt", "new");
  ASSERT_FALSE(failed.has_value());
  EXPECT_EQ(failed.error(), Error::NotDir);
  EXPECT_EQ(*readFile(path), "original");

  // Writing onto a directory fails at the rename; the temporary file is removed.
  ::mkdir((root_ + "/dir").c_str(), 0777);
  ::mkdir((root_ + "/dir/target").c_str(), 0777);
  EXPECT_FALSE(writeFileAny(root_ + "/dir/target", "bytes").has_value());
  EXPECT_EQ(entries(root_ + "/dir"), std::vector<std::string>{"target"});
}

TEST_F(FileIoTest, CanonicalPathResolvesLinksAndDots) {
  std::ofstream(root_ + "/real.vorn") << "input a\n";
  ASSERT_EQ(::symlink((root_ + "/real.vorn").c_str(), (root_ + "/link.vorn").c_str()), 0);
  ::mkdir((root_ + "/sub").c_str(), 0777);
  auto direct = canonicalPath(root_ + "/real.vorn");
  auto through_link = canonicalPath(root_ + "/./sub/../link.vorn");
  ASSERT_TRUE(direct && through_link);
  EXPECT_EQ(*direct, *through_link);
  EXPECT_EQ(canonicalPath(root_ + "/nothing").error(), Error::FileNotFound);
}

}  // namespace
}  // namespace vorn::file_io
