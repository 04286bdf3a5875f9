#include "lsp/navigation.hpp"

#include <algorithm>
#include <array>

#include "core/file_io.hpp"
#include "core/text_arena.hpp"
#include "ir/name_table.hpp"
#include "ir/types.hpp"
#include "resolver/builtins.hpp"
#include "resolver/file_loader.hpp"
#include "syntax/translate.hpp"
#include "validator/passes/port_table.hpp"

namespace vorn::lsp {

namespace {

enum class Role : std::uint8_t {
  import_alias,
  import_path,
  input_name,
  output_name,
  type_name,
  instance_name,
  port_name,
  signal_target,
  signal_port,
};

// One name written in the file and what it is.
struct Hit {
  Role role = Role::type_name;
  const ast::Import* import = nullptr;
  const ast::ComponentInstance* instance = nullptr;  // the instance the name belongs to
  bool anonymous = false;
  const ast::PortConnection* port = nullptr;
  const ast::NamedSignalRef* ref = nullptr;
  const ast::OutputDecl* output = nullptr;  // the output whose value holds the name
  std::string_view text{};
  Span span{};
};

// Walks every name of the file without recursion (anonymous instances nest
// deeply) and returns the first one whose span holds `at`.
std::optional<Hit> findHit(const ast::File& file, LineCol at) {
  for (const ast::Import& import : file.imports) {
    if (spanContains(import.alias.span, at))
      return Hit{.role = Role::import_alias, .import = &import, .text = import.alias.text, .span = import.alias.span};
    if (spanContains(import.path.span, at))
      return Hit{.role = Role::import_path, .import = &import, .text = import.path.text, .span = import.path.span};
  }
  for (const ast::InputDecl& input : file.inputs) {
    for (const ast::Identifier& name : input.names) {
      if (spanContains(name.span, at)) return Hit{.role = Role::input_name, .text = name.text, .span = name.span};
    }
  }

  struct Pending {
    const ast::ComponentInstance* instance;
    bool anonymous;
    const ast::OutputDecl* output;
  };
  std::vector<Pending> stack;
  auto checkRef = [&](const ast::NamedSignalRef& ref, const ast::OutputDecl* output,
                      const ast::ComponentInstance* owner) -> std::optional<Hit> {
    auto hit = [&](Role role, const ast::Identifier& name) {
      return Hit{.role = role, .instance = owner, .ref = &ref, .output = output, .text = name.text, .span = name.span};
    };
    if (spanContains(ref.target.span, at)) return hit(Role::signal_target, ref.target);
    // A bare name's implicit "out" carries the reference's own span.
    if (!(ref.port.span == ref.span) && spanContains(ref.port.span, at)) return hit(Role::signal_port, ref.port);
    return std::nullopt;
  };
  auto checkSource = [&](const ast::SignalSource& source, const ast::OutputDecl* output,
                         const ast::ComponentInstance* owner) -> std::optional<Hit> {
    if (source.tag == ast::SignalSource::Tag::named) return checkRef(source.named, output, owner);
    if (!source.anonymous) return std::nullopt;
    // The port read from an anonymous instance: `q` in `p(x=a).q`.
    if (!source.anonymous_port.text.empty() && spanContains(source.anonymous_port.span, at)) {
      return Hit{.role = Role::signal_port,
                 .instance = source.anonymous.get(),
                 .anonymous = true,
                 .output = output,
                 .text = source.anonymous_port.text,
                 .span = source.anonymous_port.span};
    }
    stack.push_back(Pending{.instance = source.anonymous.get(), .anonymous = true, .output = output});
    return std::nullopt;
  };

  for (const ast::OutputDecl& output : file.outputs) {
    if (spanContains(output.name.span, at)) {
      return Hit{.role = Role::output_name, .output = &output, .text = output.name.text, .span = output.name.span};
    }
    if (!spanContains(output.span, at)) continue;
    if (auto hit = checkSource(output.value, &output, nullptr)) return hit;
  }
  for (const ast::ComponentInstance& instance : file.components) {
    if (spanContains(instance.span, at))
      stack.push_back(Pending{.instance = &instance, .anonymous = false, .output = nullptr});
  }
  while (!stack.empty()) {
    const Pending pending = stack.back();
    stack.pop_back();
    const ast::ComponentInstance& instance = *pending.instance;
    if (spanContains(instance.type_name.span, at)) {
      return Hit{.role = Role::type_name,
                 .instance = &instance,
                 .anonymous = pending.anonymous,
                 .output = pending.output,
                 .text = instance.type_name.text,
                 .span = instance.type_name.span};
    }
    if (!pending.anonymous && instance.instance_name && spanContains(instance.instance_name->span, at)) {
      return Hit{.role = Role::instance_name,
                 .instance = &instance,
                 .text = instance.instance_name->text,
                 .span = instance.instance_name->span};
    }
    for (const ast::PortConnection& port : instance.ports) {
      if (spanContains(port.port.span, at)) {
        return Hit{.role = Role::port_name,
                   .instance = &instance,
                   .anonymous = pending.anonymous,
                   .port = &port,
                   .output = pending.output,
                   .text = port.port.text,
                   .span = port.port.span};
      }
      if (auto hit = checkSource(port.value, pending.output, &instance)) return hit;
    }
  }
  return std::nullopt;
}

// What a signal name refers to, looked up the way the resolver does: an
// output's value also sees the outputs declared up to it; a later
// declaration of a name shadows an earlier one.
struct Declaration {
  enum class Kind : std::uint8_t { input, instance, output } kind = Kind::input;
  const ast::ComponentInstance* instance = nullptr;
  const ast::OutputDecl* output = nullptr;
  Span name_span{};
};

std::optional<Declaration> lookupSignal(const ast::File& file, std::string_view name, const ast::OutputDecl* within) {
  if (within != nullptr) {
    std::optional<Declaration> found;
    for (const ast::OutputDecl& output : file.outputs) {
      if (output.name.text == name)
        found = Declaration{
            .kind = Declaration::Kind::output, .instance = nullptr, .output = &output, .name_span = output.name.span};
      if (&output == within) break;
    }
    if (found) return found;
  }
  for (auto it = file.components.rbegin(); it != file.components.rend(); ++it) {
    if (it->instance_name && it->instance_name->text == name) {
      return Declaration{.kind = Declaration::Kind::instance,
                         .instance = &*it,
                         .output = nullptr,
                         .name_span = it->instance_name->span};
    }
  }
  for (auto decl = file.inputs.rbegin(); decl != file.inputs.rend(); ++decl) {
    for (auto id = decl->names.rbegin(); id != decl->names.rend(); ++id) {
      if (id->text == name)
        return Declaration{
            .kind = Declaration::Kind::input, .instance = nullptr, .output = nullptr, .name_span = id->span};
    }
  }
  return std::nullopt;
}

// The input ports of a primitive component type; none for any other name.
std::optional<std::vector<std::string>> primitiveInputs(std::string_view type_name) {
  std::optional<types::PrimitiveKind> kind = types::primitiveOfTypeName(type_name);
  // Pins are declared with their keywords, never written as a component type.
  if (!kind || *kind == types::PrimitiveKind::input_pin || *kind == types::PrimitiveKind::output_pin) {
    return std::nullopt;
  }
  std::span<const std::string_view> ports = port_table::requiredInputs(*kind);
  return std::vector<std::string>(ports.begin(), ports.end());
}

// A file named by an import, parsed for its pins.
struct LoadedModule {
  std::string path;
  std::optional<ast::File> file;
};

LoadedModule loadModule(TextArena& arena, std::string_view path) {
  LoadedModule loaded;
  loaded.path = std::string(path);
  auto source = file_loader::loadFile(arena, path);
  if (!source) return loaded;
  auto parsed = translate::parseSource(arena, source->source, 0);
  if (parsed) loaded.file = std::move(*parsed);
  return loaded;
}

std::optional<std::string> resolveImport(TextArena& arena, std::string_view file_path, const ast::Import& import) {
  auto resolved = file_loader::resolveImportPath(arena, file_path, import.path.text);
  if (!resolved) return std::nullopt;
  return std::string(*resolved);
}

const ast::Import* importForAlias(const ast::File& file, std::string_view alias) {
  for (const ast::Import& import : file.imports) {
    if (import.alias.text == alias) return &import;
  }
  return nullptr;
}

void collectPins(const ast::File& file, TypeInterface& result) {
  for (const ast::InputDecl& decl : file.inputs) {
    for (const ast::Identifier& name : decl.names) result.inputs.emplace_back(name.text);
  }
  for (const ast::OutputDecl& output : file.outputs) result.outputs.emplace_back(output.name.text);
}

std::string codeList(const std::vector<std::string>& names) {
  if (names.empty()) return "none";
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ", ";
    text += "`" + name + "`";
  }
  return text;
}

std::string describeInterface(const TypeInterface& type) {
  std::string text;
  switch (type.kind) {
    case TypeInterface::Kind::primitive: text = "primitive `" + type.type_name + "`"; break;
    case TypeInterface::Kind::builtin_gate: text = "built-in gate `" + type.type_name + "`"; break;
    case TypeInterface::Kind::sub_circuit:
      text = "sub-circuit `" + type.type_name + "` from `" + type.path + "`";
      break;
    case TypeInterface::Kind::unknown: return "undeclared type `" + type.type_name + "`";
  }
  text += "\n\ninputs: " + codeList(type.inputs) + "  \noutputs: " + codeList(type.outputs);
  return text;
}

std::string describeInstance(const ast::File& file, std::string_view file_path, const ast::ComponentInstance& instance,
                             bool anonymous) {
  const TypeInterface type = interfaceOfType(file, file_path, instance.type_name.text);
  std::string head = anonymous || !instance.instance_name
                         ? "anonymous instance"
                         : "instance `" + std::string(instance.instance_name->text) + "`";
  return head + " of " + describeInterface(type);
}

// Whether the declared pins of `file` contain an input (or output) `name`.
std::optional<Span> pinSpan(const ast::File& file, std::string_view name, bool input) {
  if (input) {
    for (const ast::InputDecl& decl : file.inputs) {
      for (const ast::Identifier& id : decl.names) {
        if (id.text == name) return id.span;
      }
    }
    return std::nullopt;
  }
  for (const ast::OutputDecl& output : file.outputs) {
    if (output.name.text == name) return output.name.span;
  }
  return std::nullopt;
}

// The sub-circuit file behind an instance's type, when there is one.
std::optional<LoadedModule> subCircuitOf(TextArena& arena, const ast::File& file, std::string_view file_path,
                                         std::string_view type_name) {
  if (primitiveInputs(type_name)) return std::nullopt;
  const ast::Import* import = importForAlias(file, type_name);
  if (import == nullptr) return std::nullopt;
  auto path = resolveImport(arena, file_path, *import);
  if (!path || builtins::hasVirtualPrefix(*path)) return std::nullopt;
  return loadModule(arena, *path);
}

bool isIdentifierByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// "`x`" for a bare name, "`x.port`" otherwise; "an anonymous `t`" for an instance.
std::string describeSource(const ast::SignalSource& source) {
  if (source.tag == ast::SignalSource::Tag::anonymous) {
    if (!source.anonymous) return "nothing";
    return "an anonymous `" + std::string(source.anonymous->type_name.text) + "`";
  }
  const ast::NamedSignalRef& ref = source.named;
  if (ref.port.span == ref.span) return "`" + std::string(ref.target.text) + "`";
  return "`" + std::string(ref.target.text) + "." + std::string(ref.port.text) + "`";
}

// What a signal name stands for, in a few words.
std::string describeSignal(const ast::File& file, std::string_view name, const ast::OutputDecl* within) {
  auto declaration = lookupSignal(file, name, within);
  if (!declaration) return "undeclared";
  switch (declaration->kind) {
    case Declaration::Kind::input: return "input pin";
    case Declaration::Kind::output: return "output pin";
    case Declaration::Kind::instance: return "instance of `" + std::string(declaration->instance->type_name.text) + "`";
  }
  return "";
}

std::string instanceLabel(const ast::ComponentInstance& instance, bool anonymous) {
  if (anonymous || !instance.instance_name) return "an anonymous `" + std::string(instance.type_name.text) + "`";
  return "instance `" + std::string(instance.instance_name->text) + "` (`" + std::string(instance.type_name.text) +
         "`)";
}

// What drives output `port` of an instance of `type_name`: the gate itself
// for a primitive, the output's value inside the file of a sub-circuit.
std::string describeOutputDriver(const ast::File& file, std::string_view file_path, std::string_view type_name,
                                 std::string_view port) {
  const TypeInterface type = interfaceOfType(file, file_path, type_name);
  const std::string type_text = "`" + std::string(type_name) + "`";
  if (type.kind == TypeInterface::Kind::unknown) return "undeclared type " + type_text;
  if (std::find(type.outputs.begin(), type.outputs.end(), port) == type.outputs.end()) {
    return type_text + " has no output port `" + std::string(port) + "`";
  }
  if (type.kind == TypeInterface::Kind::primitive) return "driven by the " + type_text + " gate itself";
  TextArena arena;
  LoadedModule loaded = loadModule(arena, type.path);
  if (!loaded.file) return "driven inside " + type_text;
  for (const ast::OutputDecl& output : loaded.file->outputs) {
    if (output.name.text == port) return "driven by " + describeSource(output.value) + " inside " + type_text;
  }
  return "driven inside " + type_text;
}

}  // namespace

