// Resolution of one large module: 10^5 gates in a chain, every third one fed
// through an anonymous inverter, so name lookups, the work list and the
// connection list all grow to that size.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "ir/resolver.hpp"

namespace {

using namespace vorn;

ast::Identifier identifier(std::string_view text) { return ast::Identifier{text, Span{0, 1, 1, 1, 2}}; }

ast::SignalSource named(std::string_view target) {
  ast::SignalSource source;
  source.named = ast::NamedSignalRef{identifier(target), identifier("out"), Span{0, 1, 1, 1, 2}};
  return source;
}

ast::PortConnection port(std::string_view name, ast::SignalSource value) {
  return ast::PortConnection{identifier(name), std::move(value), Span{0, 1, 1, 1, 2}};
}

struct LargeModule {
  std::vector<std::string> names;
  ast::File file;

  explicit LargeModule(std::size_t gates) {
    names.reserve(gates);
    for (std::size_t i = 0; i < gates; ++i) names.push_back("g" + std::to_string(i));
    file.inputs.push_back(ast::InputDecl{{identifier("x"), identifier("y")}, Span{}});
    for (std::size_t i = 0; i < gates; ++i) {
      ast::ComponentInstance gate;
      gate.type_name = identifier("and");
      gate.instance_name = identifier(names[i]);
      gate.span = Span{0, static_cast<std::uint32_t>(i + 2), 1, static_cast<std::uint32_t>(i + 2), 10};
      ast::SignalSource a = named(i == 0 ? std::string_view("x") : std::string_view(names[i - 1]));
      if (i % 3 == 0) {
        auto inverter = std::make_unique<ast::ComponentInstance>();
        inverter->type_name = identifier("not");
        inverter->instance_name = identifier("__anon");
        inverter->ports.push_back(port("in", std::move(a)));
        a = ast::SignalSource{};
        a.tag = ast::SignalSource::Tag::anonymous;
        a.anonymous = std::move(inverter);
      }
      gate.ports.push_back(port("a", std::move(a)));
      gate.ports.push_back(port("b", named("y")));
      file.components.push_back(std::move(gate));
    }
    file.outputs.push_back(ast::OutputDecl{identifier("q"), named(names.back()), Span{}});
  }
};

void BM_ResolveLargeModule(benchmark::State& state) {
  LargeModule module(static_cast<std::size_t>(state.range(0)));
  std::size_t components = 0;
  for (auto _ : state) {
    auto resolved = resolver::resolve(module.file, 0);
    if (!resolved) state.SkipWithError("resolve failed");
    components = resolved->components.size();
    benchmark::DoNotOptimize(resolved);
  }
  state.counters["components"] = static_cast<double>(components);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(components));
}
BENCHMARK(BM_ResolveLargeModule)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
