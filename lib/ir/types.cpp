#include "ir/types.hpp"

namespace vorn::types {

std::string_view primitiveKindName(PrimitiveKind kind) {
  switch (kind) {
    case PrimitiveKind::and_gate: return "and_gate";
    case PrimitiveKind::not_gate: return "not_gate";
    case PrimitiveKind::wire: return "wire";
    case PrimitiveKind::led: return "led";
    case PrimitiveKind::input_pin: return "input_pin";
    case PrimitiveKind::output_pin: return "output_pin";
  }
  return "";
}

std::optional<PrimitiveKind> primitiveOfTypeName(std::string_view name) {
  for (const PrimitiveTypeName& primitive : kPrimitiveTypeNames) {
    if (primitive.name == name) return primitive.kind;
  }
  return std::nullopt;
}

}  // namespace vorn::types
