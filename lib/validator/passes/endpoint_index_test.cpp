#include "validator/passes/endpoint_index.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace vorn::endpoint_index {
namespace {

using types::ComponentId;
using Side = EndpointIndex::Side;

ComponentId endComponent(const types::Connection& connection, Side side) {
  return side == Side::destination ? connection.to.component : connection.from.component;
}
std::string_view endPort(const types::Connection& connection, Side side) {
  return side == Side::destination ? connection.to.port : connection.from.port;
}

// Random modules, including ends on unresolved ids and ids past the last
// component (they share one slot) and ports that are prefixes of each other,
// checked against a scan of all connections.
TEST(EndpointIndex, AgreesWithAScanOfAllConnections) {
  constexpr std::string_view kPorts[] = {"a", "b", "in", "out", "i", "outer", ""};
  std::mt19937 random(26);
  for (int round = 0; round < 300; ++round) {
    types::Module module;
    const std::uint32_t components = random() % 12;
    for (std::uint32_t id = 0; id < components; ++id) module.components.push_back(types::Component{{}, {}, {id}, {}});
    auto someId = [&] {
      const std::uint32_t pick = random() % 10;
      if (pick == 0) return ComponentId{types::kUnresolvedId};
      if (pick == 1) return ComponentId{components + static_cast<std::uint32_t>(random() % 3)};
      return ComponentId{components == 0 ? 0 : static_cast<std::uint32_t>(random() % components)};
    };
    const std::size_t connections = random() % 40;
    for (std::size_t i = 0; i < connections; ++i) {
      module.connections.push_back(types::Connection{
          {kPorts[random() % std::size(kPorts)], someId()}, {kPorts[random() % std::size(kPorts)], someId()}, {}});
    }
    for (Side side : {Side::destination, Side::source}) {
      const EndpointIndex index(module, side);
      std::vector<ComponentId> ids{ComponentId{types::kUnresolvedId}};
      for (std::uint32_t id = 0; id < components + 3; ++id) ids.push_back(ComponentId{id});
      for (ComponentId id : ids) {
        for (std::string_view port : kPorts) {
          std::vector<std::size_t> expected;
          for (std::size_t i = 0; i < module.connections.size(); ++i) {
            if (endComponent(module.connections[i], side) == id && endPort(module.connections[i], side) == port) {
              expected.push_back(i);
            }
          }
          std::vector<std::size_t> walked;
          for (std::size_t i = index.first(id, port); i != EndpointIndex::kNone; i = index.next(i)) walked.push_back(i);
          ASSERT_EQ(walked, expected) << "round " << round << " id " << id.value << " port '" << port << "'";
          ASSERT_EQ(index.contains(id, port), !expected.empty());
          for (std::size_t i : expected) ASSERT_EQ(index.groupSize(i), expected.size());
        }
      }
    }
  }
}

}  // namespace
}  // namespace vorn::endpoint_index
