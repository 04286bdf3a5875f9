#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/error.hpp"
#include "equiv/prove.hpp"
#include "topology/full_format.hpp"
#include "truth_table/builder.hpp"

// Whether a circuit settles to the same outputs as a reference for every
// combination of its inputs, pins matched by name.
namespace vorn::equiv {

// A top-level pin of one side that the other side lacks.
struct Mismatch {
  bool input = false;
  bool of_reference = false;  // the pin is the reference's, missing in the circuit
  std::string_view name;
};

// The pins of both sides that have no counterpart: the circuit's first, each
// side's inputs before its outputs, in declaration order.
std::vector<Mismatch> mismatches(const builder::Header& circuit, const builder::Header& reference);

// A circuit with a loop can hold state, so it is checked by driving every
// row, as a truth table does; up to this many inputs.
inline constexpr std::size_t kMaxSequentialInputs = 20;

enum class Method : std::uint8_t {
  solver,      // proved symbolically
  enumerated,  // every combination simulated as formulas (no solver in this build)
  sequential,  // every row driven in truth-table order through the engine (a loop)
};

struct Counterexample {
  std::uint32_t output = 0;  // in the circuit's output order
  Witness inputs;            // in the circuit's input order
  builder::State circuit = builder::State::undef;
  builder::State reference = builder::State::undef;
};

// Why no check ran: too many inputs for the way this pair must be checked.
enum class Refusal : std::uint8_t {
  none,
  loop,       // a side has a loop and more than kMaxSequentialInputs inputs
  no_solver,  // this build has no solver and there are more than kMaxEnumeratedInputs inputs
};

struct Verdict {
  builder::Header pins;  // the circuit's, in declaration order
  Method method = Method::solver;
  Refusal refused = Refusal::none;
  bool circuit_has_loop = false;
  bool reference_has_loop = false;
  std::vector<Counterexample> differences;  // one per differing output, in output order

  bool equivalent() const { return differences.empty(); }
};

// Needs matching pins (no mismatches). Fails with DidNotSettle when a loop
// keeps oscillating, with InvalidTopology or OutOfMemory as building a truth
// table does.
Result<Verdict> check(const full_format::FullTopology& circuit, const full_format::FullTopology& reference);

}  // namespace vorn::equiv
