// Names and the IR cases that validated sources never produce; whole
// projects are checked by the golden cases and the differential test
// against a Verilog simulator.
#include <gtest/gtest.h>

#include <set>

#include "testing/module_builder.hpp"
#include "verilog/identifiers.hpp"
#include "verilog/module_names.hpp"
#include "verilog/verilog.hpp"

namespace vorn {
namespace {

using verilog_identifiers::identifier;
using verilog_module_names::legalName;

TEST(VerilogNamesTest, IdentifiersAreEscapedOnlyWhereVerilogNeedsIt) {
  EXPECT_EQ(identifier("g1"), "g1");
  EXPECT_EQ(identifier("__anon_3"), "__anon_3");
  EXPECT_EQ(identifier("a$b"), "a$b");
  // Verilog-2005 words, a gate primitive, a SystemVerilog word.
  EXPECT_EQ(identifier("module"), "\\module ");
  EXPECT_EQ(identifier("xnor"), "\\xnor ");
  EXPECT_EQ(identifier("logic"), "\\logic ");
  EXPECT_EQ(identifier("2x"), "\\2x ");
  EXPECT_EQ(identifier("a b\tc"), "\\a_b_c ");
  EXPECT_EQ(identifier(""), "\\_ ");
  EXPECT_TRUE(verilog_identifiers::isKeyword("uwire"));
  EXPECT_FALSE(verilog_identifiers::isKeyword("Module"));
}

TEST(VerilogNamesTest, ModuleNamesAreLegalDistinctAndTheRootKeepsItsStem) {
  EXPECT_EQ(legalName("full-adder"), "full_adder");
  EXPECT_EQ(legalName("4bit"), "_4bit");
  EXPECT_EQ(legalName(""), "_");
  EXPECT_EQ(legalName("xor"), "xor_");
  EXPECT_EQ(verilog_module_names::fileStem("/p/q/half_adder.vorn"), "half_adder");
  EXPECT_EQ(verilog_module_names::fileStem("<builtin>/or.vorn"), "or");
  EXPECT_EQ(verilog_module_names::fileStem("dir/.vorn"), ".vorn");

  types::Project project;
  project.file_paths = {"/real/target.vorn", "/p/xor_.vorn", "<builtin>/xor.vorn",
                        "/q/a-b.vorn",       "/r/a_b.vorn",  "/s/xor_.vorn"};
  project.files.resize(project.file_paths.size());
  // The root is named as the user typed it (a link to target.vorn here).
  auto names = verilog_module_names::moduleNames(project, "xor_.vorn");
  EXPECT_EQ(names, (std::vector<std::string>{"xor_", "xor__2", "xor__3", "a_b", "a_b_2", "xor__4"}));
}

types::Project projectOf(types::Module root) {
  types::Project project;
  project.files.push_back(std::move(root));
  project.file_paths = {"/x/top.vorn"};
  return project;
}

TEST(VerilogEmitTest, PortsWithoutDriversReadXAndBrokenReferencesFail) {
  testing::ModuleBuilder builder;
  std::uint32_t a = builder.input("a");
  std::uint32_t g = builder.andGate("g");
  builder.connect(g, "a", a);
  std::uint32_t n = builder.notGate("");
  builder.connect(n, "in", g);
  builder.output("y", n);
  builder.output("z", testing::kUnresolved);
  types::Project project = projectOf(builder.take());
  auto text = verilog::emitProjectVerilog(project, {"top.vorn", "v"});
  ASSERT_TRUE(text) << errorName(text.error());
  EXPECT_NE(text->find("    and `VORN_GATE_DELAY g (\\g.out , \\a.out , 1'bx);\n"), std::string::npos) << *text;
  EXPECT_NE(text->find("    not `VORN_GATE_DELAY \\#2 (\\#2.out , \\g.out );\n"), std::string::npos) << *text;
  // Nothing reaches z: it is never defined.
  EXPECT_NE(text->find("    assign z = 1'bx;\n"), std::string::npos) << *text;

  types::Project bad_from = project;
  bad_from.files[0].connections[0].from.component = types::ComponentId{99};
  EXPECT_EQ(verilog::emitProjectVerilog(bad_from, {"top.vorn", "v"}).error(), Error::InvalidFromComponentId);
  types::Project bad_to = project;
  bad_to.files[0].connections[0].to.component = types::ComponentId{99};
  EXPECT_EQ(verilog::emitProjectVerilog(bad_to, {"top.vorn", "v"}).error(), Error::InvalidToComponentId);

  testing::ModuleBuilder unresolved;
  unresolved.unresolved("mystery", "m");
  EXPECT_EQ(verilog::emitProjectVerilog(projectOf(unresolved.take()), {"top.vorn", "v"}).error(),
            Error::UnresolvedComponentName);
  testing::ModuleBuilder orphan;
  orphan.subCircuit("half", "h");
  EXPECT_EQ(verilog::emitProjectVerilog(projectOf(orphan.take()), {"top.vorn", "v"}).error(),
            Error::UnresolvedSubCircuitTarget);
}

}  // namespace
}  // namespace vorn
