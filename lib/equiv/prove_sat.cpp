// The prover with CaDiCaL: random simulation first (most differences show at
// once), then a sweep that proves internal nodes equal in topological order
// and merges them, so the questions left for each output are small.
#include <cadical.hpp>

#include <algorithm>
#include <bit>
#include <unordered_map>

#include "equiv/prove.hpp"

namespace vorn::equiv {

namespace {

constexpr std::size_t kRowWords = 16;    // the first 1024 rows (inputs 10 on low), where small witnesses are
constexpr std::size_t kRandomWords = 8;  // and 512 random patterns
constexpr int kSweepConflicts = 100;     // per node pair: an unproved pair stays apart
constexpr int kMinimizeConflicts = 200;  // per input while making a witness small
constexpr int kMaxUnanswered = 16;       // limits hit before witnesses are left as found
// Searches for smaller witnesses, all outputs together: each costs about a
// pass over the graph, so fewer in a larger one.
constexpr std::size_t kSearchWork = 50'000'000;
constexpr std::size_t kCandidatesPerNode = 2;

// splitmix64, as the tests use: fixed patterns, the same verdict every run.
class Patterns {
 public:
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

 private:
  std::uint64_t state_ = 39;
};

class Sweeper {
 public:
  Sweeper(const Aig& source) : source_(source) {
    solver_.set("quiet", 1);
    // Thousands of small incremental questions: inprocessing that removes
    // variables would have to be undone whenever one is asked about again.
    for (const char* option : {"elim", "subsume", "probe", "vivify", "ternary", "decompose"}) solver_.set(option, 0);
    map_.assign(source.size(), kFalse);
    seedPatterns();
    signatures_.push_back(std::vector<std::uint64_t>(words_, 0));  // the constant
    solver_.add(-1);
    solver_.add(0);
    addToBucket(kFalse);
  }

  // Starting patterns: all inputs low (row 0, where small witnesses are),
  // then random ones.
  void seedPatterns() {
    Patterns random;
    words_ = kRowWords + kRandomWords;
    input_words_.assign(source_.inputs().size(), std::vector<std::uint64_t>(words_));
    for (std::size_t i = 0; i < input_words_.size(); ++i) {
      for (std::size_t w = 0; w < kRowWords; ++w) input_words_[i][w] = rowsWord(w * 64, i);
      for (std::size_t w = kRowWords; w < words_; ++w) input_words_[i][w] = random.next();
    }
  }

  // Merges what it proves equal, but only below the targets that the
  // patterns did not already satisfy: the others have their witness.
  void sweep(std::span<const Lit> targets) {
    const std::vector<bool> open = openCone(targets);
    for (std::size_t i = 0; i < source_.inputs().size(); ++i) {
      Lit lit = out_.addInput();
      map_[source_.inputs()[i]] = lit;
      signatures_.push_back(input_words_[i]);
      addToBucket(lit);
    }
    for (std::uint32_t node = 1; node < source_.size(); ++node) {
      if (!source_.isAnd(node)) continue;
      map_[node] = open[node] ? sweepNode(node) : copyNode(node);
    }
  }

  std::size_t maxSearches() const { return std::clamp<std::size_t>(kSearchWork / out_.size(), 16, 2048); }

  // Per input of the graph: whether `target` depends on it.
  std::vector<bool> inputsBelow(Lit target) const {
    std::vector<bool> seen(out_.size(), false);
    std::vector<std::uint32_t> stack{nodeOf(target)};
    while (!stack.empty()) {
      std::uint32_t node = stack.back();
      stack.pop_back();
      if (seen[node]) continue;
      seen[node] = true;
      if (!out_.isAnd(node)) continue;
      stack.push_back(nodeOf(out_.fanin0(node)));
      stack.push_back(nodeOf(out_.fanin1(node)));
    }
    std::vector<bool> inputs;
    for (std::uint32_t node : out_.inputs()) inputs.push_back(seen[node]);
    return inputs;
  }

  Lit mapped(Lit lit) const { return map_[nodeOf(lit)] ^ (lit & 1u); }

  // Satisfies `target` (of the swept graph), or proves it never true.
  std::optional<Witness> solve(Lit target) {
    if (target == kFalse) return std::nullopt;
    if (auto seen = simulated(target)) {
      // Every row before a hit among the first rows was simulated: it is the smallest.
      if (std::all_of(seen->begin() + std::min<std::size_t>(seen->size(), 10), seen->end(),
                      [](std::uint8_t bit) { return bit == 0; })) {
        return seen;
      }
      return minimize(target, *seen);
    }
    solver_.assume(toSat(target));
    if (solver_.solve() != 10) return std::nullopt;
    return minimize(target, model());
  }