bool spanContains(const Span& span, LineCol at) {
  const auto before = [](std::uint32_t l1, std::uint32_t c1, std::uint32_t l2, std::uint32_t c2) {
    return l1 < l2 || (l1 == l2 && c1 <= c2);
  };
  return before(span.start_line, span.start_col, at.line, at.col) &&
         before(at.line, at.col, span.end_line, span.end_col);
}

std::vector<FileSymbol> fileSymbols(const ast::File& file) {
  std::vector<FileSymbol> symbols;
  for (const ast::InputDecl& decl : file.inputs) {
    for (const ast::Identifier& name : decl.names) {
      symbols.push_back(FileSymbol{SymbolRole::input, std::string(name.text), {}, name.span, name.span});
    }
  }
  for (const ast::OutputDecl& output : file.outputs) {
    symbols.push_back(FileSymbol{SymbolRole::output, std::string(output.name.text), {}, output.span, output.name.span});
  }
  for (const ast::ComponentInstance& instance : file.components) {
    if (!instance.instance_name) continue;
    symbols.push_back(FileSymbol{SymbolRole::instance, std::string(instance.instance_name->text),
                                 std::string(instance.type_name.text), instance.span, instance.instance_name->span});
  }
  std::stable_sort(symbols.begin(), symbols.end(), [](const FileSymbol& a, const FileSymbol& b) {
    return a.name_span.start_line != b.name_span.start_line ? a.name_span.start_line < b.name_span.start_line
                                                            : a.name_span.start_col < b.name_span.start_col;
  });
  return symbols;
}

