// Short names for the scopes the grammar gives, so that tests read like the
// source they tokenize. A scope missing here is a test failure, not a guess.
'use strict';

const KINDS = new Map([
  ['comment.line.double-slash.vorn', 'comment'],
  ['punctuation.definition.comment.vorn', 'comment'],
  ['keyword.control.import.vorn', 'import'],
  ['entity.name.type.alias.vorn', 'alias'],
  ['string.quoted.double.vorn', 'string'],
  ['punctuation.definition.string.begin.vorn', 'quote'],
  ['punctuation.definition.string.end.vorn', 'quote'],
  ['keyword.declaration.input.vorn', 'input'],
  ['keyword.declaration.output.vorn', 'output'],
  ['variable.parameter.input.vorn', 'input-pin'],
  ['variable.other.output.vorn', 'output-pin'],
  ['support.type.primitive.vorn', 'primitive'],
  ['support.type.builtin.vorn', 'builtin'],
  ['entity.name.type.vorn', 'type'],
  ['entity.name.function.instance.vorn', 'instance'],
  ['punctuation.section.parens.begin.vorn', '('],
  ['punctuation.section.parens.end.vorn', ')'],
  ['variable.parameter.port.vorn', 'port'],
  ['keyword.operator.assignment.vorn', '='],
  ['punctuation.accessor.vorn', '.'],
  ['variable.other.property.port.vorn', 'selected-port'],
  ['variable.other.signal.vorn', 'signal'],
  ['keyword.operator.connection.vorn', '<>'],
  ['punctuation.separator.comma.vorn', ','],
]);

const TYPE_KINDS = new Set(['primitive', 'builtin', 'type']);

// The kind of a token from its innermost scope; null for blanks, which carry
// no scope of their own.
function kindOf(token) {
  const innermost = token.scopes[token.scopes.length - 1];
  if (KINDS.has(innermost)) return KINDS.get(innermost);
  if (token.text.trim() === '') return null;
  throw new Error(`line ${token.line}: ${JSON.stringify(token.text)} has no known scope (${token.scopes.join(' ')})`);
}

// How many anonymous instances a token sits in.
function anonymousDepth(token) {
  return token.scopes.filter((scope) => scope === 'meta.instance.anonymous.vorn').length;
}

module.exports = { kindOf, anonymousDepth, TYPE_KINDS };
