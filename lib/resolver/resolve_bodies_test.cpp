#include "resolver/resolve_bodies.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "resolver/builtins.hpp"
#include "ir/resolver.hpp"
#include "resolver/import_cycle.hpp"
#include "testing/temp_tree.hpp"

namespace vorn::resolve_bodies {
namespace {

struct Pipeline {
  scan_imports::ScanResult scan;
  import_cycle::AnalyzeResult cycles;
};

Pipeline scanAndOrder(TextArena& arena, const std::string& root) {
  auto scan = scan_imports::scanProjectImports(arena, root);
  EXPECT_TRUE(scan.has_value());
  auto cycles = import_cycle::analyzeImports(scan->file_paths, scan->import_table);
  EXPECT_TRUE(cycles.has_value());
  return Pipeline{std::move(*scan), std::move(*cycles)};
}

TEST(ResolveBodies, BindsMacrosThroughImplicitImports) {
  testing::TempTree tree;
  std::string root = tree.write("top.vorn",
                                "import half \"half.vorn\"\n"
                                "input a, b\n"
                                "xor g(a=a, b=b)\n"
                                "half h(x=g)\n"
                                "mystery m(in=a)\n"
                                "output q(in=h.s)\n");
  tree.write("half.vorn", "input x\noutput s(in=x)\n");
  TextArena arena;
  Pipeline pipeline = scanAndOrder(arena, root);
  auto project = resolveBodies(arena, pipeline.scan.file_paths, pipeline.scan.import_table, pipeline.cycles.topo_order);
  ASSERT_TRUE(project.has_value());

  ASSERT_EQ(project->files.size(), 7u);
  for (std::uint32_t i = 0; i < project->files.size(); ++i) EXPECT_EQ(project->files[i].file_id.value, i);
  EXPECT_EQ(project->root_file_id.value, 0u);
  EXPECT_EQ(project->file_paths[0], root);
  EXPECT_EQ(project->source_blobs[5], builtins::table()[3].source);  // xor is file 5
  EXPECT_EQ(project->import_table.size(), pipeline.scan.import_table.size());

  const types::Module& top = project->files[0];
  const types::Component& g = top.components[2];
  ASSERT_TRUE(g.kind.isSubCircuitRef());
  EXPECT_EQ(g.kind.sub_circuit_ref.name, "xor");
  EXPECT_EQ(g.kind.sub_circuit_ref.span, g.span);  // the component's own span
  const types::Component& h = top.components[3];
  ASSERT_TRUE(h.kind.isSubCircuitRef());
  EXPECT_EQ(h.kind.sub_circuit_ref.span.end_col, 5u);  // the type name only
  EXPECT_TRUE(top.components[4].kind.isUnresolvedName());

  // Explicit imports as written, then the implicit ones in macro order.
  ASSERT_EQ(top.imports.size(), 6u);
  EXPECT_EQ(top.imports[0].path, "half.vorn");
  EXPECT_FALSE(top.imports[0].implicit_builtin);
  for (std::size_t i = 1; i < 6; ++i) {
    EXPECT_TRUE(top.imports[i].implicit_builtin);
    EXPECT_EQ(top.imports[i].path, builtins::virtualPath(static_cast<builtins::Name>(i - 1)));
    EXPECT_EQ(top.imports[i].span, (types::Span{0, 1, 1, 1, 1}));
  }

  // Inside the macros, nor's "or" and xor's "or"/"nand" bind the same way.
  const types::Module& nor = project->files[4];
  ASSERT_TRUE(nor.components[2].kind.isSubCircuitRef());
  EXPECT_EQ(nor.components[2].kind.sub_circuit_ref.name, "or");
  EXPECT_EQ(nor.imports.size(), 4u);
}

TEST(ResolveBodies, FailsWhenAFileIsMissingFromTheOrderOrFromDisk) {
  testing::TempTree tree;
  std::string root = tree.write("top.vorn", "import s \"sub.vorn\"\ninput a\n");
  std::string sub = tree.write("sub.vorn", "input b\n");
  TextArena arena;
  Pipeline pipeline = scanAndOrder(arena, root);

  std::vector<std::uint32_t> partial(pipeline.cycles.topo_order.begin(), pipeline.cycles.topo_order.end() - 1);
  auto missing = resolveBodies(arena, pipeline.scan.file_paths, pipeline.scan.import_table, partial);
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error(), Error::MissingResolvedModule);

  std::filesystem::remove(sub);
  auto vanished =
      resolveBodies(arena, pipeline.scan.file_paths, pipeline.scan.import_table, pipeline.cycles.topo_order);
  ASSERT_FALSE(vanished.has_value());
  EXPECT_EQ(vanished.error(), Error::FileNotFound);

  tree.write("sub.vorn", "%%%\n");
  auto broken = resolveBodies(arena, pipeline.scan.file_paths, pipeline.scan.import_table, pipeline.cycles.topo_order);
  ASSERT_FALSE(broken.has_value());
  EXPECT_EQ(broken.error(), Error::ParsingFailed);
}

// The driver hands over the root it has already parsed and resolved. The
// stages must then work from it alone: the text on disk here says otherwise.
TEST(ResolveBodies, TakesOverTheRootTheCallerAlreadyResolved) {
  testing::TempTree tree;
  std::string root = tree.write("top.vorn", "input a\noutput q(in=a)\n");
  tree.write("half.vorn", "input x\noutput s(in=x)\n");
  TextArena arena;
  std::string_view source =
      arena.store("import half \"half.vorn\"\ninput a\nhalf h(x=a)\nxor g(a=a, b=h.s)\noutput q(in=g)\n");
  auto file = translate::parseSource(arena, source, 0);
  ASSERT_TRUE(file.has_value());
  auto module = resolver::resolve(*file, 0);
  ASSERT_TRUE(module.has_value());

  auto scan = scan_imports::scanProjectImports(arena, root, &*file);
  ASSERT_TRUE(scan.has_value());
  ASSERT_EQ(scan->file_paths.size(), 7u);  // the root, half.vorn and the five macros
  EXPECT_TRUE(scan->file_paths[1].ends_with("/half.vorn"));
  auto cycles = import_cycle::analyzeImports(scan->file_paths, scan->import_table);
  ASSERT_TRUE(cycles.has_value());

  ResolvedRoot given{source, std::move(*module)};
  auto project = resolveBodies(arena, scan->file_paths, scan->import_table, cycles->topo_order, nullptr, &given);
  ASSERT_TRUE(project.has_value());
  EXPECT_EQ(project->source_blobs[0].data(), source.data());
  const types::Module& top = project->files[0];
  ASSERT_EQ(top.components.size(), 4u);
  // Bound like any file: the alias and the macro become sub-circuits.
  EXPECT_TRUE(top.components[1].kind.isSubCircuitRef());
  EXPECT_TRUE(top.components[2].kind.isSubCircuitRef());
  EXPECT_EQ(top.imports.size(), 6u);
  EXPECT_EQ(project->files[1].inputs.size(), 1u);
}

}  // namespace
}  // namespace vorn::resolve_bodies
