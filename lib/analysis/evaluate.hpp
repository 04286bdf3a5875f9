#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/function.hpp"
#include "core/error.hpp"
#include "netlist/netlist.hpp"
#include "topology/full_format.hpp"

// The settled value of each top-level output for every combination of the
// inputs it can see, as --truth-table would print it.
namespace vorn::analysis {

struct OutputFunction {
  enum class Status : std::uint8_t { ok, too_many_inputs, feedback_too_wide, undefined_rows };
  Status status = Status::ok;
  // Positions in Netlist::inputs of the inputs the output reaches back to,
  // ascending; the function's variables are these, in this order.
  std::vector<std::uint32_t> reach;
  Function function;                     // over `reach`; set when status is ok
  std::vector<std::uint64_t> undefined;  // rows over `reach` where the output is '?'
};

// Acyclic cones are evaluated in three-valued logic 64 rows at a time: after
// every drive the engine settles to exactly that value, since a gate is
// re-evaluated whenever one of its drivers changes. A cone behind a feedback
// loop may hold history, so its outputs come from the simulated table itself
// (at most 16 inputs, as there).
Result<std::vector<OutputFunction>> evaluateOutputs(const netlist::Netlist& netlist,
                                                    const full_format::FullTopology& topology);

}  // namespace vorn::analysis
