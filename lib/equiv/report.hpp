#pragma once

#include <string>
#include <string_view>

#include "equiv/check.hpp"

// The verdict as printed: text lines with a replayable table, or JSON.
namespace vorn::equiv {

// "equivalent: ..." or one "different: ..." line per differing output, then
// "replay:" and a test table that the circuit fails and the reference passes.
std::string renderText(const Verdict& verdict);

// One line: {"verdict","method","inputs","outputs","counterexamples"}.
std::string renderJson(const Verdict& verdict);

// "PATH:L:C: error: input 'cin' has no counterpart in OTHER"; the location
// is that of the pin's declaration.
std::string mismatchLine(const Mismatch& mismatch, std::string_view path, std::uint32_t line, std::uint32_t column,
                         std::string_view other_path);

// Why a pair was not checked, one line.
std::string refusalLine(const Verdict& verdict, std::string_view circuit_path, std::string_view reference_path);

}  // namespace vorn::equiv
