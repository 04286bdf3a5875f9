// What the randomised tests share: a fixed-seed generator, so that a failure
// can be replayed from its seed, and the gate types a random circuit draws
// from with their input counts.
export function randomOf(seed) {
  let state = seed >>> 0;
  return (bound) => {
    state = (Math.imul(state, 1103515245) + 12345) >>> 0;
    return (state >>> 8) % bound;
  };
}

export const GATES = [['and', 2], ['or', 2], ['nand', 2], ['nor', 2], ['xor', 2], ['xnor', 2], ['not', 1], ['wire', 1], ['led', 1]];
