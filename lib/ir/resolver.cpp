#include "ir/resolver.hpp"

#include <optional>
#include <string_view>
#include <vector>

#include "ir/name_table.hpp"

namespace vorn::resolver {

namespace {

using types::ComponentId;

// The port list of one instance whose assignments are still to be turned
// into connections.
struct PendingPorts {
  const std::vector<ast::PortConnection>* ports = nullptr;
  ComponentId component_id;
};

struct ResolveContext {
  const ast::File& file;
  std::vector<types::UnresolvedImport> imports;
  std::vector<types::InputPin> input_pins;
  std::vector<types::OutputPin> output_pins;
  std::vector<types::Component> components;
  std::vector<types::Connection> connections;
  std::vector<types::OutputBinding> output_bindings;
  std::vector<PendingPorts> pending_ports;
  std::size_t pending_cursor = 0;
  NameTable name_to_component;  // instance name -> component id
  NameTable import_aliases;     // explicit import aliases (value unused)
  std::uint32_t next_component_id = 0;

  explicit ResolveContext(const ast::File& f) : file(f) {}
};

constexpr std::string_view kOutPort = primitive_kinds::kOutputPort;
constexpr std::string_view kInPort = "in";

ComponentId nextComponentId(ResolveContext& context) { return ComponentId{context.next_component_id++}; }

std::optional<types::PrimitiveKind> isPrimitive(std::string_view name) { return types::primitiveOfTypeName(name); }

types::Span toIrSpan(const ast::Span& span) {
  return types::Span{span.file_id, span.start_line, span.start_col, span.end_line, span.end_col};
}

bool isValidEndpoint(ComponentId id) { return id.value != types::kUnresolvedId; }

void registerName(ResolveContext& context, std::string_view name, ComponentId id) {
  // A later declaration of the same name shadows the earlier one for every
  // lookup made after it.
  context.name_to_component.assign(name, id.value);
}

ComponentId addComponent(ResolveContext& context, const ast::ComponentInstance& instance) {
  ComponentId id = nextComponentId(context);
  std::string_view type_name = instance.type_name.text;
  types::ComponentKind kind;
  if (std::optional<types::PrimitiveKind> primitive = isPrimitive(type_name)) {
    kind = types::ComponentKind::makePrimitive(*primitive);
  } else if (context.import_aliases.contains(type_name)) {
    kind = types::ComponentKind::makeSubCircuitRef(types::UnresolvedRef{type_name, toIrSpan(instance.type_name.span)});
  } else {
    kind = types::ComponentKind::makeUnresolvedName(type_name);
  }
  std::string_view instance_name = instance.instance_name ? instance.instance_name->text : std::string_view{};
  context.components.push_back(types::Component{kind, instance_name, id, toIrSpan(instance.span)});
  if (instance.instance_name) registerName(context, instance_name, id);
  context.pending_ports.push_back(PendingPorts{&instance.ports, id});
  return id;
}

ComponentId ensureNamedReference(const ResolveContext& context, std::string_view name) {
  std::optional<std::uint32_t> found = context.name_to_component.find(name);
  return ComponentId{found ? *found : types::kUnresolvedId};
}

// An anonymous instance gets its id here, but its own port assignments are
// only queued: they are resolved later from the work list, so nesting depth
// never turns into call depth.
types::SignalEndpoint resolveSource(ResolveContext& context, const ast::SignalSource& source) {
  if (source.tag == ast::SignalSource::Tag::anonymous && source.anonymous) {
    std::string_view port = source.anonymous_port.text.empty() ? kOutPort : source.anonymous_port.text;
    return types::SignalEndpoint{port, addComponent(context, *source.anonymous)};
  }
  if (source.tag == ast::SignalSource::Tag::anonymous) {
    return types::SignalEndpoint{kOutPort, ComponentId{types::kUnresolvedId}};
  }
  return types::SignalEndpoint{source.named.port.text, ensureNamedReference(context, source.named.target.text)};
}

// Drains the work list from where the last drain stopped; entries appended
// while draining are handled in the same pass, after all earlier ones.
void resolvePendingPorts(ResolveContext& context) {
  while (context.pending_cursor < context.pending_ports.size()) {
    // Copy the entry: resolving may append to the list and move it.
    PendingPorts entry = context.pending_ports[context.pending_cursor++];
    for (const ast::PortConnection& assignment : *entry.ports) {
      types::SignalEndpoint source = resolveSource(context, assignment.value);
      if (!isValidEndpoint(source.component)) continue;
      context.connections.push_back(types::Connection{
          source, types::PortEndpoint{assignment.port.text, entry.component_id}, toIrSpan(assignment.span)});
    }
  }
}

}  // namespace

Result<types::Module> resolve(const ast::File& file, std::uint32_t file_id) {
  ResolveContext context(file);
  std::size_t input_count = 0;
  for (const ast::InputDecl& declaration : file.inputs) input_count += declaration.names.size();
  const std::size_t estimated = input_count + file.components.size() + file.outputs.size();
  context.components.reserve(estimated);
  context.pending_ports.reserve(file.components.size());
  context.name_to_component.reserve(estimated);
  std::size_t port_count = file.outputs.size();
  for (const ast::ComponentInstance& instance : file.components) port_count += instance.ports.size();
  context.connections.reserve(port_count);

  for (const ast::Import& import : file.imports) {
    context.import_aliases.assign(import.alias.text, 0);
    context.imports.push_back(
        types::UnresolvedImport{import.alias.text, import.path.text, toIrSpan(import.span), false});
  }

  for (const ast::InputDecl& declaration : file.inputs) {
    for (const ast::Identifier& name : declaration.names) {
      ComponentId id = nextComponentId(context);
      types::Span span = toIrSpan(name.span);
      context.components.push_back(
          types::Component{types::ComponentKind::makePrimitive(types::PrimitiveKind::input_pin), name.text, id, span});
      registerName(context, name.text, id);
      types::InputId input_id{static_cast<std::uint32_t>(context.input_pins.size())};
      context.input_pins.push_back(types::InputPin{name.text, input_id, id, span});
    }
  }

  for (const ast::ComponentInstance& instance : file.components) addComponent(context, instance);

  resolvePendingPorts(context);

  for (const ast::OutputDecl& output : file.outputs) {
    ComponentId id = nextComponentId(context);
    types::Span span = toIrSpan(output.span);
    context.components.push_back(types::Component{types::ComponentKind::makePrimitive(types::PrimitiveKind::output_pin),
                                                  output.name.text, id, span});
    // Registered before the value is looked up, so an output may name itself.
    registerName(context, output.name.text, id);
    types::SignalEndpoint driver = resolveSource(context, output.value);
    types::OutputId output_id{static_cast<std::uint32_t>(context.output_pins.size())};
    context.output_pins.push_back(types::OutputPin{output.name.text, driver, output_id, span});
    if (isValidEndpoint(driver.component)) {
      context.connections.push_back(types::Connection{driver, types::PortEndpoint{kInPort, id}, span});
    }
    if (output.port) {
      context.output_bindings.push_back(
          types::OutputBinding{output_id, output.port->text, driver, toIrSpan(output.port->span)});
    }
    // Later bindings drive nothing; anonymous instances in them still become
    // components, so that what was written is checked.
    for (const ast::PortConnection& binding : output.later_bindings) {
      context.output_bindings.push_back(types::OutputBinding{
          output_id, binding.port.text, resolveSource(context, binding.value), toIrSpan(binding.span)});
    }
  }

  // Anonymous instances written directly as an output's value.
  resolvePendingPorts(context);

  types::Module module;
  module.inputs = std::move(context.input_pins);
  module.outputs = std::move(context.output_pins);
  module.components = std::move(context.components);
  module.connections = std::move(context.connections);
  module.imports = std::move(context.imports);
  module.output_bindings = std::move(context.output_bindings);
  module.connection_lines = file.connection_lines;
  module.file_id = types::FileId{file_id};
  return module;
}

}  // namespace vorn::resolver
