#include "resolver/scan_imports.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "resolver/import_cycle.hpp"
#include "testing/temp_tree.hpp"

namespace vorn::scan_imports {
namespace {

using diagnostics::DiagnosticCode;

constexpr std::string_view kBuiltinPaths[] = {"<builtin>/or.vorn", "<builtin>/nand.vorn", "<builtin>/nor.vorn",
                                              "<builtin>/xor.vorn", "<builtin>/xnor.vorn"};

std::vector<std::string> explicitEdges(const ScanResult& result) {
  std::vector<std::string> edges;
  for (const ResolvedImport& record : result.import_table) {
    if (record.implicit_builtin) continue;
    edges.push_back(std::to_string(record.importing_file) + ":" + std::string(record.alias) + "->" +
                    std::to_string(record.target_file));
  }
  return edges;
}

TEST(ScanImports, EveryFileGetsTheImplicitMacrosAndTheirLoopsAreNoCycle) {
  testing::TempTree tree;
  std::string root = tree.write("top.vorn", "input a\noutput q(in=a)\n");
  TextArena arena;
  auto result = scanProjectImports(arena, root);
  ASSERT_TRUE(result.has_value());
  EXPECT_TRUE(result->diagnostics.empty());
  ASSERT_EQ(result->file_paths.size(), 6u);
  EXPECT_EQ(result->file_paths[0], root);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(result->file_paths[i + 1], kBuiltinPaths[i]);

  // The root's five, then four per macro file (never itself), in macro order.
  ASSERT_EQ(result->import_table.size(), 25u);
  for (std::size_t i = 0; i < 5; ++i) {
    const ResolvedImport& record = result->import_table[i];
    EXPECT_TRUE(record.implicit_builtin);
    EXPECT_EQ(record.importing_file, 0u);
    EXPECT_EQ(record.target_file, i + 1);
    EXPECT_EQ(record.span, (diagnostics::Span{0, 1, 1, 1, 1}));
  }
  const ResolvedImport& from_nor = result->import_table[5 + 4 + 4];  // nor (file 3): or, nand, xor, xnor
  EXPECT_EQ(from_nor.importing_file, 3u);
  EXPECT_EQ(from_nor.alias, "or");
  EXPECT_EQ(result->import_table[5 + 4 + 4 + 2].target_file, 4u);
  EXPECT_EQ(result->import_table[5 + 4 + 4 + 2].span.file_id, 3u);

  auto cycles = import_cycle::analyzeImports(result->file_paths, result->import_table);
  ASSERT_TRUE(cycles.has_value());
  EXPECT_TRUE(cycles->diagnostics.empty());
  EXPECT_EQ(cycles->topo_order, (std::vector<std::uint32_t>{5, 4, 3, 2, 1, 0}));
}

TEST(ScanImports, ChecksEveryImportOfAFileInSourceOrder) {
  testing::TempTree tree;
  tree.write("lib/a.vorn", "input a\n");
  tree.write("lib/b.vorn", "input b\n");
  std::string root = tree.write("top.vorn",
                                "import wire \"lib/a.vorn\"\n"           // 1: reserved alias
                                "import lib \"lib/a.vorn\"\n"            // 2
                                "import lib \"lib/b.vorn\"\n"            // 3: duplicate of 2
                                "import gone \"missing.vorn\"\n"         // 4: not found
                                "import xor \"lib/a.vorn\"\n"            // 5: macro name, user file
                                "import nand \"<builtin>/nand.vorn\"\n"  // 6: the macro itself
                                "import b2 \"./lib/../lib//b.vorn\"\n"   // 7
                                "import gone \"lib/b.vorn\"\n"           // 8: alias of a rejected import
                                "import input \"missing.vorn\"\n"        // 9: reserved beats not found
                                "input a\n");
  TextArena arena;
  auto result = scanProjectImports(arena, root);
  ASSERT_TRUE(result.has_value());

  std::vector<std::string> lines;
  for (const diagnostics::Diagnostic& found : result->diagnostics) {
    EXPECT_EQ(found.level, diagnostics::DiagnosticLevel::err);
    std::string line = std::to_string(found.span.start_line) + " " + std::string(diagnostics::codeName(found.code)) +
                       " " + found.message;
    for (const diagnostics::DiagnosticNote& note : found.notes) {
      line += " | " + std::to_string(note.span.start_line) + " " + note.message;
    }
    lines.push_back(line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "1 E011 import alias collision 'wire'",
                       "3 E011 import alias collision 'lib' | 2 first import alias declared here",
                       "4 E009 import not found 'missing.vorn'",
                       "5 E011 import alias collision 'xor' | 5 this alias refers to built-in macros; the import path "
                       "must resolve to `<builtin>/<name>.vorn` matching the compiler",
                       "9 E011 import alias collision 'input'",
                   }));
  // The span is the whole declaration.
  EXPECT_EQ(result->diagnostics[0].span, (diagnostics::Span{0, 1, 1, 1, 25}));

