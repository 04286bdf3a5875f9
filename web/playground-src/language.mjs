// .vorn highlighting for the editor: keywords, gate types, comments, import
// paths, names, and the port after a dot.
import { StreamLanguage } from '@codemirror/language';

const KEYWORDS = new Set(['input', 'output', 'import']);
const GATES = new Set(['and', 'not', 'wire', 'led', 'or', 'nand', 'nor', 'xor', 'xnor']);

export const vornLanguage = StreamLanguage.define({
  name: 'vorn',
  startState: () => ({ afterDot: false }),
  token(stream, state) {
    if (stream.eatSpace()) return null;
    if (stream.match('//')) {
      stream.skipToEnd();
      return 'comment';
    }
    if (stream.peek() === '"') {
      stream.next();
      stream.match(/^[^"]*"?/);
      return 'string';
    }
    if (stream.match(/^[A-Za-z_][0-9A-Za-z_]*/)) {
      const word = stream.current();
      const afterDot = state.afterDot;
      state.afterDot = false;
      if (afterDot) return 'propertyName';
      if (KEYWORDS.has(word)) return 'keyword';
      if (GATES.has(word)) return 'typeName';
      return stream.peek() === '=' ? 'attributeName' : 'variableName';
    }
    const ch = stream.next();
    state.afterDot = ch === '.';
    return ch === '.' || ch === '=' || ch === ',' || ch === '(' || ch === ')' ? 'punctuation' : null;
  },
  languageData: { commentTokens: { line: '//' } },
});
