// Random acyclic projects (built-in gates, anonymous gates, sub-circuit files
// instantiated several times, declarations in any order) go through the
// whole pipeline from files on disk to a truth table, and every cell is
// compared with a plain recursive boolean evaluation of the same circuit.
// Fast and slow paths into one gate are common here, so a simulator that
// settles on a stale pending event shows up as wrong cells.
// The same run also writes a value change dump, read back here: each output's
// value at the end of each row must be the table's cell, and each change must
// be an Updating line of the trace for a component of that name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <tuple>
#include <string>
#include <variant>
#include <vector>

#include "core/text_arena.hpp"
#include "log/log.hpp"
#include "testing/captured_log.hpp"
#include "testing/project_from_files.hpp"
#include "testing/temp_tree.hpp"
#include "topology/full_serializer.hpp"
#include "truth_table/builder.hpp"
#include "truth_table/vcd.hpp"
#include "testing/random.hpp"

namespace vorn {
namespace {

using testing::Random;

enum class Op { and_gate, not_gate, wire, led, or_gate, nand, nor, xor_gate, xnor, sub };

struct OpInfo {
  const char* type;
  std::vector<std::string> ports;
};

const OpInfo& infoOf(Op op) {
  static const std::map<Op, OpInfo> table = {
      {Op::and_gate, {"and", {"a", "b"}}}, {Op::not_gate, {"not", {"in"}}},     {Op::wire, {"wire", {"in"}}},
      {Op::led, {"led", {"in"}}},          {Op::or_gate, {"or", {"a", "b"}}},   {Op::nand, {"nand", {"a", "b"}}},
      {Op::nor, {"nor", {"a", "b"}}},      {Op::xor_gate, {"xor", {"a", "b"}}}, {Op::xnor, {"xnor", {"a", "b"}}},
  };
  return table.at(op);
}

// A signal is an input pin of the module or one output of a gate.
struct Signal {
  int input = -1;
  int gate = -1;
  int port = 0;  // output index of the gate
};

struct Gate {
  Op op = Op::and_gate;
  int sub = -1;               // module index for Op::sub
  std::vector<int> operands;  // one signal per input port, in port order
  std::string name;           // empty: written in place where it is read
};

struct Module {
  std::vector<std::string> inputs;
  std::vector<Gate> gates;
  std::vector<Signal> signals;
  std::vector<std::string> output_names;
  std::vector<int> outputs;  // the signal driving each output
};

// Module 0 is the root; module i > 0 is the file "m<i>.vorn" imported as m<i>
// and may instantiate modules i + 1 and up.
struct Circuit {
  std::vector<Module> modules;
};

std::vector<std::string> portsOf(const Circuit& circuit, const Gate& gate) {
  return gate.op == Op::sub ? circuit.modules[gate.sub].inputs : infoOf(gate.op).ports;
}

std::vector<std::string> outputsOf(const Circuit& circuit, const Gate& gate) {
  return gate.op == Op::sub ? circuit.modules[gate.sub].output_names : std::vector<std::string>{"out"};
}

// --- Generation -------------------------------------------------------------

int pickSignal(Random& random, const Module& module) {
  int count = int(module.signals.size());
  // Mostly recent signals, for depth and for paths of unequal length.
  if (random.chance(60)) return count - 1 - random.below(std::min(count, 6));
  return random.below(count);
}

Op pickOp(Random& random, bool may_instantiate) {
  if (may_instantiate && random.chance(15)) return Op::sub;
  static const Op ops[] = {Op::and_gate, Op::and_gate, Op::not_gate, Op::not_gate, Op::wire, Op::led,
                           Op::or_gate,  Op::nand,     Op::nor,      Op::xor_gate, Op::xnor};
  return ops[random.below(int(std::size(ops)))];
}

void addGates(Random& random, Circuit& circuit, int index, int count) {
  Module& module = circuit.modules[index];
  int first_sub = index + 1;
  int sub_count = int(circuit.modules.size()) - first_sub;
  for (int g = 0; g < count; ++g) {
    Gate gate;
    gate.op = pickOp(random, sub_count > 0);
    if (gate.op == Op::sub) gate.sub = first_sub + random.below(sub_count);
    for (std::size_t p = 0; p < portsOf(circuit, gate).size(); ++p) gate.operands.push_back(pickSignal(random, module));
    gate.name = "g" + std::to_string(g);
    int gate_index = int(module.gates.size());
    for (std::size_t out = 0; out < outputsOf(circuit, gate).size(); ++out) {
      module.signals.push_back({-1, gate_index, int(out)});
    }
    module.gates.push_back(std::move(gate));
  }
}

void addOutputs(Random& random, Module& module, std::vector<std::string> names) {
  for (std::string& name : names) {
    module.output_names.push_back(std::move(name));
    // The latest signals most of the time, so that most gates matter.
    int count = int(module.signals.size());
    module.outputs.push_back(random.chance(70) ? count - 1 - random.below(std::min(count, 4)) : random.below(count));
  }
}

// A gate read exactly once, only through an output named "out", may be
// written in place as an anonymous instance.
void makeSomeAnonymous(Random& random, const Circuit& circuit, Module& module) {
  std::vector<int> reads(module.signals.size(), 0);
  for (const Gate& gate : module.gates) {
    for (int operand : gate.operands) ++reads[operand];
  }
  for (int output : module.outputs) ++reads[output];
  for (std::size_t s = 0; s < module.signals.size(); ++s) {
    const Signal& signal = module.signals[s];
    if (signal.gate < 0) continue;
    Gate& gate = module.gates[signal.gate];
    if (outputsOf(circuit, gate)[signal.port] != "out" || reads[s] != 1) continue;
    bool other_outputs_read = false;
    for (std::size_t t = 0; t < module.signals.size(); ++t) {
      if (t != s && module.signals[t].gate == signal.gate && reads[t] > 0) other_outputs_read = true;
    }
    if (!other_outputs_read && random.chance(40)) gate.name.clear();
  }
}

Circuit generate(std::uint64_t seed) {
  Random random(seed);
  Circuit circuit;
  int files = random.between(0, 3);
  circuit.modules.resize(1 + files);
  // Sub-circuit files first, deepest last, so that each may use the later ones.
  for (int index = files; index >= 1; --index) {
    Module& module = circuit.modules[index];
    int inputs = random.between(1, 3);
    for (int i = 0; i < inputs; ++i) {
      module.inputs.push_back("p" + std::to_string(i));
      module.signals.push_back({i, -1, 0});
    }
    addGates(random, circuit, index, random.between(1, 8));
    std::vector<std::string> names = {random.chance(70) ? "out" : "q0"};
    if (random.chance(50)) names.push_back("q1");
    addOutputs(random, module, names);
    makeSomeAnonymous(random, circuit, module);
  }
  Module& root = circuit.modules[0];
  int inputs = random.between(3, 7);
  for (int i = 0; i < inputs; ++i) {
    root.inputs.push_back("i" + std::to_string(i));
    root.signals.push_back({i, -1, 0});
  }
  addGates(random, circuit, 0, random.between(4, 40));
  std::vector<std::string> names;
  for (int i = random.between(1, 4); i > 0; --i) names.push_back("y" + std::to_string(names.size()));
  addOutputs(random, root, names);
  makeSomeAnonymous(random, circuit, root);
  return circuit;
}

// --- Source text ------------------------------------------------------------

std::string typeName(const Gate& gate) {
  return gate.op == Op::sub ? "m" + std::to_string(gate.sub) : infoOf(gate.op).type;
}

std::string reference(Random& random, const Circuit& circuit, const Module& module, int signal_index);

std::string bindings(Random& random, const Circuit& circuit, const Module& module, const Gate& gate) {
  std::vector<std::string> ports = portsOf(circuit, gate);
  std::vector<std::size_t> order(ports.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (random.chance(30)) std::reverse(order.begin(), order.end());
  std::string text = "(";
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k > 0) text += ", ";
    text += ports[order[k]] + "=" + reference(random, circuit, module, gate.operands[order[k]]);
  }
  return text + ")";
}

std::string reference(Random& random, const Circuit& circuit, const Module& module, int signal_index) {
  const Signal& signal = module.signals[signal_index];
  if (signal.input >= 0) return module.inputs[signal.input];
  const Gate& gate = module.gates[signal.gate];
  if (gate.name.empty()) return typeName(gate) + bindings(random, circuit, module, gate) + ".out";
  if (gate.op == Op::sub) return gate.name + "." + circuit.modules[gate.sub].output_names[signal.port];
  return random.chance(50) ? gate.name : gate.name + ".out";
}

std::string fileName(int index) { return "m" + std::to_string(index) + ".vorn"; }

std::string sourceOf(Random& random, const Circuit& circuit, int index) {
  const Module& module = circuit.modules[index];
  std::string text = "// random circuit\n";
  std::vector<bool> imported(circuit.modules.size(), false);
  for (const Gate& gate : module.gates) {
    if (gate.op == Op::sub) imported[gate.sub] = true;
  }
  for (std::size_t m = 0; m < imported.size(); ++m) {
    if (imported[m]) text += "import m" + std::to_string(m) + " \"" + fileName(int(m)) + "\"\n";
  }
  std::vector<std::string> lines;
  // Inputs in groups of one to three names per line.
  for (std::size_t i = 0; i < module.inputs.size();) {
    std::string line = "input " + module.inputs[i++];
    for (int more = random.below(3); more > 0 && i < module.inputs.size(); --more) line += ", " + module.inputs[i++];
    lines.push_back(line);
  }
  for (const Gate& gate : module.gates) {
    if (!gate.name.empty()) lines.push_back(typeName(gate) + " " + gate.name + bindings(random, circuit, module, gate));
  }
  for (std::size_t o = 0; o < module.outputs.size(); ++o) {
    lines.push_back("output " + module.output_names[o] +
                    "(in=" + reference(random, circuit, module, module.outputs[o]) + ")");
  }
  for (std::size_t i = lines.size(); i > 1; --i) std::swap(lines[i - 1], lines[random.below(int(i))]);
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// --- Reference evaluation ---------------------------------------------------

std::vector<bool> evaluate(const Circuit& circuit, int index, const std::vector<bool>& inputs);

struct Evaluation {
  const Circuit& circuit;
  const Module& module;
  const std::vector<bool>& inputs;
  std::vector<std::vector<bool>> gate_outputs;  // empty until evaluated

  bool signal(int index) {
    const Signal& s = module.signals[index];
    if (s.input >= 0) return inputs[s.input];
    return gate(s.gate)[s.port];
  }

  const std::vector<bool>& gate(int index) {
    if (!gate_outputs[index].empty()) return gate_outputs[index];
    const Gate& g = module.gates[index];
    std::vector<bool> in;
    for (int operand : g.operands) in.push_back(signal(operand));
    std::vector<bool> out;
    switch (g.op) {
      case Op::and_gate: out = {in[0] && in[1]}; break;
      case Op::not_gate: out = {!in[0]}; break;
      case Op::wire:
      case Op::led: out = {in[0]}; break;
      case Op::or_gate: out = {in[0] || in[1]}; break;
      case Op::nand: out = {!(in[0] && in[1])}; break;
      case Op::nor: out = {!(in[0] || in[1])}; break;
      case Op::xor_gate: out = {in[0] != in[1]}; break;
      case Op::xnor: out = {in[0] == in[1]}; break;
      case Op::sub: out = evaluate(circuit, g.sub, in); break;
    }
    return gate_outputs[index] = out;
  }
};

std::vector<bool> evaluate(const Circuit& circuit, int index, const std::vector<bool>& inputs) {
  const Module& module = circuit.modules[index];
  Evaluation evaluation{circuit, module, inputs, std::vector<std::vector<bool>>(module.gates.size())};
  std::vector<bool> outputs;
  for (int output : module.outputs) outputs.push_back(evaluation.signal(output));
  return outputs;
}

// --- Pipeline ---------------------------------------------------------------

// A truth table with its own copies of the pin names.
struct Table {
  std::vector<std::string> inputs;
  std::vector<std::string> outputs;
  std::vector<std::vector<builder::State>> rows;  // by input bits
  std::string vcd;
  std::string trace;
  // Every named component as "root." + instance aliases + "." + name (the
  // generated names need no escaping), with the ids that carry the name.
  std::map<std::string, std::set<std::uint32_t>> ids_of_path;
};

// The truth table of the root file, or a message saying which stage failed.
std::variant<Table, std::string> truthTable(const std::string& root) {
  TextArena arena;
  auto project = testing::projectFromFiles(arena, root);
  if (!project) return project.error();
  auto topology = full_serializer::buildFromProject(*project);
  if (!topology) return std::string("topology");
  Table table;
  vcd::Recorder recorder(*topology, "root");
  testing::CapturedLog log;
  auto built = builder::build(*topology, &recorder);
  if (!built) return std::string("truth table");
  table.vcd = recorder.finish();
  table.trace = log.text();
  for (const auto& record : topology->components) {
    if (record.name.empty()) continue;
    std::string path = "root.";
    for (const auto& frame : record.origin) path += frame.alias + ".";
    table.ids_of_path[path + record.name].insert(record.id);
  }
  for (const builder::PinRef& pin : built->header.inputs) table.inputs.emplace_back(pin.name);
  for (const builder::PinRef& pin : built->header.outputs) table.outputs.emplace_back(pin.name);
  for (const builder::Row& row : built->rows) {
    if (row.input_bits != table.rows.size()) return std::string("row order");
    table.rows.emplace_back(row.outputs.begin(), row.outputs.end());
  }
  return table;
}

struct Outcome {
  std::string failure;  // empty when every cell agrees
  std::string sources;
};

// --- The value change dump, read back -----------------------------------------

// Empty when the dump agrees with the table and the trace, else what differs.
std::string checkDump(const Table& table) {
  std::istringstream in(table.vcd);
  std::string line;
  std::vector<std::string> scope;
  std::map<std::string, std::string> path_of_code;
  std::string row_code;
  while (std::getline(in, line) && line != "$enddefinitions $end") {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.size() == 4 && w[0] == "$scope") scope.push_back(w[2]);
    if (w.size() == 2 && w[0] == "$upscope") scope.pop_back();
    if (w.size() == 6 && w[0] == "$var") {
      std::string path;
      for (const std::string& s : scope) path += s + ".";
      if (w[1] == "integer" && w[4] == "row") {
        row_code = w[3];
      } else if (w[1] == "wire" && w[2] == "1") {
        path_of_code[w[3]] = path + w[4];
      } else {
        return "unexpected declaration: " + line;
      }
    }
  }
  if (row_code.empty()) return "no row variable";
  if (path_of_code.size() != table.ids_of_path.size()) return "not one variable per named component";

  // (time, id, state) of every Updating line, as a set and in trace order.
  std::set<std::tuple<std::uint64_t, std::uint32_t, char>> updates;
  std::vector<std::tuple<std::uint64_t, std::uint32_t, char>> update_list;
  std::istringstream trace(table.trace);
  const std::string prefix = "info(log): [Time: ";
  while (std::getline(trace, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::uint64_t time = std::stoull(line.substr(prefix.size()));
    std::size_t id_at = line.find("id=") + 3;
    std::uint32_t id = std::uint32_t(std::stoul(line.substr(id_at)));
    std::string state = line.substr(line.rfind(' ') + 1);
    updates.insert({time, id, state == "low" ? '0' : state == "high" ? '1' : 'x'});
    update_list.push_back({time, id, state == "low" ? '0' : state == "high" ? '1' : 'x'});
  }
  std::map<std::uint32_t, std::string> code_of_id;
  for (const auto& [code, path] : path_of_code) {
    for (std::uint32_t id : table.ids_of_path.at(path)) code_of_id[id] = code;
  }
  std::vector<std::tuple<std::uint64_t, std::string, char>> changes;  // after $dumpvars

  std::map<std::string, char> value;
  for (const auto& [code, path] : path_of_code) value[code] = 'x';
  auto output_cells = [&](std::vector<builder::State>& cells) {
    cells.clear();
    for (const std::string& name : table.outputs) {
      for (const auto& [code, path] : path_of_code) {
        if (path != "root." + name) continue;
        char v = value[code];
        cells.push_back(v == '0' ? builder::State::low : v == '1' ? builder::State::high : builder::State::undef);
      }
    }
  };
  std::uint64_t time = 0;
  bool have_time = false;
  std::size_t row = 0;
  bool in_dumpvars = false;
  std::vector<builder::State> cells;
  while (std::getline(in, line)) {
    if (line == "$dumpvars") {
      in_dumpvars = true;
      continue;
    }
    if (line == "$end") {
      in_dumpvars = false;
      continue;
    }
    if (line[0] == '#') {
      std::uint64_t next = std::stoull(line.substr(1));
      if (have_time && next <= time) return "times out of order at " + line;
      time = next;
      have_time = true;
      continue;
    }
    if (line[0] == 'b') {
      std::size_t space = line.find(' ');
      if (line.substr(space + 1) != row_code) return "vector change of a wire: " + line;
      std::size_t next = std::stoull(line.substr(1, space - 1), nullptr, 2);
      if (in_dumpvars) {
        if (next != 0) return "row does not start at 0";
        continue;
      }
      if (next != row + 1) return "row " + std::to_string(next) + " follows row " + std::to_string(row);
      // Everything before this time belongs to the row that ends here.
      output_cells(cells);
      if (cells != table.rows[row]) return "outputs at the end of row " + std::to_string(row) + " differ";
      row = next;
      continue;
    }
    std::string code = line.substr(1);
    if (!path_of_code.contains(code)) return "unknown code in " + line;
    char v = line[0];
    value[code] = v;
    if (in_dumpvars) continue;
    changes.push_back({time, code, v});
    bool traced = false;
    for (std::uint32_t id : table.ids_of_path.at(path_of_code[code]))
      traced = traced || updates.contains({time, id, v});
    if (!traced) return "no Updating line for " + path_of_code[code] + " -> " + v + " at " + std::to_string(time);
  }
  if (row + 1 != table.rows.size()) return "the dump has " + std::to_string(row + 1) + " rows";
  output_cells(cells);
  if (cells != table.rows[row]) return "outputs at the end of the last row differ";

  // And the other way round: at the end of every traced time, each named
  // component the trace changed has in the dump the value the trace left.
  std::map<std::string, char> dumped;
  for (const auto& [code, path] : path_of_code) dumped[code] = 'x';
  std::size_t next_change = 0;
  for (std::size_t u = 0; u < update_list.size();) {
    std::uint64_t at = std::get<0>(update_list[u]);
    while (next_change < changes.size() && std::get<0>(changes[next_change]) <= at) {
      dumped[std::get<1>(changes[next_change])] = std::get<2>(changes[next_change]);
      ++next_change;
    }
    std::map<std::uint32_t, char> last;
    for (; u < update_list.size() && std::get<0>(update_list[u]) == at; ++u) {
      last[std::get<1>(update_list[u])] = std::get<2>(update_list[u]);
    }
    for (const auto& [id, v] : last) {
      auto code = code_of_id.find(id);
      if (code != code_of_id.end() && dumped[code->second] != v) {
        return "the dump misses " + path_of_code[code->second] + " -> " + v + " at " + std::to_string(at);
      }
    }
  }
  return "";
}

Outcome check(std::uint64_t seed) {
  Circuit circuit = generate(seed);
  Random text_random(seed ^ 0x5DEECE66Dull);
  testing::TempTree directory;
  Outcome outcome;
  for (std::size_t m = 0; m < circuit.modules.size(); ++m) {
    std::string name = m == 0 ? "root.vorn" : fileName(int(m));
    std::string text = sourceOf(text_random, circuit, int(m));
    directory.write(name, text);
    outcome.sources += "--- " + name + "\n" + text;
  }
  const Module& root = circuit.modules[0];
  auto built = truthTable(directory.path("root.vorn"));
  if (auto* stage = std::get_if<std::string>(&built)) {
    outcome.failure = *stage + " failed";
    return outcome;
  }
  const Table& table = std::get<Table>(built);
  // Columns follow declaration order, which was shuffled: match by name.
  std::vector<int> input_of_column;
  for (const std::string& name : table.inputs) {
    auto found = std::find(root.inputs.begin(), root.inputs.end(), name);
    input_of_column.push_back(found == root.inputs.end() ? -1 : int(found - root.inputs.begin()));
  }
  std::vector<int> output_of_column;
  for (const std::string& name : table.outputs) {
    auto found = std::find(root.output_names.begin(), root.output_names.end(), name);
    output_of_column.push_back(found == root.output_names.end() ? -1 : int(found - root.output_names.begin()));
  }
  std::vector<int> sorted_inputs = input_of_column, sorted_outputs = output_of_column;
  std::sort(sorted_inputs.begin(), sorted_inputs.end());
  std::sort(sorted_outputs.begin(), sorted_outputs.end());
  std::vector<int> all_inputs(root.inputs.size()), all_outputs(root.outputs.size());
  for (std::size_t i = 0; i < all_inputs.size(); ++i) all_inputs[i] = int(i);
  for (std::size_t i = 0; i < all_outputs.size(); ++i) all_outputs[i] = int(i);
  if (sorted_inputs != all_inputs || sorted_outputs != all_outputs) {
    outcome.failure = "table columns differ from the declared pins";
    return outcome;
  }
  if (table.rows.size() != (std::size_t(1) << root.inputs.size())) {
    outcome.failure = "wrong row count";
    return outcome;
  }
  for (std::size_t bits = 0; bits < table.rows.size(); ++bits) {
    std::vector<bool> inputs(root.inputs.size());
    for (std::size_t c = 0; c < input_of_column.size(); ++c) inputs[input_of_column[c]] = (bits >> c) & 1;
    std::vector<bool> expected = evaluate(circuit, 0, inputs);
    for (std::size_t c = 0; c < output_of_column.size(); ++c) {
      builder::State want = expected[output_of_column[c]] ? builder::State::high : builder::State::low;
      if (table.rows[bits][c] != want) {
        std::ostringstream message;
        message << "row " << bits << ", output " << root.output_names[output_of_column[c]] << ": got "
                << int(table.rows[bits][c]) << ", expected " << int(want) << " (0 low, 1 high, 2 undefined)";
        outcome.failure = message.str();
        return outcome;
      }
    }
  }
  outcome.failure = checkDump(table);
  return outcome;
}

TEST(RandomCircuits, TruthTablesMatchABooleanEvaluation) {
  constexpr std::uint64_t kCircuits = 400;
  int failed = 0;
  for (std::uint64_t seed = 1; seed <= kCircuits; ++seed) {
    Outcome outcome = check(seed);
    if (outcome.failure.empty()) continue;
    ++failed;
    // The sources of the first few are enough to reproduce by hand.
    if (failed <= 3) {
      ADD_FAILURE() << "seed " << seed << ": " << outcome.failure << "\n" << outcome.sources;
    } else {
      ADD_FAILURE() << "seed " << seed << ": " << outcome.failure;
    }
  }
  EXPECT_EQ(failed, 0) << failed << " of " << kCircuits << " circuits disagree";
}

}  // namespace
}  // namespace vorn