TypeInterface interfaceOfType(const ast::File& file, std::string_view file_path, std::string_view type_name) {
  TypeInterface result;
  result.type_name = std::string(type_name);
  if (std::optional<std::vector<std::string>> inputs = primitiveInputs(type_name)) {
    result.inputs = std::move(*inputs);
    result.kind = TypeInterface::Kind::primitive;
    result.outputs = {"out"};
    return result;
  }
  TextArena arena;
  std::optional<builtins::Name> macro;
  if (const ast::Import* import = importForAlias(file, type_name)) {
    auto path = resolveImport(arena, file_path, *import);
    if (!path) return result;
    macro = builtins::macroForVirtualPath(*path);
    if (!macro) {
      LoadedModule loaded = loadModule(arena, *path);
      result.path = loaded.path;
      if (!loaded.file) return result;
      result.kind = TypeInterface::Kind::sub_circuit;
      collectPins(*loaded.file, result);
      return result;
    }
  } else {
    macro = builtins::macroForAlias(type_name);
  }
  if (!macro) return result;
  LoadedModule loaded = loadModule(arena, builtins::virtualPath(*macro));
  if (!loaded.file) return result;
  result.kind = TypeInterface::Kind::builtin_gate;
  result.path = loaded.path;
  collectPins(*loaded.file, result);
  return result;
}

