#include "validator/passes/combinational_loop.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>

#include "testing/module_builder.hpp"
#include "testing/diagnostic_lines.hpp"

namespace vorn {
namespace {

using testing::ModuleBuilder;
using testing_render::render;
using Lines = std::vector<std::string>;

Lines loops(const types::Module& module) {
  std::vector<diagnostics::Diagnostic> list;
  combinational_loop::run(module, list);
  return render(list);
}

TEST(CombinationalLoop, TwoWiresFeedingEachOther) {
  ModuleBuilder b;
  auto w0 = b.wire("w0");
  auto w1 = b.wire("w1");
  b.connect(w0, "in", w1);
  b.connect(w1, "in", w0);
  EXPECT_EQ(
      loops(b.module()),
      (Lines{
          "1:1 E008 combinational loop detected | 1:1 cycle includes component 0 | 2:1 cycle includes component 1"}));
}

TEST(CombinationalLoop, GatesBreakLoopsButSubCircuitsDoNot) {
  ModuleBuilder gates;
  auto n0 = gates.notGate("n0");
  auto n1 = gates.notGate("n1");
  auto w = gates.wire("w");
  gates.connect(n1, "in", n0);
  gates.connect(w, "in", n1);
  gates.connect(n0, "in", w);
  EXPECT_TRUE(loops(gates.module()).empty());

  ModuleBuilder macros;
  auto r0 = macros.subCircuit("nor", "r0");
  auto r1 = macros.subCircuit("nor", "r1");
  auto u = macros.unresolved("zz", "u");
  macros.connect(r1, "a", r0);
  macros.connect(r0, "a", r1);
  macros.connect(u, "x", r1, "q");
  macros.connect(r1, "b", u, "q");
  EXPECT_EQ(
      loops(macros.module()),
      (Lines{
          "1:1 E008 combinational loop detected | 1:1 cycle includes component 0 | 2:1 cycle includes component 1",
          "2:1 E008 combinational loop detected | 2:1 cycle includes component 1 | 3:1 cycle includes component 2",
      }));
}

TEST(CombinationalLoop, SelfLoopsOfEveryKindOncePerConnection) {
  ModuleBuilder b;
  auto n = b.notGate("n");
  auto g = b.andGate("g");
  auto w = b.wire("w");
  b.connect(n, "in", n);
  b.connect(g, "a", g);
  b.connect(g, "b", g);
  b.connect(50, "in", 50);  // nothing there
  b.connect(w, "in", w, "q");
  EXPECT_EQ(loops(b.module()), (Lines{
                                   "1:1 E008 combinational loop detected | 1:1 cycle includes component 0",
                                   "2:1 E008 combinational loop detected | 2:1 cycle includes component 1",
                                   "2:1 E008 combinational loop detected | 2:1 cycle includes component 1",
                                   "3:1 E008 combinational loop detected | 3:1 cycle includes component 2",
                               }));
}

TEST(CombinationalLoop, SameMemberSetOnceDifferentSetsEach) {
  ModuleBuilder b;
  auto w0 = b.wire("w0");
  auto w1 = b.wire("w1");
  auto w2 = b.wire("w2");
  auto l = b.led("l");
  b.connect(w1, "in", w0);
  b.connect(w2, "in", w1);
  b.connect(w0, "in", w2);
  b.connect(w0, "in", w2);  // the same loop again
  b.connect(w0, "in", w1);  // a smaller loop
  b.connect(w1, "in", l);   // another way into the loop
  b.connect(l, "in", w2);   // and one through the led
  EXPECT_EQ(
      loops(b.module()),
      (Lines{
          "1:1 E008 combinational loop detected | 1:1 cycle includes component 0 | 2:1 cycle includes component 1"
          " | 3:1 cycle includes component 2",
          // Members in path order, from the component the search reached first.
          "2:1 E008 combinational loop detected | 2:1 cycle includes component 1 | 3:1 cycle includes component 2"
          " | 4:1 cycle includes component 3",
          "1:1 E008 combinational loop detected | 1:1 cycle includes component 0 | 2:1 cycle includes component 1",
      }));
}

TEST(CombinationalLoop, MillionWireChainNeedsNoDeepRecursion) {
  constexpr std::uint32_t kCount = 1'000'000;
  types::Module module;
  module.components.reserve(kCount);
  module.connections.reserve(kCount);
  for (std::uint32_t i = 0; i < kCount; ++i) {
    module.components.push_back(types::Component{types::ComponentKind::makePrimitive(types::PrimitiveKind::wire), "",
                                                 types::ComponentId{i}, testing::lineSpan(i + 1)});
  }
  for (std::uint32_t i = 0; i < kCount; ++i) {
    // Walk the chain backwards so that the search starting at id 0 has to go all the way.
    module.connections.push_back(types::Connection{
        {"out", types::ComponentId{i}}, {"in", types::ComponentId{(i + 1) % kCount}}, testing::lineSpan(1)});
  }
  std::vector<diagnostics::Diagnostic> list;
  combinational_loop::run(module, list);
  ASSERT_EQ(list.size(), 1u);
  ASSERT_EQ(list[0].notes.size(), kCount);
  EXPECT_EQ(list[0].notes.front().message, "cycle includes component 0");
  EXPECT_EQ(list[0].notes[1].message, "cycle includes component 1");
  EXPECT_EQ(list[0].notes.back().message, "cycle includes component 999999");
}

// The search as a plain recursive walk with string keys, for comparison.
struct Reference {
  explicit Reference(const types::Module& m) : module(m) {}
  const types::Module& module;
  std::map<std::uint32_t, std::vector<std::uint32_t>> adjacency;
  std::map<std::uint32_t, bool> visited, in_stack;
  std::map<std::uint32_t, std::size_t> id_to_index;
  std::vector<std::uint32_t> stack;
  std::set<std::string> seen_cycles;
  std::vector<diagnostics::Diagnostic> out;

