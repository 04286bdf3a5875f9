#include "emit/writer.hpp"

#include <array>
#include <string>

#include "core/quoted_text.hpp"

namespace vorn::writer {

namespace {

constexpr std::array<std::string_view, 48> kZigKeywords = {
    "addrspace",   "align",  "allowzero",   "and",         "anyframe",       "anytype", "asm",      "async",
    "await",       "break",  "callconv",    "catch",       "comptime",       "const",   "continue", "defer",
    "else",        "enum",   "errdefer",    "error",       "export",         "extern",  "fn",       "for",
    "if",          "inline", "linksection", "noalias",     "nosuspend",      "opaque",  "or",       "orelse",
    "packed",      "pub",    "resume",      "return",      "struct",         "suspend", "switch",   "test",
    "threadlocal", "try",    "union",       "unreachable", "usingnamespace", "var",     "volatile", "while",
};

bool isAsciiDigit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

bool isAsciiAlnum(unsigned char byte) {
  return isAsciiDigit(byte) || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

std::string namedVariable(std::string_view prefix, const types::Component& component) {
  std::string result(prefix);
  if (!component.instance_name.empty()) {
    result += escapeIdentifier(component.instance_name);
    result += '_';
  }
  result += std::to_string(component.id.value);
  return result;
}

}  // namespace

void FormatArg::appendTo(std::string& out) const {
  if (is_number_) {
    out += std::to_string(number_);
  } else {
    out += text_;
  }
}

std::string formatText(std::string_view format, std::initializer_list<FormatArg> args) {
  std::string result;
  result.reserve(format.size() + 32);
  const FormatArg* next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char byte = format[i];
    if ((byte == '{' || byte == '}') && i + 1 < format.size() && format[i + 1] == byte) {
      result += byte;
      ++i;
    } else if (byte == '{' && i + 1 < format.size() && format[i + 1] == '}' && next != args.end()) {
      next->appendTo(result);
      ++next;
      ++i;
    } else {
      result += byte;
    }
  }
  return result;
}

void Writer::reserveFor(std::size_t extra) {
  const std::size_t needed = buffer_.size() + extra;
  std::size_t capacity = buffer_.capacity();
  if (needed <= capacity) return;
  // Grow by half plus a constant so that long outputs need few reallocations.
  while (capacity < needed) capacity = capacity + capacity / 2 + 128;
  buffer_.reserve(capacity);
}

void Writer::writeLine(std::string_view text) {
  const std::size_t spaces = indent_level_ * 4;
  reserveFor(spaces + text.size() + 1);
  buffer_.append(spaces, ' ');
  buffer_.append(text);
  buffer_.push_back('\n');
}

void Writer::writeRaw(std::string_view text) {
  reserveFor(text.size());
  buffer_.append(text);
}

std::string Writer::toOwnedSlice() {
  std::string result = std::move(buffer_);
  buffer_ = std::string();
  return result;
}

bool isZigKeyword(std::string_view word) {
  for (std::string_view keyword : kZigKeywords) {
    if (keyword == word) return true;
  }
  return false;
}

std::string escapeIdentifier(std::string_view name) {
  std::string result;
  if (name.empty()) return result;
  result.reserve(name.size() + 2);
  if (isAsciiDigit(static_cast<unsigned char>(name.front()))) result += '_';
  for (char byte : name) result += isAsciiAlnum(static_cast<unsigned char>(byte)) ? byte : '_';
  if (isZigKeyword(result)) result += '_';
  return result;
}

std::string zigStringLiteral(std::string_view value) {
  std::string result;
  result.reserve(value.size() + 2);
  quoted_text::appendQuoted(result, value);
  return result;
}

std::string componentVariable(const types::Component& component) { return namedVariable("comp_", component); }

std::string subCircuitVariable(const types::Component& component) { return namedVariable("inst_", component); }

std::string inputField(std::string_view pin_name) { return "input_" + escapeIdentifier(pin_name); }

std::string outputField(std::string_view pin_name) { return "output_" + escapeIdentifier(pin_name); }

std::string_view primitiveExpression(types::PrimitiveKind kind) {
  // The engine's type names, e.g. "input_pin_gate" for the input pin.
  static constexpr std::string_view kExpressions[] = {
#define VORN_PRIMITIVE(keyword, ir, topology, engine, ...) ".{ ." #engine " = .{} }",
#include "core/primitive_kinds.def"
  };
  static constexpr auto kByKind = primitive_kinds::conversion(types::kPrimitiveKinds, kExpressions);
  return kByKind[kind];
}

std::string listLiteral(const std::vector<std::string_view>& items) {
  std::string result = "&.{ ";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) result += ", ";
    result += zigStringLiteral(items[i]);
  }
  result += " }";
  return result;
}

}  // namespace vorn::writer
