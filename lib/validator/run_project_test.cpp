#include "validator/run_project.hpp"

#include <gtest/gtest.h>

#include "testing/module_builder.hpp"
#include "validator/passes/sub_circuit_validation.hpp"
#include "testing/diagnostic_lines.hpp"

namespace vorn {
namespace {

using testing::ModuleBuilder;
using testing_render::render;
using Lines = std::vector<std::string>;

types::ResolvedImport edge(std::string_view alias, std::uint32_t from, std::uint32_t to) {
  return types::ResolvedImport{alias, types::FileId{from}, types::FileId{to}, testing::lineSpan(1, from)};
}

// A two-input, one-or-more-output file, clean under the module checks.
types::Module gateFile(std::uint32_t file_id, std::vector<std::string_view> outputs) {
  ModuleBuilder b(file_id);
  auto a = b.input("a");
  auto in_b = b.input("b");
  auto g = b.andGate("g");
  b.connect(g, "a", a);
  b.connect(g, "b", in_b);
  for (std::string_view name : outputs) b.output(name, g);
  return b.take();
}

TEST(ProjectValidation, SubCircuitPortsAndPinsFileByFile) {
  types::Project project;
  ModuleBuilder root(0);
  auto x = root.input("x");                // 1
  auto h = root.subCircuit("half", "h");   // 2
  auto l = root.led("l");                  // 3
  auto xo = root.subCircuit("xor", "xo");  // 4
  root.subCircuit("ghost", "nowhere");     // 5: no import of that alias, skipped
  root.connect(h, "a", x);                 // 1000
  root.connect(h, "zz", x);                // 1001: not an input of half
  root.connect(l, "in", h, "q");           // 1002: not an output of half
  root.connect(xo, "a", x);                // 1003
  root.connect(xo, "b", x);                // 1004
  root.connect(90, "in", h, "s");          // 1005: reads s; the destination is not there
  root.import("half", "half.vorn");
  root.import("xor", "<builtin>/xor.vorn", true);
  project.files.push_back(root.take());

  // File 1 has an unused input, so its module diagnostics follow the root's.
  ModuleBuilder half(1);
  auto a = half.input("a");
  half.input("b");
  auto w = half.wire("w");
  half.connect(w, "in", a);
  half.output("s", w);
  half.output("c", w);
  project.files.push_back(half.take());
  project.files.push_back(gateFile(2, {"out"}));
  project.import_table = {edge("half", 0, 1), edge("xor", 0, 2), edge("half", 0, 2)};
  project.file_paths = {"root.vorn", "half.vorn", "<builtin>/xor.vorn"};

  auto result = run_project::run(project);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(render(*result), (Lines{
                                 "1001:1 E012 sub-circuit 'half' has no input port 'zz'",
                                 "1002:1 E012 sub-circuit 'half' has no output port 'q'",
                                 "2:1 E013 sub-circuit 'half' is missing required input 'b'",
                                 "2:1 W002 output 'c' of sub-circuit 'half' is never read",
                                 "4:1 W002 output 'out' of sub-circuit 'xor' is never read",
                                 "2:1 W001 input 'b' is declared but never used",
                             }));
  // Diagnostics keep the file of their span.
  EXPECT_EQ(result->back().span.file_id, 1u);
}

TEST(ProjectValidation, ModuleChecksComeBeforeSubCircuitChecksInEachFile) {
  types::Project project;
  ModuleBuilder root(0);
  auto u = root.subCircuit("lib", "u");
  root.unresolved("nope", "v");
  root.connect(1, "x", u);
  project.files.push_back(root.take());
  ModuleBuilder lib(1);
  auto a = lib.input("a");
  lib.output("out", a);
  lib.output("dangling", testing::kUnresolved);
  project.files.push_back(lib.take());
  project.import_table = {edge("lib", 0, 1)};
  auto result = run_project::run(project);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(render(*result), (Lines{
                                 "2:1 E001 undeclared name 'nope'",
                                 "1:1 E013 sub-circuit 'lib' is missing required input 'a'",
                                 "1:1 W002 output 'dangling' of sub-circuit 'lib' is never read",
                                 "3:1 E004 required input 'in' is unconnected",
                                 "3:1 E007 output 'dangling' has no assigned driver",
                             }));
}

TEST(ProjectValidation, TargetsOutsideTheProjectAndUnknownAliasesAreSkipped) {
  types::Project project;
  ModuleBuilder root(0);
  root.subCircuit("far", "f");
  root.subCircuit("other", "o");
  project.files.push_back(root.take());
  project.files.push_back(gateFile(1, {"out"}));
  // "other" is imported by file 1, not by the root.
  project.import_table = {edge("far", 0, 7), edge("other", 1, 1)};
  auto result = run_project::run(project);
  ASSERT_TRUE(result.has_value());
  EXPECT_TRUE(result->empty()) << render(*result)[0];
}

TEST(ProjectValidation, CleanProjectAndPinsWithAllConnections) {
  types::Project project;
  ModuleBuilder root(0);
  auto p = root.input("p");
  auto q = root.input("q");
  auto h = root.subCircuit("adder", "h");
  root.connect(h, "a", p);
  root.connect(h, "b", q);
  root.output("sum", h, "s");
  root.output("carry", h, "c");
  root.import("adder", "adder.vorn");
  project.files.push_back(root.take());
  project.files.push_back(gateFile(1, {"s", "c"}));
  project.import_table = {edge("adder", 0, 1)};
  auto result = run_project::run(project);
  ASSERT_TRUE(result.has_value());
  EXPECT_TRUE(result->empty());

  // The same module checked on its own against the same project.
  std::vector<diagnostics::Diagnostic> list;
  sub_circuit_validation::runForModule(project, project.files[0], list);
  EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace vorn
