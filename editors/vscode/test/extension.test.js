// The extension's manifest and entry file, outside the editor: the manifest's
// paths and declarations hold together, and the entry starts vorn-lsp through
// the language client exactly when a server can be found.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const root = path.join(__dirname, '..');
const manifest = JSON.parse(fs.readFileSync(path.join(root, 'package.json'), 'utf8'));
const extension = require(path.join(root, manifest.main));

test('the manifest declares the vorn language, its grammar and configuration', () => {
  const [language] = manifest.contributes.languages;
  assert.equal(language.id, 'vorn');
  assert.deepEqual(language.extensions, ['.vorn']);
  assert.ok(manifest.activationEvents.includes('onLanguage:vorn'));

  const [grammar] = manifest.contributes.grammars;
  const rules = JSON.parse(fs.readFileSync(path.join(root, grammar.path), 'utf8'));
  assert.equal(grammar.language, 'vorn');
  assert.equal(grammar.scopeName, 'source.vorn');
  assert.equal(rules.scopeName, grammar.scopeName);

  const configuration = JSON.parse(fs.readFileSync(path.join(root, language.configuration), 'utf8'));
  assert.equal(configuration.comments.lineComment, '//');
  assert.deepEqual(configuration.brackets, [['(', ')']]);
  const pairs = configuration.autoClosingPairs.map((pair) => pair.open + pair.close);
  assert.deepEqual(pairs.sort(), ['""', '()']);

  // The client library the entry loads inside the editor is installed.
  assert.ok(manifest.dependencies['vscode-languageclient']);
  assert.ok(fs.existsSync(require.resolve('vscode-languageclient/node', { paths: [root] })));
});

function makeDir(files) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vorn-ext-'));
  for (const [name, mode] of Object.entries(files)) {
    fs.writeFileSync(path.join(dir, name), '#!/bin/sh\n');
    fs.chmodSync(path.join(dir, name), mode);
  }
  return dir;
}

test('findServer: a configured path, else the first executable vorn-lsp on PATH', () => {
  const notExecutable = makeDir({ 'vorn-lsp': 0o644 });
  const withServer = makeDir({ 'vorn-lsp': 0o755, 'my-lsp': 0o755 });
  const empty = makeDir({});
  const server = path.join(withServer, 'vorn-lsp');
  const PATH = [empty, notExecutable, withServer].join(path.delimiter);
  try {
    assert.equal(extension.findServer('', { PATH }), server);
    assert.equal(extension.findServer('', { PATH: [empty, notExecutable].join(path.delimiter) }), null);
    assert.equal(extension.findServer('', {}), null);
    assert.equal(extension.findServer('my-lsp', { PATH }), path.join(withServer, 'my-lsp'));
    assert.equal(extension.findServer(path.join(notExecutable, 'vorn-lsp'), { PATH }), null);
    assert.equal(extension.findServer(path.join(withServer, 'my-lsp'), { PATH: '' }), path.join(withServer, 'my-lsp'));
  } finally {
    for (const dir of [notExecutable, withServer, empty]) fs.rmSync(dir, { recursive: true });
  }
});

// Stand-ins for the editor API and vscode-languageclient/node.
function fakeEditor(serverPath = '') {
  const warnings = [];
  return {
    warnings,
    vscode: {
      workspace: { getConfiguration: (section) => ({ get: (key, fallback) => (section === 'vorn' && key === 'server.path' ? serverPath : fallback) }) },
      window: { showWarningMessage: (text) => warnings.push(text) },
    },
  };
}
function fakeClientLibrary() {
  const clients = [];
  class LanguageClient {
    constructor(id, name, serverOptions, clientOptions) {
      Object.assign(this, { id, name, serverOptions, clientOptions, state: 'new' });
      clients.push(this);
    }
    async start() { this.state = 'running'; }
    async stop() { this.state = 'stopped'; }
  }
  return { clients, library: { LanguageClient, TransportKind: { stdio: 'stdio-transport' } } };
}

test('the entry starts vorn-lsp over stdio when it is on PATH, and stops it on deactivate', async () => {
  const dir = makeDir({ 'vorn-lsp': 0o755 });
  try {
    const { vscode } = fakeEditor();
    const { clients, library } = fakeClientLibrary();
    const context = { subscriptions: [] };
    await extension.start(vscode, context, () => library, { PATH: dir });
    assert.equal(clients.length, 1);
    const [client] = clients;
    assert.deepEqual(client.serverOptions, { command: path.join(dir, 'vorn-lsp'), args: [], transport: 'stdio-transport' });
    assert.deepEqual(client.clientOptions.documentSelector, [{ scheme: 'file', language: 'vorn' }]);
    assert.equal(client.state, 'running');
    assert.equal(context.subscriptions.length, 1);
    await extension.deactivate();
    assert.equal(client.state, 'stopped');
  } finally {
    fs.rmSync(dir, { recursive: true });
  }
});

test('without a server the entry loads no client and stays a grammar extension', async () => {
  const refuse = () => assert.fail('the client library must not be loaded');
  const plain = fakeEditor();
  assert.equal(await extension.start(plain.vscode, { subscriptions: [] }, refuse, { PATH: '' }), null);
  assert.deepEqual(plain.warnings, []);

  // A configured path that is not there is worth a word.
  const configured = fakeEditor('/nonexistent/vorn-lsp');
  assert.equal(await extension.start(configured.vscode, { subscriptions: [] }, refuse, { PATH: '' }), null);
  assert.equal(configured.warnings.length, 1);
  await extension.deactivate();
});

test('the pinned client library provides what the entry uses', () => {
  // vscode-languageclient needs the editor's module to load; any object does
  // for looking at its exports.
  const Module = require('node:module');
  const load = Module._load;
  const anything = new Proxy(function () {}, { get: (_, key) => (key === '__esModule' ? false : anything), construct: () => ({}) });
  Module._load = function (request, ...rest) {
    return request === 'vscode' ? anything : load.call(this, request, ...rest);
  };
  try {
    const library = require(require.resolve('vscode-languageclient/node', { paths: [root] }));
    assert.equal(typeof library.LanguageClient, 'function');
    assert.equal(typeof library.TransportKind.stdio, 'number');
  } finally {
    Module._load = load;
  }
});
