#include "validator/run.hpp"

#include <gtest/gtest.h>

#include <string>

#include "testing/module_builder.hpp"
#include "validator/passes/multi_driver.hpp"
#include "validator/passes/name_collision.hpp"
#include "validator/passes/port_validation.hpp"
#include "validator/passes/required_input.hpp"
#include "testing/diagnostic_lines.hpp"

namespace vorn {
namespace {

using testing::kUnresolved;
using testing::ModuleBuilder;
using testing_render::render;
using Lines = std::vector<std::string>;

template <typename Pass>
Lines runPass(Pass pass, const types::Module& module) {
  std::vector<diagnostics::Diagnostic> list;
  pass(module, list);
  return render(list);
}

// A pass that reads the connections indexed by destination, as runInto gives them.
template <typename Pass>
auto withDrivers(Pass pass) {
  return [pass](const types::Module& module, std::vector<diagnostics::Diagnostic>& list) {
    pass(module, endpoint_index::EndpointIndex(module, endpoint_index::EndpointIndex::Side::destination), list);
  };
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
  auto a = b.input("a");             // 1: never used
  auto in_b = b.input("b");          // 2
  auto u = b.unresolved("xr", "u");  // 3: undeclared type
  auto w = b.wire("wire");           // 4: shadows a primitive
  auto l = b.led("b");               // 5: duplicate of input b
  auto g = b.andGate("g");           // 6: port b unconnected
  b.connect(g, "a", in_b);           // 1000
  b.connect(g, "c", in_b);           // 1001: no such port
  b.connect(g, "a", u);              // 1002: second driver of g.a
  b.connect(l, "in", w);             // 1003
  b.connect(w, "in", l);             // 1004: wire and led form a loop
  b.output("q", kUnresolved);        // 7
  b.import("lib", "lib.vorn");       // 5000: never instantiated
  b.import("xor", "<builtin>/xor.vorn", true);
  (void)a;
  auto result = run::run(b.module());
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(
      render(*result),
      (Lines{
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
  b.input("a");      // 1
  b.input("wire");   // 2: shadows
  b.notGate("a");    // 3: duplicate of 1
  b.notGate("xor");  // 4: macro names are allowed
  b.led("a");        // 5: third use, still points at 1
  b.notGate("not");  // 6: shadows
  b.notGate("not");  // 7: shadows and repeats 6
  b.notGate("");     // 8: unnamed, skipped
  b.notGate("");     // 9
  b.notGate("input_pin");
  EXPECT_EQ(runPass(name_collision::run, b.module()),
            (Lines{
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
  b.connect(g, "a", x);             // 1000 fine
  b.connect(g, "c", x);             // 1001 bad input
  b.connect(n, "in", x, "foo");     // 1002 bad output
  b.connect(99, "in", x, "foo");    // 1003 skipped entirely
  b.connect(n, "in", 77, "foo");    // 1004 source missing
  b.connect(g, "zz", x, "bar");     // 1005 both sides
  b.connect(u, "thing", s, "any");  // 1006 not primitives
  b.connect(s, "p", u, "q");        // 1007
  b.connect(x, "in", n);            // 1008 input pins take nothing
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
                            testing::lineSpan(line)};
  };
  module.components.push_back(makeComponent(types::PrimitiveKind::input_pin, 3, 1));
  module.components.push_back(makeComponent(types::PrimitiveKind::wire, 7, 2));
  module.components.push_back(makeComponent(types::PrimitiveKind::and_gate, 7, 3));
  module.connections.push_back(
      types::Connection{{"out", types::ComponentId{3}}, {"a", types::ComponentId{7}}, testing::lineSpan(10)});
  module.connections.push_back(
      types::Connection{{"out", types::ComponentId{3}}, {"in", types::ComponentId{0}}, testing::lineSpan(11)});
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
  b.connect(g, a1, w0);        // 1000
  b.connect(g, "b", w1);       // 1001: single driver
  b.connect(g, a2, w2);        // 1002
  b.connect(n, in1, w3);       // 1003
  b.connect(g, "a", w1, "x");  // 1004
  b.connect(n, in2, w2);       // 1005
  b.connect(w1, "a", w0);      // 1006: same port name, other component
  EXPECT_EQ(runPass(withDrivers(multi_driver::run), b.module()),
            (Lines{
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
  b.connect(h, "c", x);
  b.connect(h, "A", x);
  b.connect(h, "b", x);
  b.connect(w, "in", x);
  (void)g;
  EXPECT_EQ(runPass(withDrivers(required_input::run), b.module()), (Lines{
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
  b.connect(h, "x", a);
  b.connect(kUnresolved, "in", c);  // any outgoing connection counts
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
