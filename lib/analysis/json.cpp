#include "analysis/expression.hpp"
#include "analysis/render.hpp"

namespace vorn::analysis {

namespace {

std::string quote(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char ch : text) {
    auto byte = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (byte < 0x20) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string list(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + quote(items[i]);
  return out + "]";
}

std::string counts(const std::vector<Count>& items) {
  std::string out = "{";
  for (std::size_t i = 0; i < items.size(); ++i) {
    out += (i ? "," : "") + quote(items[i].name) + ":" + std::to_string(items[i].count);
  }
  return out + "}";
}

std::string form(const Cover& cover, const std::vector<std::string>& names, bool sum_of_products) {
  std::string out = "{\"method\":\"" + std::string(cover.exact ? "exact" : "heuristic") + "\",\"" +
                    (sum_of_products ? "terms" : "clauses") + "\":[";
  for (std::size_t i = 0; i < cover.cubes.size(); ++i) {
    out += (i ? "," : "") +
           list(sum_of_products ? termLiterals(cover.cubes[i], names) : clauseLiterals(cover.cubes[i], names));
  }
  out +=
      "],\"text\":" +
      quote(sum_of_products ? sumOfProducts(cover, names, Notation::dot) : productOfSums(cover, names, Notation::dot)) +
      ",\"plain\":" +
      quote(sum_of_products ? sumOfProducts(cover, names, Notation::plain)
                            : productOfSums(cover, names, Notation::plain)) +
      "}";
  return out;
}

std::string axis(const MapAxis& axis, const std::vector<std::string>& names) {
  std::vector<std::string> vars, labels;
  for (std::uint32_t var : axis.vars) vars.push_back(names[var]);
  for (std::uint32_t code : axis.codes) labels.push_back(axis.label(code));
  return "{\"vars\":" + list(vars) + ",\"labels\":" + list(labels) + "}";
}

std::string karnaugh(const OutputAnalysis& output) {
  const KarnaughMap& map = *output.map;
  std::string out = "{\"maps\":" + axis(map.maps, output.support) + ",\"rows\":" + axis(map.rows, output.support) +
                    ",\"cols\":" + axis(map.cols, output.support) + ",\"cells\":[";
  for (std::uint32_t m = 0; m < map.mapCount(); ++m) {
    out += m ? ",[" : "[";
    for (std::uint32_t r = 0; r < map.rows.codes.size(); ++r) {
      out += r ? ",[" : "[";
      for (std::uint32_t c = 0; c < map.cols.codes.size(); ++c) {
        std::uint64_t row = map.functionRow(MapCell{m, r, c});
        out += (c ? "," : "") + std::string(output.function.dontCare(row) ? "null"
                                            : output.function.value(row)  ? "1"
                                                                          : "0");
      }
      out += "]";
    }
    out += "]";
  }
  out += "],\"groups\":[";
  for (std::size_t t = 0; t < output.sop.cubes.size(); ++t) {
    out += (t ? "," : "") + std::string("{\"term\":") + std::to_string(t) + ",\"cells\":[";
    std::vector<MapCell> cells = cellsOf(map, output.sop.cubes[t]);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      out += (i ? ",[" : "[") + std::to_string(cells[i].map) + "," + std::to_string(cells[i].row) + "," +
             std::to_string(cells[i].col) + "]";
    }
    out += "]}";
  }
  return out + "]}";
}

std::string depth(const OutputAnalysis& output) {
  if (!output.depth.bounded || !output.depth.reached) {
    return std::string("{\"bounded\":") + (output.depth.bounded ? "true" : "false") +
           ",\"reached\":" + (output.depth.reached ? "true" : "false") + "}";
  }
  std::string out = "{\"bounded\":true,\"reached\":true,\"gates\":" + std::to_string(output.depth.gates) +
                    ",\"delay\":" + std::to_string(output.depth.delay) + ",\"path\":[";
  for (std::size_t i = 0; i < output.critical_path.size(); ++i) {
    const PathStep& step = output.critical_path[i];
    out += (i ? "," : "") + std::string("{\"path\":") + quote(step.path) + ",\"kind\":" + quote(step.kind) +
           ",\"at\":" + quote(step.at) + "}";
  }
  return out + "]}";
}

std::string outputJson(const OutputAnalysis& output) {
  using Status = OutputFunction::Status;
  std::string out = "{\"name\":" + quote(output.name) + ",\"reach\":" + list(output.reach);
  bool minimised = output.status == Status::ok && !output.sop.too_large && !output.pos.too_large;
  if (output.status == Status::ok) out += ",\"support\":" + list(output.support);
  if (minimised) {
    out += ",\"sop\":" + form(output.sop, output.support, true) + ",\"pos\":" + form(output.pos, output.support, false);
  } else {
    std::string_view reason = output.status == Status::too_many_inputs     ? "more than 24 inputs"
                              : output.status == Status::feedback_too_wide ? "feedback loop with more than 16 inputs"
                                                                           : "more than 65536 terms";
    out += ",\"sop\":null,\"pos\":null,\"reason\":" + quote(reason);
  }
  out += ",\"kmap\":" + (output.map && minimised ? karnaugh(output) : std::string("null"));
  return out + ",\"depth\":" + depth(output) + "}";
}

}  // namespace

std::string renderJson(const Analysis& analysis) {
  std::string out =
      "{\"file\":" + quote(analysis.file) + ",\"size\":{\"flattened\":" + counts(analysis.size.flattened) +
      ",\"written\":" + counts(analysis.size.written) +
      ",\"gate_equivalents\":" + gateEquivalents(analysis.size.gate_equivalent_halves) + "},\"outputs\":[";
  for (std::size_t i = 0; i < analysis.outputs.size(); ++i) out += (i ? "," : "") + outputJson(analysis.outputs[i]);
  return out + "]}\n";
}

}  // namespace vorn::analysis
