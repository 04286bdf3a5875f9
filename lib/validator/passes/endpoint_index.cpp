#include "validator/passes/endpoint_index.hpp"

#include <functional>

namespace vorn::endpoint_index {

std::size_t EndpointIndex::KeyHash::operator()(const Key& key) const noexcept {
  std::size_t hash = std::hash<std::string_view>{}(key.port);
  return hash ^ (static_cast<std::size_t>(key.component) * 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2));
}

EndpointIndex::Key EndpointIndex::keyOf(std::size_t index) const {
  const types::Connection& connection = module_->connections[index];
  if (side_ == Side::destination) return Key{connection.to.component.value, connection.to.port};
  return Key{connection.from.component.value, connection.from.port};
}

EndpointIndex::EndpointIndex(const types::Module& module, Side side) : module_(&module), side_(side) {
  const std::size_t count = module.connections.size();
  next_.assign(count, kNone);
  groups_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    auto [group, inserted] = groups_.try_emplace(keyOf(i), Group{i, i, 1});
    if (!inserted) {
      next_[group->second.last] = i;
      group->second.last = i;
      ++group->second.size;
    }
  }
}

bool EndpointIndex::contains(types::ComponentId component, std::string_view port) const {
  return groups_.contains(Key{component.value, port});
}

std::size_t EndpointIndex::first(types::ComponentId component, std::string_view port) const {
  auto found = groups_.find(Key{component.value, port});
  return found == groups_.end() ? kNone : found->second.first;
}

std::size_t EndpointIndex::groupSize(std::size_t index) const { return groups_.at(keyOf(index)).size; }

}  // namespace vorn::endpoint_index