std::optional<SourceLocation> definitionAt(const ast::File& file, std::string_view file_path, LineCol at) {
  std::optional<Hit> hit = findHit(file, at);
  if (!hit) return std::nullopt;
  TextArena arena;
  auto wholeFile = [&](std::optional<std::string> path) -> std::optional<SourceLocation> {
    if (!path || builtins::hasVirtualPrefix(*path)) return std::nullopt;
    return SourceLocation{.path = *path, .span = std::nullopt};
  };
  switch (hit->role) {
    case Role::import_alias:
    case Role::import_path: return wholeFile(resolveImport(arena, file_path, *hit->import));
    case Role::type_name: {
      auto target = subCircuitOf(arena, file, file_path, hit->text);
      if (!target) return std::nullopt;
      return SourceLocation{.path = target->path, .span = std::nullopt};
    }
    case Role::input_name:
    case Role::output_name:
    case Role::instance_name: return SourceLocation{.path = std::string(file_path), .span = hit->span};
    case Role::signal_target: {
      auto declaration = lookupSignal(file, hit->text, hit->output);
      if (!declaration) return std::nullopt;
      return SourceLocation{.path = std::string(file_path), .span = declaration->name_span};
    }
    case Role::port_name: {
      auto target = subCircuitOf(arena, file, file_path, hit->instance->type_name.text);
      if (!target || !target->file) return std::nullopt;
      auto span = pinSpan(*target->file, hit->text, true);
      if (!span) return std::nullopt;
      return SourceLocation{.path = target->path, .span = *span};
    }
    case Role::signal_port: {
      const ast::ComponentInstance* instance = hit->ref == nullptr ? hit->instance : nullptr;
      if (instance == nullptr) {
        auto declaration = lookupSignal(file, hit->ref->target.text, hit->output);
        if (!declaration || declaration->kind != Declaration::Kind::instance) return std::nullopt;
        instance = declaration->instance;
      }
      auto target = subCircuitOf(arena, file, file_path, instance->type_name.text);
      if (!target || !target->file) return std::nullopt;
      auto span = pinSpan(*target->file, hit->text, false);
      if (!span) return std::nullopt;
      return SourceLocation{.path = target->path, .span = *span};
    }
  }
  return std::nullopt;
}

