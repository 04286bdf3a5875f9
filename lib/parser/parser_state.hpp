#pragma once

// Internal layout of the parser object, shared by the object's interface
// (parser.cpp) and the grammar rules (grammar.cpp).

#include <cstdint>

#include "parser/parser.hpp"
#include "parser/tree.hpp"

namespace vorn::parser {

// Where to roll back to when an alternative fails.
struct Mark {
  std::int32_t pos;
  std::uint32_t captures;
  std::uint32_t nodes;
  std::uint32_t children;
  std::uint32_t ranges;
};

}  // namespace vorn::parser

struct Parser {
  const char* input;
  std::int32_t input_len;
  ll_tree tree;
  // Nodes captured by rules that are still open, innermost last.
  ll_node_id* captures;
  std::uint32_t captures_len;
  std::uint32_t captures_cap;
  // Marks of the rules on the nesting cycle, kept here rather than in their
  // stack frames so that deep nesting costs little stack.
  vorn::parser::Mark* marks;
  std::uint32_t marks_len;
  std::uint32_t marks_cap;
  std::int32_t ffp;          // farthest failure position, -1 before any failure
  std::int32_t fail_cursor;  // position of the most recent failed test
  ll_expected_info expected;
  bool expected_ascii[128];  // which ASCII characters `expected` holds
  bool show_fails;
  std::int32_t depth;  // open anonymous instances
  bool too_deep;
  ll_item_handler on_item;  // null: the tree keeps every item
  void* on_item_context;
};

namespace vorn::parser {

enum class StartRule { program, anon_decl, component_type, port_ref, bus_type };

// Runs `rule` from offset 0 over the parser's input, filling its tree.
// Returns false when the rule fails or the nesting limit was hit; `cursor`
// receives where matching stopped (the end on success, the failed test's
// position otherwise).
bool runRule(Parser* p, StartRule rule, std::int32_t* cursor);

}  // namespace vorn::parser
