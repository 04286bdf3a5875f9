// Random loop-free circuits of up to 2,000 gates (chains, where glitches
// multiply along the way, and trees whose paths reconverge) are built in the
// engine the way the compiler flattens them: built-in gates as their and/not
// primitives between the instance's own input and output pins. Every input
// vector is driven one input at a time, as the truth tables do, and every
// gate must settle to the value a plain boolean evaluation gives.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "circuit/circuit.hpp"
#include "log/log.hpp"
#include "testing/random.hpp"

namespace vorn {
namespace {

using circuit::Component;
using circuit::ComponentType;
using circuit::State;
using circuit::Status;

using testing::Random;

enum class Op { and_gate, not_gate, wire, led, or_gate, nand, nor, xor_gate, xnor };
constexpr int kOpCount = 9;
const char* const kOpNames[kOpCount] = {"and", "not", "wire", "led", "or", "nand", "nor", "xor", "xnor"};

// Gate g reads signals `left` and `right` (right unused by one-input ops);
// signals 0..inputs-1 are the inputs, signal inputs + g is gate g.
struct Gate {
  Op op;
  int left;
  int right;
};

struct Shape {
  int inputs = 0;
  std::vector<Gate> gates;
  std::string description;
};

bool apply(Op op, bool a, bool b) {
  switch (op) {
    case Op::and_gate: return a && b;
    case Op::not_gate: return !a;
    case Op::wire:
    case Op::led: return a;
    case Op::or_gate: return a || b;
    case Op::nand: return !(a && b);
    case Op::nor: return !(a || b);
    case Op::xor_gate: return a != b;
    case Op::xnor: return a == b;
  }
  return false;
}

// The oracle: signals in index order, each from earlier ones.
std::vector<bool> evaluate(const Shape& shape, unsigned bits) {
  std::vector<bool> value(shape.inputs + shape.gates.size());
  for (int i = 0; i < shape.inputs; ++i) value[i] = (bits >> i) & 1;
  for (std::size_t g = 0; g < shape.gates.size(); ++g) {
    const Gate& gate = shape.gates[g];
    value[shape.inputs + g] = apply(gate.op, value[gate.left], value[gate.right]);
  }
  return value;
}

// Builds gates out of engine primitives; a built-in gate becomes an
// instance: its own input pins, its body, its output pin.
class Expander {
 public:
  explicit Expander(circuit::Circuit& circuit) : circuit_(circuit) {}

  Component* make(ComponentType type) {
    Component* component = circuit_.createComponent(type);
    if (component == nullptr) ok_ = false;
    return component;
  }
  void link(Component* from, Component* to, circuit::PortName port) {
    if (from == nullptr || to == nullptr || circuit_.connect(from, to, port) != Status::ok) ok_ = false;
  }
  Component* unary(ComponentType type, Component* in) {
    Component* component = make(type);
    link(in, component, "in");
    return component;
  }
  Component* andOf(Component* a, Component* b) {
    Component* component = make(ComponentType::and_gate);
    link(a, component, "a");
    link(b, component, "b");
    return component;
  }

  Component* gate(Op op, Component* a, Component* b) {
    switch (op) {
      case Op::and_gate: return andOf(a, b);
      case Op::not_gate: return unary(ComponentType::not_gate, a);
      case Op::wire: return unary(ComponentType::wire, a);
      case Op::led: return unary(ComponentType::led, a);
      default: break;
    }
    Component* pa = unary(ComponentType::input_pin_gate, a);
    Component* pb = unary(ComponentType::input_pin_gate, b);
    return unary(ComponentType::output_pin, body(op, pa, pb));
  }

  bool ok() const { return ok_; }

 private:
  Component* body(Op op, Component* a, Component* b) {
    switch (op) {
      case Op::or_gate:
        return unary(ComponentType::not_gate,
                     andOf(unary(ComponentType::not_gate, a), unary(ComponentType::not_gate, b)));
      case Op::nand: return unary(ComponentType::not_gate, andOf(a, b));
      case Op::nor: return unary(ComponentType::not_gate, gate(Op::or_gate, a, b));
      case Op::xor_gate: return andOf(gate(Op::or_gate, a, b), gate(Op::nand, a, b));
      case Op::xnor: return unary(ComponentType::not_gate, gate(Op::xor_gate, a, b));
      default: return gate(op, a, b);
    }
  }

