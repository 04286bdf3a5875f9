// Parse and translation of a large generated source (~10 MB, 100,000
// declarations of every kind).

#include <benchmark/benchmark.h>

#include <string>

#include "core/text_arena.hpp"
#include "parser/parser.hpp"
#include "syntax/translate.hpp"

namespace {

const std::string& bigSource() {
  static const std::string source = [] {
    constexpr int kDeclarations = 100000;
    std::string text =
        "// generated front-end workload\nimport adder \"lib/adder.vorn\"\ninput left_0, right_0, carry_in_0\n";
    for (int i = 1; i < kDeclarations; ++i) {
      std::string n = std::to_string(i);
      std::string p = std::to_string(i - 1);
      switch (i % 5) {
        case 0:
          text += "input left_" + n + ", right_" + n + ", carry_in_" + n + "   // pins of stage " + n + "\n";
          break;
        case 1:
          text += "xor partial_sum_" + n + "(a=and(a=left_" + p + ", b=carry_out_" + p + ".out).out, b=not(in=right_" +
                  p + ").out)  // stage " + n + "\n";
          break;
        case 2:
          text += "adder carry_out_" + n + "(a = partial_sum_" + p + ".out , b = nand(a=left_" + p + ", b=right_" + p +
                  ").out, c=carry_in_" + p + ")\n";
          break;
        case 3:
          text +=
              "output result_" + n + "(in=or(a=partial_sum_" + p + ".out, b=not(in=carry_out_" + p + ").out).out)\n";
          break;
        default:
          text += "not inverted_" + n + ", mirror_" + n + "\npartial_sum_" + p + ".out <> carry_out_" + p +
                  ".a   // loose wire\n";
          break;
      }
    }
    return text;
  }();
  return source;
}

void BM_ParseOnly(benchmark::State& state) {
  const std::string& source = bigSource();
  Parser* parser = Parser_New();
  for (auto _ : state) {
    Parser_SetInput(parser, source.data(), static_cast<std::int32_t>(source.size()));
    ll_tree* tree = Parser_Parse(parser, nullptr, nullptr);
    benchmark::DoNotOptimize(tree);
    if (tree == nullptr) state.SkipWithError("parse failed");
  }
  Parser_Delete(parser);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
  state.counters["source_bytes"] = static_cast<double>(source.size());
}
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);

void BM_ParseAndTranslate(benchmark::State& state) {
  const std::string& source = bigSource();
  std::size_t items = 0;
  for (auto _ : state) {
    vorn::TextArena arena;
    auto file = vorn::translate::parseSource(arena, source, 0);
    if (!file) {
      state.SkipWithError("translation failed");
      break;
    }
    items = file->inputs.size() + file->outputs.size() + file->components.size() + file->imports.size();
    benchmark::DoNotOptimize(file);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
  state.counters["source_bytes"] = static_cast<double>(source.size());
  state.counters["top_level_items"] = static_cast<double>(items);
}
BENCHMARK(BM_ParseAndTranslate)->Unit(benchmark::kMillisecond);

}  // namespace
