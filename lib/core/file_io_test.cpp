#include "core/file_io.hpp"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "testing/temp_tree.hpp"

namespace vorn::file_io {
namespace {

class FileIoTest : public ::testing::Test {
 protected:
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

  vorn::testing::TempTree tree_;
  const std::string root_ = tree_.root();
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

  // Writing onto a directory fails and leaves no temporary file.
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

TEST_F(FileIoTest, SpecialFilesAreWrittenInPlace) {
  // A rename would put a regular file where the pipe was (or, for
  // "-o /dev/null" run as root, where the device was). A pipe in the scratch
  // directory shows the difference without touching /dev.
  const std::string pipe = root_ + "/pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  // The read end is open first, so the write cannot block.
  int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  auto written = writeFileAny(pipe, "through the pipe");
  char buffer[64] = {};
  ssize_t got = ::read(reader, buffer, sizeof buffer);
  ::close(reader);
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "through the pipe");
  struct stat info {};
  ASSERT_EQ(::lstat(pipe.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(entries(root_), std::vector<std::string>{"pipe"});
}

TEST_F(FileIoTest, SymbolicLinksSurviveAndDirectoriesAreRefused) {
  ASSERT_TRUE(writeFileAny(root_ + "/real/target.zig", "old").has_value());
  ASSERT_EQ(::symlink((root_ + "/real/target.zig").c_str(), (root_ + "/link.zig").c_str()), 0);
  ASSERT_TRUE(writeFileAny(root_ + "/link.zig", "new").has_value());
  struct stat info {};
  ASSERT_EQ(::lstat((root_ + "/link.zig").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(*readFile(root_ + "/real/target.zig"), "new");

  // A dangling link is written through: its target is created.
  ASSERT_EQ(::symlink((root_ + "/made.zig").c_str(), (root_ + "/dangling.zig").c_str()), 0);
  ASSERT_TRUE(writeFileAny(root_ + "/dangling.zig", "created").has_value());
  EXPECT_EQ(*readFile(root_ + "/made.zig"), "created");

  ::mkdir((root_ + "/folder").c_str(), 0777);
  for (const std::string& target : {root_ + "/folder", root_ + "/folder/", root_}) {
    auto written = writeFileAny(target, "x");
    ASSERT_FALSE(written.has_value()) << target;
    EXPECT_EQ(written.error(), Error::IsDir) << target;
  }
  EXPECT_TRUE(entries(root_ + "/folder").empty());
}

TEST_F(FileIoTest, ReplacedFilesKeepTheirPermissionBits) {
  for (mode_t mode : {0600, 0640, 0755, 0444}) {
    const std::string path = root_ + "/mode" + std::to_string(mode);
    ASSERT_TRUE(writeFileAny(path, "old").has_value());
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(writeFileAny(path, "new").has_value()) << mode;
    EXPECT_EQ(*readFile(path), "new");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, mode);
  }
}

TEST_F(FileIoTest, IdentityIsTheSameForEveryNameOfAFile) {
  const std::string real = root_ + "/real.vorn";
  std::ofstream(real) << "input a\n";
  std::ofstream(root_ + "/other.vorn") << "input a\n";
  ASSERT_EQ(::symlink(real.c_str(), (root_ + "/soft.vorn").c_str()), 0);
  ASSERT_EQ(::link(real.c_str(), (root_ + "/hard.vorn").c_str()), 0);
  auto identity = fileIdentity(real);
  ASSERT_TRUE(identity.has_value());
  for (const std::string& name : {root_ + "/soft.vorn", root_ + "/hard.vorn", root_ + "/./x/../real.vorn"}) {
    ::mkdir((root_ + "/x").c_str(), 0777);
    EXPECT_EQ(fileIdentity(name), identity) << name;
  }
  EXPECT_NE(fileIdentity(root_ + "/other.vorn"), identity);
  EXPECT_FALSE(fileIdentity(root_ + "/missing.vorn").has_value());
}

TEST_F(FileIoTest, EndlessDevicesStopAtTheLimit) {
  auto endless = readFile("/dev/zero", 4096);
  ASSERT_FALSE(endless.has_value());
  EXPECT_EQ(endless.error(), Error::FileTooBig);
}

}  // namespace
}  // namespace vorn::file_io
