#include "analysis/synthesize.hpp"

#include <map>
#include <set>

#include "analysis/minimise.hpp"
#include "test_table/lines.hpp"
#include "test_table/table.hpp"

namespace vorn::analysis {

namespace {

using test_table::tableError;

constexpr std::string_view kReserved[] = {"input", "output", "bus", "led",  "and",       "or",         "not",
                                          "xor",   "nand",   "nor", "xnor", "input_pin", "output_pin", "wire"};

bool isIdentifier(std::string_view name) {
  if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_')) return false;
  for (char ch : name) {
    if (!(std::isalnum(static_cast<unsigned char>(ch)) || ch == '_')) return false;
  }
  for (std::string_view word : kReserved) {
    if (name == word) return false;
  }
  return true;
}

std::vector<std::string_view> splitNames(std::string_view list) {
  std::vector<std::string_view> names;
  while (true) {
    std::size_t comma = list.find(',');
    names.push_back(list.substr(0, comma));
    if (comma == std::string_view::npos) return names;
    list.remove_prefix(comma + 1);
  }
}

// Which columns are outputs, as a header the table reader checks rows against.
test_table::Parsed<builder::Header> headerOf(const SynthesisRequest& request) {
  test_table::LineReader reader(request.table_text);
  test_table::TableLine line;
  VORN_TRY(const bool has_header, reader.next(line));
  if (!has_header) return tableError(1, 1, "table has no rows");
  std::set<std::string_view> outputs;
  if (request.outputs) {
    for (std::string_view name : splitNames(*request.outputs)) outputs.insert(name);
  } else if (!line.cells.empty()) {
    outputs.insert(line.cells.back().text);
  }
  builder::Header header;
  for (const test_table::Cell& cell : line.cells) {
    if (!isIdentifier(cell.text)) {
      return tableError(line.number, cell.column, "column " + test_table::quotedText(cell.text) + " is not a pin name");
    }
    (outputs.contains(cell.text) ? header.outputs : header.inputs).push_back(builder::PinRef{cell.text, 0});
  }
  for (std::string_view name : outputs) {
    bool found = false;
    for (const builder::PinRef& pin : header.outputs) found = found || pin.name == name;
    if (!found) return tableError(line.number, 1, "no column " + test_table::quotedText(name) + " for --outputs");
  }
  if (header.inputs.empty()) return tableError(line.number, 1, "no input column");
  if (header.inputs.size() > kMaxVariables) {
    return tableError(line.number, 1, "more than " + std::to_string(kMaxVariables) + " input columns");
  }
  return header;
}

// Each output's function; two rows wanting different values fail.
test_table::Parsed<std::vector<Function>> functionsOf(const test_table::TestTable& table,
                                                      const builder::Header& header) {
  const auto vars = static_cast<std::uint32_t>(header.inputs.size());
  std::vector<Function> functions(header.outputs.size(), emptyFunction(vars));
  std::vector<std::vector<std::uint32_t>> line_of(header.outputs.size(),
                                                  std::vector<std::uint32_t>(std::size_t{1} << vars, 0));
  for (std::size_t r = 0; r < table.rowCount(); ++r) {
    std::uint64_t row = 0;
    for (std::uint32_t i = 0; i < vars; ++i) row |= static_cast<std::uint64_t>(table.bits[r * vars + i]) << i;
    for (std::size_t k = 0; k < table.outputs.size(); ++k) {
      const std::uint32_t out = table.outputs[k];
      test_table::Expect expect = table.expected[r * table.outputs.size() + k];
      if (expect == test_table::Expect::undef) {
        return tableError(table.lines[r], 1, "an output cannot be made undefined ('?')");
      }
      if (!test_table::isChecked(expect)) continue;
      const bool high = expect == test_table::Expect::high;
      std::uint32_t& seen = line_of[out][row];
      if (seen != 0 && functions[out].value(row) != high) {
        return tableError(table.lines[r], 1, "row contradicts line " + std::to_string(seen));
      }
      seen = table.lines[r];
      if (high) setRow(functions[out].on, row);
    }
  }
  for (std::size_t out = 0; out < functions.size(); ++out) {
    for (std::uint64_t row = 0; row < line_of[out].size(); ++row) {
      if (line_of[out][row] == 0) setRow(functions[out].dc, row);
    }
  }
  return functions;
}

// Writes the gates, naming every instance with a prefix no column starts with.
class Writer {
 public:
  Writer(const builder::Header& header) : header_(header) {
    auto taken = [&](std::string_view prefix) {
      for (const auto* pins : {&header.inputs, &header.outputs}) {
        for (const builder::PinRef& pin : *pins) {
          if (pin.name.starts_with(prefix)) return true;
        }
      }
      return false;
    };
    while (taken(prefix_)) prefix_ += '_';
  }

