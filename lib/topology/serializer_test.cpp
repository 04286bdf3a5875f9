#include "topology/serializer.hpp"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>

#include "testing/module_builder.hpp"

namespace vorn::serializer {
namespace {

using format::ConnectionRecord;
using testing::andModule;
using testing::inverterModule;
using testing::ModuleBuilder;
using types::PrimitiveKind;

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int value : values) out.push_back(static_cast<std::uint8_t>(value));
  return out;
}

// The decoded payload: component records then connection records.
struct Decoded {
  std::vector<std::pair<std::uint32_t, std::uint8_t>> components;
  std::vector<ConnectionRecord> connections;
};

std::uint32_t readU32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

Decoded decode(const std::vector<std::uint8_t>& bytes) {
  Decoded decoded;
  EXPECT_GE(bytes.size(), 13u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "VORN");
  EXPECT_EQ(bytes[4], 1);
  std::uint32_t count = readU32(bytes, 5);
  std::uint32_t links = readU32(bytes, 9);
  EXPECT_EQ(bytes.size(), format::compactTopologySize(count, links));
  std::size_t at = 13;
  for (std::uint32_t i = 0; i < count; ++i, at += 5) decoded.components.push_back({readU32(bytes, at), bytes[at + 4]});
  for (std::uint32_t i = 0; i < links; ++i, at += 9) {
    decoded.connections.push_back({readU32(bytes, at), readU32(bytes, at + 4), bytes[at + 8]});
  }
  return decoded;
}

// inputs a, b; and g(a=a, b=b); output out(in=g.out), as a sub-circuit file.
types::Module andFile(std::uint32_t file_id) {
  types::Module module = andModule();
  module.file_id = types::FileId{file_id};
  return module;
}

TEST(SerializeModule, AndGateIsSixtyBytes) {
  auto payload = serializeModule(andModule());
  ASSERT_TRUE(payload);
  EXPECT_EQ(*payload, bytesOf({'V', 'O', 'R', 'N', 1, 4, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0,
                               0,   0,   0,   2,   0, 0, 0, 2, 3, 0, 0, 0, 5, 0, 0, 0, 0, 2, 0, 0,
                               0,   1,   1,   0,   0, 0, 2, 0, 0, 0, 2, 2, 0, 0, 0, 3, 0, 0, 0, 0}));
  EXPECT_EQ(payload->size(), 60u);
}

