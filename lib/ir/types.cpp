#include "ir/types.hpp"

namespace vorn::types {

namespace {

constexpr std::string_view kPrimitiveKindNames[] = {
#define VORN_PRIMITIVE(keyword, ir, ...) #ir,
#include "core/primitive_kinds.def"
};
constexpr auto kNameOf = primitive_kinds::conversion(kPrimitiveKinds, kPrimitiveKindNames);

}  // namespace

std::string_view primitiveKindName(PrimitiveKind kind) { return kNameOf[kind]; }

std::optional<PrimitiveKind> primitiveOfTypeName(std::string_view name) {
  for (const PrimitiveTypeName& primitive : kPrimitiveTypeNames) {
    if (primitive.name == name) return primitive.kind;
  }
  return std::nullopt;
}

}  // namespace vorn::types
