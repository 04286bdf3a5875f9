#include "cli/inspect_dump.hpp"

#include <charconv>
#include <cstdint>
#include <string_view>
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
    if (text_) text_->append(bytes); else size_ += bytes.size();
  }
  void append(const char* first, const char* last) { append(std::string_view(first, last)); }
  void append(std::size_t count, char byte) {
    if (text_) text_->append(count, byte); else size_ += count;
  }
  void push_back(char byte) {
    if (text_) text_->push_back(byte); else ++size_;
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

void writeSpan(Sink& out, const Span& span) {
  out.append("[f");
  writeDecimal(out, span.file_id);
  out.push_back(':');
  writeDecimal(out, span.start_line);
  out.push_back(':');
  writeDecimal(out, span.start_col);
  out.push_back('-');
  writeDecimal(out, span.end_line);
  out.push_back(':');
  writeDecimal(out, span.end_col);
  out.push_back(']');
}

void writeIndent(Sink& out, std::size_t depth) { out.append(2 * depth, ' '); }

void writeHeader(Sink& out, std::string_view title, std::size_t count) {
  out.append(title);
  out.append(" (");
  writeDecimal(out, count);
  out.append(")\n");
}

void writeComponentLine(Sink& out, const ast::ComponentInstance& instance, std::size_t depth) {
  writeIndent(out, depth);
  out.append("Component type=");
  out.append(instance.type_name.text);
  out.append(" instance=");
  if (instance.instance_name && !instance.instance_name->text.empty()) {
    out.append(instance.instance_name->text);
    out.push_back(' ');
  } else {
    out.append("<anonymous> ");
  }
  writeSpan(out, instance.span);
  out.push_back('\n');
}

void writeNamedRef(Sink& out, const ast::NamedSignalRef& ref, std::size_t depth) {
  writeIndent(out, depth);
  out.append("NamedRef ");
  out.append(ref.target.text);
  out.push_back('.');
  out.append(ref.port.text);
  out.push_back(' ');
  writeSpan(out, ref.span);
  out.push_back('\n');
}

// A port other than "out" read from an anonymous instance follows the word:
// "AnonymousComponent .q".
void writeAnonymousLine(Sink& out, const ast::SignalSource& source, std::size_t depth) {
  writeIndent(out, depth);
  out.append("AnonymousComponent");
  std::string_view port = source.anonymous_port.text;
  if (!port.empty() && port != "out") {
    out.append(" .");
    out.append(port);
  }
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
    out.append("Port ");
    out.append(port.port.text);
    out.push_back(' ');
    writeSpan(out, port.span);
    out.push_back('\n');
    // The value sits at depth + 2; a nested instance one level below it.
    if (port.value.tag == ast::SignalSource::Tag::named) {
      writeNamedRef(out, port.value.named, depth + 2);
      continue;
    }
    writeAnonymousLine(out, port.value, depth + 2);
    if (!port.value.anonymous) continue;
    writeComponentLine(out, *port.value.anonymous, depth + 3);
    frames.push_back(ComponentFrame{port.value.anonymous.get(), depth + 3, 0});  // invalidates `frame`
  }
}

void dumpComponent(Sink& out, const ast::ComponentInstance& instance, std::size_t depth,
                   std::vector<ComponentFrame>& frames) {
  writeComponentLine(out, instance, depth);
  frames.push_back(ComponentFrame{&instance, depth, 0});
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
    case types::ComponentKind::Tag::primitive:
      out.append("primitive:");
      out.append(types::primitiveKindName(kind.primitive));
      return;
    case types::ComponentKind::Tag::sub_circuit_ref:
      out.append("sub_circuit_ref:");
      out.append(kind.sub_circuit_ref.name);
      return;
    case types::ComponentKind::Tag::unresolved_name:
      out.append("unresolved_name:");
      out.append(kind.unresolved_name);
      return;
  }
}

void dumpFile(Sink& out, const ast::File& file) {
  std::vector<ComponentFrame> frames;

  out.append("File ");
  writeSpan(out, file.span);
  out.push_back('\n');

  writeHeader(out, "Imports", file.imports.size());
  for (const ast::Import& import : file.imports) {
    out.append("  Import alias=");
    out.append(import.alias.text);
    out.append(" path=");
    out.append(import.path.text);
    out.push_back(' ');
    writeSpan(out, import.span);
    out.push_back('\n');
  }

  writeHeader(out, "Inputs", file.inputs.size());
  for (const ast::InputDecl& input : file.inputs) {
    out.append("  Input ");
    for (std::size_t i = 0; i < input.names.size(); ++i) {
      if (i != 0) out.append(", ");
      out.append(input.names[i].text);
    }
    out.push_back(' ');
    writeSpan(out, input.span);
    out.push_back('\n');
  }

  writeHeader(out, "Outputs", file.outputs.size());
  for (const ast::OutputDecl& output : file.outputs) {
    out.append("  Output ");
    out.append(output.name.text);
    out.push_back(' ');
    writeSpan(out, output.span);
    out.push_back('\n');
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
  out.append("Module file_id=");
  writeDecimal(out, module.file_id.value);
  out.push_back('\n');

  writeHeader(out, "Imports", module.imports.size());
  for (const types::UnresolvedImport& import : module.imports) {
    out.append("  alias=");
    out.append(import.alias);
    out.append(" path=");
    out.append(import.path);
    out.push_back('\n');
  }

  writeHeader(out, "Inputs", module.inputs.size());
  for (const types::InputPin& input : module.inputs) {
    out.append("  id=");
    writeDecimal(out, input.id.value);
    out.append(" name=");
    out.append(input.name);
    out.append(" component=");
    writeDecimal(out, input.component.value);
    out.push_back('\n');
  }

  writeHeader(out, "Outputs", module.outputs.size());
  for (const types::OutputPin& output : module.outputs) {
    out.append("  id=");
    writeDecimal(out, output.id.value);
    out.append(" name=");
    out.append(output.name);
    out.append(" driver=");
    writeDecimal(out, output.driver.component.value);
    out.push_back('.');
    out.append(output.driver.port);
    out.push_back('\n');
  }

  writeHeader(out, "Components", module.components.size());
  for (const types::Component& component : module.components) {
    out.append("  id=");
    writeDecimal(out, component.id.value);
    out.append(" name=");
    out.append(component.instance_name.empty() ? std::string_view("<none>") : component.instance_name);
    out.append(" kind=");
    dumpComponentKind(out, component.kind);
    out.push_back('\n');
  }

  writeHeader(out, "Connections", module.connections.size());
  for (const types::Connection& connection : module.connections) {
    out.append("  ");
    writeDecimal(out, connection.from.component.value);
    out.push_back('.');
    out.append(connection.from.port);
    out.append(" -> ");
    writeDecimal(out, connection.to.component.value);
    out.push_back('.');
    out.append(connection.to.port);
    out.push_back('\n');
  }
  return text;
}

}  // namespace vorn::inspect_dump
