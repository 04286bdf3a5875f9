#include "ir/name_table.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorn::resolver {
namespace {

// Random assigns, inserts and look-ups over a small pool of names (so that
// names repeat, shadow and collide), checked against std::unordered_map.
TEST(NameTable, AgreesWithAStandardMap) {
  std::mt19937 random(26);
  std::vector<std::string> pool;
  for (int i = 0; i < 3000; ++i) pool.push_back("g" + std::to_string(i * 7919 % 10007));
  pool.push_back("");  // an empty name is a name too

  for (std::size_t reserved : {std::size_t{0}, std::size_t{10}, std::size_t{5000}}) {
    NameTable table;
    table.reserve(reserved);
    std::unordered_map<std::string, std::uint32_t> oracle;
    for (std::uint32_t step = 0; step < 20000; ++step) {
      const std::string& name = pool[random() % pool.size()];
      switch (random() % 3) {
        case 0:
          table.assign(name, step);
          oracle[name] = step;
          break;
        case 1: {
          auto [held, inserted] = table.insert(name, step);
          auto [at, fresh] = oracle.emplace(name, step);
          ASSERT_EQ(inserted, fresh) << name;
          ASSERT_EQ(held, at->second) << name;
          break;
        }
        default: {
          auto found = oracle.find(name);
          ASSERT_EQ(table.find(name), found == oracle.end() ? std::nullopt : std::optional(found->second)) << name;
        }
      }
      ASSERT_EQ(table.size(), oracle.size());
    }
  }
}

}  // namespace
}  // namespace vorn::resolver