 private:
  // A pattern of the simulation that makes `target` true, if any did.
  std::optional<Witness> simulated(Lit target) const {
    const std::vector<std::uint64_t> words = signatureOf(target);
    for (std::size_t w = 0; w < words_; ++w) {
      if (words[w] == 0) continue;
      int bit = std::countr_zero(words[w]);
      Witness bits;
      for (const auto& input : input_words_) bits.push_back(static_cast<std::uint8_t>((input[w] >> bit) & 1));
      return bits;
    }
    return std::nullopt;
  }

  static int toSat(Lit lit) {
    int var = static_cast<int>(nodeOf(lit)) + 1;
    return isNegated(lit) ? -var : var;
  }

  Witness model() {
    Witness bits;
    for (std::uint32_t node : out_.inputs()) bits.push_back(solver_.val(static_cast<int>(node) + 1) > 0 ? 1 : 0);
    return bits;
  }

  std::vector<std::uint64_t> signatureOf(Lit lit) const {
    std::vector<std::uint64_t> words = signatures_[nodeOf(lit)];
    if (isNegated(lit)) {
      for (auto& word : words) word = ~word;
    }
    return words;
  }

  static std::uint64_t hashOf(const std::vector<std::uint64_t>& words) {
    std::uint64_t hash = 0x84222325CBF29CE4ull;
    for (std::uint64_t word : words) hash = (hash ^ word) * 0x100000001B3ull;
    return hash;
  }

  // A literal's signature with pattern 0 low: a node and its complement
  // meet in one bucket.
  std::vector<std::uint64_t> normalizedOf(Lit lit) const {
    return signatureOf((signatures_[nodeOf(lit)][0] & 1) != 0 ? lit ^ 1u : lit);
  }
  static Lit normalizedLit(Lit lit, const std::vector<std::uint64_t>& signature) {
    return (signature[0] & 1) != 0 ? lit ^ 1u : lit;
  }

  void addToBucket(Lit lit) {
    Lit normal = normalizedLit(lit & ~1u, signatures_[nodeOf(lit)]);
    buckets_[hashOf(normalizedOf(lit))].push_back(normal);
    representatives_.push_back(normal);
  }

  // Adds the assignments that told apart nodes the patterns had not as one
  // more pattern word, and regroups the candidates: a difference found once
  // is not searched for again.
  void refine() {
    std::vector<std::uint64_t> inputs(input_words_.size(), 0);
    for (std::size_t bit = 0; bit < pending_.size(); ++bit) {
      for (std::size_t i = 0; i < inputs.size(); ++i) inputs[i] |= std::uint64_t{pending_[bit][i]} << bit;
    }
    pending_.clear();
    for (std::size_t i = 0; i < inputs.size(); ++i) input_words_[i].push_back(inputs[i]);
    signatures_[0].push_back(0);
    for (std::uint32_t node = 1; node < signatures_.size(); ++node) {
      std::uint64_t word =
          out_.isInput(node) ? inputs[node - 1] : wordOf(out_.fanin0(node)) & wordOf(out_.fanin1(node));
      signatures_[node].push_back(word);
    }
    ++words_;
    buckets_.clear();
    for (Lit lit : representatives_) buckets_[hashOf(signatureOf(lit))].push_back(lit);
  }

  std::uint64_t wordOf(Lit lit) const {
    std::uint64_t word = signatures_[nodeOf(lit)].back();
    return isNegated(lit) ? ~word : word;
  }

  // The nodes below targets that no pattern satisfies.
  std::vector<bool> openCone(std::span<const Lit> targets) const {
    std::vector<std::vector<std::uint64_t>> words;
    std::vector<std::uint64_t> inputs(input_words_.size());
    for (std::size_t w = 0; w < words_; ++w) {
      for (std::size_t i = 0; i < inputs.size(); ++i) inputs[i] = input_words_[i][w];
      words.push_back(source_.simulate(inputs));
    }
    std::vector<bool> open(source_.size(), false);
    for (Lit target : targets) {
      bool satisfied = std::ranges::any_of(words, [&](const auto& word) { return Aig::wordOf(word, target) != 0; });
      if (!satisfied) open[nodeOf(target)] = true;
    }
    for (std::uint32_t node = static_cast<std::uint32_t>(source_.size()); node-- > 1;) {
      if (!open[node] || !source_.isAnd(node)) continue;
      open[nodeOf(source_.fanin0(node))] = true;
      open[nodeOf(source_.fanin1(node))] = true;
    }
    return open;
  }

  // A node outside the open cone, added without looking for its equals.
  Lit copyNode(std::uint32_t node) {
    std::size_t before = out_.size();
    Lit lit = out_.makeAnd(mapped(source_.fanin0(node)), mapped(source_.fanin1(node)));
    if (out_.size() == before) return lit;
    std::uint32_t fresh = nodeOf(lit);
    const std::vector<std::uint64_t> a = signatureOf(out_.fanin0(fresh));
    const std::vector<std::uint64_t> b = signatureOf(out_.fanin1(fresh));
    std::vector<std::uint64_t> words(words_);
    for (std::size_t w = 0; w < words_; ++w) words[w] = a[w] & b[w];
    signatures_.push_back(std::move(words));
    encode(fresh);
    return lit;
  }

