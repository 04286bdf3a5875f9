#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ir/types.hpp"

namespace vorn::endpoint_index {

// Groups a module's connections by one of their ends (component id and port
// name), so that "is this port driven" and "which connections drive it" are
// answered without scanning all connections.
class EndpointIndex {
 public:
  enum class Side { destination, source };

  EndpointIndex(const types::Module& module, Side side);

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  bool contains(types::ComponentId component, std::string_view port) const;
  // First connection (lowest index) at this end, or kNone.
  std::size_t first(types::ComponentId component, std::string_view port) const;
  // The next connection with the same end after `index`, or kNone.
  std::size_t next(std::size_t index) const { return next_[index]; }
  // Number of connections at the same end as connection `index`.
  std::size_t groupSize(std::size_t index) const;

 private:
  struct Key {
    std::uint32_t component;
    std::string_view port;
    friend bool operator==(const Key&, const Key&) = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const noexcept;
  };
  struct Group {
    std::size_t first;
    std::size_t last;
    std::size_t size;
  };

  Key keyOf(std::size_t index) const;

  const types::Module* module_;
  Side side_;
  std::unordered_map<Key, Group, KeyHash> groups_;
  std::vector<std::size_t> next_;
};

}  // namespace vorn::endpoint_index
