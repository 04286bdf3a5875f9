#include "ir/import_targets.hpp"

#include <functional>

namespace vorn::import_targets {

std::size_t ImportTargets::KeyHash::operator()(const Key& key) const {
  const std::size_t alias_hash = std::hash<std::string_view>{}(key.alias);
  return alias_hash ^
         (std::hash<std::uint32_t>{}(key.file) + 0x9e3779b97f4a7c15ULL + (alias_hash << 6) + (alias_hash >> 2));
}

ImportTargets::ImportTargets(std::span<const types::ResolvedImport> import_table) : table_(import_table) {
  first_record_.reserve(import_table.size());
  // try_emplace keeps the earliest record for a repeated alias.
  for (std::size_t i = 0; i < import_table.size(); ++i) {
    first_record_.try_emplace(Key{import_table[i].importing_file.value, import_table[i].alias}, i);
  }
}

const types::ResolvedImport* ImportTargets::findImport(types::FileId importing_file, std::string_view alias) const {
  auto found = first_record_.find(Key{importing_file.value, alias});
  return found == first_record_.end() ? nullptr : &table_[found->second];
}

std::optional<std::uint32_t> ImportTargets::find(types::FileId importing_file, std::string_view alias) const {
  const types::ResolvedImport* record = findImport(importing_file, alias);
  if (record == nullptr) return std::nullopt;
  return record->target_file.value;
}

}  // namespace vorn::import_targets
