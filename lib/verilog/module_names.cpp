#include "verilog/module_names.hpp"

#include <unordered_set>

#include "verilog/identifiers.hpp"

namespace vorn::verilog_module_names {

std::string_view fileStem(std::string_view path) {
  std::size_t slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  constexpr std::string_view kExtension = ".vorn";
  if (name.size() > kExtension.size() && name.ends_with(kExtension)) name.remove_suffix(kExtension.size());
  return name;
}

std::string legalName(std::string_view stem) {
  std::string name;
  name.reserve(stem.size() + 2);
  if (stem.empty() || (stem.front() >= '0' && stem.front() <= '9')) name.push_back('_');
  for (char byte : stem) {
    bool keep = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9');
    name.push_back(keep ? byte : '_');
  }
  if (verilog_identifiers::isKeyword(name)) name.push_back('_');
  return name;
}

std::vector<std::string> moduleNames(const types::Project& project, std::string_view root_name) {
  std::vector<std::string> names(project.files.size());
  std::unordered_set<std::string> taken;
  auto claim = [&](std::size_t file, std::string_view stem) {
    std::string base = legalName(stem);
    std::string name = base;
    for (std::size_t suffix = 2; taken.contains(name); ++suffix) name = base + "_" + std::to_string(suffix);
    taken.insert(name);
    names[file] = std::move(name);
  };
  const std::size_t root = project.root_file_id.value;
  if (root < names.size()) claim(root, fileStem(root_name));
  for (std::size_t file = 0; file < names.size(); ++file) {
    if (file == root) continue;
    std::string_view path = file < project.file_paths.size() ? project.file_paths[file] : std::string_view();
    claim(file, fileStem(path));
  }
  return names;
}

}  // namespace vorn::verilog_module_names