  Lit sweepNode(std::uint32_t node) {
    std::size_t before = out_.size();
    Lit lit = copyNode(node);
    if (out_.size() == before) return lit;  // already there, or a constant
    std::uint32_t fresh = nodeOf(lit);
    // A copy: a refinement while proving regroups the buckets.
    const std::vector<Lit> candidates = buckets_[hashOf(normalizedOf(lit))];
    std::size_t tried = 0;
    for (Lit candidate : candidates) {
      const std::vector<std::uint64_t> normal = normalizedOf(lit);
      if (signatureOf(candidate) != normal) continue;
      if (tried++ == kCandidatesPerNode) break;
      // self and candidate are equal, so lit is candidate in lit's phase.
      Lit self = normalizedLit(lit, signatures_[fresh]);
      if (provedEqual(candidate, self)) return candidate ^ (self ^ lit);
    }
    addToBucket(lit);
    return lit;
  }

  void encode(std::uint32_t node) {
    int n = static_cast<int>(node) + 1;
    int a = toSat(out_.fanin0(node));
    int b = toSat(out_.fanin1(node));
    solver_.add(-n), solver_.add(a), solver_.add(0);
    solver_.add(-n), solver_.add(b), solver_.add(0);
    solver_.add(n), solver_.add(-a), solver_.add(-b), solver_.add(0);
  }

  bool provedEqual(Lit x, Lit y) {
    for (int side = 0; side < 2; ++side) {
      solver_.assume(side == 0 ? toSat(x) : -toSat(x));
      solver_.assume(side == 0 ? -toSat(y) : toSat(y));
      solver_.limit("conflicts", kSweepConflicts);
      // A difference the patterns missed, or no answer within the limit:
      // the two stay apart, which costs speed, never correctness.
      int status = solver_.solve();
      if (status == 10) {
        pending_.push_back(model());
        if (pending_.size() == 64) refine();
      }
      if (status != 20) return false;
    }
    return true;
  }

  // Lowers the witness's row number from the top input down: each input is
  // tried low while the ones above keep their values.
  // Inputs outside the target's cone do not matter: they go low at once,
  // and only those inside are searched.
  Witness minimize(Lit target, Witness witness) {
    const std::vector<bool> cone = inputsBelow(target);
    for (std::size_t i = 0; i < witness.size(); ++i) {
      if (!cone[i]) witness[i] = 0;
    }
    std::vector<int> fixed;
    for (std::size_t i = witness.size(); i-- > 0;) {
      int var = static_cast<int>(out_.inputs()[i]) + 1;
      // Past the budget, the remaining inputs keep their values.
      if (witness[i] == 0 || unanswered_ >= kMaxUnanswered || searches_ >= maxSearches()) {
        fixed.push_back(witness[i] == 0 ? -var : var);
        continue;
      }
      solver_.assume(toSat(target));
      for (int lit : fixed) solver_.assume(lit);
      solver_.assume(-var);
      solver_.limit("conflicts", kMinimizeConflicts);
      int status = solver_.solve();
      unanswered_ += status == 0;
      ++searches_;
      if (status == 10) {
        Witness lower = model();
        std::copy(lower.begin(), lower.begin() + static_cast<std::ptrdiff_t>(i) + 1, witness.begin());
        fixed.push_back(-var);
      } else {
        fixed.push_back(var);
      }
    }
    return witness;
  }

  const Aig& source_;
  Aig out_;
  std::vector<Lit> map_;
  CaDiCaL::Solver solver_;
  std::size_t words_ = 1;
  std::vector<std::vector<std::uint64_t>> input_words_;
  std::vector<std::vector<std::uint64_t>> signatures_;  // per node of the swept graph, pattern 0 low
  std::unordered_map<std::uint64_t, std::vector<Lit>> buckets_;
  std::vector<Lit> representatives_;  // every literal in a bucket, pattern 0 low
  int unanswered_ = 0;
  std::size_t searches_ = 0;
  std::vector<Witness> pending_;  // assignments that told two candidates apart
};

}  // namespace

bool haveSolver() { return true; }

Result<std::vector<std::optional<Witness>>> prove(const Aig& aig, std::span<const Lit> targets) {
  Sweeper sweeper(aig);
  sweeper.sweep(targets);
  std::vector<std::optional<Witness>> found;
  found.reserve(targets.size());
  for (Lit target : targets) found.push_back(sweeper.solve(sweeper.mapped(target)));
  return found;
}

}  // namespace vorn::equiv
