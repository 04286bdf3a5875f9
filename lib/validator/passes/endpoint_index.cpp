#include "validator/passes/endpoint_index.hpp"

#include <algorithm>

namespace vorn::endpoint_index {

std::size_t EndpointIndex::slotOf(std::uint32_t component) const {
  const std::size_t last = slot_begin_.size() - 2;
  return component < last ? component : last;
}

EndpointIndex::EndpointIndex(const types::Module& module, Side side) {
  const std::size_t count = module.connections.size();
  const std::size_t slots = module.components.size() + 1;
  auto componentOf = [&](std::size_t index) {
    const types::Connection& connection = module.connections[index];
    return side == Side::destination ? connection.to.component.value : connection.from.component.value;
  };
  auto portOf = [&](std::size_t index) {
    const types::Connection& connection = module.connections[index];
    return side == Side::destination ? connection.to.port : connection.from.port;
  };
  slot_begin_.assign(slots + 1, 0);
  auto slotFor = [&](std::uint32_t component) { return component < slots - 1 ? component : slots - 1; };

  // Connections bucketed by slot, in index order within each bucket.
  std::vector<std::uint32_t> start(slots + 1, 0);
  for (std::size_t i = 0; i < count; ++i) ++start[slotFor(componentOf(i)) + 1];
  for (std::size_t s = 0; s < slots; ++s) start[s + 1] += start[s];
  std::vector<std::uint32_t> order(count);
  {
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < count; ++i) order[fill[slotFor(componentOf(i))]++] = static_cast<std::uint32_t>(i);
  }

  next_.assign(count, kNone);
  group_of_.assign(count, 0);
  groups_.reserve(count);
  auto before = [&](std::uint32_t a, std::uint32_t b) {
    const std::uint32_t ca = componentOf(a), cb = componentOf(b);
    if (ca != cb) return ca < cb;
    const int order_of_ports = portOf(a).compare(portOf(b));
    if (order_of_ports != 0) return order_of_ports < 0;
    return a < b;
  };
  for (std::size_t s = 0; s < slots; ++s) {
    slot_begin_[s] = static_cast<std::uint32_t>(groups_.size());
    auto begin = order.begin() + start[s], end = order.begin() + start[s + 1];
    if (end - begin > 1) std::sort(begin, end, before);
    for (auto it = begin; it != end; ++it) {
      const std::uint32_t i = *it;
      if (it != begin && componentOf(*(it - 1)) == componentOf(i) && portOf(*(it - 1)) == portOf(i)) {
        Group& group = groups_.back();
        next_[*(it - 1)] = i;
        ++group.size;
      } else {
        groups_.push_back(Group{componentOf(i), portOf(i), i, 1});
      }
      group_of_[i] = static_cast<std::uint32_t>(groups_.size() - 1);
    }
  }
  slot_begin_[slots] = static_cast<std::uint32_t>(groups_.size());
}

const EndpointIndex::Group* EndpointIndex::find(std::uint32_t component, std::string_view port) const {
  const std::size_t slot = slotOf(component);
  const Group* begin = groups_.data() + slot_begin_[slot];
  const Group* end = groups_.data() + slot_begin_[slot + 1];
  const Group* found =
      std::lower_bound(begin, end, std::pair{component, port}, [](const Group& group, const auto& key) {
        if (group.component != key.first) return group.component < key.first;
        return group.port < key.second;
      });
  if (found == end || found->component != component || found->port != port) return nullptr;
  return found;
}

bool EndpointIndex::contains(types::ComponentId component, std::string_view port) const {
  return find(component.value, port) != nullptr;
}

std::size_t EndpointIndex::first(types::ComponentId component, std::string_view port) const {
  const Group* group = find(component.value, port);
  return group == nullptr ? kNone : group->first;
}

std::size_t EndpointIndex::groupSize(std::size_t index) const { return groups_[group_of_[index]].size; }

}  // namespace vorn::endpoint_index
