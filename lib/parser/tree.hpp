#pragma once

// The generic parse tree: four node kinds in flat, growable arrays. C-style on
// purpose (plain structs, malloc'd storage, abort on exhaustion) so the parser
// stays independent of the compiler's arena and containers.

#include <cstdint>

extern "C" {

typedef enum ll_node_type : std::int32_t {
  LL_NODE_STRING = 0,
  LL_NODE_SEQUENCE = 1,
  LL_NODE_NODE = 2,
  LL_NODE_ERROR = 3,
} ll_node_type;

typedef std::uint32_t ll_node_id;

// 16 bytes, since a 10^5-line file makes millions of them: the kind sits in
// the top two bits of the name's word. Read nodes through the functions below.
typedef struct ll_node {
  std::uint32_t typ_and_name;  // ll_node_type << 30 | string table index (kNoName when absent)
  std::int32_t start;          // first byte
  std::int32_t end;            // one past the last byte
  std::int32_t child_id;       // see ll_node_type; -1 when absent
} ll_node;

typedef struct ll_child_range {
  std::int32_t start;
  std::int32_t end;
} ll_child_range;

typedef struct ll_range {
  std::int32_t start;
  std::int32_t end;
} ll_range;

typedef struct ll_tree {
  ll_node* nodes;
  std::uint32_t nodes_len;
  std::uint32_t nodes_cap;
  ll_node_id* children;
  std::uint32_t children_len;
  std::uint32_t children_cap;
  ll_child_range* child_ranges;
  std::uint32_t child_ranges_len;
  std::uint32_t child_ranges_cap;
  const char* const* strs;  // borrowed name table
  std::uint32_t strs_len;
  const char* input;  // borrowed input bytes
  std::int32_t input_len;
  ll_node_id root;
  bool has_root;
} ll_tree;

// Housekeeping.
void ll_tree_init(ll_tree* t);
void ll_tree_reset(ll_tree* t);  // forgets every node, keeps capacity
void ll_tree_free(ll_tree* t);   // releases storage; the tree is empty and reusable after
void ll_tree_bind_strings(ll_tree* t, const char* const* strs, std::uint32_t strs_len);
void ll_tree_bind_input(ll_tree* t, const char* input, std::int32_t input_len);
void ll_tree_set_root(ll_tree* t, ll_node_id id);

// Constructors; each returns the new node's id.
ll_node_id ll_tree_add_string(ll_tree* t, std::int32_t start, std::int32_t end);
ll_node_id ll_tree_add_sequence(ll_tree* t, const ll_node_id* ids, std::uint32_t n, std::int32_t start,
                                std::int32_t end);
ll_node_id ll_tree_add_node(ll_tree* t, std::int32_t name_id, std::int32_t start, std::int32_t end, std::int32_t child);
// An error's message id is not kept: nothing reads it back.
ll_node_id ll_tree_add_error(ll_tree* t, std::int32_t label_id, std::int32_t message_id, std::int32_t start,
                             std::int32_t end);
ll_node_id ll_tree_add_error_with_child(ll_tree* t, std::int32_t label_id, std::int32_t message_id, std::int32_t start,
                                        std::int32_t end, ll_node_id child);

// Readers. An id outside the tree reads as a node of kind -1 (none of the
// four) with an empty range, no name and no children.
bool ll_tree_root(const ll_tree* t, ll_node_id* id);
ll_node_type ll_tree_type(const ll_tree* t, ll_node_id id);
const char* ll_tree_name(const ll_tree* t, ll_node_id id);
// The node's index into the bound name table, or -1 when it has none.
std::int32_t ll_tree_name_id(const ll_tree* t, ll_node_id id);
ll_range ll_tree_range(const ll_tree* t, ll_node_id id);
bool ll_tree_child(const ll_tree* t, ll_node_id id, ll_node_id* child);
std::uint32_t ll_tree_children_len(const ll_tree* t, ll_node_id id);
bool ll_tree_children_at(const ll_tree* t, ll_node_id id, std::uint32_t i, ll_node_id* child);
std::uint32_t ll_tree_children(const ll_tree* t, ll_node_id id, ll_node_id* out, std::uint32_t cap);

// Newly malloc'd, NUL-terminated texts; the caller frees them with free().
char* ll_tree_text(const ll_tree* t, ll_node_id id);
char* ll_tree_pretty(const ll_tree* t, ll_node_id id);
char* ll_tree_highlight(const ll_tree* t, ll_node_id id);

// A deep copy of the node arrays (names and input stay borrowed); release it
// with ll_tree_free.
ll_tree ll_tree_copy(const ll_tree* t);

// Prints "vm.c: out of memory" and aborts; shared by every growable array here.
[[noreturn]] void ll_out_of_memory(void);

}  // extern "C"
