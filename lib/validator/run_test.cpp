#include "validator/run.hpp"

#include <gtest/gtest.h>

#include <string>

#include "validator/passes/multi_driver.hpp"
#include "validator/passes/name_collision.hpp"
#include "validator/passes/port_validation.hpp"
#include "validator/passes/required_input.hpp"
#include "validator/testing/module_builder.hpp"
#include "validator/testing/render.hpp"

namespace vorn {
namespace {

using module_builder::kUnresolved;
using module_builder::ModuleBuilder;
using testing_render::render;
using Lines = std::vector<std::string>;

template <typename Pass>
Lines runPass(Pass pass, const types::Module& module) {
  std::vector<diagnostics::Diagnostic> list;
  pass(module, list);
  return render(list);
}

Lines runAll(const types::Module& module) {
  auto result = run::run(module);
  EXPECT_TRUE(result.has_value());
  return render(*result);
}

TEST(ModuleValidation, EmptyModuleIsClean) {
  types::Module module;
  EXPECT_TRUE(runAll(module).empty());
}

TEST(ModuleValidation, EveryModulePassInItsFixedOrder) {
  ModuleBuilder b;
  auto a = b.input("a");                 // 1: never used
  auto in_b = b.input("b");              // 2
  auto u = b.unresolved("xr", "u");      // 3: undeclared type
  auto w = b.wire("wire");               // 4: shadows a primitive
  auto l = b.led("b");                   // 5: duplicate of input b
  auto g = b.andGate("g");               // 6: port b unconnected
  b.connect(in_b, g, "a");               // 1000
  b.connect(in_b, g, "c");               // 1001: no such port
  b.connect(u, g, "a");                  // 1002: second driver of g.a
  b.connect(w, l, "in");                 // 1003
  b.connect(l, w, "in");                 // 1004: wire and led form a loop
  b.output("q", kUnresolved);            // 7
  b.import("lib", "lib.vorn");           // 5000: never instantiated
  b.import("xor", "<builtin>/xor.vorn", true);
  (void)a;
  auto result = run::run(b.module());
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(render(*result), (Lines{
      "3:1 E001 undeclared name 'xr'",
      "4:1 E006 instance name 'wire' shadows built-in",
      "5:1 E005 duplicate instance name 'b' | 2:1 first declared as 'b' here",
      "1001:1 E002 unknown input port 'c'",
      "1000:1 E003 multiple drivers for input port 'a' | 1000:1 driver from component 1.out"
      " | 1002:1 driver from component 2.out",
      "6:1 E004 required input 'b' is unconnected",
      "7:1 E004 required input 'in' is unconnected",
      "7:1 E007 output 'q' has no assigned driver",
      "4:1 E008 combinational loop detected | 4:1 cycle includes component 3 | 5:1 cycle includes component 4",
      "1:1 W001 input 'a' is declared but never used",
      "5000:1 W003 import 'lib' is declared but never instantiated",
  }));
  auto counts = diagnostics::countDiagnostics(*result);
  EXPECT_EQ(counts.errors, 9u);
  EXPECT_EQ(counts.warnings, 2u);
  for (const auto& diagnostic : *result) {
    bool is_warning = diagnostics::codeName(diagnostic.code)[0] == 'W';
    EXPECT_EQ(diagnostic.level, is_warning ? diagnostics::DiagnosticLevel::warning : diagnostics::DiagnosticLevel::err);
  }
}

TEST(ModuleValidation, UnresolvedSignalsShowAsUnconnectedInputsAndUnassignedOutputs) {
  // not n(in=missing); output q(in=missing)
  ModuleBuilder b;
  auto n = b.notGate("n");
  b.output("q", kUnresolved);
  b.output("r", n);
  EXPECT_EQ(runAll(b.module()), (Lines{
      "1:1 E004 required input 'in' is unconnected",
      "2:1 E004 required input 'in' is unconnected",
      "2:1 E007 output 'q' has no assigned driver",
  }));
}

TEST(NameCollision, BuiltinNamesAndRepeatsPointAtTheFirstDeclaration) {
  ModuleBuilder b;
  b.input("a");        // 1
  b.input("wire");     // 2: shadows
  b.notGate("a");      // 3: duplicate of 1
  b.notGate("xor");    // 4: macro names are allowed
  b.led("a");          // 5: third use, still points at 1
  b.notGate("not");    // 6: shadows
  b.notGate("not");    // 7: shadows and repeats 6
  b.notGate("");       // 8: unnamed, skipped
  b.notGate("");       // 9
  b.notGate("input_pin");
  EXPECT_EQ(runPass(name_collision::run, b.module()), (Lines{
      "2:1 E006 instance name 'wire' shadows built-in",
      "3:1 E005 duplicate instance name 'a' | 1:1 first declared as 'a' here",
      "5:1 E005 duplicate instance name 'a' | 1:1 first declared as 'a' here",
      "6:1 E006 instance name 'not' shadows built-in",
      "7:1 E006 instance name 'not' shadows built-in",
      "7:1 E005 duplicate instance name 'not' | 6:1 first declared as 'not' here",
      "10:1 E006 instance name 'input_pin' shadows built-in",
  }));
}

TEST(PortValidation, InputSideFirstAndMissingDestinationsSkipped) {
  ModuleBuilder b;
  auto x = b.input("x");
  auto g = b.andGate("g");
  auto n = b.notGate("n");
  auto s = b.subCircuit("half", "h");
  auto u = b.unresolved("zz", "u");
  b.connect(x, g, "a");                                // 1000 fine
  b.connect(x, g, "c");                                // 1001 bad input
  b.connect(x, "foo", n, "in");                        // 1002 bad output
  b.connect(x, "foo", types::ComponentId{99}, "in");   // 1003 skipped entirely
  b.connect(types::ComponentId{77}, "foo", n, "in");   // 1004 source missing
  b.connect(x, "bar", g, "zz");                        // 1005 both sides
  b.connect(s, "any", u, "thing");                     // 1006 not primitives
  b.connect(u, "q", s, "p");                           // 1007
  b.connect(n, "out", x, "in");                        // 1008 input pins take nothing
  EXPECT_EQ(runPass(port_validation::run, b.module()), (Lines{
      "1001:1 E002 unknown input port 'c'",
      "1002:1 E002 unknown output port 'foo'",
      "1005:1 E002 unknown input port 'zz'",
      "1005:1 E002 unknown output port 'bar'",
      "1008:1 E002 unknown input port 'in'",
  }));
}

TEST(PortValidation, IdsThatAreNotDenseFindTheFirstComponentWithTheId) {
  types::Module module;
  auto makeComponent = [](types::PrimitiveKind kind, std::uint32_t id, std::uint32_t line) {
    return types::Component{types::ComponentKind::makePrimitive(kind), "c", types::ComponentId{id},
                            module_builder::lineSpan(line)};
  };
  module.components.push_back(makeComponent(types::PrimitiveKind::input_pin, 3, 1));
  module.components.push_back(makeComponent(types::PrimitiveKind::wire, 7, 2));
  module.components.push_back(makeComponent(types::PrimitiveKind::and_gate, 7, 3));
  module.connections.push_back(types::Connection{{"out", types::ComponentId{3}}, {"a", types::ComponentId{7}},
                                                 module_builder::lineSpan(10)});
  module.connections.push_back(types::Connection{{"out", types::ComponentId{3}}, {"in", types::ComponentId{0}},
                                                 module_builder::lineSpan(11)});
  EXPECT_EQ(runPass(port_validation::run, module), (Lines{"10:1 E002 unknown input port 'a'"}));
}

TEST(MultiDriver, EachPortOnceAtItsFirstDriverListingAllDrivers) {
  ModuleBuilder b;
  auto w0 = b.wire("w0");
  auto w1 = b.wire("w1");
  auto w2 = b.wire("w2");
  auto w3 = b.wire("w3");
  auto g = b.andGate("g");
  auto n = b.notGate("n");
  // Port names from separate buffers: equality is by bytes.
  std::string a1 = "a", a2 = "a", in1 = "in", in2 = "in";
  b.connect(w0, g, a1);    // 1000
  b.connect(w1, g, "b");   // 1001: single driver
  b.connect(w2, g, a2);    // 1002
  b.connect(w3, n, in1);   // 1003
  b.connect(w1, "x", g, "a");  // 1004
  b.connect(w2, n, in2);   // 1005
  b.connect(w0, w1, "a");  // 1006: same port name, other component
  EXPECT_EQ(runPass(multi_driver::run, b.module()), (Lines{
      "1000:1 E003 multiple drivers for input port 'a' | 1000:1 driver from component 0.out"
      " | 1002:1 driver from component 2.out | 1004:1 driver from component 1.x",
      "1003:1 E003 multiple drivers for input port 'in' | 1003:1 driver from component 3.out"
      " | 1005:1 driver from component 2.out",
  }));
}

TEST(RequiredInput, TableOrderPerComponentAndOnlyExactPorts) {
  ModuleBuilder b;
  auto x = b.input("x");
  auto g = b.andGate("g");
  auto h = b.andGate("h");
  auto w = b.wire("w");
  b.led("l");
  b.subCircuit("half", "s");
  b.unresolved("zz", "u");
  b.connect(x, h, "c");
  b.connect(x, h, "A");
  b.connect(x, h, "b");
  b.connect(x, w, "in");
  (void)g;
  EXPECT_EQ(runPass(required_input::run, b.module()), (Lines{
      "2:1 E004 required input 'a' is unconnected",
      "2:1 E004 required input 'b' is unconnected",
      "3:1 E004 required input 'a' is unconnected",
      "5:1 E004 required input 'in' is unconnected",
  }));
}

TEST(DeadCodeAndImports, WarningsForUnusedInputsAndExplicitImports) {
  ModuleBuilder b;
  auto a = b.input("a");
  b.input("b");
  auto c = b.input("c");
  auto h = b.subCircuit("half", "h");
  b.unresolved("adder", "u");
  b.connect(a, h, "x");
  b.connect(c, kUnresolved, "in");  // any outgoing connection counts
  b.import("half", "half.vorn");
  b.import("adder", "adder.vorn");  // only an unresolved type of that name
  b.import("xor", "<builtin>/xor.vorn", true);
  b.import("half", "again.vorn");
  EXPECT_EQ(runAll(b.module()), (Lines{
      "5:1 E001 undeclared name 'adder'",
      "2:1 W001 input 'b' is declared but never used",
      "5001:1 W003 import 'adder' is declared but never instantiated",
  }));
}

}  // namespace
}  // namespace vorn