std::optional<SignalDeclaration> declarationOfSignal(const ast::File& file, std::string_view name,
                                                     const ast::OutputDecl* within) {
  auto found = lookupSignal(file, name, within);
  if (!found) return std::nullopt;
  const SymbolRole role = found->kind == Declaration::Kind::input    ? SymbolRole::input
                          : found->kind == Declaration::Kind::output ? SymbolRole::output
                                                                     : SymbolRole::instance;
  return SignalDeclaration{.role = role, .name_span = found->name_span, .instance = found->instance};
}

std::optional<std::string> hoverAt(const ast::File& file, std::string_view file_path, LineCol at) {
  std::optional<Hit> hit = findHit(file, at);
  if (!hit) return std::nullopt;
  switch (hit->role) {
    case Role::type_name:
    case Role::instance_name: return describeInstance(file, file_path, *hit->instance, hit->anonymous);
    case Role::input_name: return "input pin `" + std::string(hit->text) + "`";
    case Role::output_name: return "output pin `" + std::string(hit->text) + "`";
    case Role::signal_target: {
      auto declaration = lookupSignal(file, hit->text, hit->output);
      if (!declaration) return "undeclared signal `" + std::string(hit->text) + "`";
      switch (declaration->kind) {
        case Declaration::Kind::input: return "input pin `" + std::string(hit->text) + "`";
        case Declaration::Kind::output: return "output pin `" + std::string(hit->text) + "`";
        case Declaration::Kind::instance: return describeInstance(file, file_path, *declaration->instance, false);
      }
      return std::nullopt;
    }
    case Role::import_alias:
    case Role::import_path: {
      TextArena arena;
      auto path = resolveImport(arena, file_path, *hit->import);
      if (!path) return "import `" + std::string(hit->import->alias.text) + "`: file not found";
      return describeInterface(interfaceOfType(file, file_path, hit->import->alias.text));
    }
    case Role::port_name: {
      std::string text =
          "input port `" + std::string(hit->text) + "` of " + instanceLabel(*hit->instance, hit->anonymous);
      const ast::SignalSource& value = hit->port->value;
      text += "\n\ndriven by " + describeSource(value);
      if (value.tag == ast::SignalSource::Tag::named) {
        text += " (" + describeSignal(file, value.named.target.text, hit->output) + ")";
      }
      return text;
    }
    case Role::signal_port: {
      const ast::ComponentInstance* instance = hit->ref == nullptr ? hit->instance : nullptr;
      bool anonymous = hit->ref == nullptr;
      if (instance == nullptr) {
        auto declaration = lookupSignal(file, hit->ref->target.text, hit->output);
        if (!declaration)
          return "output port `" + std::string(hit->text) + "` of undeclared signal `" +
                 std::string(hit->ref->target.text) + "`";
        if (declaration->kind != Declaration::Kind::instance) {
          return "output port `" + std::string(hit->text) + "` of " +
                 (declaration->kind == Declaration::Kind::input ? "input pin `" : "output pin `") +
                 std::string(hit->ref->target.text) + "`";
        }
        instance = declaration->instance;
      }
      return "output port `" + std::string(hit->text) + "` of " + instanceLabel(*instance, anonymous) + "\n\n" +
             describeOutputDriver(file, file_path, instance->type_name.text, hit->text);
    }
  }
  return std::nullopt;
}

