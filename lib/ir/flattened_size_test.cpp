#include "ir/flattened_size.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/module_builder.hpp"

namespace vorn::flattened_size {
namespace {

// A project whose file i holds `primitives[i]` gates and one instance per
// alias in `instances[i]`; alias "f<j>" imports file j.
types::Project makeProject(const std::vector<int>& primitives, const std::vector<std::vector<int>>& instances) {
  types::Project project;
  for (std::size_t f = 0; f < primitives.size(); ++f) {
    const auto file = static_cast<std::uint32_t>(f);
    testing::ModuleBuilder module(file);
    for (int p = 0; p < primitives[f]; ++p) module.notGate("");
    for (int target : instances[f]) {
      const std::string alias = "f" + std::to_string(target);
      module.subCircuit(alias, "");
      testing::addImport(project, alias, file, static_cast<std::uint32_t>(target));
    }
    project.files.push_back(module.take());
  }
  return project;
}

TEST(FlattenedSizeTest, CountsPrimitivesAndEnclosingFrames) {
  // Root: 2 gates and two instances of file 1 (3 gates).
  auto flat = measure(makeProject({2, 3}, {{1, 1}, {}}));
  EXPECT_EQ(flat.components, 8u);
  EXPECT_EQ(flat.frames, 6u);

  // Root -> A (1 gate) -> B (2 gates): B's gates sit two instances deep.
  auto nested = measure(makeProject({0, 1, 2}, {{1}, {2}, {}}));
  EXPECT_EQ(nested.components, 3u);
  EXPECT_EQ(nested.frames, 5u);
}

TEST(FlattenedSizeTest, DoublingChainsAreRefused) {
  // File i instantiates file i + 1 twice: 2^40 gates from a few files.
  std::vector<int> primitives(41, 0);
  std::vector<std::vector<int>> instances(41);
  primitives[40] = 1;
  for (int i = 0; i < 40; ++i) instances[i] = {i + 1, i + 1};
  types::Project project = makeProject(primitives, instances);
  EXPECT_EQ(measure(project).components, std::uint64_t{1} << 40);
  EXPECT_FALSE(fitsLimits(project));

  // Sixteen levels (65,536 gates, each sixteen instances deep) are accepted;
  // at twenty the million gates carry twenty million frames.
  for (int depth : {16, 20}) {
    primitives.assign(depth + 1, 0);
    primitives[depth] = 1;
    instances.assign(depth + 1, {});
    for (int i = 0; i < depth; ++i) instances[i] = {i + 1, i + 1};
    EXPECT_EQ(fitsLimits(makeProject(primitives, instances)), depth == 16);
  }
}

TEST(FlattenedSizeTest, SelfContainingFilesAreEndlessAndUnknownAliasesIgnored) {
  EXPECT_FALSE(fitsLimits(makeProject({1, 1}, {{1}, {0}})));
  types::Project unknown = makeProject({1, 1}, {{1}, {}});
  unknown.import_table.clear();
  EXPECT_EQ(measure(unknown).components, 1u);
}

}  // namespace
}  // namespace vorn::flattened_size
