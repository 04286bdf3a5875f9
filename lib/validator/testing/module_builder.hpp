#pragma once

#include <cstdint>
#include <string_view>

#include "ir/types.hpp"

// Builds IR modules by hand for the validator's tests. Every component gets
// the next dense id and a span on its own line (line = id + 1), and every
// connection a span on line 1000 + its index, so that tests can tell from a
// diagnostic's span which record it points at.
namespace vorn::module_builder {

inline Span lineSpan(std::uint32_t line, std::uint32_t file_id = 0) { return Span{file_id, line, 1, line, 5}; }

class ModuleBuilder {
 public:
  explicit ModuleBuilder(std::uint32_t file_id = 0) { module_.file_id = types::FileId{file_id}; }

  types::ComponentId add(types::ComponentKind kind, std::string_view name) {
    types::ComponentId id{static_cast<std::uint32_t>(module_.components.size())};
    module_.components.push_back(types::Component{kind, name, id, componentSpan(id.value)});
    return id;
  }
  types::ComponentId primitive(types::PrimitiveKind kind, std::string_view name) {
    return add(types::ComponentKind::makePrimitive(kind), name);
  }
  types::ComponentId andGate(std::string_view name) { return primitive(types::PrimitiveKind::and_gate, name); }
  types::ComponentId notGate(std::string_view name) { return primitive(types::PrimitiveKind::not_gate, name); }
  types::ComponentId wire(std::string_view name) { return primitive(types::PrimitiveKind::wire, name); }
  types::ComponentId led(std::string_view name) { return primitive(types::PrimitiveKind::led, name); }
  types::ComponentId subCircuit(std::string_view alias, std::string_view name) {
    types::ComponentId id{static_cast<std::uint32_t>(module_.components.size())};
    return add(types::ComponentKind::makeSubCircuitRef(types::UnresolvedRef{alias, componentSpan(id.value)}), name);
  }
  types::ComponentId unresolved(std::string_view type_name, std::string_view name) {
    return add(types::ComponentKind::makeUnresolvedName(type_name), name);
  }

  types::ComponentId input(std::string_view name) {
    types::ComponentId id = primitive(types::PrimitiveKind::input_pin, name);
    types::InputId input_id{static_cast<std::uint32_t>(module_.inputs.size())};
    module_.inputs.push_back(types::InputPin{name, input_id, id, componentSpan(id.value)});
    return id;
  }
  // An output pin driven by `driver` (which may be unresolved); as the
  // resolver does, a valid driver also gets a connection into the pin.
  types::ComponentId output(std::string_view name, types::ComponentId driver, std::string_view port = "out") {
    types::ComponentId id = primitive(types::PrimitiveKind::output_pin, name);
    types::OutputId output_id{static_cast<std::uint32_t>(module_.outputs.size())};
    module_.outputs.push_back(
        types::OutputPin{name, types::SignalEndpoint{port, driver}, output_id, componentSpan(id.value)});
    if (driver.isValid()) connect(driver, port, id, "in");
    return id;
  }

  std::size_t connect(types::ComponentId from, std::string_view from_port, types::ComponentId to,
                      std::string_view to_port) {
    std::size_t index = module_.connections.size();
    module_.connections.push_back(types::Connection{types::SignalEndpoint{from_port, from},
                                                    types::PortEndpoint{to_port, to},
                                                    connectionSpan(index)});
    return index;
  }
  std::size_t connect(types::ComponentId from, types::ComponentId to, std::string_view to_port) {
    return connect(from, "out", to, to_port);
  }

  void import(std::string_view alias, std::string_view path, bool implicit_builtin = false) {
    std::uint32_t line = 5000 + static_cast<std::uint32_t>(module_.imports.size());
    module_.imports.push_back(types::UnresolvedImport{alias, path, lineSpan(line, module_.file_id.value),
                                                      implicit_builtin});
  }

  Span componentSpan(std::uint32_t id) const { return lineSpan(id + 1, module_.file_id.value); }
  Span connectionSpan(std::size_t index) const {
    return lineSpan(1000 + static_cast<std::uint32_t>(index), module_.file_id.value);
  }
  static Span importSpan(std::size_t index) { return lineSpan(5000 + static_cast<std::uint32_t>(index)); }

  types::Module& module() { return module_; }
  types::Module take() { return std::move(module_); }

 private:
  types::Module module_;
};

inline constexpr types::ComponentId kUnresolved{types::kUnresolvedId};

}  // namespace vorn::module_builder
