// The truth table of an 8-bit ripple-carry adder built from half and full
// adder files and the built-in macros: 16 inputs, 65,536 rows. The trace goes
// through a buffered stream to /dev/null, as the command line sends it to a
// redirected standard error.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/text_arena.hpp"
#include "core/output_stream.hpp"
#include "log/log.hpp"
#include "resolver/import_cycle.hpp"
#include "resolver/resolve_bodies.hpp"
#include "resolver/scan_imports.hpp"
#include "topology/full_serializer.hpp"
#include "truth_table/builder.hpp"
#include "truth_table/markdown.hpp"

namespace {

using namespace vorn;

constexpr std::string_view kHalfAdder =
    "input a, b\n"
    "xor s(a=a, b=b)\n"
    "and c(a=a, b=b)\n"
    "output sum(in=s.out)\n"
    "output carry(in=c.out)\n";

constexpr std::string_view kFullAdder =
    "import half \"half_adder.vorn\"\n"
    "input a, b, cin\n"
    "half h1(a=a, b=b)\n"
    "half h2(a=h1.sum, b=cin)\n"
    "or c(a=h1.carry, b=h2.carry)\n"
    "output sum(in=h2.sum)\n"
    "output cout(in=c.out)\n";

std::string adderSource() {
  std::string text = "import half \"half_adder.vorn\"\nimport full \"full_adder.vorn\"\n";
  text += "input a0, a1, a2, a3, a4, a5, a6, a7, b0, b1, b2, b3, b4, b5, b6, b7\n";
  text += "half bit0(a=a0, b=b0)\n";
  for (int i = 1; i < 8; ++i) {
    std::string carry = i == 1 ? "bit0.carry" : "bit" + std::to_string(i - 1) + ".cout";
    text += "full bit" + std::to_string(i) + "(a=a" + std::to_string(i) + ", b=b" + std::to_string(i) +
            ", cin=" + carry + ")\n";
  }
  text += "output s0(in=bit0.sum)\n";
  for (int i = 1; i < 8; ++i) text += "output s" + std::to_string(i) + "(in=bit" + std::to_string(i) + ".sum)\n";
  text += "output cout(in=bit7.cout)\n";
  return text;
}

struct Adder {
  TextArena arena;
  std::filesystem::path directory;
  types::Project project;
  full_format::FullTopology topology;

  Adder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorn-tt-bench-XXXXXX").string();
    directory = ::mkdtemp(pattern.data());
    auto write = [&](const char* name, std::string_view text) { std::ofstream(directory / name) << text; };
    write("half_adder.vorn", kHalfAdder);
    write("full_adder.vorn", kFullAdder);
    write("adder8.vorn", adderSource());
    auto scan = scan_imports::scanProjectImports(arena, (directory / "adder8.vorn").string());
    if (!scan) std::abort();
    auto order = import_cycle::analyzeImports(scan->file_paths, scan->import_table);
    if (!order) std::abort();
    auto resolved = resolve_bodies::resolveBodies(arena, scan->file_paths, scan->import_table, order->topo_order);
    if (!resolved) std::abort();
    project = std::move(*resolved);
    auto built = full_serializer::buildFromProject(project);
    if (!built) std::abort();
    topology = std::move(*built);
  }
  ~Adder() { std::filesystem::remove_all(directory); }
};

struct NullTrace {
  int fd = ::open("/dev/null", O_WRONLY);
  OutputStream stream{fd, 1 << 20};
  std::uint64_t events = 0;

  static void sink(void* context, const char* text, std::size_t length) {
    auto* self = static_cast<NullTrace*>(context);
    // "info(log): [Time: ..." is the line of one applied event.
    if (length > 11 && text[11] == '[') ++self->events;
    (void)self->stream.write(std::string_view(text, length));
  }
  NullTrace() { log::setSink(sink, this); }
  ~NullTrace() {
    log::setSink(nullptr, nullptr);
    (void)stream.flush();
    ::close(fd);
  }
};

void BM_AdderTruthTable(benchmark::State& state) {
  Adder adder;
  NullTrace trace;
  std::size_t rows = 0;
  for (auto _ : state) {
    auto table = builder::build(adder.topology);
    if (!table) state.SkipWithError("build failed");
    rows = table->rows.size();
    benchmark::DoNotOptimize(table);
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["components"] = static_cast<double>(adder.topology.components.size());
  state.counters["events/s"] = benchmark::Counter(static_cast<double>(trace.events), benchmark::Counter::kIsRate);
  state.counters["events/table"] = static_cast<double>(trace.events) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_AdderTruthTable)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same table without anyone listening to the trace.
void BM_AdderTruthTableSilent(benchmark::State& state) {
  Adder adder;
  log::setSink(nullptr, nullptr);
  for (auto _ : state) {
    auto table = builder::build(adder.topology);
    if (!table) state.SkipWithError("build failed");
    benchmark::DoNotOptimize(table);
  }
}
BENCHMARK(BM_AdderTruthTableSilent)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AdderTableRenderMarkdown(benchmark::State& state) {
  Adder adder;
  log::setSink(nullptr, nullptr);
  auto table = builder::build(adder.topology);
  if (!table) std::abort();
  int fd = ::open("/dev/null", O_WRONLY);
  for (auto _ : state) {
    OutputStream out(fd, 1 << 20);
    if (!markdown::render(out, *table) || !out.flush()) state.SkipWithError("render failed");
  }
  ::close(fd);
}
BENCHMARK(BM_AdderTableRenderMarkdown)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
