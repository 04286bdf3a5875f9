// Module and project validation on large generated circuits.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ir/types.hpp"
#include "validator/run.hpp"
#include "validator/run_project.hpp"

namespace {

using namespace vorn;

types::Span spanAt(std::uint32_t line) { return types::Span{0, line, 1, line, 2}; }

struct Builder {
  types::Module module;
  std::vector<std::string> names;

  types::ComponentId add(types::ComponentKind kind) {
    types::ComponentId id{static_cast<std::uint32_t>(module.components.size())};
    module.components.push_back(types::Component{kind, {}, id, spanAt(id.value + 1)});
    return id;
  }
  void connect(types::ComponentId from, types::ComponentId to, std::string_view port) {
    module.connections.push_back(types::Connection{{"out", from}, {port, to}, spanAt(1)});
  }
};

// `count` components: a few inputs, then random and/not gates and wires fed by
// earlier components, every gate input connected once, and some outputs.
types::Module randomNetlist(std::size_t count, std::vector<std::string>& names) {
  std::mt19937 random(7);
  Builder b;
  names.resize(count);
  const std::size_t inputs = 16;
  for (std::size_t i = 0; i < count; ++i) names[i] = "c" + std::to_string(i);
  for (std::size_t i = 0; i < inputs; ++i) {
    auto id = b.add(types::ComponentKind::makePrimitive(types::PrimitiveKind::input_pin));
    b.module.inputs.push_back(types::InputPin{names[i], types::InputId{static_cast<std::uint32_t>(i)}, id, spanAt(1)});
  }
  for (std::size_t i = inputs; i < count; ++i) {
    auto earlier = [&] { return types::ComponentId{static_cast<std::uint32_t>(random() % i)}; };
    switch (random() % 3) {
      case 0: {
        auto id = b.add(types::ComponentKind::makePrimitive(types::PrimitiveKind::and_gate));
        b.connect(earlier(), id, "a");
        b.connect(earlier(), id, "b");
        break;
      }
      case 1: {
        auto id = b.add(types::ComponentKind::makePrimitive(types::PrimitiveKind::not_gate));
        b.connect(earlier(), id, "in");
        break;
      }
      default: {
        auto id = b.add(types::ComponentKind::makePrimitive(types::PrimitiveKind::wire));
        b.connect(earlier(), id, "in");
        break;
      }
    }
  }
  for (std::size_t i = 0; i < count; ++i) b.module.components[i].instance_name = names[i];
  return std::move(b.module);
}

// A ring of `count` wires: one loop through every component, found at the end of the deepest search.
types::Module wireRing(std::size_t count) {
  Builder b;
  for (std::size_t i = 0; i < count; ++i) b.add(types::ComponentKind::makePrimitive(types::PrimitiveKind::wire));
  for (std::size_t i = 0; i < count; ++i) {
    b.connect(types::ComponentId{static_cast<std::uint32_t>(i)},
              types::ComponentId{static_cast<std::uint32_t>((i + 1) % count)}, "in");
  }
  return std::move(b.module);
}

// Every component drives one shared led: one port with `count` drivers.
types::Module fanIn(std::size_t count) {
  Builder b;
  auto sink = b.add(types::ComponentKind::makePrimitive(types::PrimitiveKind::led));
  for (std::size_t i = 1; i < count; ++i) {
    auto id = b.add(types::ComponentKind::makePrimitive(types::PrimitiveKind::wire));
    b.connect(id, sink, "in");
  }
  return std::move(b.module);
}

void reportSize(benchmark::State& state, const types::Module& module) {
  state.counters["components"] = static_cast<double>(module.components.size());
  state.counters["connections"] = static_cast<double>(module.connections.size());
}

void BM_ValidateRandomNetlist(benchmark::State& state) {
  std::vector<std::string> names;
  types::Module module = randomNetlist(static_cast<std::size_t>(state.range(0)), names);
  for (auto _ : state) {
    auto result = run::run(module);
    benchmark::DoNotOptimize(result);
  }
  reportSize(state, module);
}
BENCHMARK(BM_ValidateRandomNetlist)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ValidateWireRing(benchmark::State& state) {
  types::Module module = wireRing(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    auto result = run::run(module);
    benchmark::DoNotOptimize(result);
  }
  reportSize(state, module);
}
BENCHMARK(BM_ValidateWireRing)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ValidateFanIn(benchmark::State& state) {
  types::Module module = fanIn(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    auto result = run::run(module);
    benchmark::DoNotOptimize(result);
  }
  reportSize(state, module);
}
BENCHMARK(BM_ValidateFanIn)->Arg(100000)->Unit(benchmark::kMillisecond);

// A root with `count` instances of one imported file, each fully connected.
void BM_ValidateProjectInstances(benchmark::State& state) {
  const std::size_t count = static_cast<std::size_t>(state.range(0));
  types::Project project;
  Builder root;
  auto source = root.add(types::ComponentKind::makePrimitive(types::PrimitiveKind::input_pin));
  root.module.inputs.push_back(types::InputPin{"x", types::InputId{0}, source, spanAt(1)});
  auto sink = root.add(types::ComponentKind::makePrimitive(types::PrimitiveKind::led));
  for (std::size_t i = 0; i < count; ++i) {
    auto id = root.add(types::ComponentKind::makeSubCircuitRef(types::UnresolvedRef{"half", spanAt(1)}));
    root.connect(source, id, "a");
    root.connect(source, id, "b");
    root.module.connections.push_back(types::Connection{{"s", id}, {"in", sink}, spanAt(1)});
    root.module.connections.push_back(types::Connection{{"c", id}, {"in", sink}, spanAt(1)});
  }
  project.files.push_back(std::move(root.module));
  types::Module half;
  half.file_id = types::FileId{1};
  half.inputs = {types::InputPin{"a", {0}, {0}, spanAt(1)}, types::InputPin{"b", {1}, {1}, spanAt(1)}};
  half.outputs = {types::OutputPin{"s", {"out", {0}}, {0}, spanAt(1)},
                  types::OutputPin{"c", {"out", {1}}, {1}, spanAt(1)}};
  project.files.push_back(std::move(half));
  project.import_table = {types::ResolvedImport{"half", {0}, {1}, spanAt(1)}};
  for (auto _ : state) {
    auto result = run_project::run(project);
    benchmark::DoNotOptimize(result);
  }
  reportSize(state, project.files[0]);
}
BENCHMARK(BM_ValidateProjectInstances)->Arg(25000)->Unit(benchmark::kMillisecond);

}  // namespace
