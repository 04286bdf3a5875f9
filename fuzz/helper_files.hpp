#pragma once
// The files a fuzzed document can import, written into a scratch directory
// once per process: a half adder, a full adder importing it, two files
// importing each other, and lib/ files (one reaching back up with "../").
#include <cstdlib>
#include <string>

#include "core/file_io.hpp"

namespace vorn::fuzz {

struct HelperFile {
  const char* path;
  const char* text;
};

inline constexpr HelperFile kHelperFiles[] = {
    {"half_adder.vorn", "input a, b\nxor s(a=a, b=b)\nand c(a=a, b=b)\noutput sum(in=s.out)\noutput carry(in=c.out)\n"},
    {"full_adder.vorn",
     "import half \"half_adder.vorn\"\ninput a, b, cin\nhalf h1(a=a, b=b)\nhalf h2(a=h1.sum, b=cin)\n"
     "or c(a=h1.carry, b=h2.carry)\noutput sum(in=h2.sum)\noutput cout(in=c.out)\n"},
    {"cycle_a.vorn", "import b \"cycle_b.vorn\"\ninput x\nb inner(x=x)\noutput y(in=inner.y)\n"},
    {"cycle_b.vorn", "import a \"cycle_a.vorn\"\ninput x\na inner(x=x)\noutput y(in=inner.y)\n"},
    {"lib/inverter.vorn", "input a\nnot n(in=a)\noutput y(in=n.out)\n"},
    {"lib/uses_parent.vorn",
     "import fa \"../full_adder.vorn\"\ninput p, q\nfa f(a=p, b=q, cin=p)\noutput s(in=f.sum)\n"},
};

// `dir` must exist; its lib/ subdirectory is created. A fuzzer that cannot
// set up its files stops.
inline void writeHelperFiles(const std::string& dir) {
  if (!file_io::makePathAny(dir + "/lib")) std::abort();
  for (const HelperFile& helper : kHelperFiles) {
    if (!file_io::writeFileAny(dir + "/" + helper.path, helper.text)) std::abort();
  }
}

}  // namespace vorn::fuzz
