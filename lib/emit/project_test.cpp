#include "emit/project.hpp"

#include <gtest/gtest.h>

#include <string>

#include "testing/golden_file.hpp"
#include "testing/module_builder.hpp"
#include "testing/project_from_files.hpp"

namespace vorn::project {
namespace {

using testing::ModuleBuilder;
using types::PrimitiveKind;

EmitOptions options(std::string_view source_name) {
  return EmitOptions{source_name, "2026-05-01T22:00:00Z", "vorn-compiler/dev"};
}

types::ResolvedImport edge(std::string_view alias, std::uint32_t from, std::uint32_t to) {
  return types::ResolvedImport{alias, types::FileId{from}, types::FileId{to}, {}};
}

// top (0) holds two instances of half (1), one named and one unnamed; half
// uses the xor macro (2), which uses the or macro (3); unused (4) is imported
// by no one.
types::Project twoHalves() {
  types::Project project;
  {
    ModuleBuilder b(0);
    b.input("x");
    b.input("y");
    b.subCircuit("half", "h1");
    b.subCircuit("half", "");
    b.primitive(PrimitiveKind::not_gate, "__anon_0");
    b.outputPin("s", 3, "sum");
    b.outputPin("c", 4);
    b.connect(2, "a", 0);
    b.connect(2, "b", 1);
    b.connect(3, "a", 2, "sum");
    b.connect(3, "b", 1);
    b.connect(4, "in", 3, "carry");
    b.connect(5, "in", 3, "sum");
    b.connect(6, "in", 4);
    project.files.push_back(b.module());
  }
  {
    ModuleBuilder b(1);
    b.input("a");
    b.input("b");
    b.subCircuit("xor", "x1");
    b.primitive(PrimitiveKind::and_gate, "g");
    b.outputPin("sum", 2);
    b.outputPin("carry", 3);
    b.connect(2, "a", 0);
    b.connect(2, "b", 1);
    b.connect(3, "a", 0);
    b.connect(3, "b", 1);
    b.connect(4, "in", 2);
    b.connect(5, "in", 3);
    project.files.push_back(b.module());
  }
  {
    ModuleBuilder b(2);
    b.input("a");
    b.input("b");
    b.subCircuit("or", "o");
    b.primitive(PrimitiveKind::and_gate, "n");
    b.primitive(PrimitiveKind::not_gate, "");
    b.primitive(PrimitiveKind::and_gate, "w");
    b.outputPin("out", 5);
    b.connect(2, "a", 0);
    b.connect(2, "b", 1);
    b.connect(3, "a", 0);
    b.connect(3, "b", 1);
    b.connect(4, "in", 3);
    b.connect(5, "a", 2);
    b.connect(5, "b", 4);
    b.connect(6, "in", 5);
    project.files.push_back(b.module());
  }
  {
    ModuleBuilder b(3);
    b.input("a");
    b.input("b");
    b.primitive(PrimitiveKind::not_gate, "na");
    b.primitive(PrimitiveKind::not_gate, "nb");
    b.primitive(PrimitiveKind::and_gate, "g");
    b.primitive(PrimitiveKind::not_gate, "ng");
    b.outputPin("out", 5);
    b.connect(2, "in", 0);
    b.connect(3, "in", 1);
    b.connect(4, "a", 2);
    b.connect(4, "b", 3);
    b.connect(5, "in", 4);
    b.connect(6, "in", 5);
    project.files.push_back(b.module());
  }
  {
    ModuleBuilder b(4);
    b.input("test");
    b.outputPin("r", 0);
    b.connect(1, "in", 0);
    project.files.push_back(b.module());
  }
  // The alias is looked up per importing file, and the first record wins.
  project.import_table = {edge("half", 3, 4), edge("half", 0, 1), edge("half", 0, 4), edge("xor", 1, 2),
                          edge("or", 2, 3)};
  project.file_paths = {"/p/top.vorn", "/p/half.vorn", "<builtin>/xor.vorn", "<builtin>/or.vorn", "/p/unused.vorn"};
  project.source_blobs.resize(5);
  return project;
}

// The debug paths of one half instance under `path`, from global id `base`.
std::string halfDebugPaths(const std::string& path, int base) {
  std::string out;
  const auto row = [&](int offset, const std::string& tail) {
    out += "    .{ .component_id = " + std::to_string(base + offset) + ", .segments = &.{ \"top.vorn\", " + path +
           tail + " } },\n";
  };
  row(0, ", \"a\"");
  row(1, ", \"b\"");
  row(2, ", \"x1\", \"a\"");
  row(3, ", \"x1\", \"b\"");
  row(4, ", \"x1\", \"o\", \"a\"");
  row(5, ", \"x1\", \"o\", \"b\"");
  row(6, ", \"x1\", \"o\", \"na\"");
  row(7, ", \"x1\", \"o\", \"nb\"");
  row(8, ", \"x1\", \"o\", \"g\"");
  row(9, ", \"x1\", \"o\", \"ng\"");
  row(10, ", \"x1\", \"o\", \"out\"");
  row(11, ", \"x1\", \"n\"");
  row(12, ", \"x1\", \"comp_4\"");
  row(13, ", \"x1\", \"w\"");
  row(14, ", \"x1\", \"out\"");
  row(15, ", \"g\"");
  row(16, ", \"sum\"");
  row(17, ", \"carry\"");
  return out;
}

// The generated Zig of the end-to-end case, from its files: the root, a half
// adder it imports twice, and the built-in gates that one uses.
TEST(EmitProjectSource, GoldenCase) {
  TextArena arena;
  auto project = testing::projectFromFiles(arena, testing::goldenPath("zig_project_full_adder/full_adder.vorn"));
  ASSERT_TRUE(project.has_value()) << project.error();
  auto text = emitProjectSource(*project, options("full_adder.vorn"));
  ASSERT_TRUE(text.has_value()) << errorName(text.error());
  EXPECT_EQ(*text, testing::goldenFile("zig_project_full_adder/expected_full_adder.zig"));
}

TEST(EmitProjectSource, ImportTableOrderUnusedFilesAndUnnamedInstances) {
  auto text = emitProjectSource(twoHalves(), options("top.vorn"));
  ASSERT_TRUE(text.has_value()) << errorName(text.error());
  // top's `half` is file 1, the first of its rows; both instances build it.
  EXPECT_NE(text->find(R"(    const inst_h1_2 = try buildFile_1(circuit);
    const inst_3 = try buildFile_1(circuit);
    const comp___anon_0_4 = try circuit.createComponent(.{ .not_gate = .{} });
)"),
            std::string::npos)
      << *text;
  EXPECT_NE(text->find("    try circuit.connect(inst_3.output_carry.port(\"out\"), comp___anon_0_4.port(\"in\"));\n"),
            std::string::npos);
  // A file no instance reaches is still built; a keyword port name gets `_`.
  EXPECT_NE(text->find(R"(
fn buildFile_4(circuit: *engine.Circuit) !struct {
    input_test_: *engine.Component,
    output_r: *engine.Component,
} {
    const comp_test__0 = try circuit.createComponent(.{ .input_pin_gate = .{} });
    const comp_r_1 = try circuit.createComponent(.{ .output_pin = .{} });
    try circuit.connect(comp_test__0.port("out"), comp_r_1.port("in"));
    return .{
        .input_test_ = comp_test__0,
        .output_r = comp_r_1,
    };
}
)"),
            std::string::npos);
  // The unnamed instance is known by its component id, in sub-circuits and paths.
  EXPECT_NE(text->find(R"(const sub_circuits: []const SubCircuit = &.{
    .{ .instance_path = &.{ "top.vorn", "h1" }, .target_file_id = 1 },
    .{ .instance_path = &.{ "top.vorn", "h1", "x1" }, .target_file_id = 2 },
    .{ .instance_path = &.{ "top.vorn", "h1", "x1", "o" }, .target_file_id = 3 },
    .{ .instance_path = &.{ "top.vorn", "anon_3" }, .target_file_id = 1 },
    .{ .instance_path = &.{ "top.vorn", "anon_3", "x1" }, .target_file_id = 2 },
    .{ .instance_path = &.{ "top.vorn", "anon_3", "x1", "o" }, .target_file_id = 3 },
};
)"),
            std::string::npos);
  const std::string debug_paths = R"(const debug_paths: []const DebugPath = &.{
    .{ .component_id = 0, .segments = &.{ "top.vorn", "x" } },
    .{ .component_id = 1, .segments = &.{ "top.vorn", "y" } },
)" + halfDebugPaths("\"h1\"", 2) + halfDebugPaths("\"anon_3\"", 20) +
                                  R"(    .{ .component_id = 38, .segments = &.{ "top.vorn", "__anon_0" } },
    .{ .component_id = 39, .segments = &.{ "top.vorn", "s" } },
    .{ .component_id = 40, .segments = &.{ "top.vorn", "c" } },
};
)";
  EXPECT_NE(text->find(debug_paths), std::string::npos);
  EXPECT_NE(text->find(R"(const expected_component_count: usize = 41;
const input_component_ids: []const u32 = &.{
    0,
    1,
};
const output_component_ids: []const u32 = &.{
    39,
    40,
};
var gpa = )"),
            std::string::npos);
  EXPECT_EQ(testing::zigRuntimeTail(*text),
            testing::zigRuntimeTail(testing::goldenFile("zig_project_full_adder/expected_full_adder.zig")));
}

