#pragma once

#include <string>

#include "analysis/analyze.hpp"

// The report of --analyze: Markdown for people, JSON for programs.
namespace vorn::analysis {

std::string renderMarkdown(const Analysis& analysis);
std::string renderJson(const Analysis& analysis);

// "13" or "13.5": gate equivalents are counted in halves.
std::string gateEquivalents(std::uint64_t halves);

}  // namespace vorn::analysis
