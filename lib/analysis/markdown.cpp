#include "analysis/expression.hpp"
#include "analysis/render.hpp"

namespace vorn::analysis {

namespace {

std::string join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? "" : std::string(separator)) + parts[i];
  return text;
}

void countTable(std::string& out, std::string_view heading, const std::vector<Count>& counts) {
  out += "| " + std::string(heading) + " | count |\n|---|---|\n";
  for (const Count& count : counts) out += "| " + count.name + " | " + std::to_string(count.count) + " |\n";
}

std::string method(const Cover& cover, std::string_view noun) {
  return std::string(cover.exact ? "exact" : "heuristic") + ", " + std::to_string(cover.cubes.size()) + " " +
         std::string(noun) + (cover.cubes.size() == 1 ? ", " : "s, ") + std::to_string(cover.literals()) + " literals";
}

void minimalForms(std::string& out, const OutputAnalysis& output) {
  using Status = OutputFunction::Status;
  if (output.status == Status::too_many_inputs) {
    out +=
        "- Minimal forms: none; the output reaches " + std::to_string(output.reach.size()) + " inputs, more than 24\n";
    return;
  }
  if (output.status == Status::feedback_too_wide) {
    out += "- Minimal forms: none; the output lies behind a feedback loop and the circuit has more than 16 inputs\n";
    return;
  }
  if (output.sop.too_large || output.pos.too_large) {
    out += "- Minimal forms: none; a two-level form would have more than 65536 terms\n";
    return;
  }
  out += "- Sum of products (" + method(output.sop, "term") + "): `" +
         sumOfProducts(output.sop, output.support, Notation::dot) + "`\n";
  out += "  - plain text: `" + sumOfProducts(output.sop, output.support, Notation::plain) + "`\n";
  out += "- Product of sums (" + method(output.pos, "sum") + "): `" +
         productOfSums(output.pos, output.support, Notation::dot) + "`\n";
  out += "  - plain text: `" + productOfSums(output.pos, output.support, Notation::plain) + "`\n";
}

void depth(std::string& out, const OutputAnalysis& output) {
  if (!output.depth.bounded) {
    out += "- Depth: none; a feedback loop lies before the output, so it may never settle\n";
    return;
  }
  if (!output.depth.reached) {
    out += "- Depth: none; no input reaches the output\n";
    return;
  }
  out += "- Depth: " + std::to_string(output.depth.gates) + " gates; delay " + std::to_string(output.depth.delay) +
         " time units\n- Critical path:\n";
  for (const PathStep& step : output.critical_path) {
    out += "  1. `" + step.path + "` (" + std::string(step.kind) + ") at " + step.at + "\n";
  }
}

std::string axisNames(const MapAxis& axis, const std::vector<std::string>& names) {
  std::vector<std::string> list;
  for (std::uint32_t var : axis.vars) list.push_back(names[var]);
  return join(list, " ");
}

void karnaugh(std::string& out, const OutputAnalysis& output) {
  const KarnaughMap& map = *output.map;
  out += "\n### Karnaugh map of `" + output.name + "`\n";
  for (std::uint32_t m = 0; m < map.mapCount(); ++m) {
    out += "\n";
    if (!map.maps.vars.empty()) {
      out += axisNames(map.maps, output.support) + " = " + map.maps.label(map.maps.codes[m]) + "\n\n";
    }
    out += "| " + axisNames(map.rows, output.support) + " \\ " + axisNames(map.cols, output.support) + " |";
    for (std::uint32_t code : map.cols.codes) out += " " + map.cols.label(code) + " |";
    out += "\n|---|";
    for (std::size_t c = 0; c < map.cols.codes.size(); ++c) out += "---|";
    out += "\n";
    for (std::uint32_t r = 0; r < map.rows.codes.size(); ++r) {
      out += "| " + map.rows.label(map.rows.codes[r]) + " |";
      for (std::uint32_t c = 0; c < map.cols.codes.size(); ++c) {
        std::uint64_t row = map.functionRow(MapCell{m, r, c});
        out += output.function.dontCare(row) ? " - |" : output.function.value(row) ? " 1 |" : " 0 |";
      }
      out += "\n";
    }
  }
}

}  // namespace

std::string gateEquivalents(std::uint64_t halves) { return std::to_string(halves / 2) + (halves % 2 ? ".5" : ""); }

std::string renderMarkdown(const Analysis& analysis) {
  std::string out = "# Analysis of " + analysis.file + "\n\n## Size\n\n";
  countTable(out, "primitive", analysis.size.flattened);
  out += "\nTwo-input gate equivalents: " + gateEquivalents(analysis.size.gate_equivalent_halves) +
         " (AND 1, NOT 0.5)\n\nAs written:\n\n";
  countTable(out, "gate or sub-circuit", analysis.size.written);
  for (const OutputAnalysis& output : analysis.outputs) {
    out += "\n## Output `" + output.name + "`\n\n";
    if (output.status == OutputFunction::Status::too_many_inputs ||
        output.status == OutputFunction::Status::feedback_too_wide) {
      out += "- Reaches: " + (output.reach.empty() ? std::string("no input") : join(output.reach, ", ")) + "\n";
    } else {
      out += "- Support: " + (output.support.empty() ? std::string("none") : join(output.support, ", ")) + "\n";
    }
    minimalForms(out, output);
    depth(out, output);
    if (output.map) karnaugh(out, output);
  }
  return out;
}

}  // namespace vorn::analysis
