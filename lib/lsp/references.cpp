#include "lsp/references.hpp"

#include <algorithm>
#include <map>
#include <set>

#include "core/text_arena.hpp"
#include "ir/types.hpp"
#include "resolver/builtins.hpp"
#include "resolver/file_loader.hpp"

namespace vorn::lsp {

namespace {

// One name written in a file, with what is needed to tell what it names.
struct Use {
  enum class Role : std::uint8_t {
    import_alias,
    type_name,
    instance_name,
    input_name,
    output_name,
    port_name,      // `p` in `t n(p=…)`: an input of the instance's type
    signal_target,  // `x` in `p=x` or `p=x.q`
    signal_port,    // `q` in `p=x.q` or `t(…).q`
  };
  Role role = Role::type_name;
  const ast::Identifier* name = nullptr;
  const ast::OutputDecl* within = nullptr;        // the output whose value holds the name
  const ast::ComponentInstance* owner = nullptr;  // the instance a type or port name belongs to
  const ast::NamedSignalRef* ref = nullptr;       // the reference a signal port belongs to
};

// Every name of the file, without recursion (anonymous instances nest deeply).
template <typename Visit>
void forEachUse(const ast::File& file, Visit visit) {
  for (const ast::Import& import : file.imports) visit(Use{.role = Use::Role::import_alias, .name = &import.alias});
  for (const ast::InputDecl& decl : file.inputs) {
    for (const ast::Identifier& name : decl.names) visit(Use{.role = Use::Role::input_name, .name = &name});
  }
  struct Source {
    const ast::SignalSource* source;
    const ast::OutputDecl* within;
  };
  struct Instance {
    const ast::ComponentInstance* instance;
    const ast::OutputDecl* within;
    bool anonymous;
  };
  std::vector<Source> sources;
  std::vector<Instance> instances;
  for (const ast::OutputDecl& output : file.outputs) {
    visit(Use{.role = Use::Role::output_name, .name = &output.name});
    sources.push_back({&output.value, &output});
    for (const ast::PortConnection& binding : output.later_bindings) sources.push_back({&binding.value, &output});
  }
  for (const ast::ComponentInstance& instance : file.components) instances.push_back({&instance, nullptr, false});
  while (!sources.empty() || !instances.empty()) {
    if (!instances.empty()) {
      const Instance at = instances.back();
      instances.pop_back();
      visit(Use{
          .role = Use::Role::type_name, .name = &at.instance->type_name, .within = at.within, .owner = at.instance});
      if (at.instance->instance_name && !at.anonymous) {
        visit(Use{.role = Use::Role::instance_name, .name = &*at.instance->instance_name, .owner = at.instance});
      }
      for (const ast::PortConnection& port : at.instance->ports) {
        visit(Use{.role = Use::Role::port_name, .name = &port.port, .within = at.within, .owner = at.instance});
        sources.push_back({&port.value, at.within});
      }
      continue;
    }
    const Source at = sources.back();
    sources.pop_back();
    const ast::SignalSource& source = *at.source;
    if (source.tag == ast::SignalSource::Tag::named) {
      const ast::NamedSignalRef& ref = source.named;
      visit(Use{.role = Use::Role::signal_target, .name = &ref.target, .within = at.within, .ref = &ref});
      // A bare name's implicit "out" carries the reference's own span.
      if (!(ref.port.span == ref.span)) {
        visit(Use{.role = Use::Role::signal_port, .name = &ref.port, .within = at.within, .ref = &ref});
      }
    } else if (source.anonymous) {
      if (!source.anonymous_port.text.empty()) {
        visit(Use{.role = Use::Role::signal_port,
                  .name = &source.anonymous_port,
                  .within = at.within,
                  .owner = source.anonymous.get()});
      }
      instances.push_back({source.anonymous.get(), at.within, true});
    }
  }
}

// The files the file's import aliases name (built-in gates left out).
class Imports {
 public:
  Imports(const ast::File& file, std::string_view file_path) {
    TextArena arena;
    for (const ast::Import& import : file.imports) {
      aliases_.insert(std::string(import.alias.text));
      auto resolved = file_loader::resolveImportPath(arena, file_path, import.path.text);
      if (resolved && !builtins::hasVirtualPrefix(*resolved)) targets_[std::string(import.alias.text)] = *resolved;
    }
  }
  // The sub-circuit file behind a type name, if it is one.
  const std::string* fileOfType(std::string_view type_name) const {
    if (types::primitiveOfTypeName(type_name)) return nullptr;
    auto found = targets_.find(std::string(type_name));
    return found == targets_.end() ? nullptr : &found->second;
  }
  bool isAlias(std::string_view name) const { return aliases_.contains(std::string(name)); }

