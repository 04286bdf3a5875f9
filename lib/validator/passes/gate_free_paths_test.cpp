#include "validator/passes/gate_free_paths.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "testing/module_builder.hpp"
#include "validator/passes/combinational_loop.hpp"
#include "testing/diagnostic_lines.hpp"

namespace vorn {
namespace {

using testing::ModuleBuilder;

const char* const kInputs[] = {"a", "b", "c"};
const char* const kOutputs[] = {"x", "y"};

std::string alias(std::size_t file) { return "f" + std::to_string(file); }

bool isGate(const types::Component& component) {
  return component.kind.isPrimitive(types::PrimitiveKind::and_gate) ||
         component.kind.isPrimitive(types::PrimitiveKind::not_gate);
}

// The oracle: every instance expanded into the components of its file, and
// a search for a cycle among the non-gates of the whole expansion.
class Expansion {
 public:
  explicit Expansion(const types::Project& project) : project_(project) {}

  bool hasGateFreeCycle() {
    expand(0);
    const std::size_t count = gate_.size();
    std::vector<std::vector<std::size_t>> next(count);
    for (auto [from, to] : edges_) {
      if (!gate_[from] && !gate_[to]) next[from].push_back(to);
    }
    std::vector<int> degree(count, 0);
    for (const auto& list : next) {
      for (std::size_t to : list) ++degree[to];
    }
    std::vector<std::size_t> ready;
    for (std::size_t n = 0; n < count; ++n) {
      if (degree[n] == 0) ready.push_back(n);
    }
    std::size_t ordered = 0;
    while (!ready.empty()) {
      std::size_t n = ready.back();
      ready.pop_back();
      ++ordered;
      for (std::size_t to : next[n]) {
        if (--degree[to] == 0) ready.push_back(to);
      }
    }
    return ordered < count;
  }

 private:
  struct Placed {
    std::vector<std::size_t> node;   // by component: its own node (instances: none)
    std::vector<std::size_t> inner;  // by component: index into `placed_` of its expansion
  };

  // Expands file `file` (files only instantiate later ones, so this ends);
  // returns its index in placed_.
  std::size_t expand(std::size_t file) {
    const types::Module& module = project_.files[file];
    Placed placed;
    placed.node.assign(module.components.size(), SIZE_MAX);
    placed.inner.assign(module.components.size(), SIZE_MAX);
    for (std::size_t c = 0; c < module.components.size(); ++c) {
      const types::Component& component = module.components[c];
      if (component.kind.isSubCircuitRef()) {
        placed.inner[c] = expand(std::stoul(std::string(component.kind.sub_circuit_ref.name.substr(1))));
      } else {
        placed.node[c] = gate_.size();
        gate_.push_back(isGate(component));
      }
    }
    auto pin = [&](std::size_t inner, bool input, std::string_view name) -> std::size_t {
      const types::Module& target = *modules_[inner];
      for (const types::Component& component : target.components) {
        auto kind = input ? types::PrimitiveKind::input_pin : types::PrimitiveKind::output_pin;
        if (component.kind.isPrimitive(kind) && component.instance_name == name) {
          return placed_[inner].node[component.id.value];
        }
      }
      return SIZE_MAX;
    };
    for (const types::Connection& connection : module.connections) {
      const std::size_t from = connection.from.component.value, to = connection.to.component.value;
      if (from == to) continue;  // self-loops are reported on their own
      std::size_t source =
          placed.inner[from] != SIZE_MAX ? pin(placed.inner[from], false, connection.from.port) : placed.node[from];
      std::size_t target =
          placed.inner[to] != SIZE_MAX ? pin(placed.inner[to], true, connection.to.port) : placed.node[to];
      if (source != SIZE_MAX && target != SIZE_MAX) edges_.emplace_back(source, target);
    }
    placed_.push_back(std::move(placed));
    modules_.push_back(&module);
    return placed_.size() - 1;
  }

