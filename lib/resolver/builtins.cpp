#include "resolver/builtins.hpp"

namespace vorn::builtins {

namespace {

constexpr std::string_view kOrSource =
    "// OR(a,b) = NOT(AND(NOT(a), NOT(b)))\n"
    "input a, b\n"
    "not na(in=a)\n"
    "not nb(in=b)\n"
    "and inner(a=na.out, b=nb.out)\n"
    "not n(in=inner.out)\n"
    "output out(in=n.out)\n";

constexpr std::string_view kNandSource =
    "// NAND(a,b) = NOT(AND(a,b))\n"
    "input a, b\n"
    "and inner(a=a, b=b)\n"
    "not n(in=inner.out)\n"
    "output out(in=n.out)\n";

constexpr std::string_view kNorSource =
    "// NOR(a,b) = NOT(OR(a,b))\n"
    "input a, b\n"
    "or inner(a=a, b=b)\n"
    "not n(in=inner.out)\n"
    "output out(in=n.out)\n";

constexpr std::string_view kXorSource =
    "// XOR(a,b) = AND(OR(a,b), NAND(a,b))\n"
    "input a, b\n"
    "or o(a=a, b=b)\n"
    "nand n(a=a, b=b)\n"
    "and gate(a=o.out, b=n.out)\n"
    "output out(in=gate.out)\n";

constexpr std::string_view kXnorSource =
    "// XNOR(a,b) = NOT(XOR(a,b))\n"
    "input a, b\n"
    "xor inner(a=a, b=b)\n"
    "not n(in=inner.out)\n"
    "output out(in=n.out)\n";

constexpr std::array<Entry, 5> kTable = {{
    {kOrSource, Name::or_gate},
    {kNandSource, Name::nand},
    {kNorSource, Name::nor},
    {kXorSource, Name::xor_gate},
    {kXnorSource, Name::xnor},
}};

constexpr std::array<std::string_view, 5> kNames = {"or", "nand", "nor", "xor", "xnor"};

constexpr std::array<std::string_view, 5> kVirtualPaths = {
    "<builtin>/or.vorn", "<builtin>/nand.vorn", "<builtin>/nor.vorn", "<builtin>/xor.vorn", "<builtin>/xnor.vorn",
};

}  // namespace

const std::array<Entry, 5>& table() { return kTable; }

std::string_view slice(Name name) { return kNames[static_cast<std::size_t>(name)]; }

std::string_view virtualPath(Name name) { return kVirtualPaths[static_cast<std::size_t>(name)]; }

std::optional<Name> macroForVirtualPath(std::string_view path) {
  for (const Entry& entry : kTable) {
    if (virtualPath(entry.name) == path) return entry.name;
  }
  return std::nullopt;
}

std::optional<Name> macroForAlias(std::string_view alias) {
  for (const Entry& entry : kTable) {
    if (slice(entry.name) == alias) return entry.name;
  }
  return std::nullopt;
}

std::optional<std::string_view> virtualPathForMacroAlias(TextArena& arena, std::string_view alias) {
  std::optional<Name> name = macroForAlias(alias);
  if (!name) return std::nullopt;
  return arena.store(virtualPath(*name));
}

bool isMacroImportAlias(std::string_view alias) { return macroForAlias(alias).has_value(); }

bool hasVirtualPrefix(std::string_view path) { return path.starts_with(kVirtualPrefix); }

}  // namespace vorn::builtins
