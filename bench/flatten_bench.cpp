// Flattening a project of about 10^5 primitives: a root chaining 7,000
// instances of a cell file, each holding two instances of a gate-pair file.
// The compact and the full topology and the Zig emitter's layout all expand
// it into global ids the same way.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <deque>
#include <string>

#include "emit/project.hpp"
#include "ir/types.hpp"
#include "topology/full_serializer.hpp"
#include "topology/serializer.hpp"

namespace {

using namespace vorn;
using types::ComponentKind;
using types::PrimitiveKind;

constexpr std::uint32_t kCells = 7000;

struct Builder {
  types::Module module;
  explicit Builder(std::uint32_t file) { module.file_id = types::FileId{file}; }

  std::uint32_t add(ComponentKind kind, std::string_view name) {
    auto id = static_cast<std::uint32_t>(module.components.size());
    module.components.push_back({kind, name, types::ComponentId{id}, {}});
    return id;
  }
  std::uint32_t input(std::string_view name) {
    auto id = add(ComponentKind::makePrimitive(PrimitiveKind::input_pin), name);
    module.inputs.push_back({name, types::InputId{static_cast<std::uint32_t>(module.inputs.size())},
                             types::ComponentId{id}, {}});
    return id;
  }
  void output(std::string_view name, std::uint32_t driver, std::string_view port) {
    auto id = add(ComponentKind::makePrimitive(PrimitiveKind::output_pin), name);
    connect(driver, port, id, "in");
    module.outputs.push_back({name, {port, types::ComponentId{driver}},
                              types::OutputId{static_cast<std::uint32_t>(module.outputs.size())}, {}});
  }
  std::uint32_t sub(std::string_view alias, std::string_view name) {
    return add(ComponentKind::makeSubCircuitRef({alias, {}}), name);
  }
  void connect(std::uint32_t from, std::string_view from_port, std::uint32_t to, std::string_view to_port) {
    module.connections.push_back({{from_port, types::ComponentId{from}}, {to_port, types::ComponentId{to}}, {}});
  }
};

struct Chain {
  std::deque<std::string> names;
  types::Project project;

  Chain() {
    Builder pair(2);
    auto pa = pair.input("a");
    auto pb = pair.input("b");
    auto g = pair.add(ComponentKind::makePrimitive(PrimitiveKind::and_gate), "g");
    auto n = pair.add(ComponentKind::makePrimitive(PrimitiveKind::not_gate), "n");
    pair.connect(pa, "out", g, "a");
    pair.connect(pb, "out", g, "b");
    pair.connect(g, "out", n, "in");
    pair.output("y", n, "out");

    Builder cell(1);
    auto ca = cell.input("a");
    auto cb = cell.input("b");
    auto p = cell.sub("pair", "p");
    auto q = cell.sub("pair", "q");
    auto w = cell.add(ComponentKind::makePrimitive(PrimitiveKind::wire), "");
    cell.connect(ca, "out", p, "a");
    cell.connect(cb, "out", p, "b");
    cell.connect(p, "y", q, "a");
    cell.connect(cb, "out", q, "b");
    cell.connect(q, "y", w, "in");
    cell.output("y", w, "out");

    Builder root(0);
    auto a = root.input("a");
    auto b = root.input("b");
    std::uint32_t previous = a;
    std::string_view previous_port = "out";
    for (std::uint32_t i = 0; i < kCells; ++i) {
      auto c = root.sub("cell", names.emplace_back("c" + std::to_string(i)));
      root.connect(previous, previous_port, c, "a");
      root.connect(b, "out", c, "b");
      previous = c;
      previous_port = "y";
    }
    root.output("y", previous, previous_port);

    project.files = {std::move(root.module), std::move(cell.module), std::move(pair.module)};
    project.import_table = {{"cell", types::FileId{0}, types::FileId{1}, {}},
                            {"pair", types::FileId{1}, types::FileId{2}, {}}};
    project.root_file_id = types::FileId{0};
  }
};

// One flattening per iteration; `flatten` tells whether it succeeded.
void BM_Flatten(benchmark::State& state, bool (*flatten)(const types::Project&)) {
  Chain chain;
  for (auto _ : state) {
    if (!flatten(chain.project)) std::abort();
  }
}

BENCHMARK_CAPTURE(BM_Flatten, serializeProject,
                  [](const types::Project& p) { return serializer::serializeProject(p).has_value(); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Flatten, buildFromProject,
                  [](const types::Project& p) { return full_serializer::buildFromProject(p).has_value(); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Flatten, computeLayout,
                  [](const types::Project& p) { return project::computeLayout(p, "chain.vorn").has_value(); })
    ->Unit(benchmark::kMillisecond);

}  // namespace
