#pragma once

// Builds an engine circuit from a compact topology ("VORN" payload).
#include <stddef.h>
#include <stdint.h>

#include "circuit/circuit.hpp"

namespace vorn::interpreter {

// "in", "a", "b" or "out" for the port bytes 0 to 3; false for any other.
bool portNameStr(uint8_t port, circuit::PortName& name);

// Fills the (freshly initialised) circuit from the payload. Every read stays
// inside [data, data + length). False on a malformed payload or lack of
// memory; the circuit is then left as far as it got and must be released.
bool initFromTopology(circuit::Circuit& circuit, const uint8_t* data, size_t length);

}  // namespace vorn::interpreter
