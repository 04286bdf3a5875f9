#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_index.hpp"
#include "core/span.hpp"
#include "syntax/ast.hpp"

// Answers about one parsed source file: what a name at a position refers
// to, the file's declarations, and the ports an instance can bind. Imported
// files are read through the file loader, so an active source overlay
// (open editor buffers) is honoured.
namespace vorn::lsp {

struct SourceLocation {
  std::string path;          // canonical path, or "<builtin>/..." for a built-in gate
  std::optional<Span> span;  // none for the file as a whole
};

enum class SymbolRole : std::uint8_t { input, output, instance };

struct FileSymbol {
  SymbolRole role = SymbolRole::instance;
  std::string name;
  std::string type_name;  // instances only
  Span span;              // the whole declaration
  Span name_span;
};

// The interface of a component type, for hover texts and completion.
struct TypeInterface {
  enum class Kind : std::uint8_t { primitive, builtin_gate, sub_circuit, unknown };
  Kind kind = Kind::unknown;
  std::string type_name;
  std::string path;  // sub-circuits: the file's canonical path
  std::vector<std::string> inputs;
  std::vector<std::string> outputs;
};

// Whether `at` lies in `span`, both ends included (a cursor just after a
// name is still on it).
bool spanContains(const Span& span, LineCol at);

// Inputs, outputs and named instances, in source order.
std::vector<FileSymbol> fileSymbols(const ast::File& file);

// The declaration that the name at `at` refers to: an import's target file
// (on its alias or path, or on an instance's type name), the declaration of
// a signal, the input pin of a sub-circuit behind a port name, or the output
// pin behind `instance.port`.
std::optional<SourceLocation> definitionAt(const ast::File& file, std::string_view file_path, LineCol at);

// The declaration a signal name refers to, looked up as the resolver does:
// an output's value (`within`) also sees the outputs declared up to it; a
// later declaration of a name shadows an earlier one.
struct SignalDeclaration {
  SymbolRole role = SymbolRole::input;
  Span name_span;
  const ast::ComponentInstance* instance = nullptr;  // instances only
};
std::optional<SignalDeclaration> declarationOfSignal(const ast::File& file, std::string_view name,
                                                     const ast::OutputDecl* within);

// Markdown describing the instance (or the instance a signal names) at
// `at`, or the pin declared there.
std::optional<std::string> hoverAt(const ast::File& file, std::string_view file_path, LineCol at);

// The interface of a type name as `file` sees it.
TypeInterface interfaceOfType(const ast::File& file, std::string_view file_path, std::string_view type_name);

// Port names to offer at byte `offset` of `text` when it lies where a port
// name belongs inside "type name(" … ")" or "type(" … ")": the type's input
// ports not yet bound there. Works on the raw text, since a half-typed
// binding does not parse. Empty anywhere else.
std::vector<std::string> portCompletionsAt(std::string_view text, std::size_t offset, const ast::File* file,
                                           std::string_view file_path);

// A name bound to a port that nothing in the file declares, at the name.
struct UndeclaredSignal {
  std::string name;
  Span span;
};

// Every binding (instance ports, outputs, anonymous instances at any depth)
// whose signal names nothing the file declares: no input, output or
// instance of that name. The compiler only reports the port left
// unconnected; this points at the name itself.
std::vector<UndeclaredSignal> undeclaredSignals(const ast::File& file);

// What to offer at byte `offset` of `text`, read from the raw text, since
// what is being typed does not parse yet.
struct CompletionItem {
  enum class Kind : std::uint8_t { signal, output_port, type, alias, keyword, file, folder };
  std::string label;
  Kind kind = Kind::signal;
  std::string detail;
};

// Signal names after "port=", output ports after "instance.", types,
// import aliases and declaration keywords at the start of a declaration,
// and file and folder names inside an import's quotes (relative to the
// file's own folder). Empty where none of these applies.
std::vector<CompletionItem> contextCompletionsAt(std::string_view text, std::size_t offset, const ast::File* file,
                                                 std::string_view file_path);

}  // namespace vorn::lsp