  std::string literal(std::uint32_t var, bool plain) {
    std::string name(header_.inputs[var].name);
    if (plain) return name;
    std::string inverted = prefix_ + "n_" + name;
    if (inverted_.insert(var).second) text_ += "not " + inverted + "(in=" + name + ")\n";
    return inverted + ".out";
  }

  // A two-input gate over `a` and `b`, or `a` alone when there is no `b`.
  std::string gate(std::string_view type, const std::string& a, const std::string& b) {
    std::string name = prefix_ + std::to_string(next_++);
    text_ += std::string(type) + " " + name + "(a=" + a + ", b=" + b + ")\n";
    return name + ".out";
  }

  std::string term(const Cube& cube) {
    auto found = terms_.find({cube.care, cube.value});
    if (found != terms_.end()) return found->second;
    std::string signal;
    if (cube.care == 0) {
      signal = gate("or", literal(0, true), literal(0, false));  // a constant 1
    } else {
      for (std::uint32_t var = 0; var < header_.inputs.size(); ++var) {
        if (!(cube.care & (1u << var))) continue;
        std::string next = literal(var, (cube.value >> var) & 1);
        signal = signal.empty() ? next : gate("and", signal, next);
      }
    }
    terms_.emplace(std::pair{cube.care, cube.value}, signal);
    return signal;
  }

  void output(std::string_view name, const Cover& cover) {
    std::string signal;
    for (const Cube& cube : cover.cubes) {
      std::string next = term(cube);
      signal = signal.empty() ? next : gate("or", signal, next);
    }
    if (signal.empty()) signal = gate("and", literal(0, true), literal(0, false));  // a constant 0
    outputs_ += "output " + std::string(name) + "(in=" + signal + ")\n";
  }

  std::string finish() { return text_ + outputs_; }
  void append(std::string_view line) { text_ += line; }

 private:
  const builder::Header& header_;
  std::string prefix_ = "g";
  std::string text_, outputs_;
  std::set<std::uint32_t> inverted_;
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> terms_;
  std::uint32_t next_ = 0;
};

// A name fit for a one-line comment.
std::string printable(std::string_view text) {
  std::string out;
  for (char ch : text) out += static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f ? '?' : ch;
  return out;
}

}  // namespace

test_table::Parsed<std::string> synthesize(const SynthesisRequest& request) {
  VORN_TRY(const builder::Header header, headerOf(request));
  VORN_TRY(const test_table::TestTable table, test_table::parseTestTable(request.table_text, header));
  VORN_TRY(const std::vector<Function> functions, functionsOf(table, header));
  std::vector<Cover> covers;
  bool exact = true;
  for (const Function& function : functions) {
    covers.push_back(minimiseSop(function));
    if (covers.back().too_large) return tableError(1, 1, "a sum of products would have more than 65536 terms");
    exact = exact && covers.back().exact;
  }
  Writer writer(header);
  writer.append("// Written by vorn-compile --synthesize from " + printable(request.table_name) + ":\n");
  writer.append(std::string("// each output is its ") + (exact ? "minimal" : "heuristically minimised") +
                " sum of products; rows not in the table are don't-cares.\n");
  std::string inputs = "input ";
  for (std::size_t i = 0; i < header.inputs.size(); ++i) inputs += (i ? ", " : "") + std::string(header.inputs[i].name);
  writer.append(inputs + "\n");
  for (std::size_t k = 0; k < functions.size(); ++k) writer.output(header.outputs[k].name, covers[k]);
  return writer.finish();
}

}  // namespace vorn::analysis
