#include "analysis/location.hpp"

#include "resolver/builtins.hpp"

namespace vorn::analysis {

namespace {

std::string_view lastComponent(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

const types::Span* spanOf(const types::Module& module, std::string_view name) {
  for (const types::Component& component : module.components) {
    if (component.instance_name == name) return &component.span;
  }
  for (const types::InputPin& pin : module.inputs) {
    if (pin.name == name) return &pin.span;
  }
  for (const types::OutputPin& pin : module.outputs) {
    if (pin.name == name) return &pin.span;
  }
  return nullptr;
}

}  // namespace

Locator::Locator(const types::Project* project, const types::Module* module, std::string_view root_path)
    : project_(project), module_(module), root_path_(root_path) {}

const types::Module& Locator::moduleOf(std::uint32_t file) const { return project_ ? project_->files[file] : *module_; }

std::string_view Locator::fileName(std::uint32_t file) const {
  return lastComponent(project_ ? project_->file_paths[file] : root_path_);
}

bool Locator::builtinFile(std::uint32_t file) const {
  return project_ && builtins::hasVirtualPrefix(project_->file_paths[file]);
}

std::string Locator::locate(const full_format::FullComponentRecord& record) const {
  std::uint32_t file = project_ ? project_->root_file_id.value : 0;
  std::string_view name = record.name;
  for (const full_format::OriginFrame& frame : record.origin) {
    if (builtinFile(frame.target_file)) {
      name = frame.alias;
      break;
    }
    file = frame.target_file;
  }
  std::string text(fileName(file));
  if (const types::Span* span = spanOf(moduleOf(file), name)) {
    text += ':' + std::to_string(span->start_line) + ':' + std::to_string(span->start_col);
  }
  return text;
}

}  // namespace vorn::analysis