  // Targets in order of discovery; b.vorn is found through a second spelling.
  ASSERT_GE(result->file_paths.size(), 4u);
  EXPECT_EQ(result->file_paths[1], tree.path("lib/a.vorn"));
  EXPECT_EQ(result->file_paths[2], "<builtin>/nand.vorn");
  EXPECT_EQ(result->file_paths[3], tree.path("lib/b.vorn"));
  EXPECT_EQ(explicitEdges(*result), (std::vector<std::string>{"0:lib->1", "0:nand->2", "0:b2->3", "0:gone->3"}));

  // The explicit nand replaces the implicit one; the rejected xor does not.
  std::vector<std::string_view> implicit_aliases;
  for (const ResolvedImport& record : result->import_table) {
    if (record.implicit_builtin && record.importing_file == 0) implicit_aliases.push_back(record.alias);
  }
  EXPECT_EQ(implicit_aliases, (std::vector<std::string_view>{"or", "nor", "xor", "xnor"}));
}

TEST(ScanImports, LoadsEachFileOnceAndNumbersThemBreadthFirst) {
  testing::TempTree tree;
  tree.write("c.vorn", "input c\n");
  tree.write("a/a.vorn", "import c \"../c.vorn\"\ninput a\n");
  tree.write("b.vorn", "import c1 \"c.vorn\"\nimport c2 \"link/c.vorn\"\ninput b\n");
  tree.symlink(tree.root(), "link");
  std::string root = tree.write("top.vorn", "import a \"a/a.vorn\"\nimport b \"b.vorn\"\ninput t\n");
  TextArena arena;
  auto result = scanProjectImports(arena, root);
  ASSERT_TRUE(result.has_value());
  EXPECT_TRUE(result->diagnostics.empty());
  // root, its imports, its macros, then what a and b discover.
  ASSERT_EQ(result->file_paths.size(), 9u);
  EXPECT_EQ(result->file_paths[1], tree.path("a/a.vorn"));
  EXPECT_EQ(result->file_paths[2], tree.path("b.vorn"));
  EXPECT_EQ(result->file_paths[3], "<builtin>/or.vorn");
  EXPECT_EQ(result->file_paths[8], tree.path("c.vorn"));
  EXPECT_EQ(explicitEdges(*result), (std::vector<std::string>{"0:a->1", "0:b->2", "1:c->8", "2:c1->8", "2:c2->8"}));
}

TEST(ScanImports, ThousandsOfFilesInChainsAndDiamondsAreLoadedOnce) {
  testing::TempTree tree;
  constexpr int kFiles = 1000;
  // File i imports i+1 (a long chain) and 2i+1, 2i+2 (a tree whose
  // subtrees share every node with the chain: diamonds everywhere).
  for (int i = 0; i < kFiles; ++i) {
    std::string text;
    const int targets[] = {i + 1, 2 * i + 1, 2 * i + 2};
    for (int k = 0; k < 3; ++k) {
      if (targets[k] >= kFiles) continue;
      text += "import m" + std::to_string(k) + " \"f" + std::to_string(targets[k]) + ".vorn\"\n";
    }
    text += "input x\n";
    tree.write("f" + std::to_string(i) + ".vorn", text);
  }
  TextArena arena;
  auto result = scanProjectImports(arena, tree.path("f0.vorn"));
  ASSERT_TRUE(result.has_value());
  EXPECT_TRUE(result->diagnostics.empty());
  ASSERT_EQ(result->file_paths.size(), static_cast<std::size_t>(kFiles) + 5);
  std::set<std::string_view> distinct(result->file_paths.begin(), result->file_paths.end());
  EXPECT_EQ(distinct.size(), result->file_paths.size());

  auto cycles = import_cycle::analyzeImports(result->file_paths, result->import_table);
  ASSERT_TRUE(cycles.has_value());
  EXPECT_TRUE(cycles->diagnostics.empty());
  ASSERT_EQ(cycles->topo_order.size(), result->file_paths.size());
  // Every file comes after every file it imports.
  std::vector<std::size_t> position(result->file_paths.size());
  for (std::size_t i = 0; i < cycles->topo_order.size(); ++i) position[cycles->topo_order[i]] = i;
  for (const ResolvedImport& record : result->import_table) {
    if (record.implicit_builtin) continue;
    EXPECT_LT(position[record.target_file], position[record.importing_file]);
  }
}

TEST(ScanImports, CyclesBetweenRealFilesNameTheirCanonicalPaths) {
  testing::TempTree tree;
  std::string a = tree.write("a.vorn", "import b \"sub/b.vorn\"\ninput a\n");
  std::string b = tree.write("sub/b.vorn", "input b\nimport a \"../a.vorn\"\nimport me \"b.vorn\"\n");
  TextArena arena;
  auto result = scanProjectImports(arena, tree.root() + "/sub/.././a.vorn");
  ASSERT_TRUE(result.has_value());
  auto cycles = import_cycle::analyzeImports(result->file_paths, result->import_table);
  ASSERT_TRUE(cycles.has_value());
  ASSERT_EQ(cycles->diagnostics.size(), 2u);
  EXPECT_EQ(cycles->diagnostics[0].message, "import cycle detected: " + a + " -> " + b);
  EXPECT_EQ(cycles->diagnostics[0].span, (diagnostics::Span{1, 2, 1, 2, 21}));
  EXPECT_EQ(cycles->diagnostics[1].message, "import cycle detected: " + b);
  EXPECT_EQ(cycles->diagnostics[1].notes[0].message, "cycle member: " + b);
}

TEST(ScanImports, FilesThatDoNotTranslateAreSkippedSilently) {
  testing::TempTree tree;
  tree.write("broken.vorn", "%%%\nimport x \"missing.vorn\"\n");
  tree.write("comment.vorn", "// nothing else\n");
  std::string root = tree.write("top.vorn", "import b \"broken.vorn\"\nimport c \"comment.vorn\"\n");
  TextArena arena;
  auto result = scanProjectImports(arena, root);
  ASSERT_TRUE(result.has_value());
  EXPECT_TRUE(result->diagnostics.empty());
  for (const ResolvedImport& record : result->import_table) {
    EXPECT_NE(record.importing_file, 1u);
    EXPECT_NE(record.importing_file, 2u);
  }
}

TEST(ScanImports, UnloadableTargetsStopTheScanWithTheirError) {
  testing::TempTree tree;
  tree.mkdir("dir");
  tree.write("big.vorn", "");
  ASSERT_EQ(::truncate(tree.path("big.vorn").c_str(), 16 * 1024 * 1024 + 1), 0);
  tree.symlink(tree.path("loop2"), "loop1");
  tree.symlink(tree.path("loop1"), "loop2");
  tree.symlink(tree.path("nowhere.vorn"), "dangling.vorn");
  tree.write("plain.vorn", "input p\n");
  ASSERT_EQ(::mkfifo(tree.path("pipe.vorn").c_str(), 0600), 0);
  struct Case {
    std::string import_path;
    std::optional<Error> error;  // absent: a diagnostic instead
  };
  const Case cases[] = {
      {"dir", Error::IsDir},
      {".", Error::IsDir},
      {"..", Error::IsDir},
      {"", Error::IsDir},
      {"dir/", Error::IsDir},
      {"big.vorn", Error::FileTooBig},
      {"loop1", Error::SymLinkLoop},
      {"plain.vorn/x.vorn", Error::NotDir},
      {"<builtin>/and.vorn", Error::BuiltinNotFound},
      {"pipe.vorn", Error::NotRegularFile},
      {"dangling.vorn", std::nullopt},
  };
  for (const Case& test : cases) {
    std::string root = tree.write("top.vorn", "import m \"" + test.import_path + "\"\ninput a\n");
    TextArena arena;
    auto result = scanProjectImports(arena, root);
    if (test.error) {
      ASSERT_FALSE(result.has_value()) << test.import_path;
      EXPECT_EQ(result.error(), *test.error) << test.import_path;
    } else {
      ASSERT_TRUE(result.has_value()) << test.import_path;
      ASSERT_EQ(result->diagnostics.size(), 1u);
      EXPECT_EQ(result->diagnostics[0].message, "import not found '" + test.import_path + "'");
    }
  }
  TextArena arena;
  auto missing_root = scanProjectImports(arena, tree.path("absent.vorn"));
  ASSERT_FALSE(missing_root.has_value());
  EXPECT_EQ(missing_root.error(), Error::FileNotFound);
}

TEST(ScanImports, RootIsAlwaysTheFileOnDisk) {
  testing::TempTree tree;
  std::string shadow = tree.write("<builtin>/xor.vorn", "input mine\n");
  testing::ScopedChdir chdir(tree.root());
  TextArena arena;
  auto result = scanProjectImports(arena, "<builtin>/xor.vorn");
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->file_paths[0], shadow);
  EXPECT_EQ(result->file_paths.size(), 6u);  // so it imports all five macros
}

}  // namespace
}  // namespace vorn::scan_imports