  const types::Project& project_;
  std::vector<bool> gate_;
  std::vector<std::pair<std::size_t, std::size_t>> edges_;
  std::vector<Placed> placed_;
  std::vector<const types::Module*> modules_;
};

// Files 1.. are loop-free: each component reads earlier signals, and a file
// instantiates only later files. The root wires anything to anything.
types::Project randomProject(std::mt19937& random) {
  auto below = [&](std::size_t bound) { return static_cast<std::size_t>(random() % bound); };
  types::Project project;
  const std::size_t files = 2 + below(4);
  std::vector<ModuleBuilder> builders;
  for (std::size_t f = 0; f < files; ++f) builders.emplace_back(static_cast<std::uint32_t>(f));
  auto addComponent = [&](std::size_t f, std::vector<std::uint32_t>& instances) {
    ModuleBuilder& b = builders[f];
    switch (below(f + 1 < files ? 6 : 4)) {
      case 0: return b.andGate("");
      case 1: return b.notGate("");
      case 2: return b.led("");
      case 3: return b.wire("");
      default: {
        std::size_t target = f + 1 + below(files - f - 1);
        auto id = b.subCircuit(alias(target), "");
        instances.push_back(id);
        return id;
      }
    }
  };
  auto portsOf = [&](const types::Component& component, bool input) -> std::vector<std::string_view> {
    if (component.kind.isSubCircuitRef()) {
      if (input) return {kInputs, kInputs + 3};
      return {kOutputs, kOutputs + 2};
    }
    if (!input) return {"out"};
    if (component.kind.isPrimitive(types::PrimitiveKind::and_gate)) return {"a", "b"};
    return {"in"};
  };
  for (std::size_t f = files; f-- > 1;) {
    ModuleBuilder& b = builders[f];
    std::vector<std::uint32_t> signals, instances;
    for (const char* name : kInputs) signals.push_back(b.input(name));
    const std::size_t count = below(8);
    for (std::size_t i = 0; i < count; ++i) {
      auto id = addComponent(f, instances);
      for (std::string_view port : portsOf(b.module().components[id], true)) {
        auto from = signals[below(signals.size())];
        auto from_ports = portsOf(b.module().components[from], false);
        b.connect(id, port, from, from_ports[below(from_ports.size())]);
      }
      signals.push_back(id);
    }
    for (const char* name : kOutputs) {
      auto from = signals[below(signals.size())];
      auto from_ports = portsOf(b.module().components[from], false);
      b.output(name, from, from_ports[below(from_ports.size())]);
    }
  }
  ModuleBuilder& root = builders[0];
  std::vector<std::uint32_t> instances;
  const std::size_t count = 1 + below(7);
  for (std::size_t i = 0; i < count; ++i) addComponent(0, instances);
  const std::size_t connections = below(14);
  for (std::size_t e = 0; e < connections; ++e) {
    auto to = static_cast<std::uint32_t>(below(count));
    auto from = static_cast<std::uint32_t>(below(count));
    const auto& components = root.module().components;
    auto in_ports = portsOf(components[to], true);
    auto out_ports = portsOf(components[from], false);
    root.connect(to, in_ports[below(in_ports.size())], from, out_ports[below(out_ports.size())]);
  }
  for (std::size_t f = 0; f < files; ++f) {
    for (std::size_t target = f + 1; target < files; ++target) {
      testing::addImport(project, alias(target), static_cast<std::uint32_t>(f), static_cast<std::uint32_t>(target));
    }
  }
  for (ModuleBuilder& b : builders) project.files.push_back(b.take());
  return project;
}

std::size_t loopsThroughSeveral(const std::vector<diagnostics::Diagnostic>& list) {
  std::size_t count = 0;
  for (const diagnostics::Diagnostic& diagnostic : list) {
    if (diagnostic.code == diagnostics::DiagnosticCode::E008 && diagnostic.notes.size() > 1) ++count;
  }
  return count;
}

TEST(GateFreePaths, RootLoopsAreExactlyTheGateFreeCyclesOfTheExpandedCircuit) {
  std::mt19937 random(20261207);
  int with_loops = 0, broken_by_instances = 0;
  for (int round = 0; round < 3000; ++round) {
    types::Project project = randomProject(random);
    const gate_free_paths::ProjectPaths paths(project);
    std::vector<diagnostics::Diagnostic> found, without_paths;
    combinational_loop::run(project.files[0], found, &paths);
    combinational_loop::run(project.files[0], without_paths);
    const bool expected = Expansion(project).hasGateFreeCycle();
    ASSERT_EQ(loopsThroughSeveral(found) > 0, expected) << "round " << round;
    with_loops += expected;
    broken_by_instances += !expected && loopsThroughSeveral(without_paths) > 0;
    // Self-loops stay reported whatever the instance holds.
    std::size_t self_loops = found.size() - loopsThroughSeveral(found);
    ASSERT_EQ(self_loops, without_paths.size() - loopsThroughSeveral(without_paths)) << "round " << round;
    bool any_instance = false;
    for (const types::Component& component : project.files[0].components) {
      any_instance = any_instance || component.kind.isSubCircuitRef();
    }
    if (!any_instance) {
      ASSERT_EQ(testing_render::render(found), testing_render::render(without_paths)) << "round " << round;
    }
  }
  // The rounds did exercise both sides.
  EXPECT_GT(with_loops, 300);
  EXPECT_GT(broken_by_instances, 100);
}

TEST(GateFreePaths, PairsThroughNestedFilesAndUnknownTargets) {
  types::Project project;
  // File 1: a reaches x through a wire; b reaches y through a not gate.
  ModuleBuilder inner(1);
  auto a = inner.input("a");
  auto b = inner.input("b");
  auto w = inner.wire("w");
  auto n = inner.notGate("n");
  inner.connect(w, "in", a);
  inner.connect(n, "in", b);
  inner.output("x", w);
  inner.output("y", n);
  // File 0: p -> inner.a -> x -> o (gate-free); q -> inner.b -> y -> o2
  // (gated); r -> an instance of an alias nobody imports -> o3.
  ModuleBuilder outer(0);
  auto p = outer.input("p");
  auto q = outer.input("q");
  auto r = outer.input("r");
  auto i = outer.subCircuit("f1", "i");
  auto ghost = outer.subCircuit("ghost", "g");
  outer.connect(i, "a", p);
  outer.connect(i, "b", q);
  outer.connect(ghost, "in", r);
  outer.output("o", i, "x");
  outer.output("o2", i, "y");
  outer.output("o3", ghost, "anything");
  project.files.push_back(outer.take());
  project.files.push_back(inner.take());
  testing::addImport(project, "f1", 0, 1);
  testing::addImport(project, "f0", 1, 0);  // a cycle: file 0 stays unknown to file 1
  const gate_free_paths::ProjectPaths paths(project);

  const auto* of_inner = paths.pathsOf(project.files[0], project.files[0].components[i]);
  ASSERT_NE(of_inner, nullptr);
  EXPECT_TRUE(of_inner->joins("a", "x"));
  EXPECT_FALSE(of_inner->joins("b", "y"));
  EXPECT_FALSE(of_inner->joins("a", "y"));
  EXPECT_FALSE(of_inner->joins("nope", "x"));
  EXPECT_EQ(paths.pathsOf(project.files[0], project.files[0].components[ghost]), nullptr);
  EXPECT_EQ(paths.pathsOf(project.files[0], project.files[0].components[p]), nullptr);

  ModuleBuilder probe(1);
  auto back = probe.subCircuit("f0", "back");
  const auto* of_outer = paths.pathsOf(project.files[1], probe.module().components[back]);
  // File 0 was open while file 1 was computed, but it is known by now: p
  // reaches o through file 1, r reaches o3 through the unknown instance.
  ASSERT_NE(of_outer, nullptr);
  EXPECT_TRUE(of_outer->joins("p", "o"));
  EXPECT_FALSE(of_outer->joins("q", "o2"));
  EXPECT_TRUE(of_outer->joins("r", "o3"));
  EXPECT_FALSE(of_outer->joins("p", "o3"));
}

}  // namespace
}  // namespace vorn
