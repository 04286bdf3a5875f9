#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "circuit/circuit.hpp"
#include "topology/full_format.hpp"

// A Value Change Dump of a simulation: one variable per named component (its
// output), scopes following the sub-circuit instances, and an integer `row`
// that takes each row's number as the row begins. One engine time unit is
// one nanosecond.
namespace vorn::vcd {

// The reversible form of a name in the dump: ASCII letters, digits and "_"
// stay; every other byte becomes "$" and two upper-case hex digits; an empty
// name becomes a lone "$".
std::string escapeName(std::string_view name);

class Recorder {
 public:
  // `top` names the top scope (the root file's stem). The topology must
  // outlive the recorder.
  Recorder(const full_format::FullTopology& topology, std::string_view top);
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Starts observing the circuit's state changes (its components carry the
  // topology's ids).
  void attach(circuit::Circuit& circuit);
  // Row `row` begins at engine time `time`.
  void beginRow(std::uint64_t row, std::uint64_t time);
  // The complete file; call once, when the simulation is over.
  std::string finish();

 private:
  static void observe(void* context, std::uint64_t time, const circuit::Component* component, circuit::State state);
  void change(std::uint64_t time, std::uint32_t variable, char value);
  void startRow();
  void flush();
  char* room(std::size_t bytes);

  static constexpr std::uint32_t kNone = 0xFFFFFFFF;
  // Variable 0 is `row`; the others are components.
  std::string header_;  // only while constructing
  std::string body_;    // the whole file: header, then the changes (used_ bytes of it)
  std::size_t used_ = 0;
  std::size_t code_width_ = 0;
  std::vector<std::uint32_t> variable_of_id_;
  std::vector<std::string> codes_;
  std::vector<char> value_;   // the latest value in the pending time
  std::vector<char> dumped_;  // the value last written
  std::vector<std::uint8_t> touched_;
  std::vector<std::uint32_t> touched_list_;
  std::uint64_t pending_time_ = 0;
  std::uint64_t written_time_ = 0;
  std::uint64_t row_ = 0;
  std::uint64_t dumped_row_ = 0;
  // The row begun last, until the first change at or after its time.
  bool row_waiting_ = false;
  std::uint64_t waiting_row_ = 0;
  std::uint64_t row_time_ = 0;
};

}  // namespace vorn::vcd
