#include "verilog/module_text.hpp"

#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ir/component_lookup.hpp"
#include "ir/name_table.hpp"
#include "verilog/identifiers.hpp"

namespace vorn::verilog_module {

namespace {

using types::Component;
using types::PrimitiveKind;
using verilog_identifiers::appendIdentifier;
using verilog_identifiers::appendSignalName;

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// What a signal that never becomes defined reads: a port nobody drives (a
// gate or buf would turn its floating z into x as well) or a component that
// no input reaches.
constexpr std::string_view kUndriven = "1'bx";

// The instance name; a component without one (never made from source text)
// is named by its id, which no source name can spell.
void appendInstanceName(std::string& out, const Component& component) {
  if (!component.instance_name.empty()) {
    appendIdentifier(out, component.instance_name);
    return;
  }
  out.append("\\#").append(std::to_string(component.id.value)).push_back(' ');
}

// Appends `text`, without its leading space when an escaped identifier's
// closing space already stands there.
void appendAfterName(std::string& out, std::string_view text) {
  if (!out.empty() && out.back() == ' ' && text.starts_with(' ')) text.remove_prefix(1);
  out.append(text);
}

void appendSignal(std::string& out, const Component& component, std::string_view port) {
  if (!component.instance_name.empty()) {
    appendSignalName(out, component.instance_name, port);
    return;
  }
  appendSignalName(out, "#" + std::to_string(component.id.value), port);
}

// The input and output pins of a sub-circuit's file, by name, built once per file.
class TargetPorts {
 public:
  explicit TargetPorts(const types::Project& project) : project_(project) {}

  const resolver::NameTable& inputs(std::uint32_t file) { return table(file, inputs_, true); }
  const resolver::NameTable& outputs(std::uint32_t file) { return table(file, outputs_, false); }

 private:
  const resolver::NameTable& table(std::uint32_t file, std::unordered_map<std::uint32_t, resolver::NameTable>& cache,
                                   bool inputs) {
    auto [entry, inserted] = cache.try_emplace(file);
    if (!inserted) return entry->second;
    const types::Module& target = project_.files[file];
    std::size_t count = inputs ? target.inputs.size() : target.outputs.size();
    entry->second.reserve(count);
    // Backwards, so that a repeated name answers with its first pin.
    for (std::size_t i = count; i > 0; --i) {
      std::string_view name = inputs ? target.inputs[i - 1].name : target.outputs[i - 1].name;
      entry->second.assign(name, static_cast<std::uint32_t>(i - 1));
    }
    return entry->second;
  }

  const types::Project& project_;
  std::unordered_map<std::uint32_t, resolver::NameTable> inputs_;
  std::unordered_map<std::uint32_t, resolver::NameTable> outputs_;
};

class ModuleWriter {
 public:
  ModuleWriter(std::string& out, const types::Project& project, std::uint32_t file,
               const import_targets::ImportTargets& targets, std::span<const std::string> module_names)
      : out_(out),
        project_(project),
        module_(project.files[file]),
        file_(file),
        targets_(targets),
        module_names_(module_names),
        lookup_(module_.components),
        ports_(project) {}

  Result<void> write() {
    VORN_TRY_VOID(layOutSlots());
    VORN_TRY_VOID(assignDrivers());
    markReachable();
    writeHeader();
    writeNets();
    if (!module_.components.empty()) out_.push_back('\n');
    writeInstances();
    out_.append("endmodule\n");
    return {};
  }

 private:
  // Each component's input ports get consecutive slots: "a" and "b" of an
  // and gate, "in" of the other primitives, a sub-circuit's input pins in
  // its file's order. Input pins have none: their module port drives them.
  Result<void> layOutSlots() {
    const std::size_t count = module_.components.size();
    first_slot_.assign(count + 1, 0);
    target_.assign(count, kNone);
    std::uint32_t slots = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const Component& component = module_.components[i];
      first_slot_[i] = slots;
      switch (component.kind.tag) {
        case types::ComponentKind::Tag::primitive:
          if (component.kind.primitive == PrimitiveKind::and_gate) slots += 2;
          else if (component.kind.primitive != PrimitiveKind::input_pin) slots += 1;
          break;
        case types::ComponentKind::Tag::sub_circuit_ref: {
          auto target = targets_.find(types::FileId{file_}, component.kind.sub_circuit_ref.name);
          if (!target || *target >= project_.files.size()) return fail(Error::UnresolvedSubCircuitTarget);
          target_[i] = *target;
          slots += static_cast<std::uint32_t>(project_.files[*target].inputs.size());
          break;
        }
        case types::ComponentKind::Tag::unresolved_name: return fail(Error::UnresolvedComponentName);
      }
    }
    first_slot_[count] = slots;
    driver_.assign(slots, kNone);
    return {};
  }

