#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "topology/format.hpp"

// The flattened circuit with names and the chain of sub-circuit instances
// each component came from.
namespace vorn::full_format {

struct OriginFrame {
  std::string alias;       // instance name of the sub-circuit in its parent
  std::string subcircuit;  // the name the parent uses as the type
  std::uint32_t target_file = 0;

  friend bool operator==(const OriginFrame&, const OriginFrame&) = default;
};

struct FullComponentRecord {
  std::string name;
  std::vector<OriginFrame> origin;  // outermost first; empty in the root file
  std::uint32_t id = 0;
  format::ComponentKind kind = format::ComponentKind::input_pin;
};

struct FullTopology {
  std::vector<FullComponentRecord> components;
  std::vector<format::ConnectionRecord> connections;
};

}  // namespace vorn::full_format