namespace vorn::scan_imports {
namespace {

TEST(ScanImports, DisplayPathsFollowTheImportsFromTheRootAsTyped) {
  testing::TempTree tree;
  tree.write("c.vorn", "input c\n");
  tree.write("d.vorn", "input d\n");
  tree.write("a/a.vorn", "import c \"../c.vorn\"\ninput a\n");
  tree.write("b.vorn", "import c \"link/./c.vorn\"\nimport d \"" + tree.path("x/../d.vorn") +
                           "\"\nimport x \"<builtin>/xor.vorn\"\ninput b\n");
  tree.symlink(tree.root(), "link");
  tree.write("top.vorn", "import a \"a/a.vorn\"\nimport b \"b.vorn\"\ninput t\n");
  testing::ScopedChdir inside(tree.root());
  TextArena arena;
  auto result = scanProjectImports(arena, "./top.vorn");
  ASSERT_TRUE(result.has_value());
  ASSERT_EQ(result->display_paths.size(), result->file_paths.size());
  ASSERT_EQ(result->file_paths.size(), 10u);
  // The root as given; every other file joined from its first importer's
  // display path, without canonicalising; macros by their virtual paths.
  EXPECT_EQ(result->display_paths[0], "./top.vorn");
  EXPECT_EQ(result->display_paths[1], "a/a.vorn");
  EXPECT_EQ(result->display_paths[2], "b.vorn");
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(result->display_paths[i + 3], kBuiltinPaths[i]);
  EXPECT_EQ(result->file_paths[8], tree.path("c.vorn"));
  EXPECT_EQ(result->display_paths[8], "c.vorn");  // first reached from a/a.vorn, not through the link
  EXPECT_EQ(result->display_paths[9], tree.path("d.vorn"));
}

}  // namespace
}  // namespace vorn::scan_imports
