#include "truth_table/vcd.hpp"

#include <algorithm>
#include <map>
#include <utility>

namespace vorn::vcd {

namespace {

constexpr std::string_view kVersion = "vorn-compiler/dev";
constexpr std::string_view kRowName = "row";

bool keptByte(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || byte == '_';
}

// Short identifier codes from the printable range, "!" first.
std::string codeOf(std::uint32_t index) {
  std::string code;
  do {
    code.push_back(static_cast<char>('!' + index % 94));
    index /= 94;
  } while (index != 0);
  return code;
}

char valueOf(circuit::State state) {
  switch (state) {
    case circuit::State::low: return '0';
    case circuit::State::high: return '1';
    case circuit::State::undefined: break;
  }
  return 'x';
}

// The row counter owns its name in the top scope; a component or instance
// called so there writes its first letter escaped.
std::string topLevelName(std::uint32_t scope, std::string_view name) {
  return scope == 0 && name == kRowName ? "$72ow" : escapeName(name);
}

struct Scope {
  std::string name;
  std::vector<std::uint32_t> children;
  std::vector<std::pair<std::uint32_t, std::string>> variables;  // (variable, escaped name)
};

}  // namespace

std::string escapeName(std::string_view name) {
  if (name.empty()) return "$";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(name.size());
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (keptByte(byte)) {
      escaped.push_back(c);
    } else {
      escaped.push_back('$');
      escaped.push_back(kHex[byte >> 4]);
      escaped.push_back(kHex[byte & 15]);
    }
  }
  return escaped;
}

Recorder::Recorder(const full_format::FullTopology& topology, std::string_view top) {
  std::vector<Scope> scopes(1);
  scopes[0].name = escapeName(top);
  std::map<std::pair<std::uint32_t, std::string_view>, std::uint32_t> child_of;
  std::uint32_t max_id = 0;
  for (const auto& record : topology.components) max_id = std::max(max_id, record.id);
  variable_of_id_.assign(topology.components.empty() ? 0 : std::size_t{max_id} + 1, kNone);

  std::uint32_t variables = 1;  // `row` first
  for (const auto& record : topology.components) {
    if (record.name.empty()) continue;
    std::uint32_t scope = 0;
    for (const auto& frame : record.origin) {
      auto [slot, added] = child_of.try_emplace({scope, frame.alias}, 0);
      if (added) {
        slot->second = static_cast<std::uint32_t>(scopes.size());
        scopes[scope].children.push_back(slot->second);
        scopes.push_back(Scope{topLevelName(scope, frame.alias), {}, {}});
      }
      scope = slot->second;
    }
    std::string name = topLevelName(scope, record.name);
    variable_of_id_[record.id] = variables;
    scopes[scope].variables.emplace_back(variables, std::move(name));
    ++variables;
  }
  codes_.reserve(variables);
  for (std::uint32_t v = 0; v < variables; ++v) codes_.push_back(codeOf(v));
  value_.assign(variables, 'x');
  dumped_.assign(variables, 'x');
  touched_.assign(variables, 0);

  header_ += "$version ";
  header_ += kVersion;
  header_ += " $end\n$timescale 1ns $end\n";
  // Depth-first with an explicit stack: instances may nest deeply.
  std::vector<std::pair<std::uint32_t, std::size_t>> stack{{0, 0}};
  header_ += "$scope module " + scopes[0].name + " $end\n";
  header_ += "$var integer 32 " + codes_[0] + " row $end\n";
  for (const auto& [variable, name] : scopes[0].variables) {
    header_ += "$var wire 1 " + codes_[variable] + " " + name + " $end\n";
  }
  while (!stack.empty()) {
    auto& [scope, next] = stack.back();
    if (next == scopes[scope].children.size()) {
      header_ += "$upscope $end\n";
      stack.pop_back();
      continue;
    }
    std::uint32_t child = scopes[scope].children[next++];
    header_ += "$scope module " + scopes[child].name + " $end\n";
    for (const auto& [variable, name] : scopes[child].variables) {
      header_ += "$var wire 1 " + codes_[variable] + " " + name + " $end\n";
    }
    stack.emplace_back(child, 0);
  }
  header_ += "$enddefinitions $end\n#0\n$dumpvars\nb0 " + codes_[0] + "\n";
  for (std::uint32_t v = 1; v < variables; ++v) header_ += "x" + codes_[v] + "\n";
  header_ += "$end\n";
  // The changes follow the header in the same buffer, so the file is never copied.
  body_ = std::move(header_);
  used_ = body_.size();
  for (const std::string& code : codes_) code_width_ = std::max(code_width_, code.size());
}

