// Schematic preview of generated circuits: layout (collapse, placement,
// routing) and rendering, separately and together.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>

#include "core/output_stream.hpp"
#include "preview/layout/orchestrator.hpp"
#include "preview/render/render.hpp"
#include "topology/full_format.hpp"

namespace {

using vorn::format::ComponentKind;

struct Builder {
  vorn::full_format::FullTopology topology;

  std::uint32_t add(ComponentKind kind, std::string name) {
    const auto id = static_cast<std::uint32_t>(topology.components.size());
    topology.components.push_back({std::move(name), {}, id, kind});
    return id;
  }
  void connect(std::uint32_t from, std::uint32_t to, std::uint8_t port) {
    topology.connections.push_back({from, to, port});
  }
};

// `gates` AND/NOT gates fed from 32 inputs and earlier gates, mostly recent
// ones, with 32 outputs on the last gates: deep, with long wires and fan-out.
vorn::full_format::FullTopology randomCircuit(int gates) {
  Builder b;
  std::mt19937 rng(1234);
  std::vector<std::uint32_t> signals;
  for (int i = 0; i < 32; ++i) signals.push_back(b.add(ComponentKind::input_pin, "in" + std::to_string(i)));
  auto pick = [&] {
    const std::size_t window = std::min<std::size_t>(signals.size(), 48);
    if (rng() % 8 == 0) return signals[rng() % signals.size()];
    return signals[signals.size() - 1 - rng() % window];
  };
  std::vector<std::uint32_t> gate_ids;
  for (int i = 0; i < gates; ++i) {
    if (rng() % 3 == 0) {
      const std::uint32_t g = b.add(ComponentKind::not_gate, "n" + std::to_string(i));
      b.connect(pick(), g, 0);
      gate_ids.push_back(g);
    } else {
      const std::uint32_t g = b.add(ComponentKind::and_gate, "g" + std::to_string(i));
      b.connect(pick(), g, 1);
      b.connect(pick(), g, 2);
      gate_ids.push_back(g);
    }
    signals.push_back(gate_ids.back());
  }
  for (int i = 0; i < 32 && i < gates; ++i) {
    const std::uint32_t out = b.add(ComponentKind::output_pin, "out" + std::to_string(i));
    b.connect(gate_ids[gate_ids.size() - 1 - static_cast<std::size_t>(i)], out, 0);
  }
  return b.topology;
}

// A ripple chain of `stages` two-gate stages: wide and shallow per column.
vorn::full_format::FullTopology rippleChain(int stages) {
  Builder b;
  std::uint32_t carry = b.add(ComponentKind::input_pin, "cin");
  for (int i = 0; i < stages; ++i) {
    const std::uint32_t x = b.add(ComponentKind::input_pin, "x" + std::to_string(i));
    const std::uint32_t g = b.add(ComponentKind::and_gate, "g" + std::to_string(i));
    const std::uint32_t n = b.add(ComponentKind::not_gate, "n" + std::to_string(i));
    const std::uint32_t led = b.add(ComponentKind::led, "l" + std::to_string(i));
    b.connect(carry, g, 1);
    b.connect(x, g, 2);
    b.connect(g, n, 0);
    b.connect(n, led, 0);
    carry = n;
  }
  return b.topology;
}

// Inputs a and b each feeding `gates` AND gates, one output per gate: two
// nets of `gates` wires each, running down the whole drawing.
vorn::full_format::FullTopology fanOut(int gates) {
  Builder b;
  const std::uint32_t a = b.add(ComponentKind::input_pin, "a");
  const std::uint32_t c = b.add(ComponentKind::input_pin, "b");
  for (int i = 0; i < gates; ++i) {
    const std::uint32_t g = b.add(ComponentKind::and_gate, "g" + std::to_string(i));
    b.connect(a, g, 1);
    b.connect(c, g, 2);
    b.connect(g, b.add(ComponentKind::output_pin, "y" + std::to_string(i)), 0);
  }
  return b.topology;
}

// 64 inputs, `gates` AND gates each reading two of them, 64 outputs on gates
// spread down the column: many long nets sharing one column of tracks.
vorn::full_format::FullTopology bus(int gates) {
  Builder b;
  std::vector<std::uint32_t> inputs;
  for (int i = 0; i < 64; ++i) inputs.push_back(b.add(ComponentKind::input_pin, "i" + std::to_string(i)));
  std::vector<std::uint32_t> gate_ids;
  for (int k = 0; k < gates; ++k) {
    const std::uint32_t g = b.add(ComponentKind::and_gate, "g" + std::to_string(k));
    b.connect(inputs[static_cast<std::size_t>(k % 64)], g, 1);
    b.connect(inputs[static_cast<std::size_t>((k + 1 + k / 64) % 64)], g, 2);
    gate_ids.push_back(g);
  }
  const std::size_t step = std::max<std::size_t>(gate_ids.size() / 64, 1);
  for (std::size_t j = 0; j < 64 && j * step + step - 1 < gate_ids.size(); ++j) {
    b.connect(gate_ids[j * step + step - 1], b.add(ComponentKind::output_pin, "o" + std::to_string(j)), 0);
  }
  return b.topology;
}

std::int64_t cellsOf(const vorn::layout::LayoutGrid& grid) {
  return static_cast<std::int64_t>(grid.width) * grid.height;
}

template <typename Make>
void layoutBench(benchmark::State& state, Make make) {
  const auto topology = make(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto grid = vorn::orchestrator::build(topology, {});
    if (!grid) state.SkipWithError("layout failed");
    benchmark::DoNotOptimize(grid);
  }
}

template <typename Make>
void previewBench(benchmark::State& state, Make make) {
  const auto topology = make(static_cast<int>(state.range(0)));
  const int sink = ::open("/dev/null", O_WRONLY);
  std::int64_t cells = 0;
  std::size_t wires = 0;
  std::size_t crossings = 0;
  for (auto _ : state) {
    auto grid = vorn::orchestrator::build(topology, {});
    if (!grid) {
      state.SkipWithError("layout failed");
      break;
    }
    vorn::OutputStream out(sink);
    vorn::render::RenderOptions options;
    options.color = vorn::color::ColorMode::always;
    if (!vorn::render::render(out, *grid, options) || !out.flush()) state.SkipWithError("render failed");
    cells = cellsOf(*grid);
    wires = grid->wires.size();
    crossings = grid->crossings.size();
  }
  ::close(sink);
  state.counters["canvas_cells"] = static_cast<double>(cells);
  state.counters["wires"] = static_cast<double>(wires);
  state.counters["crossings"] = static_cast<double>(crossings);
}

void BM_LayoutRandom(benchmark::State& state) { layoutBench(state, randomCircuit); }
void BM_PreviewRandom(benchmark::State& state) { previewBench(state, randomCircuit); }
void BM_PreviewRipple(benchmark::State& state) { previewBench(state, rippleChain); }
void BM_PreviewFanOut(benchmark::State& state) { previewBench(state, fanOut); }
void BM_PreviewBus(benchmark::State& state) { previewBench(state, bus); }

BENCHMARK(BM_LayoutRandom)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);
void BM_LayoutRipple(benchmark::State& state) { layoutBench(state, rippleChain); }
BENCHMARK(BM_LayoutRipple)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewRandom)->Arg(500)->Arg(2000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewRipple)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);
// Each shape at a size and at four times it.
BENCHMARK(BM_PreviewFanOut)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewBus)->Arg(3840)->Arg(15360)->Unit(benchmark::kMillisecond);

}  // namespace