TEST(ComputeLayout, NumbersPrimitivesDepthFirstWithTheirOrigin) {
  auto layout = computeLayout(twoHalves(), "top.vorn");
  ASSERT_TRUE(layout.has_value());
  EXPECT_EQ(layout->expected_count, 41u);
  ASSERT_EQ(layout->entries.size(), 41u);
  for (std::uint32_t i = 0; i < 41; ++i) EXPECT_EQ(layout->entries[i].global_id, i);
  // The unnamed not gate of the second xor: file 2, local id 4.
  const ComponentEntry& unnamed = layout->entries[32];
  EXPECT_EQ(unnamed.file_id, 2u);
  EXPECT_EQ(unnamed.local_id, 4u);
  EXPECT_EQ(unnamed.segments, (std::vector<std::string_view>{"top.vorn", "anon_3", "x1", "comp_4"}));
  EXPECT_EQ(layout->root_input_global_ids, (std::vector<std::uint32_t>{0, 1}));
  EXPECT_EQ(layout->root_output_global_ids, (std::vector<std::uint32_t>{39, 40}));
}

TEST(ProjectLookups, FirstMatchWins) {
  const types::Project project = twoHalves();
  EXPECT_EQ(lookupTargetFile(project.import_table, types::FileId{0}, "half"), std::optional<std::uint32_t>(1));
  EXPECT_EQ(lookupTargetFile(project.import_table, types::FileId{3}, "half"), std::optional<std::uint32_t>(4));
  EXPECT_EQ(lookupTargetFile(project.import_table, types::FileId{1}, "half"), std::nullopt);
  ModuleBuilder b;
  b.primitive(PrimitiveKind::wire, "o");
  b.primitive(PrimitiveKind::output_pin, "o");
  b.primitive(PrimitiveKind::output_pin, "o");
  EXPECT_EQ(findOutputPinComponent(b.module().components, "o")->value, 1u);
  EXPECT_FALSE(findOutputPinComponent(b.module().components, "p").has_value());
}