void Recorder::attach(circuit::Circuit& circuit) { circuit.setChangeObserver(&Recorder::observe, this); }

void Recorder::observe(void* context, std::uint64_t time, const circuit::Component* component, circuit::State state) {
  auto* self = static_cast<Recorder*>(context);
  if (component->id >= self->variable_of_id_.size()) return;
  std::uint32_t variable = self->variable_of_id_[component->id];
  if (variable != kNone) self->change(time, variable, valueOf(state));
}

void Recorder::change(std::uint64_t time, std::uint32_t variable, char value) {
  if (row_waiting_ && time >= row_time_) startRow();
  if (time != pending_time_) {
    flush();
    pending_time_ = time;
  }
  value_[variable] = value;
  if (touched_[variable] == 0) {
    touched_[variable] = 1;
    touched_list_.push_back(variable);
  }
}

// A row that did not settle leaves events pending before the next row's
// first input takes effect; they are written first, so that time only grows.
void Recorder::beginRow(std::uint64_t row, std::uint64_t time) {
  if (row_waiting_) startRow();
  row_waiting_ = true;
  waiting_row_ = row;
  row_time_ = time;
}

void Recorder::startRow() {
  row_waiting_ = false;
  if (row_time_ != pending_time_) {
    flush();
    pending_time_ = row_time_;
  }
  row_ = waiting_row_;
  if (touched_[0] == 0) {
    touched_[0] = 1;
    touched_list_.push_back(0);
  }
}

// Room for `bytes` more bytes at the end of the file text.
char* Recorder::room(std::size_t bytes) {
  if (used_ + bytes > body_.size()) body_.resize(std::max(body_.size() * 2, used_ + bytes));
  return body_.data() + used_;
}

// Writes the end-of-time value of every variable that the pending time left
// different from its last written value. Hot: one call per engine time, so
// bytes go straight into the buffer.
void Recorder::flush() {
  if (touched_list_.empty()) return;
  // "#" + 20 digits + "\n", a row change "b" + 64 bits + " ", and per
  // variable its value, code and "\n".
  char* out = room(22 + 66 + touched_list_.size() * (code_width_ + 2));
  char* const begin = out;
  bool timed = pending_time_ == written_time_;
  auto stamp = [&] {
    if (timed) return;
    timed = true;
    *out++ = '#';
    char digits[20];
    int count = 0;
    std::uint64_t value = pending_time_;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (count > 0) *out++ = digits[--count];
    *out++ = '\n';
    written_time_ = pending_time_;
  };
  auto code = [&](std::uint32_t variable) {
    for (char c : codes_[variable]) *out++ = c;
    *out++ = '\n';
  };
  for (std::uint32_t variable : touched_list_) {
    touched_[variable] = 0;
    if (variable == 0) {
      if (row_ == dumped_row_) continue;
      stamp();
      *out++ = 'b';
      int top = 63;
      while (top > 0 && ((row_ >> top) & 1) == 0) --top;
      for (int bit = top; bit >= 0; --bit) *out++ = ((row_ >> bit) & 1) != 0 ? '1' : '0';
      *out++ = ' ';
      code(0);
      dumped_row_ = row_;
      continue;
    }
    if (value_[variable] == dumped_[variable]) continue;
    stamp();
    *out++ = value_[variable];
    code(variable);
    dumped_[variable] = value_[variable];
  }
  used_ += static_cast<std::size_t>(out - begin);
  touched_list_.clear();
}

std::string Recorder::finish() {
  if (row_waiting_) startRow();
  flush();
  body_.resize(used_);
  return std::move(body_);
}

}  // namespace vorn::vcd
