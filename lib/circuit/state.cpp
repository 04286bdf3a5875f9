#include "circuit/circuit.hpp"
#include "core/check.hpp"

namespace vorn::circuit {

State flip(State state) {
  switch (state) {
    case State::low: return State::high;
    case State::high: return State::low;
    default: return State::undefined;
  }
}

uint32_t toInt(State state) {
  switch (state) {
    case State::low: return 0;
    case State::high: return 1;
    default: return 2;
  }
}

State fromInt(uint32_t value) {
  if (value == 0) return State::low;
  if (value == 1) return State::high;
  return State::undefined;
}

const char* statusName(Status status) {
  switch (status) {
    case Status::ok: return "ok";
    case Status::out_of_memory: return "out_of_memory";
    case Status::missing_output_port: return "missing_output_port";
    case Status::missing_input_port: return "missing_input_port";
    case Status::did_not_settle: return "did_not_settle";
  }
  VORN_UNREACHABLE();
  return "unknown";
}

}  // namespace vorn::circuit