std::string failure(const types::Project& project) {
  auto text = emitProjectSource(project, options("f.vorn"));
  return text.has_value() ? std::string("ok") : std::string(errorName(text.error()));
}

TEST(EmitProjectSource, ReportsEveryFailureByName) {
  {
    types::Project project = twoHalves();
    project.import_table.erase(project.import_table.begin() + 3);  // xor
    EXPECT_EQ(failure(project), "UnresolvedSubCircuitTarget");
  }
  {
    // Even in a file that no instance reaches.
    types::Project project = twoHalves();
    project.files[4].components.push_back({types::ComponentKind::makeSubCircuitRef({"nowhere", {}}), "z", {2}, {}});
    EXPECT_EQ(failure(project), "UnresolvedSubCircuitTarget");
  }
  {
    types::Project project = twoHalves();
    project.files[3].components[2].kind = types::ComponentKind::makeUnresolvedName("nand");
    EXPECT_EQ(failure(project), "UnresolvedComponentName");
  }
  {
    types::Project project = twoHalves();
    project.files[0].inputs[1].component = types::ComponentId{2};  // an instance, not an input pin
    EXPECT_EQ(failure(project), "MissingRootInputId");
  }
  {
    types::Project project = twoHalves();
    project.files[0].outputs[0].name = "nothing";
    EXPECT_EQ(failure(project), "MissingRootOutputId");
  }
  {
    types::Project project = twoHalves();
    project.files[1].outputs[1].name = "nothing";
    EXPECT_EQ(failure(project), "MissingOutputComponent");
  }
  {
    types::Project project = twoHalves();
    project.files[2].connections[3].from.component = types::ComponentId{77};
    EXPECT_EQ(failure(project), "InvalidFromComponentId");
  }
  {
    types::Project project = twoHalves();
    project.files[2].connections[3].to.component = types::ComponentId{types::kUnresolvedId};
    EXPECT_EQ(failure(project), "InvalidToComponentId");
  }
  {
    types::Project project = twoHalves();
    project.files[4].inputs[0].component = types::ComponentId{9};
    EXPECT_EQ(failure(project), "InvalidInputComponentId");
  }
  {
    // A file that contains itself would expand forever.
    types::Project project = twoHalves();
    project.import_table.push_back(edge("again", 3, 1));
    project.files[3].components.push_back({types::ComponentKind::makeSubCircuitRef({"again", {}}), "", {7}, {}});
    EXPECT_EQ(failure(project), "CircuitTooLarge");
    // The layout alone refuses it too instead of expanding without end.
    EXPECT_EQ(computeLayout(project, "top.vorn").error(), Error::InternalError);
  }
}

