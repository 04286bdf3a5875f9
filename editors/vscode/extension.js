// Vorn for VS Code: the grammar and language configuration are declared in
// package.json; this entry adds live diagnostics by starting the vorn-lsp
// language server when one can be found. Without it the extension stays a
// plain highlighting extension.
'use strict';
const fs = require('node:fs');
const path = require('node:path');

const SERVER_NAME = 'vorn-lsp';

function isExecutableFile(file) {
  try {
    if (!fs.statSync(file).isFile()) return false;
    fs.accessSync(file, fs.constants.X_OK);
    return true;
  } catch {
    return false;
  }
}

// The server to start: the configured path when it names an executable (a
// bare name is looked up on PATH), otherwise the first vorn-lsp on PATH,
// otherwise null.
function findServer(configuredPath, env = process.env, platform = process.platform) {
  if (configuredPath && configuredPath.includes(path.sep)) {
    return isExecutableFile(configuredPath) ? configuredPath : null;
  }
  const base = configuredPath || SERVER_NAME;
  const names = platform === 'win32' ? [`${base}.exe`, `${base}.cmd`] : [base];
  for (const dir of (env.PATH ?? '').split(path.delimiter)) {
    if (!dir) continue;
    for (const name of names) {
      const candidate = path.join(dir, name);
      if (isExecutableFile(candidate)) return candidate;
    }
  }
  return null;
}

// The server speaks the protocol over its standard input and output.
function clientOptions(command, stdioTransport) {
  return {
    serverOptions: { command, args: [], transport: stdioTransport },
    clientOptions: { documentSelector: [{ scheme: 'file', language: 'vorn' }] },
  };
}

let client = null;

// Separated from activate() so that tests can pass stand-ins for the editor
// API and the client library, which only exist inside the editor.
async function start(vscode, context, loadClientLibrary, env = process.env) {
  const configured = vscode.workspace.getConfiguration('vorn').get('server.path', '');
  const command = findServer(configured, env);
  if (!command) {
    if (configured) {
      vscode.window.showWarningMessage(`Vorn: no executable language server at ${configured}; highlighting only.`);
    }
    return null;
  }
  const { LanguageClient, TransportKind } = loadClientLibrary();
  const options = clientOptions(command, TransportKind.stdio);
  client = new LanguageClient('vorn', 'Vorn language server', options.serverOptions, options.clientOptions);
  context.subscriptions.push({ dispose: () => stop() });
  await client.start();
  return client;
}

async function stop() {
  const running = client;
  client = null;
  if (running) await running.stop();
}

function activate(context) {
  const vscode = require('vscode');
  return start(vscode, context, () => require('vscode-languageclient/node'));
}

function deactivate() {
  return stop();
}

module.exports = { activate, deactivate, findServer, clientOptions, start, SERVER_NAME };