std::vector<UndeclaredSignal> undeclaredSignals(const ast::File& file) {
  // Runs on every edit over up to 10^5 names: one flat table, sized once.
  resolver::NameTable declared;
  std::size_t named = file.outputs.size() + file.components.size();
  for (const ast::InputDecl& decl : file.inputs) named += decl.names.size();
  declared.reserve(named);
  for (const ast::InputDecl& decl : file.inputs) {
    for (const ast::Identifier& name : decl.names) declared.insert(name.text, 0);
  }
  // Names are checked once all are known, since a binding may name what is
  // declared after it. Each reference keeps its text beside it, so that the
  // check does not walk the tree a second time. Anonymous instances nest
  // deeply: an explicit stack; their generated names are declarations too.
  std::vector<std::pair<std::string_view, const ast::Identifier*>> refs;
  refs.reserve(file.outputs.size() + 2 * file.components.size());
  std::vector<const ast::SignalSource*> stack;
  auto visit = [&](const ast::SignalSource& source) {
    if (source.tag == ast::SignalSource::Tag::named) {
      refs.emplace_back(source.named.target.text, &source.named.target);
    } else {
      stack.push_back(&source);
    }
  };
  for (const ast::OutputDecl& output : file.outputs) {
    declared.insert(output.name.text, 0);
    visit(output.value);
  }
  for (const ast::ComponentInstance& instance : file.components) {
    if (instance.instance_name) declared.insert(instance.instance_name->text, 0);
    for (const ast::PortConnection& port : instance.ports) visit(port.value);
  }
  while (!stack.empty()) {
    const ast::SignalSource* source = stack.back();
    stack.pop_back();
    if (!source->anonymous) continue;
    if (source->anonymous->instance_name) declared.insert(source->anonymous->instance_name->text, 0);
    for (const ast::PortConnection& port : source->anonymous->ports) visit(port.value);
  }
  std::vector<UndeclaredSignal> found;
  for (const auto& [text, target] : refs) {
    if (!declared.contains(text)) found.push_back(UndeclaredSignal{.name = std::string(text), .span = target->span});
  }
  std::sort(found.begin(), found.end(), [](const UndeclaredSignal& a, const UndeclaredSignal& b) {
    return a.span.start_line != b.span.start_line ? a.span.start_line < b.span.start_line
                                                  : a.span.start_col < b.span.start_col;
  });
  return found;
}

