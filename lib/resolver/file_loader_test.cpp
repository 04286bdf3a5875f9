#include "resolver/file_loader.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_io.hpp"
#include "testing/temp_tree.hpp"

namespace vorn::file_loader {
namespace {

TEST(FileLoader, LoadsRealFilesUnderTheirCanonicalPath) {
  testing::TempTree tree;
  std::string file = tree.write("src/top.vorn", "input a\n");
  tree.symlink(tree.path("src"), "alias");
  TextArena arena;
  for (std::string via : {file, tree.path("alias/top.vorn"), tree.path("src/./../src//top.vorn")}) {
    auto loaded = loadFile(arena, via);
    ASSERT_TRUE(loaded.has_value()) << via;
    EXPECT_EQ(loaded->absolute_path, file);
    EXPECT_EQ(loaded->source, "input a\n");
  }
  testing::ScopedChdir chdir(tree.path("src"));
  auto relative = loadFile(arena, "top.vorn");
  ASSERT_TRUE(relative.has_value());
  EXPECT_EQ(relative->absolute_path, file);
}

TEST(FileLoader, DropsOneLeadingByteOrderMark) {
  testing::TempTree tree;
  const std::string mark = "\xEF\xBB\xBF";
  std::string once = tree.write("once.vorn", mark + "input a\n");
  std::string twice = tree.write("twice.vorn", mark + mark + "input a\n");
  std::string inside = tree.write("inside.vorn", "input a\n" + mark);
  TextArena arena;
  EXPECT_EQ(loadFile(arena, once)->source, "input a\n");
  EXPECT_EQ(loadFile(arena, twice)->source, mark + "input a\n");
  EXPECT_EQ(loadFile(arena, inside)->source, "input a\n" + mark);
  EXPECT_EQ(loadFileOwned(once, true)->source, mark + "input a\n");
  EXPECT_EQ(withoutByteOrderMark(mark), "");
  EXPECT_EQ(withoutByteOrderMark("\xEF\xBB"), "\xEF\xBB");
}

TEST(FileLoader, ReportsFileSystemFailuresByName) {
  testing::TempTree tree;
  tree.mkdir("dir");
  tree.write("plain.vorn", "input a\n");
  tree.symlink(tree.path("loop_b"), "loop_a");
  tree.symlink(tree.path("loop_a"), "loop_b");
  TextArena arena;
  auto expectError = [&](const std::string& path, Error expected) {
    auto loaded = loadFile(arena, path);
    ASSERT_FALSE(loaded.has_value()) << path;
    EXPECT_EQ(loaded.error(), expected) << path;
  };
  expectError(tree.path("missing.vorn"), Error::FileNotFound);
  expectError(tree.path("dangling"), Error::FileNotFound);
  expectError("", Error::FileNotFound);
  expectError(tree.path("dir"), Error::IsDir);
  expectError(tree.path("loop_a"), Error::SymLinkLoop);
  expectError(tree.path("plain.vorn/inner.vorn"), Error::NotDir);
  // Opening a pipe without a writer would block forever.
  ASSERT_EQ(::mkfifo(tree.path("pipe.vorn").c_str(), 0600), 0);
  expectError(tree.path("pipe.vorn"), Error::NotRegularFile);
  expectError("/dev/null", Error::NotRegularFile);
  // A NUL byte would cut the path short at the C library and open plain.vorn.
  expectError(tree.path("plain.vorn") + std::string("\0x", 2), Error::FileNotFound);
}

TEST(FileLoader, ReadsUpToSixteenMebibytes) {
  testing::TempTree tree;
  auto sized = [&](std::string_view name, off_t size) {
    std::string path = tree.write(name, "");
    EXPECT_EQ(::truncate(path.c_str(), size), 0);
    return path;
  };
  TextArena arena;
  auto exact = loadFile(arena, sized("exact.vorn", 16 * 1024 * 1024));
  ASSERT_TRUE(exact.has_value());
  EXPECT_EQ(exact->source.size(), 16u * 1024 * 1024);
  auto over = loadFile(arena, sized("over.vorn", 16 * 1024 * 1024 + 1));
  ASSERT_FALSE(over.has_value());
  EXPECT_EQ(over.error(), Error::FileTooBig);
}

TEST(FileLoader, NormalisesPathsLexically) {
  EXPECT_EQ(normalizeLexically("/p/src/../lib/half.vorn"), "/p/lib/half.vorn");
  EXPECT_EQ(normalizeLexically("/p//src/./x.vorn"), "/p/src/x.vorn");
  EXPECT_EQ(normalizeLexically("/../../x"), "/x");
  EXPECT_EQ(normalizeLexically("./../a/../../b"), "../../b");
  EXPECT_EQ(normalizeLexically("a/b/.."), "a");
  EXPECT_EQ(normalizeLexically("a/.."), ".");
  EXPECT_EQ(normalizeLexically("/"), "/");
  EXPECT_EQ(normalizeLexically("/a/b/"), "/a/b");
}

TEST(FileLoader, ResolvesImportsFromTheImportingFilesDirectory) {
  testing::TempTree tree;
  std::string half = tree.write("p/lib/half.vorn", "input a\n");
  std::string top = tree.write("p/src/top.vorn", "input a\n");
  tree.write("p/src/lib/half.vorn", "input decoy\n");
  TextArena arena;
  auto resolved = resolveImportPath(arena, top, "../lib/half.vorn");
  ASSERT_TRUE(resolved.has_value());
  EXPECT_EQ(*resolved, half);

  // An absolute import replaces the directory.
  auto absolute = resolveImportPath(arena, top, half);
  ASSERT_TRUE(absolute.has_value());
  EXPECT_EQ(*absolute, half);

  // Lexical folding happens before the link is followed: "link/.." is the
  // directory holding the link, not the parent of its target.
  tree.symlink(tree.path("p/lib"), "p/src/link");
  auto through_link = resolveImportPath(arena, top, "link/half.vorn");
  ASSERT_TRUE(through_link.has_value());
  EXPECT_EQ(*through_link, half);
  auto folded = resolveImportPath(arena, top, "link/../top.vorn");
  ASSERT_TRUE(folded.has_value());
  EXPECT_EQ(*folded, top);

  // An importing path without a directory is relative to the current one.
  testing::ScopedChdir chdir(tree.path("p/src"));
  auto bare = resolveImportPath(arena, "top.vorn", "../lib/half.vorn");
  ASSERT_TRUE(bare.has_value());
  EXPECT_EQ(*bare, half);

  auto builtin = resolveImportPath(arena, top, "<builtin>/whatever");
  ASSERT_TRUE(builtin.has_value());
  EXPECT_EQ(*builtin, "<builtin>/whatever");

  auto missing = resolveImportPath(arena, top, "nothing.vorn");
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error(), Error::FileNotFound);
  auto with_nul = resolveImportPath(arena, top, std::string_view("top.vorn\0junk", 13));
  ASSERT_FALSE(with_nul.has_value());
  EXPECT_EQ(with_nul.error(), Error::FileNotFound);
}

// An editor's buffers stand in for files while a guard is alive: on disk
// or not yet saved, reached directly or through a symbolic link or an import.
TEST(FileLoader, OpenBuffersWinOverTheDiskWhileTheirGuardLives) {
  testing::TempTree tree;
  std::string saved = tree.write("lib/half.vorn", "input a\n");
  tree.symlink(tree.path("lib"), "alias");
  const std::string unsaved = tree.path("lib/new.vorn");
  std::string calls;
  SourceOverlay overlay = [&](std::string_view path) -> std::optional<std::string_view> {
    calls += std::string(path) + ";";
    if (path == saved) return std::string_view("input edited\n");
    if (path == unsaved) return std::string_view("input fresh\n");
    return std::nullopt;
  };
  TextArena arena;
  {
    ScopedSourceOverlay guard(overlay);
    for (const std::string& via : {saved, tree.path("alias/half.vorn")}) {
      auto loaded = loadFile(arena, via);
      ASSERT_TRUE(loaded.has_value()) << via;
      EXPECT_EQ(loaded->absolute_path, saved);
      EXPECT_EQ(loaded->source, "input edited\n");
    }
    auto imported = resolveImportPath(arena, tree.path("top.vorn"), "lib/../lib/new.vorn");
    ASSERT_TRUE(imported.has_value());
    EXPECT_EQ(*imported, unsaved);
    auto fresh = loadFile(arena, *imported);
    ASSERT_TRUE(fresh.has_value());
    EXPECT_EQ(fresh->source, "input fresh\n");
    // Files that are neither open nor on disk stay missing.
    auto missing = resolveImportPath(arena, tree.path("top.vorn"), "lib/other.vorn");
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error(), Error::FileNotFound);
    // Built-in macros never ask.
    calls.clear();
    ASSERT_TRUE(loadFile(arena, "<builtin>/xor.vorn").has_value());
    EXPECT_EQ(calls, "");
  }
  auto after = loadFile(arena, saved);
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->source, "input a\n");
  EXPECT_FALSE(loadFile(arena, unsaved).has_value());
}

}  // namespace
}  // namespace vorn::file_loader
