#include "truth_table/builder.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "testing/captured_log.hpp"
#include "testing/module_builder.hpp"
#include "topology/full_serializer.hpp"

namespace vorn::builder {
namespace {

using format::ComponentKind;
using full_format::FullTopology;
using testing::CapturedLog;
using testing::ModuleBuilder;
using types::PrimitiveKind;

FullTopology notCircuit() {
  return *full_serializer::buildFromModule(testing::moduleFromSource("input a\nnot n(in=a)\noutput y(in=n.out)\n"));
}

FullTopology andCircuit() { return *full_serializer::buildFromModule(testing::andModule()); }

std::vector<State> outputsOf(const Table& table) {
  std::vector<State> cells;
  for (const Row& row : table.rows) cells.insert(cells.end(), row.outputs.begin(), row.outputs.end());
  return cells;
}

// The engine's trace for these two circuits is checked byte for byte by the
// tt_not_csv and tt_and_markdown end-to-end cases.
TEST(Builder, NotAndAndGates) {
  CapturedLog log;
  FullTopology inverter = notCircuit();
  auto table = build(inverter);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->header.inputs.size(), 1u);
  EXPECT_EQ(table->header.inputs[0].name, "a");
  EXPECT_EQ(table->header.outputs[0].name, "y");
  EXPECT_EQ(table->header.outputs[0].component_id, 2u);
  ASSERT_EQ(table->rows.size(), 2u);
  EXPECT_EQ(outputsOf(*table), (std::vector<State>{State::high, State::low}));
  EXPECT_GT(log.lines(), 0);

  // The first input is the least significant bit of the row number.
  FullTopology gate = andCircuit();
  table = build(gate);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->rows.size(), 4u);
  for (std::uint64_t r = 0; r < 4; ++r) EXPECT_EQ(table->rows[r].input_bits, r);
  EXPECT_EQ(outputsOf(*table), (std::vector<State>{State::low, State::low, State::low, State::high}));
}

TEST(Builder, UndrivenOutputsStayUndefined) {
  ModuleBuilder m;
  m.input("idle");  // drives nothing, still a column
  m.output("floating", types::kUnresolvedId);
  CapturedLog log;
  auto table = build(*full_serializer::buildFromModule(m.module()));
  ASSERT_TRUE(table);
  EXPECT_EQ(table->header.inputs.size(), 1u);
  EXPECT_EQ(outputsOf(*table), (std::vector<State>{State::undef, State::undef}));

  ModuleBuilder none;
  none.output("z", types::kUnresolvedId);
  auto single = build(*full_serializer::buildFromModule(none.module()));
  ASSERT_TRUE(single);
  ASSERT_EQ(single->rows.size(), 1u);
  EXPECT_EQ(single->rows[0].input_bits, 0u);
  EXPECT_EQ(single->rows[0].outputs[0], State::undef);
}

TEST(Builder, LimitsOnPins) {
  auto withInputs = [](int count, bool with_output) {
    ModuleBuilder m;
    for (int i = 0; i < count; ++i) m.input("i" + std::to_string(i));
    if (with_output) m.output("o", 0);
    return *full_serializer::buildFromModule(m.module());
  };
  CapturedLog log;
  EXPECT_EQ(build(withInputs(17, false)).error(), Error::TooManyInputs);
  EXPECT_EQ(build(withInputs(17, true)).error(), Error::TooManyInputs);
  EXPECT_EQ(build(withInputs(16, false)).error(), Error::NoOutputs);
  EXPECT_EQ(build(withInputs(0, false)).error(), Error::NoOutputs);

  auto sixteen = build(withInputs(16, true));
  ASSERT_TRUE(sixteen);
  ASSERT_EQ(sixteen->rows.size(), 65536u);
  EXPECT_EQ(sixteen->rows[65535].input_bits, 65535u);
  EXPECT_EQ(sixteen->rows[65534].outputs[0], State::low);  // o follows i0
  EXPECT_EQ(sixteen->rows[65535].outputs[0], State::high);
}