  circuit::Circuit& circuit_;
  bool ok_ = true;
};

Shape xorChain(int length) {
  // xor x0(a=a, b=a), xor x1(a=x0, b=a), ...
  Shape shape;
  shape.inputs = 1;
  for (int g = 0; g < length; ++g) shape.gates.push_back({Op::xor_gate, g, 0});
  shape.description = "chain of " + std::to_string(length) + " xor gates";
  return shape;
}

// A chain reads the previous gate and any earlier signal; a tree reads any
// two earlier signals, so paths of very different lengths meet.
Shape randomShape(std::uint64_t seed) {
  Random random(seed);
  Shape shape;
  shape.inputs = random.between(1, 4);
  const bool chain = seed % 2 == 0;
  const int gates = random.between(1, 2000);
  for (int g = 0; g < gates; ++g) {
    const int signals = shape.inputs + g;
    Op op = Op(random.below(kOpCount));
    int left = chain && g > 0 ? signals - 1 : random.below(signals);
    shape.gates.push_back({op, left, random.below(signals)});
  }
  std::ostringstream text;
  text << "seed " << seed << ": " << (chain ? "chain" : "tree") << " of " << gates << " gates on " << shape.inputs
       << " inputs";
  shape.description = text.str();
  return shape;
}

// Empty when every gate of every row agrees with the oracle.
std::string check(const Shape& shape) {
  circuit::Circuit engine;
  engine.init();
  Expander expander(engine);
  std::vector<Component*> signal;
  for (int i = 0; i < shape.inputs; ++i) signal.push_back(expander.make(ComponentType::input_pin_gate));
  for (const Gate& gate : shape.gates) signal.push_back(expander.gate(gate.op, signal[gate.left], signal[gate.right]));
  std::string failure;
  if (!expander.ok()) failure = "could not build the circuit";
  if (failure.empty() && engine.hasCycle()) failure = "a loop-free circuit was taken for a loop";
  for (unsigned bits = 0; failure.empty() && bits < (1u << shape.inputs); ++bits) {
    for (int i = 0; i < shape.inputs; ++i) {
      Status status = engine.propagateEvent(signal[i], (bits >> i) & 1 ? State::high : State::low);
      if (status != Status::ok) {
        failure = std::string("row ") + std::to_string(bits) + ": " + circuit::statusName(status);
        break;
      }
    }
    if (!failure.empty()) break;
    std::vector<bool> expected = evaluate(shape, bits);
    for (std::size_t s = 0; s < signal.size(); ++s) {
      State want = expected[s] ? State::high : State::low;
      if (signal[s]->output_state == want) continue;
      std::ostringstream message;
      message << "row " << bits << ", signal " << s;
      if (s >= std::size_t(shape.inputs)) message << " (" << kOpNames[int(shape.gates[s - shape.inputs].op)] << ")";
      message << ": " << circuit::stateName(signal[s]->output_state) << ", expected " << circuit::stateName(want);
      failure = message.str();
      break;
    }
  }
  engine.deinit();
  return failure;
}

class Settling : public ::testing::Test {
 protected:
  void SetUp() override { log::setSink(nullptr, nullptr); }
  void TearDown() override { log::setSink(log::defaultSink(), nullptr); }
};

TEST_F(Settling, LongXorChainsSettleToTheirValue) {
  // 303 gates already made more state changes than a looping circuit may.
  for (int length : {303, 1000}) {
    Shape shape = xorChain(length);
    EXPECT_EQ(check(shape), "") << shape.description;
  }
}

TEST_F(Settling, RandomLoopFreeChainsAndTreesSettleToTheirValue) {
  constexpr std::uint64_t kCircuits = 40;
  int failed = 0;
  for (std::uint64_t seed = 1; seed <= kCircuits; ++seed) {
    Shape shape = randomShape(seed);
    std::string failure = check(shape);
    if (failure.empty()) continue;
    ++failed;
    ADD_FAILURE() << shape.description << ": " << failure;
  }
  EXPECT_EQ(failed, 0) << failed << " of " << kCircuits << " circuits did not settle to their value";
}

}  // namespace
}  // namespace vorn
