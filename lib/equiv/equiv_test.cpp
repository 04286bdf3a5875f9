// Verdicts against independent oracles: the truth-table builder's tables of
// both circuits (the engine itself), and --test's runner replaying every
// counterexample.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/text_arena.hpp"
#include "equiv/check.hpp"
#include "equiv/report.hpp"
#include "log/log.hpp"
#include "test_table/run.hpp"
#include "test_table/table.hpp"
#include "testing/project_from_files.hpp"
#include "testing/random.hpp"
#include "testing/temp_tree.hpp"
#include "topology/full_serializer.hpp"
#include "truth_table/row_driver.hpp"

namespace vorn::equiv {
namespace {

using builder::State;
using testing::Random;

// A random circuit over the gates a student writes: every gate reads inputs
// or earlier gates. Written once as it is and once rewritten, so that the
// text differs while the function does not (or differs by one mutation).
struct Gate {
  std::string op;             // and, or, xor, nand, nor, xnor, not, mux (the imported sub-circuit)
  std::vector<int> operands;  // negative: input -1 - i; else gate index
};

struct Design {
  int inputs = 0;
  std::vector<Gate> gates;
  std::vector<int> outputs;  // gate indices
};

// "{}" placeholders filled in order (g++ 12 has no std::format).
template <typename... Parts>
std::string fill(std::string_view pattern, const Parts&... parts) {
  std::vector<std::string> values;
  auto add = [&](const auto& part) {
    if constexpr (std::is_arithmetic_v<std::decay_t<decltype(part)>>) values.push_back(std::to_string(part));
    else values.push_back(std::string(part));
  };
  (add(parts), ...);
  std::string text;
  std::size_t next = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.substr(i, 2) == "{}") {
      text += values[next++];
      ++i;
    } else {
      text.push_back(pattern[i]);
    }
  }
  return text;
}

const std::vector<std::string> kBinaryOps = {"and", "or", "xor", "nand", "nor", "xnor"};

constexpr std::string_view kMux =
    "input s, x, y\n"
    "not ns(in=s)\n"
    "and p(a=ns.out, b=x)\n"
    "and q(a=s, b=y)\n"
    "or o(a=p.out, b=q.out)\n"
    "output out(in=o.out)\n";

Design randomDesign(Random& random, int inputs) {
  Design design;
  design.inputs = inputs;
  int gates = random.between(std::max(3, inputs / 2), inputs + 12);
  // Early gates read inputs, so that every input matters somewhere.
  for (int g = 0; g < gates; ++g) {
    auto pick = [&] {
      if (g == 0 || random.chance(45)) return -1 - random.below(inputs);
      return random.below(g);
    };
    Gate gate;
    int kind = random.below(10);
    if (kind == 0) {
      gate = {"not", {pick()}};
    } else if (kind == 1) {
      gate = {"mux", {pick(), pick(), pick()}};
    } else {
      gate = {kBinaryOps[random.below(static_cast<int>(kBinaryOps.size()))], {pick(), pick()}};
    }
    design.gates.push_back(gate);
  }
  int outputs = random.between(1, 4);
  for (int k = 0; k < outputs; ++k) design.outputs.push_back(gates - 1 - random.below(std::min(gates, 6)));
  return design;
}

// One mutation that may change the function: another operator, or another operand.
void mutate(Random& random, Design& design) {
  Gate& gate = design.gates[random.below(static_cast<int>(design.gates.size()))];
  if (gate.op != "not" && gate.op != "mux" && random.chance(50)) {
    std::string op = gate.op;
    while (op == gate.op) op = kBinaryOps[random.below(static_cast<int>(kBinaryOps.size()))];
    gate.op = op;
    return;
  }
  int& operand = gate.operands[random.below(static_cast<int>(gate.operands.size()))];
  operand = -1 - random.below(design.inputs);
}

// Writes the design as source. With `rewrite`, each gate is written in
// another form of the same function (De Morgan, double negation, xor
// expanded, a chain re-associated, the sub-circuit inlined) and the pins are
// declared in another order.
class Writer {
 public:
  Writer(Random& random, bool rewrite) : random_(random), rewrite_(rewrite) {}

  std::string write(const Design& design) {
    std::vector<int> order(design.inputs);
    for (int i = 0; i < design.inputs; ++i) order[i] = i;
    if (rewrite_) shuffle(order);
    text_ = "import mux \"mux.vorn\"\ninput ";
    for (int i = 0; i < design.inputs; ++i) text_ += fill("{}i{}", i > 0 ? ", " : "", order[i]);
    text_ += "\n";
    for (std::size_t g = 0; g < design.gates.size(); ++g) writeGate(design, static_cast<int>(g));
    std::vector<int> outputs(design.outputs.size());
    for (std::size_t k = 0; k < outputs.size(); ++k) outputs[k] = static_cast<int>(k);
    if (rewrite_) shuffle(outputs);
    for (int k : outputs) text_ += fill("output o{}(in={})\n", k, name(design.outputs[k]));
    return text_;
  }