TEST(Builder, BrokenTopologiesAreInvalid) {
  CapturedLog log;
  FullTopology bad_port = notCircuit();
  bad_port.connections[0].port = 4;
  EXPECT_EQ(build(bad_port).error(), Error::InvalidTopology);

  FullTopology missing_id = notCircuit();
  missing_id.connections[1].to_id = 99;
  EXPECT_EQ(build(missing_id).error(), Error::InvalidTopology);

  // An AND gate whose "b" was never connected fails when it is recalculated.
  FullTopology half_and = andCircuit();
  half_and.connections.erase(half_and.connections.begin() + 1);
  EXPECT_EQ(build(half_and).error(), Error::InvalidTopology);

  // Scattered ids are looked up as well as dense ones.
  FullTopology scattered = notCircuit();
  for (auto& record : scattered.components) record.id = record.id * 1000003u + 7;
  for (auto& connection : scattered.connections) {
    connection.from_id = connection.from_id * 1000003u + 7;
    connection.to_id = connection.to_id * 1000003u + 7;
  }
  auto table = build(scattered);
  ASSERT_TRUE(table);
  EXPECT_EQ(outputsOf(*table), (std::vector<State>{State::high, State::low}));
}

TEST(Builder, OscillatingGateLoopFailsInsteadOfHanging) {
  // en AND NOT(itself): accepted by validation (a gate breaks the loop), but
  // it toggles for ever once en is high.
  FullTopology ring = *full_serializer::buildFromModule(testing::moduleFromSource(R"(input en
and g(a=en, b=n.out)
not n(in=g.out)
output q(in=n.out)
)"));
  CapturedLog log;
  EXPECT_EQ(build(ring).error(), Error::DidNotSettle);
}

TEST(Builder, CopiedTablesKeepTheirOwnCells) {
  CapturedLog log;
  FullTopology topology = andCircuit();
  auto built = build(topology);
  ASSERT_TRUE(built);
  Table copy = *built;
  built = Table{};
  EXPECT_EQ(outputsOf(copy), (std::vector<State>{State::low, State::low, State::low, State::high}));
  Table moved = std::move(copy);
  EXPECT_EQ(moved.rows[3].outputs[0], State::high);
}

// ---------------------------------------------------------------------------
// Random acyclic projects of AND and NOT gates and sub-circuits, with bodies
// declared in shuffled order (so drivers often follow what they feed): every
// row must equal a plain boolean evaluation of the same circuit.

struct Node {
  int type;  // 0 and, 1 not, 2 sub-circuit
  int target = 0;
  std::vector<std::pair<int, int>> sources;  // (node or -1 - input, output index of a sub-circuit)
  std::uint32_t id = 0;
};

struct RandomFile {
  int inputs = 0;
  std::vector<Node> nodes;
  std::vector<std::pair<int, int>> outputs;
};

const char* const kPins[] = {"p", "q", "r", "s", "t"};

std::vector<bool> evaluate(const std::vector<RandomFile>& files, int f, const std::vector<bool>& inputs) {
  const RandomFile& file = files[f];
  std::vector<std::vector<bool>> values(file.nodes.size());
  auto read = [&](std::pair<int, int> source) {
    return source.first < 0 ? inputs[-1 - source.first] : values[source.first][source.second];
  };
  for (std::size_t j = 0; j < file.nodes.size(); ++j) {
    const Node& node = file.nodes[j];
    if (node.type == 0) values[j] = {read(node.sources[0]) && read(node.sources[1])};
    if (node.type == 1) values[j] = {!read(node.sources[0])};
    if (node.type == 2) {
      std::vector<bool> bound;
      for (auto source : node.sources) bound.push_back(read(source));
      values[j] = evaluate(files, node.target, bound);
    }
  }
  std::vector<bool> result;
  for (auto source : file.outputs) result.push_back(read(source));
  return result;
}

TEST(Builder, AgreesWithBooleanEvaluationOfRandomCircuits) {
  std::mt19937 random(7);
  for (int round = 0; round < 60; ++round) {
    int file_count = 1 + round % 3;
    std::vector<RandomFile> files(file_count);
    for (int f = file_count - 1; f >= 0; --f) {
      RandomFile& file = files[f];
      file.inputs = 1 + static_cast<int>(random() % (f == 0 ? 5 : 3));
      auto pick = [&](int before) -> std::pair<int, int> {
        int choice = static_cast<int>(random() % (file.inputs + before));
        if (choice < file.inputs) return {-1 - choice, 0};
        int j = choice - file.inputs;
        const Node& node = file.nodes[j];
        return {j, node.type == 2 ? static_cast<int>(random() % files[node.target].outputs.size()) : 0};
      };
      int body = 1 + static_cast<int>(random() % 7);
      for (int j = 0; j < body; ++j) {
        Node node;
        node.type = static_cast<int>(random() % (f + 1 < file_count ? 3 : 2));
        if (node.type == 2) node.target = f + 1 + static_cast<int>(random() % (file_count - f - 1));
        int ports = node.type == 0 ? 2 : node.type == 1 ? 1 : files[node.target].inputs;
        for (int k = 0; k < ports; ++k) node.sources.push_back(pick(j));
        file.nodes.push_back(node);
      }
      int outputs = 1 + static_cast<int>(random() % 3);
      for (int o = 0; o < outputs; ++o) file.outputs.push_back(pick(body));
    }

    types::Project project;
    project.files.resize(file_count);
    for (int f = 0; f < file_count; ++f) {
      RandomFile& file = files[f];
      ModuleBuilder m(static_cast<std::uint32_t>(f));
      std::vector<std::uint32_t> input_ids;
      for (int i = 0; i < file.inputs; ++i) input_ids.push_back(m.input(kPins[i]));
      std::vector<int> order(file.nodes.size());
      for (std::size_t j = 0; j < order.size(); ++j) order[j] = static_cast<int>(j);
      std::shuffle(order.begin(), order.end(), random);
      for (int j : order) {
        Node& node = file.nodes[j];
        std::string name = "n" + std::to_string(j);
        node.id = node.type == 0   ? m.andGate(name)
                  : node.type == 1 ? m.notGate(name)
                                   : m.subCircuit("f" + std::to_string(node.target), name);
      }
      auto endpoint = [&](std::pair<int, int> source, std::uint32_t& id) -> std::string {
        if (source.first < 0) {
          id = input_ids[-1 - source.first];
          return "out";
        }
        const Node& node = file.nodes[source.first];
        id = node.id;
        return node.type == 2 ? std::string("o") + kPins[source.second] : "out";
      };
      for (const Node& node : file.nodes) {
        for (std::size_t k = 0; k < node.sources.size(); ++k) {
          std::uint32_t from;
          std::string port = endpoint(node.sources[k], from);
          std::string to_port = node.type == 0 ? (k == 0 ? "a" : "b") : node.type == 1 ? "in" : kPins[k];
          m.connect(node.id, to_port, from, port);
        }
      }
      for (std::size_t o = 0; o < file.outputs.size(); ++o) {
        std::uint32_t from;
        std::string port = endpoint(file.outputs[o], from);
        m.output(std::string("o") + kPins[o], from, port);
      }
      project.files[f] = m.module();
      for (int t = f + 1; t < file_count; ++t) {
        testing::addImport(project, "f" + std::to_string(t), f, t);
      }
    }

    auto topology = full_serializer::buildFromProject(project);
    ASSERT_TRUE(topology) << "round " << round << ": " << errorName(topology.error());
    CapturedLog log;
    auto table = build(*topology);
    ASSERT_TRUE(table) << "round " << round;
    ASSERT_EQ(table->rows.size(), std::size_t{1} << files[0].inputs);
    for (const Row& row : table->rows) {
      std::vector<bool> inputs;
      for (int i = 0; i < files[0].inputs; ++i) inputs.push_back((row.input_bits >> i) & 1);
      std::vector<bool> expected = evaluate(files, 0, inputs);
      ASSERT_EQ(row.outputs.size(), expected.size());
      for (std::size_t k = 0; k < expected.size(); ++k) {
        ASSERT_EQ(row.outputs[k], expected[k] ? State::high : State::low)
            << "round " << round << ", row " << row.input_bits << ", output " << k;
      }
    }
  }
}

}  // namespace
}  // namespace vorn::builder