  const types::Component* find(std::uint32_t id) const {
    for (const auto& component : module.components) {
      if (component.id.value == id) return &component;
    }
    return nullptr;
  }
  static bool breaks(const types::Component* c) {
    return c->kind.isPrimitive(types::PrimitiveKind::and_gate) || c->kind.isPrimitive(types::PrimitiveKind::not_gate);
  }
  void append(const std::vector<std::uint32_t>& members) {
    const types::Component* first = find(members[0]);
    if (first == nullptr) return;
    std::vector<diagnostics::DiagnosticNote> notes;
    for (std::uint32_t id : members) {
      if (const auto* c = find(id)) notes.push_back({"cycle includes component " + std::to_string(id), c->span});
    }
    out.push_back(diagnostics::makeDiagnostic(diagnostics::DiagnosticCode::E008, diagnostics::DiagnosticLevel::err,
                                              "combinational loop detected", first->span, notes));
  }
  void visit(std::uint32_t node) {
    visited[node] = in_stack[node] = true;
    id_to_index[node] = stack.size();
    stack.push_back(node);
    for (std::uint32_t next : adjacency[node]) {
      if (visited[next]) {
        if (in_stack[next]) {
          std::vector<std::uint32_t> members(stack.begin() + static_cast<std::ptrdiff_t>(id_to_index[next]),
                                             stack.end());
          std::vector<std::uint32_t> sorted = members;
          std::sort(sorted.begin(), sorted.end());
          std::string key;
          for (auto id : sorted) key += std::to_string(id) + ",";
          if (seen_cycles.insert(key).second) append(members);
        }
      } else {
        visit(next);
      }
    }
    stack.pop_back();
    id_to_index.erase(node);
    in_stack[node] = false;
  }
  std::vector<diagnostics::Diagnostic> run() {
    for (const auto& c : module.connections) {
      if (c.from.component == c.to.component) {
        if (find(c.from.component.value)) append({c.from.component.value});
        continue;
      }
      const auto* from = find(c.from.component.value);
      const auto* to = find(c.to.component.value);
      if (!from || !to || breaks(from) || breaks(to)) continue;
      adjacency[c.from.component.value].push_back(c.to.component.value);
    }
    for (const auto& c : module.components) {
      if (breaks(&c) || visited[c.id.value]) continue;
      visit(c.id.value);
    }
    return out;
  }
};

TEST(CombinationalLoop, MatchesAPlainRecursiveSearchOnRandomGraphs) {
  std::mt19937 random(12345);
  std::size_t total_loops = 0;
  for (int round = 0; round < 3000; ++round) {
    ModuleBuilder b;
    const int nodes = 1 + static_cast<int>(random() % 9);
    for (int i = 0; i < nodes; ++i) {
      switch (random() % 6) {
        case 0: b.notGate(""); break;
        case 1: b.andGate(""); break;
        case 2: b.led(""); break;
        case 3: b.subCircuit("m", ""); break;
        default: b.wire(""); break;
      }
    }
    const int edges = static_cast<int>(random() % 25);
    for (int e = 0; e < edges; ++e) {
      // Now and then an endpoint that names no component.
      auto pick = [&] { return static_cast<std::uint32_t>(random() % (nodes + 1)); };
      const std::uint32_t to = pick();
      const std::uint32_t from = pick();
      b.connect(to, "in", from);
    }
    std::vector<diagnostics::Diagnostic> actual;
    combinational_loop::run(b.module(), actual);
    Reference reference(b.module());
    auto expected = reference.run();
    total_loops += expected.size();
    ASSERT_EQ(render(actual), render(expected)) << "round " << round;
  }
  EXPECT_GT(total_loops, 1000u);  // the graphs did exercise the search
}

}  // namespace
}  // namespace vorn