 private:
  void shuffle(std::vector<int>& list) {
    for (std::size_t i = list.size(); i > 1; --i) std::swap(list[i - 1], list[random_.below(static_cast<int>(i))]);
  }

  static std::string name(int operand) { return operand < 0 ? fill("i{}", -1 - operand) : fill("g{}.out", operand); }

  std::string fresh() { return fill("t{}", temporaries_++); }

  std::string binary(std::string_view op, const std::string& a, const std::string& b) {
    std::string id = fresh();
    text_ += fill("{} {}(a={}, b={})\n", op, id, a, b);
    return id + ".out";
  }
  std::string inverter(const std::string& a) {
    std::string id = fresh();
    text_ += fill("not {}(in={})\n", id, a);
    return id + ".out";
  }
  void alias(int g, const std::string& source) { text_ += fill("wire g{}(in={})\n", g, source); }

  void writeGate(const Design& design, int g) {
    const Gate& gate = design.gates[g];
    std::vector<std::string> in;
    for (int operand : gate.operands) in.push_back(name(operand));
    if (!rewrite_) {
      if (gate.op == "not") text_ += fill("not g{}(in={})\n", g, in[0]);
      else if (gate.op == "mux") text_ += fill("mux g{}(s={}, x={}, y={})\n", g, in[0], in[1], in[2]);
      else text_ += fill("{} g{}(a={}, b={})\n", gate.op, g, in[0], in[1]);
      return;
    }
    if (random_.chance(25)) {
      // Double negation of an operand.
      in[0] = inverter(inverter(in[0]));
    }
    const std::string& a = in[0];
    if (gate.op == "not") return alias(g, binary(random_.chance(50) ? "nand" : "nor", a, a));
    if (gate.op == "mux") {
      std::string p = binary("and", inverter(a), in[1]);
      return alias(g, binary("or", p, binary("and", a, in[2])));
    }
    const std::string& b = in[1];
    if (gate.op == "and") {
      // Re-associated when an operand is itself an AND: (x&y)&b as x&(y&b).
      int inner = gate.operands[0];
      if (inner >= 0 && design.gates[inner].op == "and" && gate.operands.size() == 2 && in[0] == name(inner)) {
        const Gate& sub = design.gates[inner];
        return alias(g, binary("and", name(sub.operands[0]), binary("and", name(sub.operands[1]), b)));
      }
      return alias(g, inverter(binary("or", inverter(a), inverter(b))));
    }
    if (gate.op == "or") return alias(g, binary("nand", inverter(a), inverter(b)));
    if (gate.op == "nand") return alias(g, binary("or", inverter(a), inverter(b)));
    if (gate.op == "nor") return alias(g, binary("and", inverter(a), inverter(b)));
    std::string expanded = binary("or", binary("and", a, inverter(b)), binary("and", inverter(a), b));
    alias(g, gate.op == "xor" ? expanded : inverter(expanded));
  }

  Random& random_;
  bool rewrite_;
  std::string text_;
  int temporaries_ = 0;
};

struct Side {
  TextArena arena;
  types::Project project;
  full_format::FullTopology topology;
  builder::Header pins;

  Side(const testing::TempTree& tree, std::string_view name, const std::string& text) {
    std::string path = tree.write(name, text);
    auto built = testing::projectFromFiles(arena, path);
    EXPECT_TRUE(built) << (built ? "" : built.error()) << "\n" << text;
    if (!built) return;
    project = std::move(*built);
    auto flat = full_serializer::buildFromProject(project);
    EXPECT_TRUE(flat);
    if (flat) topology = std::move(*flat);
    pins = builder::readHeader(topology);
  }
};

// Every row of both circuits, the reference's rows re-indexed by the
// circuit's input order (names match); per output, the first differing row.
std::vector<std::optional<std::uint64_t>> oracle(const Side& circuit, const Side& reference) {
  auto mine = builder::build(circuit.topology);
  auto theirs = builder::build(reference.topology);
  EXPECT_TRUE(mine && theirs);
  std::vector<std::optional<std::uint64_t>> first(circuit.pins.outputs.size());
  if (!mine || !theirs) return first;
  const builder::Header& a = mine->header;
  const builder::Header& b = theirs->header;
  for (const builder::Row& row : mine->rows) {
    std::uint64_t other = 0;
    for (std::size_t i = 0; i < a.inputs.size(); ++i) {
      auto at = std::ranges::find(b.inputs, a.inputs[i].name, &builder::PinRef::name) - b.inputs.begin();
      other |= ((row.input_bits >> i) & 1) << at;
    }
    for (std::size_t k = 0; k < a.outputs.size(); ++k) {
      auto at = std::ranges::find(b.outputs, a.outputs[k].name, &builder::PinRef::name) - b.outputs.begin();
      if (!first[k] && row.outputs[k] != theirs->rows[other].outputs[at]) first[k] = row.input_bits;
    }
  }
  return first;
}

