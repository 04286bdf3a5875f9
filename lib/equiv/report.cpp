#include "equiv/report.hpp"

#include <algorithm>

#include "truth_table/json.hpp"

namespace vorn::equiv {

namespace {

using builder::State;

char cellOf(State state) { return state == State::low ? '0' : state == State::high ? '1' : '?'; }

std::string_view jsonOf(State state) { return state == State::low ? "0" : state == State::high ? "1" : "null"; }

std::string counted(std::size_t count, std::string_view noun) {
  return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

// 2^n in decimal up to 2^20, past that as a power.
std::string combinations(std::size_t inputs) {
  if (inputs > 20) return "2^" + std::to_string(inputs);
  return std::to_string(std::uint64_t{1} << inputs);
}

std::string equivalentLine(const Verdict& verdict) {
  const std::size_t inputs = verdict.pins.inputs.size();
  std::string line = "equivalent: " + counted(inputs, "input") + ", " + counted(verdict.pins.outputs.size(), "output");
  std::string all = combinations(inputs);
  bool one = inputs == 0;
  if (verdict.method == Method::sequential) {
    return line + ", checked " + (one ? "the 1 row" : "all " + all + " rows") +
           " in truth-table order (a loop holds state)\n";
  }
  return line + ", proved for " + (one ? "the 1 combination" : "all " + all + " combinations") + "\n";
}

std::string assignment(const Verdict& verdict, const Witness& inputs) {
  std::string text;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    if (i > 0) text.push_back(' ');
    text.append(verdict.pins.inputs[i].name);
    text.push_back('=');
    text.push_back(inputs[i] != 0 ? '1' : '0');
  }
  return text;
}

// A Markdown row the way a truth table pads it.
void appendRow(std::string& text, const std::vector<std::string_view>& cells, const std::vector<std::size_t>& widths) {
  text.push_back('|');
  for (std::size_t c = 0; c < cells.size(); ++c) {
    text.push_back(' ');
    text.append(cells[c]);
    text.append(widths[c] - cells[c].size() + 1, ' ');
    text.push_back('|');
  }
  text.push_back('\n');
}

// Row order on assignments of any width: the last input is the most significant.
bool beforeInRowOrder(const Witness& a, const Witness& b) {
  return std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend());
}

Witness rowWitness(std::uint64_t row, std::size_t count) {
  Witness bits(count);
  for (std::size_t i = 0; i < count; ++i) bits[i] = static_cast<std::uint8_t>((row >> i) & 1);
  return bits;
}

// One row per distinct counterexample, in row order; a cell is checked
// where an output differs in that row, '*' elsewhere. In a circuit with a
// loop a row's outputs depend on the rows before it, so those are replayed
// too (unchecked), as long as they are few.
std::string replayTable(const Verdict& verdict) {
  constexpr std::uint64_t kMaxLeadingRows = 4096;
  const builder::Header& pins = verdict.pins;
  const std::size_t input_count = pins.inputs.size();
  // The differences in row order; equal rows become one line.
  std::vector<const Counterexample*> sorted;
  for (const Counterexample& difference : verdict.differences) sorted.push_back(&difference);
  std::ranges::stable_sort(sorted, beforeInRowOrder, &Counterexample::inputs);
  std::vector<Witness> leading;
  if (verdict.method == Method::sequential && rowOf(sorted.back()->inputs) < kMaxLeadingRows) {
    for (std::uint64_t row = 0; row < rowOf(sorted.back()->inputs); ++row) {
      leading.push_back(rowWitness(row, input_count));
    }
  }

  std::vector<std::string_view> cells;
  std::vector<std::size_t> widths;
  for (const auto* list : {&pins.inputs, &pins.outputs}) {
    for (const builder::PinRef& pin : *list) {
      cells.push_back(pin.name);
      widths.push_back(std::max<std::size_t>(pin.name.size(), 1));
    }
  }
  std::string text = "replay:\n";
  appendRow(text, cells, widths);
  text.push_back('|');
  for (std::size_t width : widths) text.append(width + 2, '-').push_back('|');
  text.push_back('\n');

  static constexpr std::string_view kBits[] = {"0", "1"};
  static constexpr std::string_view kStates[] = {"0", "1", "?"};
  auto startRow = [&](const Witness& row) {
    cells.assign(widths.size(), "*");
    for (std::size_t i = 0; i < input_count; ++i) cells[i] = kBits[row[i]];
  };
  std::size_t next = 0;
  for (const Witness& row : leading) {
    // A leading row that is itself a counterexample is written with it.
    if (row == sorted[next]->inputs) break;
    startRow(row);
    appendRow(text, cells, widths);
  }
  while (next < sorted.size()) {
    const Witness& row = sorted[next]->inputs;
    startRow(row);
    for (; next < sorted.size() && sorted[next]->inputs == row; ++next) {
      cells[input_count + sorted[next]->output] = kStates[static_cast<int>(sorted[next]->reference)];
    }
    appendRow(text, cells, widths);
    // Between two counterexample rows of a loop, the rows that lead to the next.
    if (!leading.empty() && next < sorted.size()) {
      for (std::uint64_t between = rowOf(row) + 1; between < rowOf(sorted[next]->inputs); ++between) {
        startRow(leading[between]);
        appendRow(text, cells, widths);
      }
    }
  }
  return text;
}

}  // namespace