TEST(EmitProjectSource, DeepNestingIsWalkedWithoutRecursion) {
  // file i instantiates file i+1; the last one holds a single wire. Every
  // path repeats its whole prefix, so the text grows with the square of the depth.
  constexpr std::uint32_t kDepth = 3000;
  types::Project project;
  for (std::uint32_t i = 0; i < kDepth; ++i) {
    ModuleBuilder b(i);
    if (i + 1 < kDepth) {
      b.subCircuit("next", "n");
      project.import_table.push_back(edge("next", i, i + 1));
    } else {
      b.primitive(PrimitiveKind::wire, "w");
    }
    project.files.push_back(b.module());
  }
  auto layout = computeLayout(project, "deep.vorn");
  ASSERT_TRUE(layout.has_value());
  ASSERT_EQ(layout->entries.size(), 1u);
  EXPECT_EQ(layout->entries[0].segments.size(), kDepth + 1);
  EXPECT_EQ(layout->entries[0].file_id, kDepth - 1);
  ASSERT_EQ(layout->sub_circuits.size(), kDepth - 1);
  EXPECT_EQ(layout->sub_circuits.back().instance_path.size(), kDepth);

  auto text = emitProjectSource(project, options("deep.vorn"));
  ASSERT_TRUE(text.has_value());
  EXPECT_NE(text->find("    const inst_n_0 = try buildFile_2999(circuit);\n"), std::string::npos);
}

TEST(EmitProjectSource, ManyComponents) {
  // 10^5 unnamed gates in a chain plus 10^4 instances of a small file.
  types::Project project;
  ModuleBuilder root(0);
  root.input("a");
  for (std::uint32_t i = 0; i < 100000; ++i) {
    const std::uint32_t id = root.primitive(PrimitiveKind::not_gate, "");
    root.connect(id, "in", id == 1 ? 0 : id - 1);
  }
  for (std::uint32_t i = 0; i < 10000; ++i) {
    const std::uint32_t id = root.subCircuit("leaf", "");
    root.connect(id, "p", 0);
  }
  root.outputPin("o", 100000);
  project.files.push_back(root.module());
  ModuleBuilder leaf(1);
  leaf.input("p");
  leaf.primitive(PrimitiveKind::led, "l");
  leaf.connect(1, "in", 0);
  project.files.push_back(leaf.module());
  project.import_table.push_back(edge("leaf", 0, 1));

  // Whole-process timing uses the inputs of bench/generate_inputs.sh; this keeps the large case correct.
  auto text = emitProjectSource(project, options("big.vorn"));
  ASSERT_TRUE(text.has_value()) << errorName(text.error());
  EXPECT_NE(text->find("const expected_component_count: usize = 120002;\n"), std::string::npos);
  EXPECT_NE(text->find("    .{ .component_id = 120001, .segments = &.{ \"big.vorn\", \"o\" } },\n"), std::string::npos);
}

}  // namespace
}  // namespace vorn::project
