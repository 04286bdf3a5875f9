#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/primitive_kinds.hpp"
#include "core/span.hpp"

// The resolved intermediate representation. Texts are views into the source
// buffers and the run's TextArena; they live as long as the run.
namespace vorn::types {

using Span = vorn::Span;

// Marks a reference that did not resolve.
inline constexpr std::uint32_t kUnresolvedId = 0xFFFFFFFF;

// Distinct 32-bit ids, so that a component id cannot be passed where an
// input id is expected.
struct FileId {
  std::uint32_t value = 0;
  friend bool operator==(FileId, FileId) = default;
};
struct ComponentId {
  std::uint32_t value = 0;
  bool isValid() const { return value != kUnresolvedId; }
  friend bool operator==(ComponentId, ComponentId) = default;
};
struct InputId {
  std::uint32_t value = 0;
  friend bool operator==(InputId, InputId) = default;
};
struct OutputId {
  std::uint32_t value = 0;
  friend bool operator==(OutputId, OutputId) = default;
};

enum class PrimitiveKind : std::uint8_t {
  and_gate = 0,
  not_gate = 1,
  wire = 2,
  led = 3,
  input_pin = 4,
  output_pin = 5,
};

// The primitives in the order of core/primitive_kinds.def.
inline constexpr PrimitiveKind kPrimitiveKinds[] = {
#define VORN_PRIMITIVE(keyword, ir, ...) PrimitiveKind::ir,
#include "core/primitive_kinds.def"
};
static_assert(primitive_kinds::isPermutation(kPrimitiveKinds), "primitive_kinds.def names every PrimitiveKind once");

// The enumerator's own name, e.g. "and_gate".
std::string_view primitiveKindName(PrimitiveKind kind);

// The type names that make a component a primitive. The grammar reads a type
// written "input_pin" or "output_pin" as a keyword, so sources never reach the
// resolver with those two, but they stay reserved as instance names and
// import aliases.
struct PrimitiveTypeName {
  std::string_view name;
  PrimitiveKind kind;
};
inline constexpr PrimitiveTypeName kPrimitiveTypeNames[] = {
#define VORN_PRIMITIVE(keyword, ir, ...) {keyword, PrimitiveKind::ir},
#include "core/primitive_kinds.def"
};

// The primitive a type name stands for (exact bytes), or none.
std::optional<PrimitiveKind> primitiveOfTypeName(std::string_view name);

// An instance of another file, named by the import alias used as its type.
struct UnresolvedRef {
  std::string_view name;
  Span span;
};

struct ComponentKind {
  enum class Tag : std::uint8_t { primitive = 0, sub_circuit_ref = 1, unresolved_name = 2 };
  Tag tag = Tag::primitive;
  PrimitiveKind primitive = PrimitiveKind::and_gate;  // when tag == primitive
  UnresolvedRef sub_circuit_ref;                      // when tag == sub_circuit_ref
  std::string_view unresolved_name;                   // when tag == unresolved_name

  static ComponentKind makePrimitive(PrimitiveKind kind) {
    ComponentKind result;
    result.tag = Tag::primitive;
    result.primitive = kind;
    return result;
  }
  static ComponentKind makeSubCircuitRef(UnresolvedRef ref) {
    ComponentKind result;
    result.tag = Tag::sub_circuit_ref;
    result.sub_circuit_ref = ref;
    return result;
  }
  static ComponentKind makeUnresolvedName(std::string_view name) {
    ComponentKind result;
    result.tag = Tag::unresolved_name;
    result.unresolved_name = name;
    return result;
  }
  bool isPrimitive() const { return tag == Tag::primitive; }
  bool isPrimitive(PrimitiveKind kind) const { return tag == Tag::primitive && primitive == kind; }
  bool isSubCircuitRef() const { return tag == Tag::sub_circuit_ref; }
  bool isUnresolvedName() const { return tag == Tag::unresolved_name; }
};

struct SignalEndpoint {
  std::string_view port;
  ComponentId component;
};

struct PortEndpoint {
  std::string_view port;
  ComponentId component;
};

struct Connection {
  SignalEndpoint from;
  PortEndpoint to;
  Span span;
};

struct Component {
  ComponentKind kind;
  std::string_view instance_name;
  ComponentId id;
  Span span;
};

struct InputPin {
  std::string_view name;
  InputId id;
  ComponentId component;
  Span span;
};

struct OutputPin {
  std::string_view name;
  SignalEndpoint driver;
  OutputId id;
  Span span;
};

// One binding written in an output declaration (`output y(in=g)`), for
// outputs declared with bindings. The first binding of an output is its
// driver; validation reports a port other than "in" and every later binding.
struct OutputBinding {
  OutputId output;
  std::string_view port;
  SignalEndpoint source;  // the unresolved id if the reference did not resolve
  Span span;              // the port name's span
};

struct UnresolvedImport {
  std::string_view alias;
  std::string_view path;
  Span span;
  bool implicit_builtin = false;
};

struct ResolvedImport {
  std::string_view alias;
  FileId importing_file;
  FileId target_file;
  Span span;
};

struct Module {
  std::vector<InputPin> inputs;
  std::vector<OutputPin> outputs;
  std::vector<Component> components;  // components[i].id.value == i
  std::vector<Connection> connections;
  std::vector<UnresolvedImport> imports;
  std::vector<Span> connection_lines;  // taken over from the syntax tree
  FileId file_id;
  std::vector<OutputBinding> output_bindings = {};  // grouped by output, in declaration order
};

struct Project {
  std::vector<Module> files;                   // indexed by FileId
  std::vector<ResolvedImport> import_table;    // in the import scan's order
  std::vector<std::string_view> file_paths;    // canonical or "<builtin>/..." paths
  std::vector<std::string_view> source_blobs;  // source text per file
  FileId root_file_id;
};

}  // namespace vorn::types
