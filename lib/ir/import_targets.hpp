#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ir/types.hpp"

// Hashed form of the project's import table that answers like a front-to-back
// scan: the target of the first import of a file under an alias.
namespace vorn::import_targets {

class ImportTargets {
 public:
  explicit ImportTargets(const std::vector<types::ResolvedImport>& import_table);

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
  std::unordered_map<Key, std::uint32_t, KeyHash> targets_;
};

}  // namespace vorn::import_targets
