// A minimal client for vorn-lsp: frames messages, parses the framed
// answers, and waits for the one a test is after.
import { spawn } from 'node:child_process';

// One line of the compiler's standard error, read as a diagnostic: a main
// line {kind: 'diagnostic', file, line, col, severity, code, message} (code
// undefined for a located syntax error), a note line {kind: 'note', file,
// line, col, message}, or null for anything else. Lines and columns as printed.
export function readCompilerLine(text) {
  let m = /^(.*?):(\d+):(\d+): (error|warning): (?:([EW]\d{3}): )?(.*)$/.exec(text);
  if (m) {
    return { kind: 'diagnostic', file: m[1], line: +m[2], col: +m[3], severity: m[4] === 'error' ? 1 : 2, code: m[5], message: m[6] };
  }
  m = /^  note: (.*?):(\d+):(\d+): (.*)$/.exec(text);
  if (m) return { kind: 'note', file: m[1], line: +m[2], col: +m[3], message: m[4] };
  return null;
}

export function frame(body) {
  const bytes = Buffer.from(typeof body === 'string' ? body : JSON.stringify(body), 'utf8');
  return Buffer.concat([Buffer.from(`Content-Length: ${bytes.length}\r\n\r\n`, 'latin1'), bytes]);
}

export class Client {
  constructor(server, { cwd, env, args = [], timeoutMs = 10000 } = {}) {
    this.timeoutMs = timeoutMs;
    this.child = spawn(server, args, { cwd, env, stdio: ['pipe', 'pipe', 'pipe'] });
    this.messages = [];
    this.waiters = [];
    this.stderr = '';
    this.nextId = 1;
    let buffer = Buffer.alloc(0);
    this.child.stdout.on('data', (chunk) => {
      buffer = Buffer.concat([buffer, chunk]);
      for (;;) {
        const end = buffer.indexOf('\r\n\r\n');
        if (end < 0) break;
        const header = buffer.subarray(0, end).toString('latin1');
        const m = /Content-Length: (\d+)/i.exec(header);
        if (!m) throw new Error(`answer without Content-Length: ${JSON.stringify(header)}`);
        const length = Number(m[1]);
        if (buffer.length < end + 4 + length) break;
        const body = buffer.subarray(end + 4, end + 4 + length).toString('utf8');
        buffer = buffer.subarray(end + 4 + length);
        this.messages.push(JSON.parse(body));
        this.wake();
      }
    });
    this.child.stderr.on('data', (chunk) => { this.stderr += chunk.toString('latin1'); });
    this.exited = new Promise((resolve) => {
      this.child.on('close', (status, signal) => { this.closed = { status, signal }; this.wake(); resolve(this.closed); });
    });
    this.child.stdin.on('error', () => {});  // the server may be gone already
  }

  wake() {
    for (const waiter of [...this.waiters]) waiter();
  }

  sendRaw(bytes) { this.child.stdin.write(bytes); }
  send(message) { this.sendRaw(frame(message)); }
  notify(method, params) { this.send({ jsonrpc: '2.0', method, params }); }
  request(method, params) {
    const id = this.nextId++;
    this.send({ jsonrpc: '2.0', id, method, params });
    return this.waitFor((m) => m.id === id && !m.method);
  }

  // Resolves with (and removes) the first received message that `match`
  // accepts; rejects after `timeoutMs` or when the server exits first.
  waitFor(match, timeoutMs = this.timeoutMs) {
    return new Promise((resolve, reject) => {
      const check = () => {
        const index = this.messages.findIndex(match);
        if (index >= 0) {
          done();
          resolve(this.messages.splice(index, 1)[0]);
        } else if (this.closed) {
          done();
          reject(new Error(`server exited (${JSON.stringify(this.closed)}) while waiting; stderr: ${this.stderr.slice(-2000)}`));
        }
      };
      const timer = setTimeout(() => { done(); reject(new Error('no matching message in time')); }, timeoutMs);
      const done = () => { clearTimeout(timer); this.waiters = this.waiters.filter((w) => w !== check); };
      this.waiters.push(check);
      check();
    });
  }

  diagnosticsFor(uri, timeoutMs) {
    return this.waitFor((m) => m.method === 'textDocument/publishDiagnostics' && m.params.uri === uri, timeoutMs)
      .then((m) => m.params);
  }

  async initialize(rootUri = null) {
    const answer = await this.request('initialize', { processId: process.pid, rootUri, capabilities: {} });
    this.notify('initialized', {});
    return answer;
  }

  async shutdownAndExit() {
    const answer = await this.request('shutdown', null);
    this.notify('exit', null);
    this.child.stdin.end();
    const closed = await this.exited;
    return { answer, closed };
  }

  kill() { if (!this.closed) this.child.kill('SIGKILL'); }
}