// The replay table printed under "replay:" fails on the circuit and passes
// on the reference.
void expectReplays(const Verdict& verdict, const Side& circuit, const Side& reference) {
  std::string text = renderText(verdict);
  std::size_t at = text.find("replay:\n");
  ASSERT_NE(at, std::string::npos) << text;
  std::string table_text = text.substr(at + 8);
  for (const Side* side : {&circuit, &reference}) {
    auto table = test_table::parseTestTable(table_text, side->pins);
    ASSERT_TRUE(table) << table_text;
    auto run = test_table::runTestTable(side->topology, side->pins, *table);
    ASSERT_TRUE(run);
    if (side == &circuit) EXPECT_LT(run->passed, table->rowCount()) << table_text;
    else EXPECT_EQ(run->passed, table->rowCount()) << table_text;
  }
}

TEST(EquivTest, VerdictsAgreeWithTruthTablesAndCounterexamplesReplay) {
  log::setSink(nullptr, nullptr);  // the oracle's trace is not looked at
  testing::TempTree tree;
  tree.write("mux.vorn", kMux);
  Random random(39);
  int proved = 0, differed = 0, compared = 0;
  for (int round = 0; round < 160; ++round) {
    // Mostly small enough for truth tables; every tenth up to 80 inputs
    // (past a 64-bit row number).
    int inputs = round % 10 == 9 ? random.between(17, 80) : random.between(1, 12);
    Design design = randomDesign(random, inputs);
    Writer plain(random, false);
    Side reference(tree, "reference.vorn", plain.write(design));
    bool mutated = random.chance(50);
    if (mutated) mutate(random, design);
    Writer rewriter(random, true);
    Side circuit(tree, "circuit.vorn", rewriter.write(design));
    ASSERT_FALSE(HasFailure()) << "round " << round;

    auto verdict = check(circuit.topology, reference.topology);
    ASSERT_TRUE(verdict) << "round " << round;
    if (!mutated) {
      EXPECT_TRUE(verdict->equivalent()) << "round " << round << "\n" << renderText(*verdict);
    }
    verdict->equivalent() ? ++proved : ++differed;
    for (const Counterexample& difference : verdict->differences) {
      EXPECT_NE(difference.circuit, difference.reference);
    }
    if (!verdict->equivalent()) expectReplays(*verdict, circuit, reference);
    if (inputs > 16) continue;
    ++compared;
    // The same differing outputs as the tables, each at its first differing row.
    auto first = oracle(circuit, reference);
    std::vector<std::optional<std::uint64_t>> found(first.size());
    for (const Counterexample& difference : verdict->differences) found[difference.output] = rowOf(difference.inputs);
    EXPECT_EQ(found, first) << "round " << round << "\n" << renderText(*verdict);
  }
  // Both verdicts are exercised, and most cases against the tables.
  EXPECT_GT(proved, 60);
  EXPECT_GT(differed, 30);
  EXPECT_GT(compared, 120);
}

