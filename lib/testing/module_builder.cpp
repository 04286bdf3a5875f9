#include "testing/module_builder.hpp"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <unordered_set>

#include "core/text_arena.hpp"
#include "ir/resolver.hpp"
#include "syntax/translate.hpp"

namespace vorn::testing {
namespace {

constexpr std::uint32_t kFirstConnectionLine = 1000;
constexpr std::uint32_t kFirstImportLine = 5000;

// The IR holds views; names built in a test (temporaries, std::to_string)
// must outlive both the builder and the module it hands out. Each text is
// kept once: large tests repeat "in" and "out" a hundred thousand times.
std::string_view keep(std::string_view text) {
  static std::unordered_set<std::string> store;  // nodes never move
  return *store.emplace(text).first;
}

}  // namespace

Span lineSpan(std::uint32_t line, std::uint32_t file_id) { return Span{file_id, line, 1, line, 5}; }

ModuleBuilder::ModuleBuilder(std::uint32_t file_id) { module_.file_id = types::FileId{file_id}; }

std::uint32_t ModuleBuilder::add(types::ComponentKind kind, std::string_view name) {
  const auto id = static_cast<std::uint32_t>(module_.components.size());
  module_.components.push_back(types::Component{kind, keep(name), types::ComponentId{id}, componentSpan(id)});
  return id;
}

std::uint32_t ModuleBuilder::primitive(types::PrimitiveKind kind, std::string_view name) {
  return add(types::ComponentKind::makePrimitive(kind), name);
}

std::uint32_t ModuleBuilder::subCircuit(std::string_view alias, std::string_view name) {
  const auto id = static_cast<std::uint32_t>(module_.components.size());
  return add(types::ComponentKind::makeSubCircuitRef(types::UnresolvedRef{keep(alias), componentSpan(id)}), name);
}

std::uint32_t ModuleBuilder::unresolved(std::string_view type_name, std::string_view name) {
  return add(types::ComponentKind::makeUnresolvedName(keep(type_name)), name);
}

std::uint32_t ModuleBuilder::input(std::string_view name) {
  const std::uint32_t id = primitive(types::PrimitiveKind::input_pin, name);
  const types::InputId input_id{static_cast<std::uint32_t>(module_.inputs.size())};
  module_.inputs.push_back(types::InputPin{keep(name), input_id, types::ComponentId{id}, componentSpan(id)});
  return id;
}

std::uint32_t ModuleBuilder::output(std::string_view name, std::uint32_t driver, std::string_view port) {
  const std::uint32_t id = outputPin(name, driver, port);
  if (driver != kUnresolved) connect(id, "in", driver, port);
  return id;
}

std::uint32_t ModuleBuilder::outputPin(std::string_view name, std::uint32_t driver, std::string_view port) {
  const std::uint32_t id = primitive(types::PrimitiveKind::output_pin, name);
  const types::OutputId output_id{static_cast<std::uint32_t>(module_.outputs.size())};
  module_.outputs.push_back(types::OutputPin{keep(name), types::SignalEndpoint{keep(port), types::ComponentId{driver}},
                                             output_id, componentSpan(id)});
  return id;
}

std::size_t ModuleBuilder::connect(std::uint32_t to, std::string_view to_port, std::uint32_t from,
                                   std::string_view from_port) {
  const std::size_t index = module_.connections.size();
  module_.connections.push_back(types::Connection{types::SignalEndpoint{keep(from_port), types::ComponentId{from}},
                                                  types::PortEndpoint{keep(to_port), types::ComponentId{to}},
                                                  connectionSpan(index)});
  return index;
}

void ModuleBuilder::import(std::string_view alias, std::string_view path, bool implicit_builtin) {
  const auto line = kFirstImportLine + static_cast<std::uint32_t>(module_.imports.size());
  module_.imports.push_back(
      types::UnresolvedImport{keep(alias), keep(path), lineSpan(line, module_.file_id.value), implicit_builtin});
}

Span ModuleBuilder::componentSpan(std::uint32_t id) const { return lineSpan(id + 1, module_.file_id.value); }

Span ModuleBuilder::connectionSpan(std::size_t index) const {
  return lineSpan(kFirstConnectionLine + static_cast<std::uint32_t>(index), module_.file_id.value);
}

types::Module andModule() {
  ModuleBuilder m;
  const std::uint32_t a = m.input("a");
  const std::uint32_t b = m.input("b");
  const std::uint32_t g = m.andGate("g");
  m.connect(g, "a", a);
  m.connect(g, "b", b);
  m.output("out", g);
  return m.take();
}

types::Module inverterModule(std::uint32_t file_id) {
  ModuleBuilder m(file_id);
  const std::uint32_t in = m.input("in");
  const std::uint32_t n = m.notGate("n");
  m.connect(n, "in", in);
  m.output("out", n);
  return m.take();
}

void addImport(types::Project& project, std::string_view alias, std::uint32_t importing, std::uint32_t target) {
  project.import_table.push_back({keep(alias), types::FileId{importing}, types::FileId{target}, {}});
}

types::Module moduleFromSource(std::string_view source, std::uint32_t file_id) {
  static TextArena arena;
  static std::deque<ast::File> trees;  // elements never move
  const std::string_view text = arena.store(source);
  const auto broken = [&](Error error, const std::string& where) {
    std::fprintf(stderr, "moduleFromSource: %.*s\n%s%.*s\n", static_cast<int>(errorName(error).size()),
                 errorName(error).data(), where.c_str(), static_cast<int>(text.size()), text.data());
    std::abort();
  };
  std::optional<translate::SyntaxError> syntax_error;
  auto file = translate::parseSource(arena, text, file_id, &syntax_error);
  if (!file) broken(file.error(), syntax_error ? translate::formatSyntaxError("<source>", *syntax_error) + "\n" : "");
  auto module = resolver::resolve(trees.emplace_back(std::move(*file)), file_id);
  if (!module) broken(module.error(), "");
  return std::move(*module);
}

}  // namespace vorn::testing
