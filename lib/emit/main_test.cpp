#include "emit/main.hpp"

#include <gtest/gtest.h>

#include <string>

#include "testing/golden_file.hpp"
#include "testing/module_builder.hpp"

namespace vorn::emit {
namespace {

using testing::ModuleBuilder;
using types::PrimitiveKind;

EmitOptions options(std::string_view source_name) {
  return EmitOptions{source_name, "2026-05-01T22:00:00Z", "vorn-compiler/dev"};
}

// input a, b; and g; an anonymous not; an unnamed wire; outputs s and 2x.
types::Module halfModule() {
  ModuleBuilder b;
  b.input("a");
  b.input("b");
  b.primitive(PrimitiveKind::and_gate, "g");
  b.primitive(PrimitiveKind::not_gate, "__anon_0");
  b.primitive(PrimitiveKind::wire, "");
  b.outputPin("s", 2);
  b.outputPin("2x", 4);
  b.connect(2, "a", 0);
  b.connect(2, "b", 1);
  b.connect(3, "in", 2);
  b.connect(4, "in", 3);
  b.connect(5, "in", 2);
  b.connect(6, "in", 4);
  return b.module();
}

// The generated Zig of the end-to-end cases, from their sources: a file
// without imports is compiled on its own, as resolving it gives it.
TEST(EmitModuleSource, GoldenCases) {
  struct Case {
    std::string_view source, source_name, expected;
  };
  for (const Case& c : {Case{"zig_single_keywords_anonymous/gates.vorn", "gates.vorn",
                             "zig_single_keywords_anonymous/expected_gates.zig"},
                        Case{"zig_single_quoted_source_name/src/in\"v.vorn", "in\"v.vorn",
                             "zig_single_quoted_source_name/expected_inverter.zig"}}) {
    auto text = emitModuleSource(testing::moduleFromSource(testing::goldenFile(c.source)), options(c.source_name));
    ASSERT_TRUE(text.has_value()) << c.source << ": " << errorName(text.error());
    EXPECT_EQ(*text, testing::goldenFile(c.expected)) << c.source;
  }
}

std::string goldenModuleTail() {
  return std::string(testing::zigRuntimeTail(testing::goldenFile("zig_single_keywords_anonymous/expected_gates.zig")));
}

TEST(EmitModuleSource, NamesNoSourceCanSpell) {
  // An unnamed wire and a name that starts with a digit.
  auto text = emitModuleSource(halfModule(), options("half.vorn"));
  ASSERT_TRUE(text.has_value()) << errorName(text.error());
  EXPECT_NE(text->find(R"(fn buildCircuit(circuit: *engine.Circuit) !struct {
    input_a: *engine.Component,
    input_b: *engine.Component,
    output_s: *engine.Component,
    output__2x: *engine.Component,
} {
    const comp_a_0 = try circuit.createComponent(.{ .input_pin_gate = .{} });
    const comp_b_1 = try circuit.createComponent(.{ .input_pin_gate = .{} });
    const comp_g_2 = try circuit.createComponent(.{ .and_gate = .{} });
    const comp___anon_0_3 = try circuit.createComponent(.{ .not_gate = .{} });
    const comp_4 = try circuit.createComponent(.{ .wire = .{} });
    const comp_s_5 = try circuit.createComponent(.{ .output_pin = .{} });
    const comp__2x_6 = try circuit.createComponent(.{ .output_pin = .{} });
    try circuit.connect(comp_a_0.port("out"), comp_g_2.port("a"));
    try circuit.connect(comp_b_1.port("out"), comp_g_2.port("b"));
    try circuit.connect(comp_g_2.port("out"), comp___anon_0_3.port("in"));
    try circuit.connect(comp___anon_0_3.port("out"), comp_4.port("in"));
    try circuit.connect(comp_g_2.port("out"), comp_s_5.port("in"));
    try circuit.connect(comp_4.port("out"), comp__2x_6.port("in"));
    return .{
        .input_a = comp_a_0,
        .input_b = comp_b_1,
        .output_s = comp_s_5,
        .output__2x = comp__2x_6,
    };
}
)"),
            std::string::npos)
      << *text;
  EXPECT_NE(text->find(R"(
    .{ .component_id = 3, .segments = &.{ "half.vorn", "__anon_0" } },
    .{ .component_id = 4, .segments = &.{ "half.vorn", "component_4" } },
    .{ .component_id = 5, .segments = &.{ "half.vorn", "s" } },
    .{ .component_id = 6, .segments = &.{ "half.vorn", "2x" } },
};
)"),
            std::string::npos);
  EXPECT_NE(text->find("const output_component_ids: []const u32 = &.{\n    2,\n    4,\n};\nvar gpa = "),
            std::string::npos);
  EXPECT_EQ(testing::zigRuntimeTail(*text), goldenModuleTail());
}

