#include "cli/inspect_dump.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "testing/module_builder.hpp"

namespace vorn {
namespace {

Span at(std::uint32_t line, std::uint32_t start, std::uint32_t end) { return Span{0, line, start, line, end}; }

ast::Identifier ident(std::string_view text, Span span) { return ast::Identifier{text, span}; }

ast::SignalSource named(std::string_view target, std::string_view port, Span span) {
  ast::SignalSource source;
  source.tag = ast::SignalSource::Tag::named;
  source.named = ast::NamedSignalRef{ident(target, span), ident(port, span), span};
  return source;
}

ast::SignalSource anonymous(ast::ComponentInstance instance) {
  ast::SignalSource source;
  source.tag = ast::SignalSource::Tag::anonymous;
  source.anonymous = std::make_unique<ast::ComponentInstance>(std::move(instance));
  return source;
}

ast::PortConnection port(std::string_view name, Span span, ast::SignalSource value) {
  return ast::PortConnection{ident(name, span), std::move(value), span};
}

ast::ComponentInstance instance(std::string_view type, std::optional<std::string_view> name, Span span) {
  ast::ComponentInstance result;
  result.type_name = ident(type, span);
  if (name) result.instance_name = ident(*name, span);
  result.span = span;
  return result;
}

TEST(InspectDump, SyntaxTreeWithImportsInputsOutputsAndNestedInstances) {
  ast::File file;
  file.span = Span{0, 1, 1, 7, 20};
  file.imports.push_back(
      ast::Import{ident("half", at(1, 8, 12)), ast::StringLiteral{"half.vorn", at(1, 14, 23)}, at(1, 1, 24)});
  file.inputs.push_back(ast::InputDecl{{ident("a", at(2, 7, 8)), ident("b", at(2, 10, 11))}, at(2, 7, 11)});

  file.outputs.push_back(ast::OutputDecl{ident("q", at(4, 8, 9)), named("g", "out", at(4, 13, 18)), at(4, 1, 19)});
  ast::ComponentInstance inner = instance("not", "__anon_1", at(5, 13, 28));
  inner.ports.push_back(port("in", at(5, 17, 19), named("a", "out", at(5, 20, 21))));
  file.outputs.push_back(ast::OutputDecl{ident("r", at(5, 8, 9)), anonymous(std::move(inner)), at(5, 1, 30)});

  ast::ComponentInstance g = instance("and", "g", at(3, 1, 28));
  g.ports.push_back(port("a", at(3, 7, 8), named("a", "out", at(3, 9, 10))));
  ast::ComponentInstance nested = instance("not", "__anon_0", at(3, 14, 27));
  nested.ports.push_back(port("in", at(3, 18, 20), named("b", "out", at(3, 21, 22))));
  g.ports.push_back(port("b", at(3, 12, 13), anonymous(std::move(nested))));
  file.components.push_back(std::move(g));
  file.components.push_back(instance("led", std::nullopt, at(6, 1, 5)));
  file.components.push_back(instance("wire", "", at(7, 1, 20)));

  auto dump = inspect_dump::dumpAstFile(file);
  ASSERT_TRUE(dump.has_value());
  EXPECT_EQ(*dump,
            "File [f0:1:1-7:20]\n"
            "Imports (1)\n"
            "  Import alias=half path=half.vorn [f0:1:1-1:24]\n"
            "Inputs (1)\n"
            "  Input a, b [f0:2:7-2:11]\n"
            "Outputs (2)\n"
            "  Output q [f0:4:1-4:19]\n"
            "    NamedRef g.out [f0:4:13-4:18]\n"
            "  Output r [f0:5:1-5:30]\n"
            "    AnonymousComponent\n"
            "      Component type=not instance=__anon_1 [f0:5:13-5:28]\n"
            "        Port in [f0:5:17-5:19]\n"
            "          NamedRef a.out [f0:5:20-5:21]\n"
            "Components (3)\n"
            "  Component type=and instance=g [f0:3:1-3:28]\n"
            "    Port a [f0:3:7-3:8]\n"
            "      NamedRef a.out [f0:3:9-3:10]\n"
            "    Port b [f0:3:12-3:13]\n"
            "      AnonymousComponent\n"
            "        Component type=not instance=__anon_0 [f0:3:14-3:27]\n"
            "          Port in [f0:3:18-3:20]\n"
            "            NamedRef b.out [f0:3:21-3:22]\n"
            "  Component type=led instance=<anonymous> [f0:6:1-6:5]\n"
            "  Component type=wire instance=<anonymous> [f0:7:1-7:20]\n");
}

TEST(InspectDump, EmptySyntaxTreeAndLargeNumbers) {
  ast::File file;
  file.span = Span{4294967295u, 1, 1, 123456, 7};
  auto dump = inspect_dump::dumpAstFile(file);
  ASSERT_TRUE(dump.has_value());
  EXPECT_EQ(*dump, "File [f4294967295:1:1-123456:7]\nImports (0)\nInputs (0)\nOutputs (0)\nComponents (0)\n");
}

TEST(InspectDump, DeeplyNestedInstancesAfterSiblingPorts) {
  // and top(a=not(in=not(in=...x...)), b=y): the second port must still come
  // after the whole nested chain, one level below the top instance.
  constexpr int kDepth = 2000;
  ast::ComponentInstance innermost = instance("not", "__anon_0", at(1, 1, 2));
  innermost.ports.push_back(port("in", at(1, 1, 2), named("x", "out", at(1, 1, 2))));
  for (int level = 1; level < kDepth; ++level) {
    ast::ComponentInstance outer = instance("not", "n", at(1, 1, 2));
    outer.ports.push_back(port("in", at(1, 1, 2), anonymous(std::move(innermost))));
    innermost = std::move(outer);
  }
  ast::ComponentInstance top = instance("and", "top", at(1, 1, 2));
  top.ports.push_back(port("a", at(1, 1, 2), anonymous(std::move(innermost))));
  top.ports.push_back(port("b", at(1, 1, 2), named("y", "out", at(1, 1, 2))));
  ast::File file;
  file.components.push_back(std::move(top));

  auto dump = inspect_dump::dumpAstFile(file);
  ASSERT_TRUE(dump.has_value());
  // Per level: AnonymousComponent, Component, Port; plus header lines, the top
  // instance, its two ports, the innermost reference and y.
  const auto lines = std::count(dump->begin(), dump->end(), '\n');
  EXPECT_EQ(lines, 5 + 1 + 2 + 3 * kDepth + 1 + 1);
  const std::string deepest = std::string(2 * (3 * kDepth + 3), ' ') + "NamedRef x.out [f0:1:1-1:2]\n";
  const std::string tail = deepest + "    Port b [f0:1:1-1:2]\n      NamedRef y.out [f0:1:1-1:2]\n";
  ASSERT_GE(dump->size(), tail.size());
  EXPECT_EQ(dump->substr(dump->size() - tail.size()), tail);
}

TEST(InspectDump, ResolvedModuleWithEveryKindOfComponent) {
  testing::ModuleBuilder b(3);
  b.import("half", "half.vorn");
  b.import("xor", "<builtin>/xor.vorn", true);
  auto a = b.input("a");
  auto g = b.andGate("g");
  b.notGate("__anon_0");
  b.wire("w");
  b.led("");
  b.subCircuit("half", "h");
  b.unresolved("xr", "u");
  b.connect(g, "a", a);
  b.output("q", g);
  b.output("z", testing::kUnresolved);
  const types::Module& module = b.module();

  auto dump = inspect_dump::dumpIrModule(module);
  ASSERT_TRUE(dump.has_value());
  EXPECT_EQ(*dump,
            "Module file_id=3\n"
            "Imports (2)\n"
            "  alias=half path=half.vorn\n"
            "  alias=xor path=<builtin>/xor.vorn\n"
            "Inputs (1)\n"
            "  id=0 name=a component=0\n"
            "Outputs (2)\n"
            "  id=0 name=q driver=1.out\n"
            "  id=1 name=z driver=4294967295.out\n"
            "Components (9)\n"
            "  id=0 name=a kind=primitive:input_pin\n"
            "  id=1 name=g kind=primitive:and_gate\n"
            "  id=2 name=__anon_0 kind=primitive:not_gate\n"
            "  id=3 name=w kind=primitive:wire\n"
            "  id=4 name=<none> kind=primitive:led\n"
            "  id=5 name=h kind=sub_circuit_ref:half\n"
            "  id=6 name=u kind=unresolved_name:xr\n"
            "  id=7 name=q kind=primitive:output_pin\n"
            "  id=8 name=z kind=primitive:output_pin\n"
            "Connections (2)\n"
            "  0.out -> 1.a\n"
            "  1.out -> 7.in\n");
}

TEST(InspectDump, EmptyModule) {
  types::Module module;
  auto dump = inspect_dump::dumpIrModule(module);
  ASSERT_TRUE(dump.has_value());
  EXPECT_EQ(*dump, "Module file_id=0\nImports (0)\nInputs (0)\nOutputs (0)\nComponents (0)\nConnections (0)\n");
}

}  // namespace
}  // namespace vorn
