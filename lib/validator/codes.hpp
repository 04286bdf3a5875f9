#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The diagnostic codes with their levels and texts, read from codes.def.
namespace vorn::codes {

enum class DiagnosticCode : std::uint8_t {
#define VORN_DIAGNOSTIC(code, level, message) code,
#include "validator/codes.def"
};

enum class DiagnosticLevel : std::uint8_t { err = 0, warning = 1 };

// The notes a diagnostic can carry, one per VORN_NOTE row.
enum class NoteKind : std::uint8_t {
#define VORN_NOTE(code, kind, text) kind,
#include "validator/codes.def"
};

struct CodeTemplate {
  std::string_view default_message;
  DiagnosticCode code;
  DiagnosticLevel level;
  std::string_view name;
};

struct NoteTemplate {
  std::string_view text;
  NoteKind kind;
  DiagnosticCode code;
};

inline constexpr CodeTemplate kCodeTable[] = {
#define VORN_DIAGNOSTIC(code, level, message) {message, DiagnosticCode::code, DiagnosticLevel::level, #code},
#include "validator/codes.def"
};

inline constexpr NoteTemplate kNoteTable[] = {
#define VORN_NOTE(code, kind, text) {text, NoteKind::kind, DiagnosticCode::code},
#include "validator/codes.def"
};

// Joins the member paths of an import cycle in its E010 message.
inline constexpr std::string_view kCyclePathSeparator = " -> ";

constexpr const CodeTemplate& codeTemplate(DiagnosticCode code) { return kCodeTable[static_cast<std::size_t>(code)]; }
constexpr const NoteTemplate& noteTemplate(NoteKind kind) { return kNoteTable[static_cast<std::size_t>(kind)]; }

// "E001" ... "W004".
constexpr std::string_view codeName(DiagnosticCode code) { return codeTemplate(code).name; }

// How many arguments a text takes: one more than its highest "{n}".
constexpr std::size_t argumentCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    if (text[i] == '{' && text[i + 1] >= '0' && text[i + 1] <= '9' && text[i + 2] == '}') {
      const auto needed = static_cast<std::size_t>(text[i + 1] - '0') + 1;
      if (needed > count) count = needed;
    }
  }
  return count;
}

// `text` with every "{n}" replaced by args[n], copied verbatim (an argument
// is never scanned for placeholders itself).
std::string formatTemplate(std::string_view text, std::span<const std::string_view> args);

}  // namespace vorn::codes