TEST(EmitModuleSource, EmptyModule) {
  types::Module empty;
  empty.components.push_back(types::Component{types::ComponentKind::makePrimitive(PrimitiveKind::led), "", {0}, {}});
  auto text = emitModuleSource(empty, options("e.vorn"));
  ASSERT_TRUE(text.has_value()) << errorName(text.error());
  EXPECT_NE(text->find(R"(fn buildCircuit(circuit: *engine.Circuit) !struct {
} {
    const comp_0 = try circuit.createComponent(.{ .led = .{} });
    return .{
    };
}
)"),
            std::string::npos)
      << *text;
  EXPECT_NE(text->find(R"(const expected_component_count: usize = 1;
const input_component_ids: []const u32 = &.{
};
const output_component_ids: []const u32 = &.{
};
)"),
            std::string::npos);
  EXPECT_EQ(testing::zigRuntimeTail(*text), goldenModuleTail());

  // Without any component the tables are empty and the count is 0.
  auto bare = emitModuleSource(types::Module{}, options("e.vorn"));
  ASSERT_TRUE(bare.has_value());
  EXPECT_NE(bare->find("const debug_paths: []const DebugPath = &.{\n};\n"), std::string::npos);
  EXPECT_NE(bare->find("const expected_component_count: usize = 0;\n"), std::string::npos);
  EXPECT_TRUE(bare->ends_with("    gpa.free(mutable[0..len]);\n}\n"));
}

TEST(EmitModuleSource, OutputsUseTheFirstOutputPinOfTheirName) {
  ModuleBuilder b;
  b.input("a");
  b.outputPin("o", 0);
  b.primitive(PrimitiveKind::output_pin, "o");  // a later duplicate is ignored
  auto text = emitModuleSource(b.module(), options("d.vorn"));
  ASSERT_TRUE(text.has_value());
  EXPECT_NE(text->find("        .output_o = comp_o_1,\n"), std::string::npos);
}

TEST(EmitModuleSource, ComponentIdsNeedNotBeDense) {
  // Ids are looked up, not used as indexes: the first component with an id wins.
  types::Module module;
  module.components.push_back({types::ComponentKind::makePrimitive(PrimitiveKind::input_pin), "a", {10}, {}});
  module.components.push_back({types::ComponentKind::makePrimitive(PrimitiveKind::wire), "w", {3}, {}});
  module.components.push_back({types::ComponentKind::makePrimitive(PrimitiveKind::wire), "v", {3}, {}});
  module.connections.push_back({{"out", {10}}, {"in", {3}}, {}});
  module.inputs.push_back({"a", {0}, {10}, {}});
  auto text = emitModuleSource(module, options("n.vorn"));
  ASSERT_TRUE(text.has_value()) << errorName(text.error());
  EXPECT_NE(text->find("    try circuit.connect(comp_a_10.port(\"out\"), comp_w_3.port(\"in\"));\n"),
            std::string::npos);
  EXPECT_NE(text->find("        .input_a = comp_a_10,\n"), std::string::npos);
}

TEST(EmitModuleSource, ReportsEveryFailureByName) {
  const auto failure = [](const types::Module& module) {
    auto text = emitModuleSource(module, options("f.vorn"));
    return text.has_value() ? std::string("ok") : std::string(errorName(text.error()));
  };
  {
    ModuleBuilder b;
    b.subCircuit("half", "h");
    EXPECT_EQ(failure(b.module()), "UnsupportedSubCircuitInPhase4");
  }
  {
    ModuleBuilder b;
    b.add(types::ComponentKind::makeUnresolvedName("xor"), "x");
    EXPECT_EQ(failure(b.module()), "UnresolvedComponentName");
  }
  {
    ModuleBuilder b;
    b.input("a");
    b.connect(0, "in", 5);
    EXPECT_EQ(failure(b.module()), "InvalidFromComponentId");
  }
  {
    ModuleBuilder b;
    b.input("a");
    b.connect(types::kUnresolvedId, "in", 0);
    EXPECT_EQ(failure(b.module()), "InvalidToComponentId");
  }
  {
    ModuleBuilder b;
    b.module().inputs.push_back({"ghost", {0}, {9}, {}});
    EXPECT_EQ(failure(b.module()), "InvalidInputComponentId");
  }
  {
    ModuleBuilder b;
    b.input("a");
    b.module().outputs.push_back({"missing", {"out", {0}}, {0}, {}});
    EXPECT_EQ(failure(b.module()), "MissingOutputComponent");
  }
  {
    // An unresolved driver is not an emission failure: validation owns it.
    ModuleBuilder b;
    b.outputPin("o", types::kUnresolvedId);
    auto text = emitModuleSource(b.module(), options("u.vorn"));
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("const output_component_ids: []const u32 = &.{\n    4294967295,\n};\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace vorn::emit
