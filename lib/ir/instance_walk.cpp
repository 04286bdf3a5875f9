#include "ir/instance_walk.hpp"

namespace vorn::instance_walk {

Result<std::vector<std::uint32_t>> walkInstances(const types::Project& project,
                                                 const import_targets::ImportTargets& targets, Instance top,
                                                 std::vector<Instance>& instances, std::vector<Primitive>& components,
                                                 const WalkErrors& errors) {
  const std::vector<types::Module>& files = project.files;
  struct Frame {
    std::uint32_t instance;
    std::uint32_t next_component;
  };
  // A file on the current path may not be entered again, which also bounds
  // the stack by the number of files.
  std::vector<bool> on_path(files.size(), false);
  auto mark = [&](std::uint32_t file, bool value) {
    if (file < on_path.size()) on_path[file] = value;
  };

  std::vector<std::uint32_t> post_order;
  std::vector<Frame> stack;
  instances.push_back(top);
  stack.push_back({static_cast<std::uint32_t>(instances.size() - 1), 0});
  mark(top.file, true);
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const Instance& instance = instances[frame.instance];
    const types::Module& module = *instance.module;
    if (frame.next_component == module.components.size()) {
      mark(instance.file, false);
      post_order.push_back(frame.instance);
      stack.pop_back();
      continue;
    }
    const types::Component& component = module.components[frame.next_component++];
    switch (component.kind.tag) {
      case types::ComponentKind::Tag::primitive: components.push_back({&component, frame.instance}); break;
      case types::ComponentKind::Tag::sub_circuit_ref: {
        auto target = targets.find(types::FileId{instance.file}, component.kind.sub_circuit_ref.name);
        if (!target || *target >= files.size()) return fail(errors.missing_target);
        if (on_path[*target]) return fail(Error::InternalError);
        mark(*target, true);
        instances.push_back({&files[*target], *target, frame.instance, &component});
        stack.push_back({static_cast<std::uint32_t>(instances.size() - 1), 0});  // `frame` and `instance` go stale
        break;
      }
      case types::ComponentKind::Tag::unresolved_name: return fail(errors.unresolved_name);
    }
  }
  return post_order;
}

}  // namespace vorn::instance_walk
