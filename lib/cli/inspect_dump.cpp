#include "cli/inspect_dump.hpp"

#include <charconv>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <vector>

namespace vorn::inspect_dump {

namespace {

// Either measures or writes the text. A deeply nested tree dumps to hundreds
// of megabytes, so the syntax-tree dump is measured first and written into a
// buffer of the exact size instead of one that keeps doubling.
class Sink {
 public:
  Sink() = default;
  explicit Sink(std::string& text) : text_(&text) {}

  void append(std::string_view bytes) {
    if (text_) text_->append(bytes);
    else size_ += bytes.size();
  }
  void append(const char* first, const char* last) { append(std::string_view(first, last)); }
  void append(std::size_t count, char byte) {
    if (text_) text_->append(count, byte);
    else size_ += count;
  }
  void push_back(char byte) {
    if (text_) text_->push_back(byte);
    else ++size_;
  }
  std::size_t size() const { return size_; }

 private:
  std::string* text_ = nullptr;
  std::size_t size_ = 0;
};

void writeDecimal(Sink& out, std::uint64_t value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void writeSpan(Sink& out, const Span& span);

void writeIndent(Sink& out, std::size_t depth) { out.append(2 * depth, ' '); }

// Appends each part in turn: characters and text as they are, numbers in
// decimal, spans in their bracketed form.
template <typename... Parts>
void put(Sink& out, const Parts&... parts) {
  const auto one = [&out]<typename Part>(const Part& part) {
    if constexpr (std::is_same_v<Part, char>) {
      out.push_back(part);
    } else if constexpr (std::is_integral_v<Part>) {
      writeDecimal(out, part);
    } else if constexpr (std::is_same_v<Part, Span>) {
      writeSpan(out, part);
    } else {
      out.append(std::string_view(part));
    }
  };
  (one(parts), ...);
}

void writeSpan(Sink& out, const Span& span) {
  put(out, "[f", span.file_id, ':', span.start_line, ':', span.start_col, '-', span.end_line, ':', span.end_col, ']');
}

void writeHeader(Sink& out, std::string_view title, std::size_t count) { put(out, title, " (", count, ")\n"); }

void writeComponentLine(Sink& out, const ast::ComponentInstance& instance, std::size_t depth) {
  writeIndent(out, depth);
  put(out, "Component type=", instance.type_name.text, " instance=");
  if (instance.instance_name && !instance.instance_name->text.empty()) {
    put(out, instance.instance_name->text, ' ');
  } else {
    out.append("<anonymous> ");
  }
  put(out, instance.span, '\n');
}

void writeNamedRef(Sink& out, const ast::NamedSignalRef& ref, std::size_t depth) {
  writeIndent(out, depth);
  put(out, "NamedRef ", ref.target.text, '.', ref.port.text, ' ', ref.span, '\n');
}

// A port other than "out" read from an anonymous instance follows the word:
// "AnonymousComponent .q".
void writeAnonymousLine(Sink& out, const ast::SignalSource& source, std::size_t depth) {
  writeIndent(out, depth);
  out.append("AnonymousComponent");
  std::string_view port = source.anonymous_port.text;
  if (!port.empty() && port != "out") put(out, " .", port);
  out.push_back('\n');
}

// Anonymous instances nest as deep as the parser allows, so components are
// walked with an explicit stack of (instance, depth, next port) frames.
struct ComponentFrame {
  const ast::ComponentInstance* instance;
  std::size_t depth;
  std::size_t next_port;
};

void dumpComponentTree(Sink& out, std::vector<ComponentFrame>& frames) {
  while (!frames.empty()) {
    ComponentFrame& frame = frames.back();
    if (frame.next_port == frame.instance->ports.size()) {
      frames.pop_back();
      continue;
    }
    const ast::PortConnection& port = frame.instance->ports[frame.next_port++];
    const std::size_t depth = frame.depth;
    writeIndent(out, depth + 1);
    put(out, "Port ", port.port.text, ' ', port.span, '\n');
    // The value sits at depth + 2; a nested instance one level below it.
    if (port.value.tag == ast::SignalSource::Tag::named) {
      writeNamedRef(out, port.value.named, depth + 2);
      continue;
    }
    writeAnonymousLine(out, port.value, depth + 2);
    if (!port.value.anonymous) continue;
    writeComponentLine(out, *port.value.anonymous, depth + 3);
    // Invalidates `frame`.
    frames.push_back({.instance = port.value.anonymous.get(), .depth = depth + 3, .next_port = 0});
  }
}

void dumpComponent(Sink& out, const ast::ComponentInstance& instance, std::size_t depth,
                   std::vector<ComponentFrame>& frames) {
  writeComponentLine(out, instance, depth);
  frames.push_back({.instance = &instance, .depth = depth, .next_port = 0});
  dumpComponentTree(out, frames);
}

void dumpSignalSource(Sink& out, const ast::SignalSource& source, std::size_t depth,
                      std::vector<ComponentFrame>& frames) {
  if (source.tag == ast::SignalSource::Tag::named) {
    writeNamedRef(out, source.named, depth);
    return;
  }
  writeAnonymousLine(out, source, depth);
  if (source.anonymous) dumpComponent(out, *source.anonymous, depth + 1, frames);
}

void dumpComponentKind(Sink& out, const types::ComponentKind& kind) {
  switch (kind.tag) {
    case types::ComponentKind::Tag::primitive: return put(out, "primitive:", types::primitiveKindName(kind.primitive));
    case types::ComponentKind::Tag::sub_circuit_ref: return put(out, "sub_circuit_ref:", kind.sub_circuit_ref.name);
    case types::ComponentKind::Tag::unresolved_name: return put(out, "unresolved_name:", kind.unresolved_name);
  }
}

void dumpFile(Sink& out, const ast::File& file) {
  std::vector<ComponentFrame> frames;

  put(out, "File ", file.span, '\n');

  writeHeader(out, "Imports", file.imports.size());
  for (const ast::Import& import : file.imports) {
    put(out, "  Import alias=", import.alias.text, " path=", import.path.text, ' ', import.span, '\n');
  }

  writeHeader(out, "Inputs", file.inputs.size());
  for (const ast::InputDecl& input : file.inputs) {
    out.append("  Input ");
    for (std::size_t i = 0; i < input.names.size(); ++i) {
      if (i != 0) out.append(", ");
      out.append(input.names[i].text);
    }
    put(out, ' ', input.span, '\n');
  }

  writeHeader(out, "Outputs", file.outputs.size());
  for (const ast::OutputDecl& output : file.outputs) {
    put(out, "  Output ", output.name.text, ' ', output.span, '\n');
    dumpSignalSource(out, output.value, 2, frames);
  }

  writeHeader(out, "Components", file.components.size());
  for (const ast::ComponentInstance& instance : file.components) dumpComponent(out, instance, 1, frames);
}

}  // namespace

Result<std::string> dumpAstFile(const ast::File& file) {
  Sink measure;
  dumpFile(measure, file);
  std::string text;
  text.reserve(measure.size());
  Sink out(text);
  dumpFile(out, file);
  return text;
}

Result<std::string> dumpIrModule(const types::Module& module) {
  std::string text;
  Sink out(text);
  put(out, "Module file_id=", module.file_id.value, '\n');

  writeHeader(out, "Imports", module.imports.size());
  for (const types::UnresolvedImport& import : module.imports) {
    put(out, "  alias=", import.alias, " path=", import.path, '\n');
  }

  writeHeader(out, "Inputs", module.inputs.size());
  for (const types::InputPin& input : module.inputs) {
    put(out, "  id=", input.id.value, " name=", input.name, " component=", input.component.value, '\n');
  }

  writeHeader(out, "Outputs", module.outputs.size());
  for (const types::OutputPin& output : module.outputs) {
    put(out, "  id=", output.id.value, " name=", output.name, " driver=", output.driver.component.value, '.',
        output.driver.port, '\n');
  }

  writeHeader(out, "Components", module.components.size());
  for (const types::Component& component : module.components) {
    const std::string_view name =
        component.instance_name.empty() ? std::string_view("<none>") : component.instance_name;
    put(out, "  id=", component.id.value, " name=", name, " kind=");
    dumpComponentKind(out, component.kind);
    out.push_back('\n');
  }

  writeHeader(out, "Connections", module.connections.size());
  for (const types::Connection& connection : module.connections) {
    put(out, "  ", connection.from.component.value, '.', connection.from.port, " -> ", connection.to.component.value,
        '.', connection.to.port, '\n');
  }
  return text;
}

}  // namespace vorn::inspect_dump
