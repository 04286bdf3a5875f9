// The prover of a build without a SAT solver: every assignment is simulated.
#include "equiv/prove.hpp"

namespace vorn::equiv {

bool haveSolver() { return false; }

Result<std::vector<std::optional<Witness>>> prove(const Aig& aig, std::span<const Lit> targets) {
  if (aig.inputs().size() > kMaxEnumeratedInputs) return fail(Error::TooManyInputs);
  return enumerate(aig, targets);
}

}  // namespace vorn::equiv
