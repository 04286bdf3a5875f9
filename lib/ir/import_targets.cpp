#include "ir/import_targets.hpp"

#include <functional>

namespace vorn::import_targets {

std::size_t ImportTargets::KeyHash::operator()(const Key& key) const {
  const std::size_t alias_hash = std::hash<std::string_view>{}(key.alias);
  return alias_hash ^ (std::hash<std::uint32_t>{}(key.file) + 0x9e3779b97f4a7c15ULL + (alias_hash << 6) + (alias_hash >> 2));
}

ImportTargets::ImportTargets(const std::vector<types::ResolvedImport>& import_table) {
  targets_.reserve(import_table.size());
  // try_emplace keeps the earliest record for a repeated alias.
  for (const types::ResolvedImport& record : import_table) {
    targets_.try_emplace(Key{record.importing_file.value, record.alias}, record.target_file.value);
  }
}

std::optional<std::uint32_t> ImportTargets::find(types::FileId importing_file, std::string_view alias) const {
  auto found = targets_.find(Key{importing_file.value, alias});
  if (found == targets_.end()) return std::nullopt;
  return found->second;
}

}  // namespace vorn::import_targets
