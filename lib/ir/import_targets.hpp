#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ir/types.hpp"

// Hashed form of the project's import table that answers like a front-to-back
// scan: the first import of a file under an alias.
namespace vorn::import_targets {

class ImportTargets {
 public:
  // The table must outlive this index and keep its records in place.
  explicit ImportTargets(std::span<const types::ResolvedImport> import_table);

  // That import's record, or nullptr.
  const types::ResolvedImport* findImport(types::FileId importing_file, std::string_view alias) const;

  // That import's target file.
  std::optional<std::uint32_t> find(types::FileId importing_file, std::string_view alias) const;

 private:
  struct Key {
    std::uint32_t file;
    std::string_view alias;
    friend bool operator==(const Key&, const Key&) = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const;
  };
  std::span<const types::ResolvedImport> table_;
  std::unordered_map<Key, std::size_t, KeyHash> first_record_;
};

}  // namespace vorn::import_targets
