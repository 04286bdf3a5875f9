#pragma once

// The parser object for the source grammar. Each Parse call runs one start
// rule over the borrowed input and returns the parse tree (owned by the
// parser, overwritten by the next run) or null when the start rule fails.

#include <cstdint>

#include "parser/tree.hpp"

extern "C" {

// Indices into the grammar's name table.
enum : std::int32_t {
  LL_NAME_ANONYMOUS = 0,
  LL_NAME_PROGRAM = 1,
  LL_NAME_SPACING = 2,
  LL_NAME_ANNOTATION = 3,
  LL_NAME_IMPORT_DECL = 4,
  LL_NAME_EMPTY = 5,
  LL_NAME_IDENTIFIER = 6,
  LL_NAME_DECLARATION = 7,
  LL_NAME_COMPONENT_TYPE = 8,
  LL_NAME_BUS_TYPE = 9,
  LL_NAME_IDENT_LIST = 10,
  LL_NAME_CONNECTION = 11,
  LL_NAME_PORT_REF = 12,
  LL_NAME_ANON_DECL = 13,
  LL_NAME_SPACE = 14,
  LL_NAME_EOL = 15,
  LL_NAME_EOF = 16,
  LL_NAME_COUNT = 17,
};

// Anonymous instances may nest this deep inside one another; one level more
// and the parse is refused (Parser_NestingTooDeep) instead of risking the stack.
enum : std::int32_t { LL_MAX_NESTING = 10000 };

// The name of a grammar rule (an LL_NAME_* value) as the parser's trees
// carry it; "" for ids without a name.
const char* ll_grammar_name(std::int32_t id);

typedef struct ll_expected {
  std::uint32_t a;
  std::uint32_t b;
} ll_expected;

enum : std::uint32_t { LL_MAX_EXPECTED = 20 };

typedef struct ll_expected_info {
  std::uint32_t cur;  // entries in use
  ll_expected items[LL_MAX_EXPECTED];
} ll_expected_info;

typedef struct ll_parsing_error {
  char* message;       // owned
  char* label;         // owned, "" when the failure carries no label
  std::int32_t start;  // cursor where matching stopped
  std::int32_t end;    // farthest failure position
} ll_parsing_error;

void ll_parsing_error_free(ll_parsing_error* err);

typedef struct Parser Parser;

Parser* Parser_New(void);
void Parser_Init(Parser* p);
void Parser_SetInput(Parser* p, const char* bytes, std::int32_t len);
void Parser_SetShowFails(Parser* p, bool on);

// With a handler, a Program run hands over each item (comment, import,
// declaration or connection) as soon as it is read and then drops the item's
// nodes: the tree left holds the Program node over a plain string, and
// memory stays that of one item however long the file. The item's node ids
// are valid only during the call. Null restores the whole tree.
typedef void (*ll_item_handler)(void* context, const ll_tree* tree, ll_node_id item);
void Parser_SetItemHandler(Parser* p, ll_item_handler handler, void* context);

// Start rules. `cursor` and `err` may be null; `err` is filled only on failure.
ll_tree* Parser_Parse(Parser* p, std::int32_t* cursor, ll_parsing_error* err);
ll_tree* Parser_ParseProgram(Parser* p, std::int32_t* cursor, ll_parsing_error* err);
ll_tree* Parser_ParseAnonDecl(Parser* p, std::int32_t* cursor, ll_parsing_error* err);
ll_tree* Parser_ParseComponentType(Parser* p, std::int32_t* cursor, ll_parsing_error* err);
ll_tree* Parser_ParsePortRef(Parser* p, std::int32_t* cursor, ll_parsing_error* err);
ll_tree* Parser_ParseBusType(Parser* p, std::int32_t* cursor, ll_parsing_error* err);

// True when the last run was refused for nesting deeper than LL_MAX_NESTING.
bool Parser_NestingTooDeep(const Parser* p);

// The tree every run fills (the same object for the parser's lifetime).
const ll_tree* Parser_Tree(const Parser* p);

// After a successful Program run that stopped at `cursor`: true when text
// other than spaces, tabs and line breaks follows (Program matches what it can
// and stops silently). `err`, when given, then receives what the run learnt
// about the first unreadable spot: `start` = `cursor`, `end` = the farthest
// failure position, and the message ("Expected … but got …" with show-fails
// on, else "Unexpected …") names the character at `end`. Free it with
// ll_parsing_error_free.
bool Parser_UnreadText(const Parser* p, std::int32_t cursor, ll_parsing_error* err);

void Parser_Free(Parser* p);
void Parser_Delete(Parser* p);

}  // extern "C"