 private:
  std::map<std::string, std::string> targets_;
  std::set<std::string> aliases_;
};

// The instance whose output port a signal port reads.
const ast::ComponentInstance* portOwner(const ast::File& file, const Use& use) {
  if (use.owner != nullptr) return use.owner;
  auto declaration = declarationOfSignal(file, use.ref->target.text, use.within);
  if (!declaration || declaration->role != SymbolRole::instance) return nullptr;
  return declaration->instance;
}

Symbol::Kind kindOf(SymbolRole role) {
  switch (role) {
    case SymbolRole::input: return Symbol::Kind::input;
    case SymbolRole::output: return Symbol::Kind::output;
    case SymbolRole::instance: return Symbol::Kind::instance;
  }
  return Symbol::Kind::instance;
}

// What a use names, if it is something that can be renamed.
std::optional<Symbol> symbolOf(const ast::File& file, std::string_view file_path, const Imports& imports,
                               const Use& use) {
  const std::string path(file_path);
  const std::string name(use.name->text);
  switch (use.role) {
    case Use::Role::import_alias: return Symbol{Symbol::Kind::alias, path, name};
    case Use::Role::type_name:
      if (!imports.isAlias(name)) return std::nullopt;
      return Symbol{Symbol::Kind::alias, path, name};
    case Use::Role::instance_name: return Symbol{Symbol::Kind::instance, path, name};
    case Use::Role::input_name: return Symbol{Symbol::Kind::input, path, name};
    case Use::Role::output_name: return Symbol{Symbol::Kind::output, path, name};
    case Use::Role::signal_target: {
      auto declaration = declarationOfSignal(file, name, use.within);
      if (!declaration) return std::nullopt;
      return Symbol{kindOf(declaration->role), path, name};
    }
    case Use::Role::port_name: {
      const std::string* target = imports.fileOfType(use.owner->type_name.text);
      if (target == nullptr) return std::nullopt;
      return Symbol{Symbol::Kind::input, *target, name};
    }
    case Use::Role::signal_port: {
      const ast::ComponentInstance* owner = portOwner(file, use);
      const std::string* target = owner != nullptr ? imports.fileOfType(owner->type_name.text) : nullptr;
      if (target == nullptr) return std::nullopt;
      return Symbol{Symbol::Kind::output, *target, name};
    }
  }
  return std::nullopt;
}

bool isDeclaration(Use::Role role) {
  return role == Use::Role::import_alias || role == Use::Role::instance_name || role == Use::Role::input_name ||
         role == Use::Role::output_name;
}

}  // namespace

std::optional<SymbolAt> symbolAt(const ast::File& file, std::string_view file_path, LineCol at) {
  const Imports imports(file, file_path);
  std::optional<SymbolAt> found;
  forEachUse(file, [&](const Use& use) {
    if (found || !spanContains(use.name->span, at)) return;
    if (auto symbol = symbolOf(file, file_path, imports, use)) found = SymbolAt{std::move(*symbol), use.name->span};
  });
  return found;
}

std::vector<Occurrence> occurrencesIn(const ast::File& file, std::string_view file_path, const Symbol& symbol) {
  std::vector<Occurrence> found;
  const bool own_file = symbol.path == file_path;
  // Another file can name only the pins of the files it imports.
  if (!own_file && symbol.kind != Symbol::Kind::input && symbol.kind != Symbol::Kind::output) return found;
  const Imports imports(file, file_path);
  forEachUse(file, [&](const Use& use) {
    if (use.name->text != symbol.name) return;
    auto named = symbolOf(file, file_path, imports, use);
    if (!named || named->kind != symbol.kind || named->path != symbol.path) return;
    found.push_back(Occurrence{.span = use.name->span, .declaration = own_file && isDeclaration(use.role)});
  });
  std::sort(found.begin(), found.end(), [](const Occurrence& a, const Occurrence& b) {
    return a.span.start_line != b.span.start_line ? a.span.start_line < b.span.start_line
                                                  : a.span.start_col < b.span.start_col;
  });
  return found;
}

bool isValidName(std::string_view name) {
  if (name.empty() || name.size() > 256) return false;
  auto start = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!start(name.front())) return false;
  for (char c : name) {
    if (!start(c) && !(c >= '0' && c <= '9')) return false;
  }
  return name != "input" && name != "output" && name != "import";
}

}  // namespace vorn::lsp
