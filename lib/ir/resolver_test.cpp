#include "ir/resolver.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vorn::resolver {
namespace {

// Builders for syntax trees written by hand. Every node gets a distinct span
// (line = a running number) so that tests can tell which span was copied.
struct TreeBuilder {
  std::uint32_t next_line = 1;

  Span span() {
    Span result{0, next_line, 1, next_line, 5};
    ++next_line;
    return result;
  }
  ast::Identifier id(std::string_view text) { return ast::Identifier{text, span()}; }

  ast::SignalSource named(std::string_view target, std::string_view port = "out") {
    ast::SignalSource source;
    source.tag = ast::SignalSource::Tag::named;
    source.named = ast::NamedSignalRef{id(target), id(port), span()};
    return source;
  }
  ast::SignalSource anonymous(ast::ComponentInstance instance) {
    ast::SignalSource source;
    source.tag = ast::SignalSource::Tag::anonymous;
    source.anonymous = std::make_unique<ast::ComponentInstance>(std::move(instance));
    return source;
  }
  ast::PortConnection port(std::string_view name, ast::SignalSource value) {
    ast::Identifier port_name = id(name);
    Span port_span = port_name.span;
    return ast::PortConnection{port_name, std::move(value), port_span};
  }
  ast::ComponentInstance instance(std::string_view type, std::optional<std::string_view> name,
                                  std::vector<ast::PortConnection> ports = {}) {
    ast::ComponentInstance result;
    result.type_name = id(type);
    if (name) result.instance_name = id(*name);
    result.ports = std::move(ports);
    result.span = span();
    return result;
  }
  template <typename... Ports>
  std::vector<ast::PortConnection> ports(Ports&&... list) {
    std::vector<ast::PortConnection> result;
    (result.push_back(std::forward<Ports>(list)), ...);
    return result;
  }
  void inputs(ast::File& file, std::initializer_list<std::string_view> names) {
    ast::InputDecl declaration;
    for (std::string_view name : names) declaration.names.push_back(id(name));
    declaration.span = span();
    file.inputs.push_back(std::move(declaration));
  }
  void output(ast::File& file, std::string_view name, ast::SignalSource value) {
    file.outputs.push_back(ast::OutputDecl{id(name), std::move(value), span()});
  }
  void import(ast::File& file, std::string_view alias, std::string_view path) {
    file.imports.push_back(ast::Import{id(alias), ast::StringLiteral{path, span()}, span()});
  }
};

// "from.port->to.port" with component ids, for compact comparisons.
std::vector<std::string> describe(const types::Module& module) {
  std::vector<std::string> result;
  for (const types::Connection& connection : module.connections) {
    result.push_back(std::to_string(connection.from.component.value) + "." + std::string(connection.from.port) + "->" +
                     std::to_string(connection.to.component.value) + "." + std::string(connection.to.port));
  }
  return result;
}

std::vector<std::string> names(const types::Module& module) {
  std::vector<std::string> result;
  for (const types::Component& component : module.components) result.emplace_back(component.instance_name);
  return result;
}

TEST(Resolve, NumbersPinsAndInstancesAndConnectsInAssignmentOrder) {
  TreeBuilder b;
  ast::File file;
  b.inputs(file, {"a", "b"});
  file.components.push_back(b.instance("and", "g", b.ports(b.port("a", b.named("a")), b.port("b", b.named("b")))));
  b.output(file, "out", b.named("g", "out"));

  auto module = resolve(file, 7);
  ASSERT_TRUE(module.has_value());
  EXPECT_EQ(module->file_id.value, 7u);
  EXPECT_EQ(names(*module), (std::vector<std::string>{"a", "b", "g", "out"}));
  for (std::uint32_t i = 0; i < module->components.size(); ++i) EXPECT_EQ(module->components[i].id.value, i);
  EXPECT_TRUE(module->components[0].kind.isPrimitive(types::PrimitiveKind::input_pin));
  EXPECT_TRUE(module->components[2].kind.isPrimitive(types::PrimitiveKind::and_gate));
  EXPECT_TRUE(module->components[3].kind.isPrimitive(types::PrimitiveKind::output_pin));
  EXPECT_EQ(describe(*module), (std::vector<std::string>{"0.out->2.a", "1.out->2.b", "2.out->3.in"}));

  ASSERT_EQ(module->inputs.size(), 2u);
  EXPECT_EQ(module->inputs[1].id.value, 1u);
  EXPECT_EQ(module->inputs[1].component.value, 1u);
  EXPECT_EQ(module->inputs[1].span, file.inputs[0].names[1].span);
  ASSERT_EQ(module->outputs.size(), 1u);
  EXPECT_EQ(module->outputs[0].driver.component.value, 2u);
  EXPECT_EQ(module->outputs[0].span, file.outputs[0].span);
  // The port connection's span is the assigned port's, the output's the declaration's.
  EXPECT_EQ(module->connections[0].span, file.components[0].ports[0].span);
  EXPECT_EQ(module->connections[2].span, file.outputs[0].span);
  EXPECT_EQ(module->components[2].span, file.components[0].span);
}

TEST(Resolve, ClassifiesTypeNames) {
  TreeBuilder b;
  ast::File file;
  b.import(file, "half", "lib/half.vorn");
  for (std::string_view type : {"and", "not", "wire", "led", "input_pin", "output_pin", "half", "xor", "And", "bus"}) {
    file.components.push_back(b.instance(type, std::nullopt));
  }
  auto module = resolve(file, 0);
  ASSERT_TRUE(module.has_value());
  ASSERT_EQ(module->components.size(), 10u);
  const types::PrimitiveKind primitives[] = {types::PrimitiveKind::and_gate,  types::PrimitiveKind::not_gate,
                                             types::PrimitiveKind::wire,      types::PrimitiveKind::led,
                                             types::PrimitiveKind::input_pin, types::PrimitiveKind::output_pin};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_TRUE(module->components[i].kind.isPrimitive(primitives[i])) << i;
  const types::ComponentKind& sub = module->components[6].kind;
  ASSERT_TRUE(sub.isSubCircuitRef());
  EXPECT_EQ(sub.sub_circuit_ref.name, "half");
  EXPECT_EQ(sub.sub_circuit_ref.span, file.components[6].type_name.span);
  for (std::size_t i = 7; i < 10; ++i) {
    ASSERT_TRUE(module->components[i].kind.isUnresolvedName()) << i;
    EXPECT_EQ(module->components[i].kind.unresolved_name, file.components[i].type_name.text);
    EXPECT_EQ(module->components[i].instance_name, "");  // no name in the tree
  }
  ASSERT_EQ(module->imports.size(), 1u);
  EXPECT_EQ(module->imports[0].alias, "half");
  EXPECT_EQ(module->imports[0].path, "lib/half.vorn");
  EXPECT_FALSE(module->imports[0].implicit_builtin);
}

TEST(Resolve, AnonymousInstancesAreQueuedBreadthFirstAfterDeclaredOnes) {
  TreeBuilder b;
  ast::File file;
  b.inputs(file, {"x", "y"});
  // and g(a=not(in=not(in=x).out).out, b=y)   -- inner not is __anon_0
  ast::ComponentInstance inner = b.instance("not", "__anon_0", b.ports(b.port("in", b.named("x"))));
  ast::ComponentInstance outer = b.instance("not", "__anon_1", b.ports(b.port("in", b.anonymous(std::move(inner)))));
  file.components.push_back(
      b.instance("and", "g", b.ports(b.port("a", b.anonymous(std::move(outer))), b.port("b", b.named("y")))));
  // and h(a=not(in=g).out, b=x)   -- a second owner queued after g's anonymous one
  ast::ComponentInstance h_anon = b.instance("not", "__anon_2", b.ports(b.port("in", b.named("g"))));
  file.components.push_back(
      b.instance("and", "h", b.ports(b.port("a", b.anonymous(std::move(h_anon))), b.port("b", b.named("x")))));
  b.output(file, "q", b.named("h"));

  auto module = resolve(file, 0);
  ASSERT_TRUE(module.has_value());
  // Ids: pins, declared, then anonymous in work-list order, then the output.
  EXPECT_EQ(names(*module), (std::vector<std::string>{"x", "y", "g", "h", "__anon_1", "__anon_2", "__anon_0", "q"}));
  EXPECT_EQ(describe(*module), (std::vector<std::string>{"4.out->2.a", "1.out->2.b",  // g
                                                         "5.out->3.a", "0.out->3.b",  // h
                                                         "6.out->4.in",               // __anon_1
                                                         "2.out->5.in",               // __anon_2
                                                         "0.out->6.in",               // __anon_0
                                                         "3.out->7.in"}));
}

TEST(Resolve, AnonymousOutputValueStillGetsItsPortsResolved) {
  TreeBuilder b;
  ast::File file;
  b.inputs(file, {"a"});
  b.output(file, "q", b.anonymous(b.instance("not", "__anon_0", b.ports(b.port("in", b.named("a"))))));
  b.output(file, "r", b.named("q"));
  auto module = resolve(file, 0);
  ASSERT_TRUE(module.has_value());
  EXPECT_EQ(names(*module), (std::vector<std::string>{"a", "q", "__anon_0", "r"}));
  EXPECT_EQ(describe(*module), (std::vector<std::string>{"2.out->1.in", "1.out->3.in", "0.out->2.in"}));
  EXPECT_EQ(module->outputs[0].driver.port, "out");
}

TEST(Resolve, ShadowingAndUnresolvedReferences) {
  TreeBuilder b;
  ast::File file;
  b.inputs(file, {"a"});
  file.components.push_back(b.instance("not", "n", b.ports(b.port("in", b.named("a")))));
  file.components.push_back(b.instance("not", "m", b.ports(b.port("in", b.named("n")))));
  file.components.push_back(b.instance("not", "n", b.ports(b.port("in", b.named("nowhere")))));
  // y exists only as an output: port assignments cannot see outputs.
  file.components.push_back(b.instance("not", "h", b.ports(b.port("in", b.named("y")))));
  b.output(file, "y", b.named("n"));
  b.output(file, "lost", b.named("ghost"));
  b.output(file, "self", b.named("self"));

  auto module = resolve(file, 0);
  ASSERT_TRUE(module.has_value());
  ASSERT_EQ(module->components.size(), 8u);
  // Both n's are components; every lookup (made after both were declared)
  // finds the second, also m's port assignment.
  EXPECT_EQ(describe(*module), (std::vector<std::string>{"0.out->1.in", "3.out->2.in", "3.out->5.in", "7.out->7.in"}));
  EXPECT_EQ(module->outputs[1].driver.component.value, types::kUnresolvedId);
  EXPECT_EQ(module->outputs[1].driver.port, "out");
  EXPECT_EQ(module->outputs[2].driver.component.value, 7u);
}

TEST(Resolve, ScalesLinearlyToAHundredThousandComponents) {
  // A chain of 10^5 nots, each fed by the one before: quadratic lookups
  // would make this take minutes.
  TreeBuilder b;
  ast::File file;
  std::vector<std::string> names(100000);
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = "n" + std::to_string(i);
  b.inputs(file, {"x"});
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string_view source = i == 0 ? std::string_view("x") : std::string_view(names[i - 1]);
    file.components.push_back(b.instance("not", names[i], b.ports(b.port("in", b.named(source)))));
  }
  b.output(file, "q", b.named(names.back()));
  auto module = resolve(file, 0);
  ASSERT_TRUE(module.has_value());
  ASSERT_EQ(module->connections.size(), names.size() + 1);
  EXPECT_EQ(module->connections[99999].from.component.value, 99999u);
  EXPECT_EQ(module->connections[99999].to.component.value, 100000u);
}

TEST(Resolve, DeeplyNestedAnonymousInstancesDoNotRecurse) {
  TreeBuilder b;
  ast::File file;
  b.inputs(file, {"x"});
  ast::SignalSource value = b.named("x");
  constexpr int kDepth = 200000;
  for (int i = 0; i < kDepth; ++i) {
    value = b.anonymous(b.instance("not", "anon", b.ports(b.port("in", std::move(value)))));
  }
  b.output(file, "q", std::move(value));
  auto module = resolve(file, 0);
  ASSERT_TRUE(module.has_value());
  EXPECT_EQ(module->components.size(), static_cast<std::size_t>(kDepth) + 2);
  EXPECT_EQ(module->connections.size(), static_cast<std::size_t>(kDepth) + 1);
}

}  // namespace
}  // namespace vorn::resolver