std::vector<CompletionItem> contextCompletionsAt(std::string_view text, std::size_t offset, const ast::File* file,
                                                 std::string_view file_path) {
  offset = std::min(offset, text.size());
  static const ast::File kEmpty;
  const ast::File& known = file != nullptr ? *file : kEmpty;
  const std::size_t line_start = offset == 0 ? 0 : text.rfind('\n', offset - 1) + 1;  // npos + 1 == 0
  const std::string_view before = text.substr(line_start, offset - line_start);
  std::vector<CompletionItem> items;

  // Inside the quotes of `import alias "...`: the folder typed so far.
  {
    std::size_t i = 0;
    auto blanks = [&] {
      while (i < before.size() && (before[i] == ' ' || before[i] == '\t')) ++i;
    };
    auto word = [&] {
      const std::size_t from = i;
      while (i < before.size() && isIdentifierByte(before[i])) ++i;
      return before.substr(from, i - from);
    };
    blanks();
    if (word() == "import") {
      blanks();
      const bool alias = !word().empty();
      blanks();
      if (alias && i < before.size() && before[i] == '"') {
        const std::string_view typed = before.substr(i + 1);
        if (typed.find('"') != std::string_view::npos) return items;
        const std::size_t slash = typed.rfind('/');
        const std::string_view folder =
            slash == std::string_view::npos ? std::string_view() : typed.substr(0, slash + 1);
        const std::size_t file_slash = file_path.rfind('/');
        if (file_slash == std::string_view::npos || folder.starts_with('<')) return items;
        const std::string directory = folder.starts_with('/')
                                          ? std::string(folder)
                                          : std::string(file_path.substr(0, file_slash + 1)) + std::string(folder);
        const std::string own_name(file_path.substr(file_slash + 1));
        const bool own_folder = folder.empty();
        constexpr std::size_t kMaxEntries = 1000;
        for (const file_io::DirectoryEntry& entry : file_io::directoryEntries(directory, kMaxEntries)) {
          if (entry.is_directory) {
            if (!entry.name.starts_with('.'))
              items.push_back(
                  CompletionItem{.label = entry.name + "/", .kind = CompletionItem::Kind::folder, .detail = "folder"});
          } else if (entry.name.ends_with(".vorn") && !(own_folder && entry.name == own_name)) {
            items.push_back(CompletionItem{.label = entry.name, .kind = CompletionItem::Kind::file, .detail = "file"});
          }
        }
        std::sort(items.begin(), items.end(),
                  [](const CompletionItem& a, const CompletionItem& b) { return a.label < b.label; });
        return items;
      }
    }
  }

  std::size_t word_start = before.size();
  while (word_start > 0 && isIdentifierByte(before[word_start - 1])) --word_start;
  std::size_t mark = word_start;
  while (mark > 0 && (before[mark - 1] == ' ' || before[mark - 1] == '\t')) --mark;

  // `instance.`: the output ports of the instance's type.
  if (mark == word_start && mark > 0 && before[mark - 1] == '.') {
    std::size_t name_start = mark - 1;
    while (name_start > 0 && isIdentifierByte(before[name_start - 1])) --name_start;
    const std::string_view name = before.substr(name_start, mark - 1 - name_start);
    if (name.empty()) return items;
    auto declaration = lookupSignal(known, name, nullptr);
    if (!declaration || declaration->kind != Declaration::Kind::instance) return items;
    for (const std::string& port : interfaceOfType(known, file_path, declaration->instance->type_name.text).outputs) {
      items.push_back(
          CompletionItem{.label = port, .kind = CompletionItem::Kind::output_port, .detail = "output port"});
    }
    return items;
  }

  // `port=`: every signal a binding can name.
  if (mark > 0 && before[mark - 1] == '=') {
    for (const ast::InputDecl& decl : known.inputs) {
      for (const ast::Identifier& name : decl.names)
        items.push_back(
            CompletionItem{.label = std::string(name.text), .kind = CompletionItem::Kind::signal, .detail = "input"});
    }
    for (const ast::ComponentInstance& instance : known.components) {
      if (instance.instance_name) {
        items.push_back(CompletionItem{.label = std::string(instance.instance_name->text),
                                       .kind = CompletionItem::Kind::signal,
                                       .detail = std::string(instance.type_name.text)});
      }
    }
    return items;
  }

  // The start of a declaration: nothing but blanks before the word on this
  // line, and no binding list left open on the lines above.
  if (mark != 0) return items;
  std::size_t back = line_start;
  while (back > 0 && isBlank(text[back - 1])) --back;
  if (back > 0 && (text[back - 1] == '(' || text[back - 1] == ',' || text[back - 1] == '=' || text[back - 1] == '.'))
    return items;
  for (std::string_view keyword : {"import", "input", "output"}) {
    items.push_back(
        CompletionItem{.label = std::string(keyword), .kind = CompletionItem::Kind::keyword, .detail = "keyword"});
  }
  for (const types::PrimitiveTypeName& primitive : types::kPrimitiveTypeNames) {
    if (primitive.kind == types::PrimitiveKind::input_pin || primitive.kind == types::PrimitiveKind::output_pin)
      continue;
    items.push_back(CompletionItem{
        .label = std::string(primitive.name), .kind = CompletionItem::Kind::type, .detail = "primitive"});
  }
  for (const builtins::Entry& entry : builtins::table()) {
    if (importForAlias(known, builtins::slice(entry.name)) != nullptr) continue;
    items.push_back(CompletionItem{.label = std::string(builtins::slice(entry.name)),
                                   .kind = CompletionItem::Kind::type,
                                   .detail = "built-in gate"});
  }
  for (const ast::Import& import : known.imports) {
    items.push_back(CompletionItem{.label = std::string(import.alias.text),
                                   .kind = CompletionItem::Kind::alias,
                                   .detail = "import \"" + std::string(import.path.text) + "\""});
  }
  return items;
}