  std::uint32_t slotOf(std::size_t index, std::string_view port) {
    const Component& component = module_.components[index];
    if (component.kind.isSubCircuitRef()) {
      std::optional<std::uint32_t> pin = ports_.inputs(target_[index]).find(port);
      return pin ? first_slot_[index] + *pin : kNone;
    }
    switch (component.kind.primitive) {
      case PrimitiveKind::and_gate:
        if (port == "a") return first_slot_[index];
        if (port == "b") return first_slot_[index] + 1;
        return kNone;
      case PrimitiveKind::input_pin: return kNone;
      default: return port == "in" ? first_slot_[index] : kNone;
    }
  }

  // Validation leaves one driver per port; were there more, the last one
  // made would stand.
  Result<void> assignDrivers() {
    for (std::size_t i = 0; i < module_.connections.size(); ++i) {
      const types::Connection& connection = module_.connections[i];
      if (lookup_.indexOf(connection.from.component) == component_lookup::ComponentLookup::kNone) {
        return fail(Error::InvalidFromComponentId);
      }
      std::size_t to = lookup_.indexOf(connection.to.component);
      if (to == component_lookup::ComponentLookup::kNone) return fail(Error::InvalidToComponentId);
      std::uint32_t slot = slotOf(to, connection.to.port);
      if (slot != kNone) driver_[slot] = static_cast<std::uint32_t>(i);
    }
    return {};
  }

  // Our simulator recalculates a component only when one of its drivers
  // changes, and only input pins change first, so a component that no path
  // from an input pin reaches stays undefined for ever: a loop of gates that
  // nothing drives, or anything of a module without inputs. Such a signal is
  // a constant x here (a Verilog simulator would never evaluate the loop and
  // show z, and synthesis would find it undriven).
  void markReachable() {
    const std::size_t count = module_.components.size();
    std::vector<std::uint32_t> first_edge(count + 1, 0);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> edges;
    edges.reserve(module_.connections.size());
    for (const types::Connection& connection : module_.connections) {
      auto from = static_cast<std::uint32_t>(lookup_.indexOf(connection.from.component));
      auto to = static_cast<std::uint32_t>(lookup_.indexOf(connection.to.component));
      edges.emplace_back(from, to);
      ++first_edge[from + 1];
    }
    for (std::size_t i = 0; i < count; ++i) first_edge[i + 1] += first_edge[i];
    std::vector<std::uint32_t> targets(edges.size());
    std::vector<std::uint32_t> fill(first_edge.begin(), first_edge.end() - 1);
    for (const auto& [from, to] : edges) targets[fill[from]++] = to;

    reachable_.assign(count, false);
    std::vector<std::uint32_t> work;
    for (std::size_t i = 0; i < count; ++i) {
      if (module_.components[i].kind.isPrimitive(PrimitiveKind::input_pin)) {
        reachable_[i] = true;
        work.push_back(static_cast<std::uint32_t>(i));
      }
    }
    while (!work.empty()) {
      std::uint32_t node = work.back();
      work.pop_back();
      for (std::uint32_t edge = first_edge[node]; edge < first_edge[node + 1]; ++edge) {
        if (reachable_[targets[edge]]) continue;
        reachable_[targets[edge]] = true;
        work.push_back(targets[edge]);
      }
    }
  }

  void writeHeader() {
    out_.append("module ").append(module_names_[file_]);
    if (module_.inputs.empty() && module_.outputs.empty()) {
      out_.append(" ();\n");
      return;
    }
    out_.append(" (\n");
    std::size_t remaining = module_.inputs.size() + module_.outputs.size();
    auto port = [&](std::string_view direction, std::string_view name) {
      out_.append("    ").append(direction).append(" wire ");
      appendIdentifier(out_, name);
      out_.append(--remaining > 0 ? ",\n" : "\n");
    };
    for (const types::InputPin& pin : module_.inputs) port("input", pin.name);
    for (const types::OutputPin& pin : module_.outputs) port("output", pin.name);
    out_.append(");\n");
  }

  // One net per signal a component drives; an output pin drives its port.
  void writeNets() {
    for (std::size_t i = 0; i < module_.components.size(); ++i) {
      const Component& component = module_.components[i];
      if (component.kind.isSubCircuitRef()) {
        for (const types::OutputPin& pin : project_.files[target_[i]].outputs) {
          out_.append("    wire ");
          appendSignal(out_, component, pin.name);
          out_.append(";\n");
        }
      } else if (component.kind.primitive != PrimitiveKind::output_pin) {
        out_.append("    wire ");
        appendSignal(out_, component, "out");
        out_.append(";\n");
      }
    }
  }

  // What a slot reads: the net its driver drives, or x.
  void appendSlot(std::uint32_t slot) {
    std::uint32_t connection_index = driver_[slot];
    if (connection_index == kNone) {
      out_.append(kUndriven);
      return;
    }
    const types::SignalEndpoint& from = module_.connections[connection_index].from;
    std::size_t index = lookup_.indexOf(from.component);
    const Component& source = module_.components[index];
    if (source.kind.isSubCircuitRef()) {
      if (ports_.outputs(target_[index]).contains(from.port)) {
        appendSignal(out_, source, from.port);
      } else {
        out_.append(kUndriven);
      }
    } else if (source.kind.primitive == PrimitiveKind::output_pin) {
      appendIdentifier(out_, source.instance_name);
    } else {
      // A primitive has the one output, whatever port the reference names.
      appendSignal(out_, source, "out");
    }
  }

