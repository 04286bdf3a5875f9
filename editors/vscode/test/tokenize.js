// Tokenizes .vorn text with the extension's grammar, the way the editor does.
'use strict';
const fs = require('node:fs');
const path = require('node:path');

function requireInstalled(name) {
  try {
    return require(name);
  } catch (error) {
    throw new Error(`${name} is not installed: run npm ci in editors/vscode (scripts/ensure-tools.sh does)`, { cause: error });
  }
}
const textmate = requireInstalled('vscode-textmate');
const oniguruma = requireInstalled('vscode-oniguruma');

const grammarPath = path.join(__dirname, '..', 'syntaxes', 'vorn.tmLanguage.json');
let grammarPromise;

function loadGrammar() {
  grammarPromise ??= (async () => {
    const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
    await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
    const registry = new textmate.Registry({
      onigLib: Promise.resolve({
        createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
        createOnigString: (text) => new oniguruma.OnigString(text),
      }),
      loadGrammar: async (scopeName) => {
        if (scopeName !== 'source.vorn') return null;
        return textmate.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath);
      },
    });
    return registry.loadGrammar('source.vorn');
  })();
  return grammarPromise;
}

// Returns one entry per token: { line (1-based), column (0-based), text, scopes }.
async function tokenize(source) {
  const grammar = await loadGrammar();
  const tokens = [];
  let state = textmate.INITIAL;
  source.split('\n').forEach((line, index) => {
    const result = grammar.tokenizeLine(line, state);
    for (const token of result.tokens) {
      const text = line.slice(token.startIndex, token.endIndex);
      tokens.push({ line: index + 1, column: token.startIndex, text, scopes: token.scopes });
    }
    state = result.ruleStack;
  });
  return tokens;
}

module.exports = { tokenize };
