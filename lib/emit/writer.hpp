#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <concepts>
#include <vector>

#include "ir/types.hpp"

// Line-oriented text builder for generated Zig source, with the escaping and
// naming rules that both emitters share so that a component gets the same
// identifier whichever emitter names it.
namespace vorn::writer {

// One substitution for formatText: text, or an unsigned number printed in decimal.
class FormatArg {
 public:
  FormatArg(std::string_view text) : text_(text) {}
  FormatArg(const std::string& text) : text_(text) {}
  FormatArg(const char* text) : text_(text) {}
  template <std::unsigned_integral Number>
  FormatArg(Number number) : number_(number), is_number_(true) {}

  void appendTo(std::string& out) const;

 private:
  std::string_view text_;
  std::uint64_t number_ = 0;
  bool is_number_ = false;
};

// Replaces each "{}" with the next argument; "{{" and "}}" stand for braces.
std::string formatText(std::string_view format, std::initializer_list<FormatArg> args);

class Writer {
 public:
  Writer() = default;

  void indent() { ++indent_level_; }
  // Never goes below level 0.
  void dedent() {
    if (indent_level_ > 0) --indent_level_;
  }
  std::size_t indentLevel() const { return indent_level_; }

  // Four spaces per level, the text, one line feed.
  void writeLine(std::string_view text);

  void writeLineFmt(std::string_view format, std::initializer_list<FormatArg> args) {
    writeLine(formatText(format, args));
  }
  template <typename... Args>
  void writeLineFmt(std::string_view format, const Args&... args) {
    writeLineFmt(format, {FormatArg(args)...});
  }

  void writeRaw(std::string_view text);

  // Hands the text over; the writer is empty afterwards.
  std::string toOwnedSlice();

  std::string_view text() const { return buffer_; }

 private:
  void reserveFor(std::size_t extra);

  std::string buffer_;
  std::size_t indent_level_ = 0;
};

bool isZigKeyword(std::string_view word);

// Maps a name onto [A-Za-z0-9_], one byte per byte, with a "_" in front of a
// leading digit and after a keyword.
std::string escapeIdentifier(std::string_view name);

// A double-quoted Zig literal; only tab, line feed, carriage return, the
// double quote and the backslash are escaped.
std::string zigStringLiteral(std::string_view value);

// "comp_{escaped name}_{id}", or "comp_{id}" for an unnamed component.
std::string componentVariable(const types::Component& component);
// "inst_{escaped name}_{id}", or "inst_{id}" for an unnamed instance.
std::string subCircuitVariable(const types::Component& component);
std::string inputField(std::string_view pin_name);
std::string outputField(std::string_view pin_name);

// The engine constructor for a primitive, e.g. ".{ .and_gate = .{} }".
std::string_view primitiveExpression(types::PrimitiveKind kind);

// "&.{ " + quoted items joined by ", " + " }".
std::string listLiteral(const std::vector<std::string_view>& items);

}  // namespace vorn::writer