  void writeUnreached(const Component& component, std::size_t index) {
    out_.append("    // ");
    appendInstanceName(out_, component);
    out_.append(": no input reaches it, so it is never defined\n");
    if (component.kind.isSubCircuitRef()) {
      for (const types::OutputPin& pin : project_.files[target_[index]].outputs) {
        out_.append("    assign ");
        appendSignal(out_, component, pin.name);
        appendAfterName(out_, " = ");
        out_.append(kUndriven).append(";\n");
      }
      return;
    }
    out_.append("    assign ");
    if (component.kind.primitive == PrimitiveKind::output_pin) {
      appendIdentifier(out_, component.instance_name);
    } else {
      appendSignal(out_, component, "out");
    }
    appendAfterName(out_, " = ");
    out_.append(kUndriven).append(";\n");
  }

  void writeInstances() {
    for (std::size_t i = 0; i < module_.components.size(); ++i) {
      const Component& component = module_.components[i];
      if (!reachable_[i]) {
        writeUnreached(component, i);
        continue;
      }
      if (component.kind.isSubCircuitRef()) {
        writeSubCircuit(i);
        continue;
      }
      const std::uint32_t slot = first_slot_[i];
      switch (component.kind.primitive) {
        case PrimitiveKind::input_pin:
          out_.append("    buf `VORN_GATE_DELAY (");
          appendSignal(out_, component, "out");
          out_.append(", ");
          appendIdentifier(out_, component.instance_name);
          out_.append(");\n");
          break;
        case PrimitiveKind::and_gate:
          writeGate("    and `VORN_GATE_DELAY ", component);
          appendSlot(slot);
          out_.append(", ");
          appendSlot(slot + 1);
          out_.append(");\n");
          break;
        case PrimitiveKind::not_gate:
          writeGate("    not `VORN_GATE_DELAY ", component);
          appendSlot(slot);
          out_.append(");\n");
          break;
        case PrimitiveKind::wire:
        case PrimitiveKind::led:
          writeGate("    buf `VORN_WIRE_DELAY ", component);
          appendSlot(slot);
          out_.append(");\n");
          break;
        case PrimitiveKind::output_pin:
          out_.append("    buf `VORN_WIRE_DELAY (");
          appendIdentifier(out_, component.instance_name);
          out_.append(", ");
          appendSlot(slot);
          out_.append(");\n");
          break;
      }
    }
  }

  // "{primitive} {name} ({net}, " — the inputs follow.
  void writeGate(std::string_view primitive, const Component& component) {
    out_.append(primitive);
    appendInstanceName(out_, component);
    appendAfterName(out_, " (");
    appendSignal(out_, component, "out");
    out_.append(", ");
  }

  void writeSubCircuit(std::size_t index) {
    const Component& component = module_.components[index];
    const types::Module& target = project_.files[target_[index]];
    out_.append("    ").append(module_names_[target_[index]]).push_back(' ');
    appendInstanceName(out_, component);
    appendAfterName(out_, " (");
    bool first = true;
    auto separate = [&] {
      if (!first) out_.append(", ");
      first = false;
    };
    for (std::size_t pin = 0; pin < target.inputs.size(); ++pin) {
      separate();
      out_.push_back('.');
      appendIdentifier(out_, target.inputs[pin].name);
      out_.push_back('(');
      appendSlot(first_slot_[index] + static_cast<std::uint32_t>(pin));
      out_.push_back(')');
    }
    for (const types::OutputPin& pin : target.outputs) {
      separate();
      out_.push_back('.');
      appendIdentifier(out_, pin.name);
      out_.push_back('(');
      appendSignal(out_, component, pin.name);
      out_.push_back(')');
    }
    out_.append(");\n");
  }

  std::string& out_;
  const types::Project& project_;
  const types::Module& module_;
  std::uint32_t file_;
  const import_targets::ImportTargets& targets_;
  std::span<const std::string> module_names_;
  component_lookup::ComponentLookup lookup_;
  TargetPorts ports_;
  std::vector<std::uint32_t> first_slot_;  // by component position, plus the total
  std::vector<std::uint32_t> target_;      // file of each sub-circuit instance
  std::vector<std::uint32_t> driver_;      // connection index per slot
  std::vector<bool> reachable_;            // by component position: some input pin reaches it
};

}  // namespace

Result<void> appendModule(std::string& out, const types::Project& project, std::uint32_t file,
                          const import_targets::ImportTargets& targets, std::span<const std::string> module_names) {
  return ModuleWriter(out, project, file, targets, module_names).write();
}

}  // namespace vorn::verilog_module
