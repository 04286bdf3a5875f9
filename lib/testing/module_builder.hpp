#pragma once

// Builds IR modules by hand, the way the resolver would from source: every
// component gets the next dense id, and an output pin with a resolved driver
// gets its connection. Each record also gets a span on a line of its own
// (component: id + 1, connection: 1000 + index, import: 5000 + index), so a
// test can tell from a diagnostic's span which record it points at.
// connect(to, "port", from, "from_port") reads like `to(port=from.from_port)`.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "ir/types.hpp"

namespace vorn::testing {

inline constexpr std::uint32_t kUnresolved = types::kUnresolvedId;

Span lineSpan(std::uint32_t line, std::uint32_t file_id = 0);

class ModuleBuilder {
 public:
  explicit ModuleBuilder(std::uint32_t file_id = 0);

  std::uint32_t add(types::ComponentKind kind, std::string_view name);
  std::uint32_t primitive(types::PrimitiveKind kind, std::string_view name);
  std::uint32_t andGate(std::string_view name) { return primitive(types::PrimitiveKind::and_gate, name); }
  std::uint32_t notGate(std::string_view name) { return primitive(types::PrimitiveKind::not_gate, name); }
  std::uint32_t wire(std::string_view name) { return primitive(types::PrimitiveKind::wire, name); }
  std::uint32_t led(std::string_view name) { return primitive(types::PrimitiveKind::led, name); }
  std::uint32_t subCircuit(std::string_view alias, std::string_view name);
  std::uint32_t unresolved(std::string_view type_name, std::string_view name);

  std::uint32_t input(std::string_view name);
  // An output pin driven by `driver`.`port` (kUnresolved for none), with the
  // connection into the pin when the driver is resolved.
  std::uint32_t output(std::string_view name, std::uint32_t driver, std::string_view port = "out");
  // The pin and its record only, for tests that wire the pin themselves.
  std::uint32_t outputPin(std::string_view name, std::uint32_t driver, std::string_view port = "out");

  // Returns the connection's index.
  std::size_t connect(std::uint32_t to, std::string_view to_port, std::uint32_t from,
                      std::string_view from_port = "out");

  void import(std::string_view alias, std::string_view path, bool implicit_builtin = false);

  types::Module& module() { return module_; }
  types::Module take() { return std::move(module_); }

 private:
  Span componentSpan(std::uint32_t id) const;
  Span connectionSpan(std::size_t index) const;

  types::Module module_;
};

// Small circuits several tests start from.
// inputs a, b; and g(a=a, b=b); output out(in=g.out)
types::Module andModule();
// input in; not n(in=in); output out(in=n.out)
types::Module inverterModule(std::uint32_t file_id);

// One row of a project's import table: `importing` imports `target` as `alias`.
void addImport(types::Project& project, std::string_view alias, std::uint32_t importing, std::uint32_t target);

// The module the resolver makes of `source`, as the compiler's single-file
// pipeline sees it: built-in gates such as `xor` stay unresolved names unless
// imported, and imports are not followed. The text, its syntax tree and the
// generated names live until the test process ends. A source that does not
// parse or resolve is a broken test: it aborts with the error and the text.
types::Module moduleFromSource(std::string_view source, std::uint32_t file_id = 0);

}  // namespace vorn::testing