std::string renderText(const Verdict& verdict) {
  if (verdict.equivalent()) return equivalentLine(verdict);
  std::string text;
  for (const Counterexample& difference : verdict.differences) {
    text += "different: ";
    text += verdict.pins.outputs[difference.output].name;
    text += ": ";
    // A circuit without inputs has one combination, with nothing to name.
    if (!difference.inputs.empty()) text += assignment(verdict, difference.inputs) + " ";
    text += "gives ";
    text.push_back(cellOf(difference.circuit));
    text += ", reference gives ";
    text.push_back(cellOf(difference.reference));
    text.push_back('\n');
  }
  return text + replayTable(verdict);
}

std::string renderJson(const Verdict& verdict) {
  static constexpr std::string_view kMethods[] = {"solver", "enumerated", "sequential"};
  std::string text = "{\"verdict\":\"";
  text += verdict.equivalent() ? "equivalent" : "different";
  text += "\",\"method\":\"";
  text += kMethods[static_cast<int>(verdict.method)];
  text += "\",\"inputs\":";
  json::appendNameList(text, verdict.pins.inputs);
  text += ",\"outputs\":";
  json::appendNameList(text, verdict.pins.outputs);
  text += ",\"counterexamples\":[";
  for (std::size_t d = 0; d < verdict.differences.size(); ++d) {
    const Counterexample& difference = verdict.differences[d];
    if (d > 0) text.push_back(',');
    text += "{\"output\":";
    json::appendName(text, verdict.pins.outputs[difference.output].name);
    text += ",\"in\":[";
    for (std::size_t i = 0; i < difference.inputs.size(); ++i) {
      if (i > 0) text.push_back(',');
      text.push_back(difference.inputs[i] != 0 ? '1' : '0');
    }
    text += "],\"circuit\":";
    text += jsonOf(difference.circuit);
    text += ",\"reference\":";
    text += jsonOf(difference.reference);
    text.push_back('}');
  }
  return text + "]}\n";
}

std::string mismatchLine(const Mismatch& mismatch, std::string_view path, std::uint32_t line, std::uint32_t column,
                         std::string_view other_path) {
  std::string text(path);
  text += ":" + std::to_string(line) + ":" + std::to_string(column) + ": error: ";
  text += mismatch.input ? "input '" : "output '";
  text += mismatch.name;
  text += "' has no counterpart in ";
  text += other_path;
  return text + "\n";
}

std::string refusalLine(const Verdict& verdict, std::string_view circuit_path, std::string_view reference_path) {
  std::string inputs = std::to_string(verdict.pins.inputs.size());
  if (verdict.refused == Refusal::loop) {
    std::string_view path = verdict.circuit_has_loop ? circuit_path : reference_path;
    return "equivalence check refused: " + std::string(path) + " has a loop, so it is checked row by row, up to " +
           std::to_string(kMaxSequentialInputs) + " inputs; this pair has " + inputs + "\n";
  }
  return "equivalence check refused: this build has no SAT solver and simulates every combination, up to " +
         std::to_string(kMaxEnumeratedInputs) + " inputs; this pair has " + inputs + "\n";
}

}  // namespace vorn::equiv
