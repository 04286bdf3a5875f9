#include "circuit/topology_loader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <random>
#include <vector>

#include "log/log.hpp"

namespace vorn::circuit {
namespace {

// Kind bytes to engine types, names and delays, from the documented tables
// rather than from the code.
TEST(EngineTypeOf, KindBytesGiveTheEngineTypeWithItsNameAndDelay) {
  struct Row {
    uint8_t kind_byte;
    ComponentType type;
    const char* name;
    uint64_t delay;
  };
  const Row rows[] = {
      {0, ComponentType::input_pin_gate, "input_pin_gate", 5},
      {1, ComponentType::not_gate, "not_gate", 5},
      {2, ComponentType::and_gate, "and_gate", 5},
      {3, ComponentType::wire, "wire", 1},
      {4, ComponentType::led, "led", 1},
      {5, ComponentType::output_pin, "output_pin", 1},
  };
  for (const Row& row : rows) {
    ComponentType type = ComponentType::and_gate;
    ASSERT_TRUE(engineTypeOf(row.kind_byte, type)) << int(row.kind_byte);
    EXPECT_EQ(type, row.type) << int(row.kind_byte);
    EXPECT_STREQ(typeName(type), row.name);
    EXPECT_EQ(delayOf(type), row.delay) << row.name;
  }
  for (int byte = 6; byte < 256; ++byte) {
    ComponentType type = ComponentType::led;
    EXPECT_FALSE(engineTypeOf(uint8_t(byte), type)) << byte;
    EXPECT_EQ(type, ComponentType::led);
  }
}

// Random records, with ids drawn from a narrow range (dense, with repeats) or
// a wide one (scattered), checked against an ordered map: each id finds the
// component of its last record, unknown ids find nothing, and every accepted
// connection reaches the named port of the right component.
TEST(TopologyLoader, FindsTheLastRecordOfEachIdAndConnectsThroughIt) {
  log::setSink(nullptr, nullptr);
  std::mt19937 random(17);
  for (int round = 0; round < 60; ++round) {
    const uint32_t count = random() % 200;
    const uint32_t id_range = round % 3 == 0 ? 0xFFFFFFFFu : round % 3 == 1 ? count + 1 : 3 * count + 80;
    Circuit circuit;
    ASSERT_EQ(circuit.init(), Status::ok);
    std::vector<std::pair<uint32_t, uint8_t>> records;
    uint32_t max_id = 0;
    for (uint32_t i = 0; i < count; ++i) {
      records.push_back({uint32_t(random() % (uint64_t(id_range) + 1)), uint8_t(random() % 6)});
      max_id = std::max(max_id, records.back().first);
    }
    TopologyLoader loader(circuit);
    ASSERT_TRUE(loader.init(count, max_id));
    std::map<uint32_t, Component*> oracle;
    for (auto [id, kind] : records) {
      ASSERT_EQ(loader.addComponent(id, kind), LoadStatus::ok);
      Component* made = circuit.nodes.back();
      ComponentType type;
      ASSERT_TRUE(engineTypeOf(kind, type));
      EXPECT_EQ(made->kind.type, type);
      EXPECT_EQ(made->id, id);
      oracle[id] = made;
    }
    for (auto [id, component] : oracle) ASSERT_EQ(loader.find(id), component) << "id " << id;
    for (int probe = 0; probe < 50; ++probe) {
      uint32_t id = random();
      if (!oracle.contains(id)) {
        EXPECT_EQ(loader.find(id), nullptr) << "id " << id;
      }
    }
    for (int link = 0; link < 40 && !oracle.empty(); ++link) {
      auto from = std::next(oracle.begin(), random() % oracle.size());
      auto to = std::next(oracle.begin(), random() % oracle.size());
      uint8_t port = random() % 4;
      ASSERT_EQ(loader.connect(from->first, to->first, port), LoadStatus::ok);
      const char* names[] = {"in", "a", "b", "out"};
      PortEntry* entry = to->second->kind.inputs.find(PortName(names[port], std::strlen(names[port])));
      ASSERT_NE(entry, nullptr);
      EXPECT_EQ(entry->components.back(), from->second);
    }
    if (!oracle.empty()) {
      uint32_t known = oracle.begin()->first;
      EXPECT_EQ(loader.connect(known, known, 4), LoadStatus::unknown_port);
      if (!oracle.contains(max_id + 1u)) {
        EXPECT_EQ(loader.connect(known, max_id + 1u, 0), LoadStatus::unknown_id);
      }
    }
    EXPECT_EQ(loader.addComponent(0, 6), LoadStatus::unknown_kind);
    loader.release();
    circuit.deinit();
  }
}

}  // namespace
}  // namespace vorn::circuit
