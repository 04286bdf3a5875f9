#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
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
  // Groups sit in flat arrays by component id (ids are dense), each
  // component's groups sorted by port, so a look-up is an index and a short
  // search; ids outside the module share one last slot.
  struct Group {
    std::uint32_t component;
    std::string_view port;
    std::size_t first;
    std::size_t size;
  };

  std::size_t slotOf(std::uint32_t component) const;
  const Group* find(std::uint32_t component, std::string_view port) const;

  std::vector<std::uint32_t> slot_begin_;
  std::vector<Group> groups_;
  std::vector<std::size_t> next_;
  std::vector<std::uint32_t> group_of_;
};

}  // namespace vorn::endpoint_index
