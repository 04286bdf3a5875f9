// Two projects with the same sub-circuit instances fed by the same signals,
// only on other pins: when their truth tables differ, their schematics must
// differ too. A drawing that joins a box's pins or outputs into one port
// draws every such pair alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/text_arena.hpp"
#include "log/log.hpp"
#include "preview/layout/orchestrator.hpp"
#include "preview/render/render.hpp"
#include "testing/project_from_files.hpp"
#include "testing/temp_tree.hpp"
#include "topology/full_serializer.hpp"
#include "truth_table/builder.hpp"

namespace vorn {
namespace {

struct Outcome {
  std::vector<builder::State> cells;  // the truth table, row after row
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<glyph_set::Glyph> picture;
};

// Truth table and schematic of a project, as the compiler's preview draws it;
// nothing when the project does not validate.
std::optional<Outcome> run(const std::string& root) {
  TextArena arena;
  auto project = testing::projectFromFiles(arena, root);
  if (!project) return std::nullopt;
  auto topology = full_serializer::buildFromProject(*project);
  if (!topology) return std::nullopt;

  Outcome outcome;
  log::setSink(nullptr, nullptr);
  auto table = builder::build(*topology);
  log::setSink(log::defaultSink(), nullptr);
  if (!table) return std::nullopt;
  outcome.cells = table->cells;

  layout::LayoutOptions options;
  options.pin_slot_files = orchestrator::subCircuitFiles(*project);
  auto grid = orchestrator::build(*topology, std::move(options));
  if (!grid) return std::nullopt;
  const canvas::Canvas canvas = render::drawSchematic(*grid);
  outcome.width = canvas.width();
  outcome.height = canvas.height();
  for (std::uint32_t y = 0; y < canvas.height(); ++y) {
    for (std::uint32_t x = 0; x < canvas.width(); ++x) outcome.picture.push_back(canvas.glyphAt(x, y));
  }
  return outcome;
}

// A sub-circuit of 2 or 3 inputs and 1 to 3 outputs, each output a small
// random function of the inputs.
std::string subCircuit(std::mt19937& rng, int inputs, int outputs) {
  std::string text = "input i0";
  for (int i = 1; i < inputs; ++i) text += ", i" + std::to_string(i);
  text += "\n";
  for (int o = 0; o < outputs; ++o) {
    const std::string x = "i" + std::to_string(rng() % inputs);
    const std::string y = "i" + std::to_string(rng() % inputs);
    const std::string gate = "g" + std::to_string(o);
    switch (rng() % 3) {
      case 0: text += "and " + gate + "(a=" + x + ", b=" + y + ")\n"; break;
      case 1: text += "and " + gate + "(a=" + x + ", b=not(in=" + y + ").out)\n"; break;
      default: text += "nor " + gate + "(a=" + x + ", b=" + y + ")\n"; break;
    }
    text += "output o" + std::to_string(o) + "(in=" + gate + ".out)\n";
  }
  return text;
}

// The root's wiring: per instance u0.., the source of each input pin (a root
// input, or output `output` of an earlier instance `instance`); per root
// output, the instance and output it reads.
struct Source {
  int input = -1;  // 0, 1, 2 for a, b, c
  int instance = -1;
  int output = 0;
};
struct Wiring {
  std::vector<std::vector<Source>> bindings;
  std::vector<Source> reads;
};

Wiring randomWiring(std::mt19937& rng, int instances, int inputs, int outputs) {
  Wiring w;
  for (int u = 0; u < instances; ++u) {
    std::vector<Source>& pins = w.bindings.emplace_back();
    for (int i = 0; i < inputs; ++i) {
      if (u > 0 && rng() % 3 == 0) {
        pins.push_back(Source{-1, static_cast<int>(rng() % u), static_cast<int>(rng() % outputs)});
      } else {
        pins.push_back(Source{static_cast<int>(rng() % 3), -1, 0});
      }
    }
  }
  for (int y = 0; y < 2; ++y)
    w.reads.push_back(Source{-1, static_cast<int>(rng() % instances), static_cast<int>(rng() % outputs)});
  return w;
}

// The same signals into the same boxes, only on other pins: each instance's
// sources shuffled among its inputs, every read of an instance output moved
// to a random output of that instance. Joined into one port per box, both
// wirings are one drawing.
Wiring rewired(std::mt19937& rng, Wiring w, int outputs) {
  for (std::vector<Source>& pins : w.bindings) {
    std::shuffle(pins.begin(), pins.end(), rng);
    for (Source& pin : pins) {
      if (pin.instance >= 0) pin.output = static_cast<int>(rng() % outputs);
    }
  }
  for (Source& read : w.reads) read.output = static_cast<int>(rng() % outputs);
  return w;
}

std::string text(const Source& s) {
  if (s.instance < 0) return std::string(1, static_cast<char>('a' + s.input));
  return "u" + std::to_string(s.instance) + ".o" + std::to_string(s.output);
}

std::string root(const Wiring& w) {
  std::string out = "import s \"s.vorn\"\ninput a, b, c\n";
  for (std::size_t u = 0; u < w.bindings.size(); ++u) {
    out += "s u" + std::to_string(u) + "(";
    for (std::size_t i = 0; i < w.bindings[u].size(); ++i) {
      out += (i > 0 ? ", i" : "i") + std::to_string(i) + "=" + text(w.bindings[u][i]);
    }
    out += ")\n";
  }
  for (std::size_t y = 0; y < w.reads.size(); ++y)
    out += "output y" + std::to_string(y) + "(in=" + text(w.reads[y]) + ")\n";
  return out;
}

TEST(PreviewSlots, DifferentTruthTablesNeverDrawTheSamePicture) {
  std::mt19937 rng(31);
  int compared = 0;
  int differing_tables = 0;
  for (int round = 0; round < 150; ++round) {
    const int inputs = 2 + static_cast<int>(rng() % 2);
    const int outputs = 1 + static_cast<int>(rng() % 3);
    const int instances = 1 + static_cast<int>(rng() % 3);
    const std::string sub = subCircuit(rng, inputs, outputs);
    const Wiring wiring = randomWiring(rng, instances, inputs, outputs);
    const std::string first = root(wiring);
    const std::string second = root(rewired(rng, wiring, outputs));
    testing::TempTree one;
    testing::TempTree two;
    one.write("s.vorn", sub);
    two.write("s.vorn", sub);
    one.write("root.vorn", first);
    two.write("root.vorn", second);
    const auto a = run(one.path("root.vorn"));
    const auto b = run(two.path("root.vorn"));
    if (!a || !b) continue;
    ++compared;
    if (a->cells == b->cells) continue;
    ++differing_tables;
    const bool same_picture = a->width == b->width && a->height == b->height && a->picture == b->picture;
    EXPECT_FALSE(same_picture) << "round " << round << "\n--- s.vorn\n"
                               << sub << "--- first root\n"
                               << first << "--- second root\n"
                               << second;
  }
  // Most pairs validate, and most of those compute different things.
  EXPECT_GT(compared, 100);
  EXPECT_GT(differing_tables, 50);
}

}  // namespace
}  // namespace vorn
