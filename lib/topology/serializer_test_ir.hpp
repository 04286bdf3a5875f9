#pragma once

// Builds IR modules and projects by hand for the topology and truth-table
// tests. Component ids follow the order of the calls, as the resolver's do.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "ir/types.hpp"

namespace vorn::test_ir {

class ModuleBuilder {
 public:
  explicit ModuleBuilder(std::uint32_t file_id = 0) { module_.file_id = types::FileId{file_id}; }

  std::uint32_t input(std::string_view name) {
    std::uint32_t id = add(types::ComponentKind::makePrimitive(types::PrimitiveKind::input_pin), name);
    module_.inputs.push_back({keep(name), types::InputId{static_cast<std::uint32_t>(module_.inputs.size())},
                              types::ComponentId{id}, {}});
    return id;
  }
  std::uint32_t gate(types::PrimitiveKind kind, std::string_view name) {
    return add(types::ComponentKind::makePrimitive(kind), name);
  }
  std::uint32_t andGate(std::string_view name) { return gate(types::PrimitiveKind::and_gate, name); }
  std::uint32_t notGate(std::string_view name) { return gate(types::PrimitiveKind::not_gate, name); }
  std::uint32_t wire(std::string_view name) { return gate(types::PrimitiveKind::wire, name); }
  std::uint32_t sub(std::string_view alias, std::string_view name) {
    return add(types::ComponentKind::makeSubCircuitRef({keep(alias), {}}), name);
  }
  std::uint32_t unresolved(std::string_view type_name, std::string_view name) {
    return add(types::ComponentKind::makeUnresolvedName(keep(type_name)), name);
  }
  // An output pin component fed by `driver`; a driver of kUnresolvedId adds
  // no connection, as the resolver does.
  std::uint32_t output(std::string_view name, std::uint32_t driver, std::string_view driver_port = "out") {
    std::uint32_t id = add(types::ComponentKind::makePrimitive(types::PrimitiveKind::output_pin), name);
    types::SignalEndpoint source{keep(driver_port), types::ComponentId{driver}};
    module_.outputs.push_back({keep(name), source,
                               types::OutputId{static_cast<std::uint32_t>(module_.outputs.size())}, {}});
    if (driver != types::kUnresolvedId) module_.connections.push_back({source, {"in", types::ComponentId{id}}, {}});
    return id;
  }
  void connect(std::uint32_t from, std::uint32_t to, std::string_view port, std::string_view from_port = "out") {
    module_.connections.push_back(
        {{keep(from_port), types::ComponentId{from}}, {keep(port), types::ComponentId{to}}, {}});
  }
  types::Module& module() { return module_; }

 private:
  std::uint32_t add(types::ComponentKind kind, std::string_view name) {
    auto id = static_cast<std::uint32_t>(module_.components.size());
    module_.components.push_back({kind, keep(name), types::ComponentId{id}, {}});
    return id;
  }
  // Names given as temporaries outlive the builder here.
  std::string_view keep(std::string_view text) { return texts().emplace_back(text); }
  static std::deque<std::string>& texts() {
    static std::deque<std::string> store;
    return store;
  }

  types::Module module_;
};

inline void addImport(types::Project& project, std::string_view alias, std::uint32_t importing,
                      std::uint32_t target) {
  project.import_table.push_back({alias, types::FileId{importing}, types::FileId{target}, {}});
}

}  // namespace vorn::test_ir
