// Flattening a project of about 10^5 primitives: a root chaining 7,000
// instances of a cell file, each holding two instances of a gate-pair file.
// The compact and the full topology and the Zig emitter's layout all expand
// it into global ids the same way.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "emit/project.hpp"
#include "ir/types.hpp"
#include "testing/module_builder.hpp"
#include "topology/full_serializer.hpp"
#include "topology/serializer.hpp"

namespace {

using namespace vorn;
using testing::ModuleBuilder;

constexpr std::uint32_t kCells = 7000;

types::Project chainProject() {
  ModuleBuilder pair(2);
  auto pa = pair.input("a");
  auto pb = pair.input("b");
  auto g = pair.andGate("g");
  auto n = pair.notGate("n");
  pair.connect(g, "a", pa);
  pair.connect(g, "b", pb);
  pair.connect(n, "in", g);
  pair.output("y", n);

  ModuleBuilder cell(1);
  auto ca = cell.input("a");
  auto cb = cell.input("b");
  auto p = cell.subCircuit("pair", "p");
  auto q = cell.subCircuit("pair", "q");
  auto w = cell.wire("");
  cell.connect(p, "a", ca);
  cell.connect(p, "b", cb);
  cell.connect(q, "a", p, "y");
  cell.connect(q, "b", cb);
  cell.connect(w, "in", q, "y");
  cell.output("y", w);

  ModuleBuilder root(0);
  auto a = root.input("a");
  auto b = root.input("b");
  std::uint32_t previous = a;
  std::string_view previous_port = "out";
  for (std::uint32_t i = 0; i < kCells; ++i) {
    auto c = root.subCircuit("cell", "c" + std::to_string(i));
    root.connect(c, "a", previous, previous_port);
    root.connect(c, "b", b);
    previous = c;
    previous_port = "y";
  }
  root.output("y", previous, previous_port);

  types::Project project;
  project.files = {root.take(), cell.take(), pair.take()};
  testing::addImport(project, "cell", 0, 1);
  testing::addImport(project, "pair", 1, 2);
  project.root_file_id = types::FileId{0};
  return project;
}

// One flattening per iteration; `flatten` tells whether it succeeded.
void BM_Flatten(benchmark::State& state, bool (*flatten)(const types::Project&)) {
  const types::Project project = chainProject();
  for (auto _ : state) {
    if (!flatten(project)) std::abort();
  }
}

BENCHMARK_CAPTURE(BM_Flatten, serializeProject, [](const types::Project& p) {
  return serializer::serializeProject(p).has_value();
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Flatten, buildFromProject, [](const types::Project& p) {
  return full_serializer::buildFromProject(p).has_value();
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Flatten, computeLayout, [](const types::Project& p) {
  return project::computeLayout(p, "chain.vorn").has_value();
})->Unit(benchmark::kMillisecond);

}  // namespace