TEST(SerializeModule, EmptyModuleIsTheHeaderAlone) {
  auto payload = serializeModule(types::Module{});
  ASSERT_TRUE(payload);
  EXPECT_EQ(*payload, bytesOf({'V', 'O', 'R', 'N', 1, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(SerializeModule, RejectsWhatAFlatFileCannotHold) {
  ModuleBuilder with_sub;
  with_sub.subCircuit("inv", "x");
  EXPECT_EQ(serializeModule(with_sub.module()).error(), Error::SubCircuitInFlatModule);

  ModuleBuilder with_unknown;
  with_unknown.unresolved("mystery", "m");
  EXPECT_EQ(serializeModule(with_unknown.module()).error(), Error::SubCircuitInFlatModule);

  ModuleBuilder bad_port;
  auto a = bad_port.input("a");
  auto g = bad_port.andGate("g");
  bad_port.connect(g, "c", a);
  EXPECT_EQ(serializeModule(bad_port.module()).error(), Error::UnknownPortName);
}

// Each primitive as sources write it, as the IR names it and as the
// topology stores it, from the documented tables rather than from the code.
TEST(PrimitiveToKind, EveryPrimitiveHasItsKeywordNameAndKindByte) {
  struct Row {
    std::string_view keyword;
    PrimitiveKind kind;
    std::string_view name;
    std::uint8_t kind_byte;
  };
  const Row rows[] = {
      {"and", PrimitiveKind::and_gate, "and_gate", 2},
      {"not", PrimitiveKind::not_gate, "not_gate", 1},
      {"wire", PrimitiveKind::wire, "wire", 3},
      {"led", PrimitiveKind::led, "led", 4},
      {"input_pin", PrimitiveKind::input_pin, "input_pin", 0},
      {"output_pin", PrimitiveKind::output_pin, "output_pin", 5},
  };
  std::set<std::uint8_t> bytes;
  for (const Row& row : rows) {
    EXPECT_EQ(types::primitiveOfTypeName(row.keyword), row.kind) << row.keyword;
    EXPECT_EQ(types::primitiveKindName(row.kind), row.name);
    EXPECT_EQ(static_cast<std::uint8_t>(primitiveToKind(row.kind)), row.kind_byte) << row.name;
    bytes.insert(row.kind_byte);
  }
  EXPECT_EQ(bytes.size(), std::size(rows));
  for (std::string_view other : {"or", "xor", "And", "input", ""})
    EXPECT_FALSE(types::primitiveOfTypeName(other)) << other;
}

TEST(ParsePortName, KnowsExactlyFourNames) {
  EXPECT_EQ(parsePortName("in").value(), format::PortName::in);
  EXPECT_EQ(parsePortName("a").value(), format::PortName::a);
  EXPECT_EQ(parsePortName("b").value(), format::PortName::b);
  EXPECT_EQ(parsePortName("out").value(), format::PortName::out);
  for (std::string_view name : {"", "A", "In", "out ", "c"}) {
    EXPECT_EQ(parsePortName(name).error(), Error::UnknownPortName) << name;
  }
}

TEST(SerializeProject, InstanceBeforeTheOutputTakesTheIdsBetween) {
  types::Project project;
  ModuleBuilder root;
  auto a = root.input("a");
  auto x = root.subCircuit("inv", "x");
  root.connect(x, "in", a);
  root.output("y", x);
  project.files = {root.module(), inverterModule(1)};
  testing::addImport(project, "inv", 0, 1);

  auto topology = serializeProject(project);
  ASSERT_TRUE(topology);
  Decoded decoded = decode(topology->payload);
  // a, then the instance's in, n, out, then y.
  EXPECT_EQ(decoded.components, (decltype(decoded.components){{0, 0}, {1, 0}, {2, 1}, {3, 5}, {4, 5}}));
  EXPECT_EQ(decoded.connections, (std::vector<ConnectionRecord>{{1, 2, 0}, {2, 3, 0}, {0, 1, 0}, {2, 4, 0}}));
  ASSERT_EQ(topology->input_ids.size(), 1u);
  EXPECT_EQ(topology->input_ids[0].name, "a");
  EXPECT_EQ(topology->input_ids[0].global_id, 0u);
  ASSERT_EQ(topology->output_ids.size(), 1u);
  EXPECT_EQ(topology->output_ids[0].name, "y");
  EXPECT_EQ(topology->output_ids[0].global_id, 2u);  // the NOT gate, not the pin
}

// A sub-circuit input driven by a gate declared after the instance:
//   input a; inv x(in=g.out); and g(a=a, b=a); output o(in=x.out)
TEST(SerializeProject, DriverDeclaredAfterTheInstanceFlattens) {
  types::Project project;
  ModuleBuilder root;
  auto a = root.input("a");
  auto x = root.subCircuit("inv", "x");
  auto g = root.andGate("g");
  root.connect(x, "in", g);
  root.connect(g, "a", a);
  root.connect(g, "b", a);
  root.output("o", x);
  project.files = {root.module(), inverterModule(1)};
  testing::addImport(project, "inv", 0, 1);

  auto topology = serializeProject(project);
  ASSERT_TRUE(topology);
  Decoded decoded = decode(topology->payload);
  // Ids are still given in declaration order: a, x's in/n/out, g, o.
  EXPECT_EQ(decoded.components, (decltype(decoded.components){{0, 0}, {1, 0}, {2, 1}, {3, 5}, {4, 2}, {5, 5}}));
  EXPECT_EQ(decoded.connections, (std::vector<ConnectionRecord>{{1, 2, 0},
                                                                {2, 3, 0},
                                                                {4, 1, 0},  // the instance, bound to g
                                                                {0, 4, 1},
                                                                {0, 4, 2},
                                                                {2, 5, 0}}));
}

// output o(in=xr(a=not(in=a).out, b=b).out): the anonymous NOT gets a later
// id than the instance it feeds.
TEST(SerializeProject, AnonymousGateInsideAnInstanceValueFlattens) {
  types::Project project;
  ModuleBuilder root;
  auto a = root.input("a");
  auto b = root.input("b");
  auto o = root.primitive(PrimitiveKind::output_pin, "o");
  auto xr = root.subCircuit("xr", "__anon_0");
  auto inverter = root.notGate("__anon_1");
  root.module().outputs.push_back({"o", {"out", types::ComponentId{xr}}, types::OutputId{0}, {}});
  root.connect(o, "in", xr);
  root.connect(xr, "a", inverter);
  root.connect(xr, "b", b);
  root.connect(inverter, "in", a);
  project.files = {root.module(), andFile(1)};
  testing::addImport(project, "xr", 0, 1);

  auto topology = serializeProject(project);
  ASSERT_TRUE(topology);
  Decoded decoded = decode(topology->payload);
  EXPECT_EQ(decoded.components,
            (decltype(decoded.components){{0, 0}, {1, 0}, {2, 5}, {3, 0}, {4, 0}, {5, 2}, {6, 5}, {7, 1}}));
  EXPECT_EQ(decoded.connections, (std::vector<ConnectionRecord>{{3, 5, 1},
                                                                {4, 5, 2},
                                                                {5, 6, 0},  // inside the instance
                                                                {7, 3, 0},
                                                                {1, 4, 0},  // its bound inputs
                                                                {5, 2, 0},
                                                                {0, 7, 0}}));
  EXPECT_EQ(topology->output_ids[0].global_id, 5u);
}

TEST(SerializeProject, ReportsBrokenPrograms) {
  auto single = [](ModuleBuilder& root) {
    types::Project project;
    project.files = {root.module(), inverterModule(1)};
    testing::addImport(project, "inv", 0, 1);
    return serializeProject(project);
  };
  {
    ModuleBuilder root;
    root.subCircuit("other", "x");  // alias not imported by this file
    EXPECT_EQ(single(root).error(), Error::ModuleNotFound);
  }
  {
    ModuleBuilder root;
    root.input("a");
    root.unresolved("mystery", "m");
    EXPECT_EQ(single(root).error(), Error::UnresolvedComponent);
  }
  {
    ModuleBuilder root;
    auto x = root.subCircuit("inv", "x");
    root.output("y", x, "nope");  // the instance has no output "nope"
    EXPECT_EQ(single(root).error(), Error::UnknownPortName);
  }
  {
    ModuleBuilder root;
    root.output("y", types::kUnresolvedId);
    EXPECT_EQ(single(root).error(), Error::ComponentNotFound);
  }
  {
    ModuleBuilder root;
    auto a = root.input("a");
    root.connect(42, "in", a);
    EXPECT_EQ(single(root).error(), Error::ComponentNotFound);
  }
  {
    ModuleBuilder root;
    auto a = root.input("a");
    auto n = root.notGate("n");
    root.connect(n, "inn", a);
    EXPECT_EQ(single(root).error(), Error::UnknownPortName);
  }
}

TEST(ExpandModule, BindsATopInstanceFromOutside) {
  types::Project project;
  project.files = {inverterModule(0)};
  ExpanderState state(project);
  std::vector<InputBinding> bindings = {{"in", {40}}, {"nope", {41}}, {"in", {42}}};
  std::vector<std::uint32_t> local_to_global;
  auto outputs = expandModule(state, project.files[0], bindings, &local_to_global);
  ASSERT_TRUE(outputs);
  ASSERT_EQ(outputs->size(), 1u);
  EXPECT_EQ((*outputs)[0].name, "out");
  EXPECT_EQ((*outputs)[0].global_id, 1u);
  EXPECT_EQ(local_to_global, (std::vector<std::uint32_t>{0, 1, 2}));
  // The later binding of "in" wins; a name without a pin binds nothing.
  EXPECT_EQ(state.connections, (std::vector<ConnectionRecord>{{0, 1, 0}, {1, 2, 0}, {42, 0, 0}}));

  // A second top instance continues the global ids.
  auto again = expandModule(state, project.files[0], {}, nullptr);
  ASSERT_TRUE(again);
  EXPECT_EQ((*again)[0].global_id, 4u);
  EXPECT_EQ(state.components.size(), 6u);
}

TEST(SerializeProject, ImportCycleIsRefusedAsEndless) {
  types::Project project;
  ModuleBuilder root;
  root.subCircuit("self", "x");
  ModuleBuilder loop(1);
  loop.input("in");
  loop.subCircuit("self", "again");
  project.files = {root.module(), loop.module()};
  testing::addImport(project, "self", 0, 1);
  testing::addImport(project, "self", 1, 1);
  EXPECT_EQ(serializeProject(project).error(), Error::CircuitTooLarge);
  // The flattening alone refuses it too instead of expanding without end.
  ExpanderState state(project);
  EXPECT_EQ(expandModule(state, project.files[0], {}, nullptr).error(), Error::InternalError);
}

// ---------------------------------------------------------------------------
// The flattening compared with a direct transcription of the documented
// recursive walk, on random projects. Where that walk succeeds, every record
// must match; where it stumbles over a driver declared after the instance it
// feeds (InternalError), the flattening must succeed all the same.

struct ReferenceWalk {
  const types::Project& project;
  std::vector<std::pair<std::uint32_t, std::uint8_t>> components;
  std::vector<ConnectionRecord> connections;
  std::uint32_t next_global_id = 0;

  using OutputMap = std::map<std::string_view, std::uint32_t>;

  static const types::Component* findComponent(const types::Module& module, types::ComponentId id) {
    for (const types::Component& component : module.components) {
      if (component.id == id) return &component;
    }
    return nullptr;
  }

  Result<std::uint32_t> resolve(const types::Module& module, const types::SignalEndpoint& endpoint,
                                const std::map<std::uint32_t, std::uint32_t>& local,
                                const std::map<std::uint32_t, OutputMap>& subs) {
    const types::Component* component = findComponent(module, endpoint.component);
    if (component == nullptr) return fail(Error::ComponentNotFound);
    if (component->kind.isPrimitive()) {
      auto found = local.find(endpoint.component.value);
      if (found == local.end()) return fail(Error::InternalError);
      return found->second;
    }
    if (component->kind.isSubCircuitRef()) {
      auto found = subs.find(endpoint.component.value);
      if (found == subs.end()) return fail(Error::InternalError);
      auto output = found->second.find(endpoint.port);
      if (output == found->second.end()) return fail(Error::UnknownPortName);
      return output->second;
    }
    return fail(Error::UnresolvedComponent);
  }

  Result<OutputMap> expand(const types::Module& module, const std::map<std::string_view, std::uint32_t>* bindings) {
    std::map<std::uint32_t, std::uint32_t> local;
    std::map<std::uint32_t, OutputMap> subs;
    for (const types::Component& component : module.components) {
      if (component.kind.isPrimitive()) {
        local[component.id.value] = next_global_id;
        components.push_back({next_global_id++, static_cast<std::uint8_t>(primitiveToKind(component.kind.primitive))});
      } else if (component.kind.isSubCircuitRef()) {
        const types::ResolvedImport* target = nullptr;
        for (const auto& entry : project.import_table) {
          if (entry.importing_file == module.file_id && entry.alias == component.kind.sub_circuit_ref.name) {
            target = &entry;
            break;
          }
        }
        if (target == nullptr) return fail(Error::ModuleNotFound);
        std::map<std::string_view, std::uint32_t> bound;
        for (const types::Connection& connection : module.connections) {
          if (connection.to.component != component.id) continue;
          auto from = resolve(module, connection.from, local, subs);
          if (!from) return fail(from.error());
          bound[connection.to.port] = *from;
        }
        auto outputs = expand(project.files[target->target_file.value], &bound);
        if (!outputs) return fail(outputs.error());
        subs[component.id.value] = *outputs;
      } else {
        return fail(Error::UnresolvedComponent);
      }
    }
    for (const types::Connection& connection : module.connections) {
      const types::Component* destination = findComponent(module, connection.to.component);
      if (destination == nullptr) return fail(Error::ComponentNotFound);
      if (!destination->kind.isPrimitive()) continue;
      auto from = resolve(module, connection.from, local, subs);
      if (!from) return fail(from.error());
      auto port = parsePortName(connection.to.port);
      if (!port) return fail(port.error());
      connections.push_back({*from, local.at(connection.to.component.value), static_cast<std::uint8_t>(*port)});
    }
    if (bindings != nullptr) {
      for (const types::InputPin& pin : module.inputs) {
        auto found = bindings->find(pin.name);
        if (found != bindings->end()) connections.push_back({found->second, local.at(pin.component.value), 0});
      }
    }
    OutputMap outputs;
    for (const types::OutputPin& pin : module.outputs) {
      auto driver = resolve(module, pin.driver, local, subs);
      if (!driver) return fail(driver.error());
      outputs[pin.name] = *driver;
    }
    return outputs;
  }
};

// Random project: file f may instantiate only files after it. Every input
// port is driven by a random component of its module, earlier or later.
types::Project randomProject(std::mt19937& random, int file_count) {
  types::Project project;
  static const char* kNames[] = {"p", "q", "r", "s", "t"};
  std::vector<int> input_counts(file_count), output_counts(file_count);
  for (int f = 0; f < file_count; ++f) {
    input_counts[f] = 1 + static_cast<int>(random() % 3);
    output_counts[f] = 1 + static_cast<int>(random() % 2);
  }
  for (int f = file_count - 1; f >= 0; --f) {
    ModuleBuilder m(static_cast<std::uint32_t>(f));
    for (int i = 0; i < input_counts[f]; ++i) m.input(kNames[i]);
    int body = 2 + static_cast<int>(random() % 6);
    std::vector<std::pair<std::uint32_t, int>> subs;  // instance id, target file
    for (int c = 0; c < body; ++c) {
      int pick = static_cast<int>(random() % 4);
      std::string name = "c" + std::to_string(c);
      if (pick == 3 && f + 1 < file_count) {
        int target = f + 1 + static_cast<int>(random() % (file_count - f - 1));
        subs.push_back({m.subCircuit("m" + std::to_string(target), name), target});
      } else {
        m.primitive(pick == 0   ? PrimitiveKind::and_gate
                    : pick == 1 ? PrimitiveKind::not_gate
                                : PrimitiveKind::wire,
                    name);
      }
    }
    auto count = static_cast<std::uint32_t>(m.module().components.size());
    auto source = [&](std::uint32_t& id, std::string& port) {
      id = static_cast<std::uint32_t>(random() % count);
      port = "out";
      for (auto& [instance, target] : subs) {
        if (instance == id) port = kNames[random() % output_counts[target]];
      }
    };
    for (std::uint32_t id = 0; id < count; ++id) {
      const types::Component& component = m.module().components[id];
      std::vector<std::string> ports;
      if (component.kind.isPrimitive(PrimitiveKind::and_gate)) ports = {"a", "b"};
      if (component.kind.isPrimitive(PrimitiveKind::not_gate) || component.kind.isPrimitive(PrimitiveKind::wire)) {
        ports = {"in"};
      }
      for (auto& [instance, target] : subs) {
        if (instance == id) {
          for (int i = 0; i < input_counts[target]; ++i) ports.push_back(kNames[i]);
        }
      }
      for (const std::string& port : ports) {
        std::uint32_t from;
        std::string from_port;
        source(from, from_port);
        m.connect(id, port, from, from_port);
      }
    }
    for (int o = 0; o < output_counts[f]; ++o) {
      std::uint32_t from;
      std::string from_port;
      source(from, from_port);
      m.output(kNames[o], from, from_port);
    }
    project.files.insert(project.files.begin(), m.module());
  }
  for (int f = 0; f < file_count; ++f) {
    for (int t = f + 1; t < file_count; ++t) {
      testing::addImport(project, "m" + std::to_string(t), f, t);
    }
  }
  return project;
}

// The same project with every component id moved off its position: ids are
// looked up, never used as indexes, so the flattening must not change.
types::Project scatterIds(types::Project project) {
  auto scatter = [](types::ComponentId& id) { id.value = id.value * 7 + 3; };
  for (types::Module& module : project.files) {
    for (types::Component& component : module.components) scatter(component.id);
    for (types::InputPin& pin : module.inputs) scatter(pin.component);
    for (types::OutputPin& pin : module.outputs) scatter(pin.driver.component);
    for (types::Connection& connection : module.connections) {
      scatter(connection.from.component);
      scatter(connection.to.component);
    }
  }
  return project;
}

TEST(SerializeProject, MatchesTheRecursiveWalkOnRandomProjects) {
  std::mt19937 random(20260501);
  int agreed = 0;
  int mended = 0;
  for (int round = 0; round < 400; ++round) {
    types::Project project = randomProject(random, 1 + round % 4);
    ReferenceWalk reference{project, {}, {}, 0};
    auto expected = reference.expand(project.files[0], nullptr);
    auto actual = serializeProject(project);
    auto scattered = serializeProject(scatterIds(project));
    ASSERT_TRUE(actual && scattered && scattered->payload == actual->payload) << "round " << round;
    if (!expected) {
      ASSERT_EQ(expected.error(), Error::InternalError);
      ASSERT_TRUE(actual) << "round " << round << ": " << errorName(actual.error());
      ++mended;
      continue;
    }
    ASSERT_TRUE(actual) << "round " << round;
    Decoded decoded = decode(actual->payload);
    ASSERT_EQ(decoded.components, reference.components) << "round " << round;
    ASSERT_EQ(decoded.connections, reference.connections) << "round " << round;
    const types::Module& root = project.files[0];
    ASSERT_EQ(actual->output_ids.size(), root.outputs.size());
    for (const PinMapping& pin : actual->output_ids) EXPECT_EQ(pin.global_id, expected->at(pin.name));
    ++agreed;
  }
  // Both kinds must really have been exercised.
  EXPECT_GT(agreed, 50);
  EXPECT_GT(mended, 50);
}

// Flattening keeps its own stack and lookups, so a wide project stays fast.
TEST(SerializeProject, ManyInstancesFlattenQuickly) {
  types::Project project;
  ModuleBuilder root;
  std::uint32_t previous = root.input("a");
  constexpr std::uint32_t kInstances = 30000;
  for (std::uint32_t i = 0; i < kInstances; ++i) {
    // Each instance is declared before the gate that feeds it.
    std::uint32_t instance = root.subCircuit("inv", "x");
    std::uint32_t buffer = root.wire("w");
    root.connect(buffer, "in", previous);
    root.connect(instance, "in", buffer);
    previous = instance;
  }
  root.output("y", previous);
  project.files = {root.module(), inverterModule(1)};
  testing::addImport(project, "inv", 0, 1);
  auto topology = serializeProject(project);
  ASSERT_TRUE(topology);
  Decoded decoded = decode(topology->payload);
  EXPECT_EQ(decoded.components.size(), 2 + 4 * kInstances);
  EXPECT_EQ(topology->output_ids[0].global_id, 4 * kInstances - 2);  // the last instance's NOT
}

}  // namespace
}  // namespace vorn::serializer
