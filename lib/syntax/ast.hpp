#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/span.hpp"

// The typed syntax tree of one source file. Every text is a view into the
// source buffer or into the run's TextArena (generated anonymous names, the
// implicit port "out"), so both must outlive the tree.
namespace vorn::ast {

using Span = vorn::Span;

struct Identifier {
  std::string_view text;
  Span span;
};

struct StringLiteral {
  std::string_view text;  // without the quotes
  Span span;
};

struct Import {
  Identifier alias;
  StringLiteral path;
  Span span;
};

struct InputDecl {
  std::vector<Identifier> names;
  Span span;
};

struct ComponentInstance;

struct NamedSignalRef {
  Identifier target;
  Identifier port;
  Span span;
};

// Either a named reference (`g.out`, `x`) or an anonymous instance written in
// place (`not(in=x).out`), which the signal source owns.
struct SignalSource {
  enum class Tag : std::uint8_t { named = 0, anonymous = 1 };
  Tag tag = Tag::named;
  // Only the member `tag` selects is meaningful; sharing storage keeps each
  // port binding small, and there are hundreds of thousands of them.
  union {
    NamedSignalRef named;
    // The port read from the anonymous instance: `q` in `p(x=a).q`. An
    // empty text (a tree built by hand) means "out".
    Identifier anonymous_port;
  };
  std::unique_ptr<ComponentInstance> anonymous;

  SignalSource();  // defined below, where ComponentInstance is complete
  SignalSource(SignalSource&&) noexcept = default;
  SignalSource& operator=(SignalSource&&) noexcept = default;
  ~SignalSource() = default;
};

struct PortConnection {
  Identifier port;
  SignalSource value;
  Span span;
};

struct OutputDecl {
  Identifier name;
  SignalSource value;
  Span span;
  // Written with bindings (`output y(in=g)`): the port name of the binding
  // that gives `value`, and every binding after it. Validation judges both;
  // only `value` drives the output.
  std::optional<Identifier> port = std::nullopt;
  std::vector<PortConnection> later_bindings = {};
};

struct ComponentInstance {
  Identifier type_name;
  std::optional<Identifier> instance_name;
  std::vector<PortConnection> ports;
  Span span;
};

// A constructor destroys its members if it fails part-way, which needs
// ComponentInstance's full type for `anonymous`.
inline SignalSource::SignalSource() : named{} {}

struct File {
  std::vector<Import> imports;
  std::vector<InputDecl> inputs;
  std::vector<OutputDecl> outputs;
  std::vector<ComponentInstance> components;
  // Each "x.p <> y.q" line: accepted, without meaning, and worth a warning.
  std::vector<Span> connection_lines;
  Span span;

  File() = default;
  File(File&&) noexcept = default;
  File& operator=(File&&) noexcept;  // frees the old contents iteratively too
  // Anonymous instances can nest tens of thousands deep; the destructor
  // unlinks them iteratively so that freeing never recurses.
  ~File();
};

// Frees the anonymous instances nested inside `source` or `ports` one at a
// time, leaving them empty. Use before dropping a value that may hold a deep
// chain outside a File.
void releaseNested(SignalSource& source);
void releaseNested(std::vector<PortConnection>& ports);

}  // namespace vorn::ast
