#pragma once

#include <string_view>
#include <vector>

#include "ir/types.hpp"

// Small helpers for building IR by hand in the emitter tests.
namespace vorn::emit_test {

struct ModuleBuilder {
  types::Module module;

  explicit ModuleBuilder(std::uint32_t file_id = 0) { module.file_id = types::FileId{file_id}; }

  std::uint32_t add(types::ComponentKind kind, std::string_view name) {
    const auto id = static_cast<std::uint32_t>(module.components.size());
    module.components.push_back(types::Component{kind, name, types::ComponentId{id}, {}});
    return id;
  }
  std::uint32_t primitive(types::PrimitiveKind kind, std::string_view name) {
    return add(types::ComponentKind::makePrimitive(kind), name);
  }
  std::uint32_t input(std::string_view name) {
    const std::uint32_t id = primitive(types::PrimitiveKind::input_pin, name);
    module.inputs.push_back(types::InputPin{name, types::InputId{static_cast<std::uint32_t>(module.inputs.size())},
                                            types::ComponentId{id}, {}});
    return id;
  }
  std::uint32_t instance(std::string_view alias, std::string_view name) {
    return add(types::ComponentKind::makeSubCircuitRef(types::UnresolvedRef{alias, {}}), name);
  }
  // An output pin component plus its pin record, driven by `driver`.`port`.
  std::uint32_t output(std::string_view name, std::uint32_t driver, std::string_view port = "out") {
    const std::uint32_t id = primitive(types::PrimitiveKind::output_pin, name);
    module.outputs.push_back(types::OutputPin{name, types::SignalEndpoint{port, types::ComponentId{driver}},
                                              types::OutputId{static_cast<std::uint32_t>(module.outputs.size())}, {}});
    return id;
  }
  void connect(std::uint32_t from, std::string_view from_port, std::uint32_t to, std::string_view to_port) {
    module.connections.push_back(types::Connection{types::SignalEndpoint{from_port, types::ComponentId{from}},
                                                   types::PortEndpoint{to_port, types::ComponentId{to}}, {}});
  }
};

}  // namespace vorn::emit_test