std::vector<std::string> portCompletionsAt(std::string_view text, std::size_t offset, const ast::File* file,
                                           std::string_view file_path) {
  offset = std::min(offset, text.size());
  // The partly typed port name, then the "(" or "," before it.
  std::size_t position = offset;
  while (position > 0 && isIdentifierByte(text[position - 1])) --position;
  while (position > 0 && isBlank(text[position - 1])) --position;
  if (position == 0 || (text[position - 1] != '(' && text[position - 1] != ',')) return {};
  --position;
  // Back to the "(" that opens this binding list, skipping nested ones; a
  // bound on the distance keeps a hostile line from costing much.
  constexpr std::size_t kMaxScan = 1 << 16;
  const std::size_t floor = position > kMaxScan ? position - kMaxScan : 0;
  int depth = 0;
  while (true) {
    const char c = text[position];
    if (c == ')') {
      ++depth;
    } else if (c == '(') {
      if (depth == 0) break;
      --depth;
    }
    if (position == floor) return {};
    --position;
  }
  const std::size_t open = position;
  // "type name(" or "type(".
  std::size_t end = open;
  while (end > 0 && isBlank(text[end - 1])) --end;
  std::size_t start = end;
  while (start > 0 && isIdentifierByte(text[start - 1])) --start;
  if (start == end) return {};
  std::string_view type_name = text.substr(start, end - start);
  std::size_t before = start;
  while (before > 0 && isBlank(text[before - 1])) --before;
  std::size_t type_start = before;
  while (type_start > 0 && isIdentifierByte(text[type_start - 1])) --type_start;
  if (type_start < before) type_name = text.substr(type_start, before - type_start);

  std::vector<std::string> ports;
  if (type_name == "output") {
    ports = {"in"};
  } else if (type_name != "input") {
    static const ast::File kEmpty;
    ports = interfaceOfType(file != nullptr ? *file : kEmpty, file_path, type_name).inputs;
  }

  // Leave out the ports already bound between "(" and the cursor.
  std::vector<std::string_view> bound;
  depth = 0;
  for (std::size_t i = open + 1; i < offset; ++i) {
    const char c = text[i];
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (depth != 0 || !isIdentifierByte(c) || isIdentifierByte(text[i - 1])) continue;
    std::size_t j = i;
    while (j < offset && isIdentifierByte(text[j])) ++j;
    std::size_t k = j;
    while (k < offset && isBlank(text[k])) ++k;
    if (k < offset && text[k] == '=') bound.push_back(text.substr(i, j - i));
    i = j - 1;
  }
  std::erase_if(ports,
                [&](const std::string& port) { return std::find(bound.begin(), bound.end(), port) != bound.end(); });
  return ports;
}

}  // namespace vorn::lsp
