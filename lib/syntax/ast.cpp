#include "syntax/ast.hpp"

#include <utility>

namespace vorn::ast {
namespace {

// Detaches every instance reachable from `pending` and frees it only after
// its own nested instances have been detached, so no destructor recurses.
void drain(std::vector<std::unique_ptr<ComponentInstance>>& pending) {
  while (!pending.empty()) {
    std::unique_ptr<ComponentInstance> instance = std::move(pending.back());
    pending.pop_back();
    for (PortConnection& port : instance->ports) {
      if (port.value.anonymous) pending.push_back(std::move(port.value.anonymous));
    }
  }
}

void collect(std::vector<PortConnection>& ports, std::vector<std::unique_ptr<ComponentInstance>>& pending) {
  for (PortConnection& port : ports) {
    if (port.value.anonymous) pending.push_back(std::move(port.value.anonymous));
  }
}

}  // namespace

void releaseNested(SignalSource& source) {
  if (!source.anonymous) return;
  std::vector<std::unique_ptr<ComponentInstance>> pending;
  pending.push_back(std::move(source.anonymous));
  drain(pending);
}

void releaseNested(std::vector<PortConnection>& ports) {
  std::vector<std::unique_ptr<ComponentInstance>> pending;
  collect(ports, pending);
  drain(pending);
}

namespace {

void releaseFile(File& file) {
  std::vector<std::unique_ptr<ComponentInstance>> pending;
  for (OutputDecl& output : file.outputs) {
    if (output.value.anonymous) pending.push_back(std::move(output.value.anonymous));
    collect(output.later_bindings, pending);
  }
  for (ComponentInstance& component : file.components) collect(component.ports, pending);
  drain(pending);
}

}  // namespace

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    releaseFile(*this);
    imports = std::move(other.imports);
    inputs = std::move(other.inputs);
    outputs = std::move(other.outputs);
    components = std::move(other.components);
    span = other.span;
  }
  return *this;
}

File::~File() { releaseFile(*this); }

}  // namespace vorn::ast
