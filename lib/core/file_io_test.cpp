#include "core/file_io.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

namespace vorn::file_io {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vorn-file-io-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string path(const std::string& name) const { return (dir / name).string(); }
  static std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
  }

  fs::path dir;
};

TEST_F(FileIoTest, ReplacesRegularFilesAndCreatesDirectories) {
  ASSERT_TRUE(writeFileAny(path("a/b/out.wasm"), "first"));
  EXPECT_EQ(contents(path("a/b/out.wasm")), "first");
  ASSERT_TRUE(writeFileAny(path("a/b/out.wasm"), "second, longer"));
  EXPECT_EQ(contents(path("a/b/out.wasm")), "second, longer");
  // No temporary file is left beside the target.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "a/b"), fs::directory_iterator()), 1);
}

TEST_F(FileIoTest, SpecialFilesAreWrittenInPlace) {
  // A rename would put a regular file where the pipe was (or, for
  // "-o /dev/null" run as root, where the device was). A pipe in the scratch
  // directory shows the difference without touching /dev.
  const std::string pipe = path("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  // The read end is open first, so the write cannot block.
  int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  auto written = writeFileAny(pipe, "through the pipe");
  char buffer[64] = {};
  ssize_t got = ::read(reader, buffer, sizeof buffer);
  ::close(reader);
  ASSERT_TRUE(written);
  EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "through the pipe");
  struct stat info {};
  ASSERT_EQ(::lstat(pipe.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(entries(), 1u);
}

TEST_F(FileIoTest, SymbolicLinksSurviveAndDirectoriesAreRefused) {
  ASSERT_TRUE(writeFileAny(path("real/target.zig"), "old"));
  fs::create_symlink(dir / "real/target.zig", dir / "link.zig");
  ASSERT_TRUE(writeFileAny(path("link.zig"), "new"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.zig"));
  EXPECT_EQ(contents(path("real/target.zig")), "new");

  fs::create_symlink(dir / "made-through-link.zig", dir / "dangling.zig");
  ASSERT_TRUE(writeFileAny(path("dangling.zig"), "created"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.zig"));
  EXPECT_EQ(contents(path("made-through-link.zig")), "created");

  fs::create_directory(dir / "folder");
  for (const std::string& target : {path("folder"), path("folder/"), dir.string()}) {
    auto written = writeFileAny(target, "x");
    ASSERT_FALSE(written) << target;
    EXPECT_EQ(written.error(), Error::IsDir) << target;
  }
  EXPECT_TRUE(fs::is_empty(dir / "folder"));
  EXPECT_EQ(entries(), 5u);  // real, folder, two links and the file made through one
}

TEST_F(FileIoTest, ReadsAreBoundedEvenWithoutAKnownSize) {
  std::string text(1000, 'x');
  ASSERT_TRUE(writeFileAny(path("src.vorn"), text));
  auto exact = readFile(path("src.vorn"), 1000);
  ASSERT_TRUE(exact);
  EXPECT_EQ(*exact, text);
  auto over = readFile(path("src.vorn"), 999);
  ASSERT_FALSE(over);
  EXPECT_EQ(over.error(), Error::FileTooBig);
  // An endless device ends at the limit instead of filling memory.
  auto endless = readFile("/dev/zero", 4096);
  ASSERT_FALSE(endless);
  EXPECT_EQ(endless.error(), Error::FileTooBig);
  auto directory = readFile(dir.string());
  ASSERT_FALSE(directory);
  EXPECT_EQ(directory.error(), Error::IsDir);
}

}  // namespace
}  // namespace vorn::file_io
