#include "verilog/identifiers.hpp"

#include <algorithm>
#include <array>

namespace vorn::verilog_identifiers {

namespace {

// IEEE 1364-2005 reserved words, then those IEEE 1800-2017 adds; sorted for
// binary search.
constexpr auto kKeywords = [] {
  std::array<std::string_view, 248> words = {"accept_on",
                                             "alias",
                                             "always",
                                             "always_comb",
                                             "always_ff",
                                             "always_latch",
                                             "and",
                                             "assert",
                                             "assign",
                                             "assume",
                                             "automatic",
                                             "before",
                                             "begin",
                                             "bind",
                                             "bins",
                                             "binsof",
                                             "bit",
                                             "break",
                                             "buf",
                                             "bufif0",
                                             "bufif1",
                                             "byte",
                                             "case",
                                             "casex",
                                             "casez",
                                             "cell",
                                             "chandle",
                                             "checker",
                                             "class",
                                             "clocking",
                                             "cmos",
                                             "config",
                                             "const",
                                             "constraint",
                                             "context",
                                             "continue",
                                             "cover",
                                             "covergroup",
                                             "coverpoint",
                                             "cross",
                                             "deassign",
                                             "default",
                                             "defparam",
                                             "design",
                                             "disable",
                                             "dist",
                                             "do",
                                             "edge",
                                             "else",
                                             "end",
                                             "endcase",
                                             "endchecker",
                                             "endclass",
                                             "endclocking",
                                             "endconfig",
                                             "endfunction",
                                             "endgenerate",
                                             "endgroup",
                                             "endinterface",
                                             "endmodule",
                                             "endpackage",
                                             "endprimitive",
                                             "endprogram",
                                             "endproperty",
                                             "endsequence",
                                             "endspecify",
                                             "endtable",
                                             "endtask",
                                             "enum",
                                             "event",
                                             "eventually",
                                             "expect",
                                             "export",
                                             "extends",
                                             "extern",
                                             "final",
                                             "first_match",
                                             "for",
                                             "force",
                                             "foreach",
                                             "forever",
                                             "fork",
                                             "forkjoin",
                                             "function",
                                             "generate",
                                             "genvar",
                                             "global",
                                             "highz0",
                                             "highz1",
                                             "if",
                                             "iff",
                                             "ifnone",
                                             "ignore_bins",
                                             "illegal_bins",
                                             "implements",
                                             "implies",
                                             "import",
                                             "incdir",
                                             "include",
                                             "initial",
                                             "inout",
                                             "input",
                                             "inside",
                                             "instance",
                                             "int",
                                             "integer",
                                             "interconnect",
                                             "interface",
                                             "intersect",
                                             "join",
                                             "join_any",
                                             "join_none",
                                             "large",
                                             "let",
                                             "liblist",
                                             "library",
                                             "local",
                                             "localparam",
                                             "logic",
                                             "longint",
                                             "macromodule",
                                             "matches",
                                             "medium",
                                             "modport",
                                             "module",
                                             "nand",
                                             "negedge",
                                             "nettype",
                                             "new",
                                             "nexttime",
                                             "nmos",
                                             "nor",
                                             "noshowcancelled",
                                             "not",
                                             "notif0",
                                             "notif1",
                                             "null",
                                             "or",
                                             "output",
                                             "package",
                                             "packed",
                                             "parameter",
                                             "pmos",
                                             "posedge",
                                             "primitive",
                                             "priority",
                                             "program",
                                             "property",
                                             "protected",
                                             "pull0",
                                             "pull1",
                                             "pulldown",
                                             "pullup",
                                             "pulsestyle_ondetect",
                                             "pulsestyle_onevent",
                                             "pure",
                                             "rand",
                                             "randc",
                                             "randcase",
                                             "randsequence",
                                             "rcmos",
                                             "real",
                                             "realtime",
                                             "ref",
                                             "reg",
                                             "reject_on",
                                             "release",
                                             "repeat",
                                             "restrict",
                                             "return",
                                             "rnmos",
                                             "rpmos",
                                             "rtran",
                                             "rtranif0",
                                             "rtranif1",
                                             "s_always",
                                             "s_eventually",
                                             "s_nexttime",
                                             "s_until",
                                             "s_until_with",
                                             "scalared",
                                             "sequence",
                                             "shortint",
                                             "shortreal",
                                             "showcancelled",
                                             "signed",
                                             "small",
                                             "soft",
                                             "solve",
                                             "specify",
                                             "specparam",
                                             "static",
                                             "string",
                                             "strong",
                                             "strong0",
                                             "strong1",
                                             "struct",
                                             "super",
                                             "supply0",
                                             "supply1",
                                             "sync_accept_on",
                                             "sync_reject_on",
                                             "table",
                                             "tagged",
                                             "task",
                                             "this",
                                             "throughout",
                                             "time",
                                             "timeprecision",
                                             "timeunit",
                                             "tran",
                                             "tranif0",
                                             "tranif1",
                                             "tri",
                                             "tri0",
                                             "tri1",
                                             "triand",
                                             "trior",
                                             "trireg",
                                             "type",
                                             "typedef",
                                             "union",
                                             "unique",
                                             "unique0",
                                             "unsigned",
                                             "until",
                                             "until_with",
                                             "untyped",
                                             "use",
                                             "uwire",
                                             "var",
                                             "vectored",
                                             "virtual",
                                             "void",
                                             "wait",
                                             "wait_order",
                                             "wand",
                                             "weak",
                                             "weak0",
                                             "weak1",
                                             "while",
                                             "wildcard",
                                             "wire",
                                             "with",
                                             "within",
                                             "wor",
                                             "xnor",
                                             "xor"};
  std::sort(words.begin(), words.end());
  return words;
}();

bool isLetter(unsigned char byte) { return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'); }
bool isDigit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

// Bytes an escaped identifier may hold: printable ASCII other than the space.
char escapedByte(char byte) {
  auto value = static_cast<unsigned char>(byte);
  return value > 0x20 && value < 0x7F ? byte : '_';
}

}  // namespace

bool isKeyword(std::string_view word) { return std::binary_search(kKeywords.begin(), kKeywords.end(), word); }

bool isSimpleIdentifier(std::string_view name) {
  if (name.empty()) return false;
  auto first = static_cast<unsigned char>(name.front());
  if (!isLetter(first) && first != '_') return false;
  for (char byte : name.substr(1)) {
    auto value = static_cast<unsigned char>(byte);
    if (!isLetter(value) && !isDigit(value) && value != '_' && value != '$') return false;
  }
  return !isKeyword(name);
}

void appendIdentifier(std::string& out, std::string_view name) {
  if (isSimpleIdentifier(name)) {
    out.append(name);
    return;
  }
  out.push_back('\\');
  for (char byte : name) out.push_back(escapedByte(byte));
  if (name.empty()) out.push_back('_');
  out.push_back(' ');
}

void appendSignalName(std::string& out, std::string_view component, std::string_view port) {
  out.push_back('\\');
  for (char byte : component) out.push_back(escapedByte(byte));
  out.push_back('.');
  for (char byte : port) out.push_back(escapedByte(byte));
  out.push_back(' ');
}

std::string identifier(std::string_view name) {
  std::string out;
  appendIdentifier(out, name);
  return out;
}

}  // namespace vorn::verilog_identifiers
