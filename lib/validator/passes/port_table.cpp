#include "validator/passes/port_table.hpp"

namespace vorn::port_table {

namespace {

constexpr std::string_view kAndInputs[] = {"a", "b"};
constexpr std::string_view kSingleInput[] = {"in"};

}  // namespace

std::span<const std::string_view> requiredInputs(types::PrimitiveKind kind) {
  switch (kind) {
    case types::PrimitiveKind::and_gate: return kAndInputs;
    case types::PrimitiveKind::not_gate:
    case types::PrimitiveKind::wire:
    case types::PrimitiveKind::led:
    case types::PrimitiveKind::output_pin: return kSingleInput;
    case types::PrimitiveKind::input_pin: return {};
  }
  return {};
}

bool isValidInputPort(types::PrimitiveKind kind, std::string_view port) {
  // Every valid input of a primitive is also required.
  for (std::string_view valid : requiredInputs(kind)) {
    if (valid == port) return true;
  }
  return false;
}

bool isValidOutputPort(types::PrimitiveKind, std::string_view port) { return port == "out"; }

bool isBuiltinName(std::string_view name) { return types::primitiveOfTypeName(name).has_value(); }

}  // namespace vorn::port_table
