#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/text_arena.hpp"

// The derived gates carried as source text and bound to every file of a
// project through implicit imports.
namespace vorn::builtins {

enum class Name : std::uint8_t { or_gate = 0, nand = 1, nor = 2, xor_gate = 3, xnor = 4 };

// Every virtual path starts with this; the rest is the name and ".vorn".
inline constexpr std::string_view kVirtualPrefix = "<builtin>/";

struct Entry {
  std::string_view source;
  Name name;
};

// The five macros, in the order their implicit imports are added.
const std::array<Entry, 5>& table();

// "or", "nand", "nor", "xor" or "xnor".
std::string_view slice(Name name);

// "<builtin>/" + name + ".vorn", as static text.
std::string_view virtualPath(Name name);

// The macro whose virtual path is exactly `path`, if any.
std::optional<Name> macroForVirtualPath(std::string_view path);

// The macro whose name is exactly `alias` (case-sensitive), if any.
std::optional<Name> macroForAlias(std::string_view alias);

// The virtual path for a macro alias, copied into `arena`; absent for any
// other alias.
std::optional<std::string_view> virtualPathForMacroAlias(TextArena& arena, std::string_view alias);

bool isMacroImportAlias(std::string_view alias);

// True when `path` names the built-in namespace (it may still be unknown).
bool hasVirtualPrefix(std::string_view path);

}  // namespace vorn::builtins
