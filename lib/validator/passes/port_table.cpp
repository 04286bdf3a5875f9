#include "validator/passes/port_table.hpp"

namespace vorn::port_table {

namespace {

struct Inputs {
  std::string_view names[2];
  std::size_t count = 0;
};
constexpr Inputs kInputColumn[] = {
#define VORN_PRIMITIVE(keyword, ir, topology, engine, delay, input_count, input_1, input_2) \
  {{input_1, input_2}, input_count},
#include "core/primitive_kinds.def"
};
constexpr auto kInputs = primitive_kinds::conversion(types::kPrimitiveKinds, kInputColumn);

}  // namespace

std::span<const std::string_view> requiredInputs(types::PrimitiveKind kind) {
  const Inputs& inputs = kInputs[kind];
  return {inputs.names, inputs.count};
}

bool isValidInputPort(types::PrimitiveKind kind, std::string_view port) {
  // Every valid input of a primitive is also required.
  for (std::string_view valid : requiredInputs(kind)) {
    if (valid == port) return true;
  }
  return false;
}

bool isValidOutputPort(types::PrimitiveKind, std::string_view port) { return port == primitive_kinds::kOutputPort; }

bool isBuiltinName(std::string_view name) { return types::primitiveOfTypeName(name).has_value(); }

}  // namespace vorn::port_table