// Flattened circuits as the engine sees them, beyond what the checks let
// through: ports with several drivers, components nothing drives (undefined
// for ever), outputs without a driver, and now and then a loop. Verdicts and
// counterexamples must match the two truth tables, the third value included.
full_format::FullTopology randomTopology(Random& random, bool loop) {
  using format::ComponentKind;
  using format::PortName;
  full_format::FullTopology topology;
  auto add = [&](ComponentKind kind, std::string name, bool inner) {
    full_format::FullComponentRecord record{
        std::move(name), {}, static_cast<std::uint32_t>(topology.components.size()) * 3 + 7, kind};
    if (inner) record.origin.push_back({"h", "sub", 1});
    topology.components.push_back(std::move(record));
    return topology.components.back().id;
  };
  auto connect = [&](std::uint32_t from, std::uint32_t to, PortName port) {
    topology.connections.push_back({from, to, static_cast<std::uint8_t>(port)});
  };
  std::vector<std::uint32_t> sources;
  int inputs = random.between(1, 5);
  for (int i = 0; i < inputs; ++i) sources.push_back(add(ComponentKind::input_pin, "i" + std::to_string(i), false));
  auto drivers = [&](std::uint32_t to, PortName port, int least) {
    int count = random.chance(15) ? least + 1 : least == 0 && random.chance(10) ? 0 : std::max(least, 1);
    for (int d = 0; d < count; ++d) connect(sources[random.below(static_cast<int>(sources.size()))], to, port);
  };
  static constexpr ComponentKind kKinds[] = {
      ComponentKind::and_gate, ComponentKind::and_gate, ComponentKind::not_gate,  ComponentKind::not_gate,
      ComponentKind::wire,     ComponentKind::led,      ComponentKind::input_pin, ComponentKind::output_pin};
  int components = random.between(2, 14);
  for (int c = 0; c < components; ++c) {
    ComponentKind kind = kKinds[random.below(8)];
    std::uint32_t id = add(kind, "c" + std::to_string(c), true);
    if (kind == ComponentKind::and_gate) {
      drivers(id, PortName::a, 1);
      drivers(id, PortName::b, 1);
    } else {
      drivers(id, PortName::in, 0);
    }
    sources.push_back(id);
  }
  if (loop) {
    // A later component back into an earlier gate's port.
    std::uint32_t from = sources.back();
    std::uint32_t at = static_cast<std::uint32_t>(inputs + random.below(components));
    bool gate = topology.components[at].kind == ComponentKind::and_gate;
    connect(from, sources[at], gate ? PortName::a : PortName::in);
  }
  int outputs = random.between(1, 3);
  for (int k = 0; k < outputs; ++k)
    drivers(add(ComponentKind::output_pin, "o" + std::to_string(k), false), PortName::in, 0);
  return topology;
}

// A copy with one connection moved to another driver, dropped or doubled.
full_format::FullTopology mutated(Random& random, full_format::FullTopology topology) {
  auto& connections = topology.connections;
  std::size_t at = static_cast<std::size_t>(random.below(static_cast<int>(connections.size())));
  int change = random.below(3);
  if (change == 0) {
    std::uint32_t to = connections[at].to_id;
    std::vector<std::uint32_t> earlier;
    for (const auto& record : topology.components) {
      if (record.id < to) earlier.push_back(record.id);
    }
    connections[at].from_id = earlier[random.below(static_cast<int>(earlier.size()))];
  } else if (change == 1 && connections[at].port == static_cast<std::uint8_t>(format::PortName::in)) {
    connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(at));
  } else {
    connections.push_back(connections[at]);
    connections.back().from_id = topology.components[0].id;
  }
  return topology;
}

TEST(EquivTest, ThreeValuedVerdictsAgreeWithTruthTables) {
  log::setSink(nullptr, nullptr);
  Random random(3939);
  int differed = 0, undefined_seen = 0, sequential = 0;
  for (int round = 0; round < 400; ++round) {
    bool loop = round % 4 == 3;
    full_format::FullTopology reference = randomTopology(random, loop);
    full_format::FullTopology circuit = random.chance(60) ? mutated(random, reference) : reference;
    auto mine = builder::build(circuit);
    auto theirs = builder::build(reference);
    auto verdict = check(circuit, reference);
    if (!mine || !theirs) {
      // Only a loop that keeps oscillating stops a table; the check stops too.
      ASSERT_TRUE(loop) << "round " << round;
      EXPECT_FALSE(verdict) << "round " << round;
      continue;
    }
    ASSERT_TRUE(verdict) << "round " << round;
    sequential += verdict->method == Method::sequential;
    std::vector<std::optional<std::uint64_t>> first(mine->header.outputs.size());
    for (std::size_t r = 0; r < mine->rows.size(); ++r) {
      for (std::size_t k = 0; k < first.size(); ++k) {
        undefined_seen += mine->rows[r].outputs[k] == State::undef;
        if (!first[k] && mine->rows[r].outputs[k] != theirs->rows[r].outputs[k]) first[k] = r;
      }
    }
    std::vector<std::optional<std::uint64_t>> found(first.size());
    for (const Counterexample& difference : verdict->differences) {
      found[difference.output] = rowOf(difference.inputs);
      std::uint64_t row = rowOf(difference.inputs);
      EXPECT_EQ(difference.circuit, mine->rows[row].outputs[difference.output]) << "round " << round;
      EXPECT_EQ(difference.reference, theirs->rows[row].outputs[difference.output]) << "round " << round;
    }
    EXPECT_EQ(found, first) << "round " << round << "\n" << renderText(*verdict);
    differed += !verdict->equivalent();
  }
  EXPECT_GT(differed, 60);
  EXPECT_GT(undefined_seen, 100);
  EXPECT_GT(sequential, 20);
}

}  // namespace
}  // namespace vorn::equiv
