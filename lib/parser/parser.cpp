#include "parser/parser.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/control_bytes.hpp"
#include "parser/parser_state.hpp"

namespace {

constexpr const char* kNames[LL_NAME_COUNT] = {
    "",           "Program",     "Spacing",       "Annotation", "ImportDecl", "",
    "Identifier", "Declaration", "ComponentType", "BusType",    "IdentList",  "Connection",
    "PortRef",    "AnonDecl",    "Space",         "EOL",        "EOF",
};

char* ownedCopy(const std::string& text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy == nullptr) ll_out_of_memory();
  std::memcpy(copy, text.data(), text.size() + 1);
  return copy;
}

void appendQuoted(std::uint32_t code_point, std::string& out) {
  std::optional<std::string_view> control;
  if (code_point < 0x80) control = vorn::control_bytes::printedForm(static_cast<unsigned char>(code_point));
  out += '\'';
  if (code_point == '\'' || code_point == '\\') {
    out += '\\';
    out += static_cast<char>(code_point);
  } else if (control) {
    out += *control;
  } else if (code_point > 126) {
    // Not one byte of text: the message stays one line of ASCII.
    out += '?';
  } else {
    out += static_cast<char>(code_point);
  }
  out += '\'';
}

// The description of a failed run: what was expected (when recorded) and
// what stood at `got` (the failure cursor for a failed rule).
void fillError(const Parser* p, std::int32_t cursor, std::int32_t got, ll_parsing_error* err) {
  std::string message;
  if (p->too_deep) {
    message = "Nesting too deep";
  } else {
    if (p->show_fails && p->expected.cur > 0) {
      message = "Expected ";
      for (std::uint32_t i = 0; i < p->expected.cur; ++i) {
        if (i > 0) message += ", ";
        const ll_expected& e = p->expected.items[i];
        if (e.a == e.b) {
          appendQuoted(e.a, message);
        } else {
          message += '\'';
          message += static_cast<char>(e.a);
          message += '-';
          message += static_cast<char>(e.b);
          message += '\'';
        }
      }
      message += " but got ";
    } else {
      message = "Unexpected ";
    }
    if (got >= 0 && got < p->input_len) {
      // Any byte above 127 starts a multi-byte (or invalid) character: both print as '?'.
      appendQuoted(static_cast<unsigned char>(p->input[got]), message);
    } else {
      message += "EOF";
    }
  }
  err->message = ownedCopy(message);
  err->label = ownedCopy("");
  err->start = cursor;
  err->end = p->ffp;
}

ll_tree* run(Parser* p, vorn::parser::StartRule rule, std::int32_t* cursor, ll_parsing_error* err) {
  std::int32_t stopped = 0;
  bool ok = vorn::parser::runRule(p, rule, &stopped);
  if (cursor != nullptr) *cursor = stopped;
  if (ok) return &p->tree;
  if (err != nullptr) fillError(p, stopped, stopped, err);
  return nullptr;
}

}  // namespace

extern "C" {

const char* ll_grammar_name(std::int32_t id) { return id >= 0 && id < LL_NAME_COUNT ? kNames[id] : ""; }

void ll_parsing_error_free(ll_parsing_error* err) {
  if (err == nullptr) return;
  std::free(err->message);
  std::free(err->label);
  err->message = nullptr;
  err->label = nullptr;
}

Parser* Parser_New(void) {
  auto* p = static_cast<Parser*>(std::malloc(sizeof(Parser)));
  if (p == nullptr) {
    std::fputs("out of memory\n", stderr);
    std::abort();
  }
  Parser_Init(p);
  return p;
}

void Parser_Init(Parser* p) {
  *p = Parser{};
  p->ffp = -1;
  ll_tree_init(&p->tree);
  ll_tree_bind_strings(&p->tree, kNames, LL_NAME_COUNT);
}

void Parser_SetInput(Parser* p, const char* bytes, std::int32_t len) {
  p->input = bytes;
  p->input_len = len < 0 ? 0 : len;
}

void Parser_SetShowFails(Parser* p, bool on) { p->show_fails = on; }

void Parser_SetItemHandler(Parser* p, ll_item_handler handler, void* context) {
  p->on_item = handler;
  p->on_item_context = context;
}

ll_tree* Parser_Parse(Parser* p, std::int32_t* cursor, ll_parsing_error* err) {
  return run(p, vorn::parser::StartRule::program, cursor, err);
}

ll_tree* Parser_ParseProgram(Parser* p, std::int32_t* cursor, ll_parsing_error* err) {
  return run(p, vorn::parser::StartRule::program, cursor, err);
}

ll_tree* Parser_ParseAnonDecl(Parser* p, std::int32_t* cursor, ll_parsing_error* err) {
  return run(p, vorn::parser::StartRule::anon_decl, cursor, err);
}

ll_tree* Parser_ParseComponentType(Parser* p, std::int32_t* cursor, ll_parsing_error* err) {
  return run(p, vorn::parser::StartRule::component_type, cursor, err);
}

ll_tree* Parser_ParsePortRef(Parser* p, std::int32_t* cursor, ll_parsing_error* err) {
  return run(p, vorn::parser::StartRule::port_ref, cursor, err);
}

ll_tree* Parser_ParseBusType(Parser* p, std::int32_t* cursor, ll_parsing_error* err) {
  return run(p, vorn::parser::StartRule::bus_type, cursor, err);
}

bool Parser_NestingTooDeep(const Parser* p) { return p->too_deep; }

const ll_tree* Parser_Tree(const Parser* p) { return &p->tree; }

bool Parser_UnreadText(const Parser* p, std::int32_t cursor, ll_parsing_error* err) {
  std::int32_t rest = cursor < 0 ? 0 : cursor;
  while (rest < p->input_len) {
    char c = p->input[rest];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
    ++rest;
  }
  if (rest >= p->input_len) return false;
  // Every item was tried at `rest` and failed there or later, so the farthest
  // failure is at least `rest`; it is where the reader's slip shows.
  if (err != nullptr) {
    std::int32_t farthest = p->ffp < rest ? rest : p->ffp;
    fillError(p, cursor, farthest, err);
    err->end = farthest;
  }
  return true;
}

void Parser_Free(Parser* p) {
  if (p == nullptr) return;
  ll_tree_free(&p->tree);
  std::free(p->captures);
  p->captures = nullptr;
  p->captures_len = p->captures_cap = 0;
  std::free(p->marks);
  p->marks = nullptr;
  p->marks_len = p->marks_cap = 0;
}

void Parser_Delete(Parser* p) {
  Parser_Free(p);
  std::free(p);
}

}  // extern "C"
