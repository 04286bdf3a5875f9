// Test tables (.md, .csv) in the editor: column names, the separators, the
// cells 0 and 1, ? and * apart, an alignment row, and // comments.
import { StreamLanguage } from '@codemirror/language';

export const tableLanguage = StreamLanguage.define({
  name: 'vorn-test-table',
  startState: () => ({ header: true }),
  token(stream, state) {
    if (stream.sol() && stream.match(/^\s*$/)) return null;
    if (stream.eatSpace()) return null;
    if (stream.match('//')) {
      stream.skipToEnd();
      return 'comment';
    }
    if (stream.match(/^:?-+:?(?=\s*[|,]|\s*$)/)) return 'meta';
    if (stream.match(/^[01](?=\s*[|,]|\s*$)/)) {
      state.header = false;
      return 'number';
    }
    if (stream.match(/^[?*](?=\s*[|,]|\s*$)/)) return 'atom';
    if (stream.match(/^[|,]/)) return 'punctuation';
    stream.match(/^[^|,\s]+/) || stream.next();
    return 'attributeName';
  },
  languageData: { commentTokens: { line: '//' } },
});
