// Types of compiler.mjs: vorn-compile, built for WASI, run on files in memory.

/** File contents: text (written as UTF-8) or bytes. */
export type ProjectFile = string | Uint8Array | ArrayBuffer | ArrayBufferView;

/**
 * The project: paths relative to the directory the compiler runs in, which is
 * also its root "/" (so "/lib/half.vorn" and "lib/half.vorn" name one file).
 */
export type ProjectFiles = Record<string, ProjectFile> | Map<string, ProjectFile>;

export interface CompileResult {
  /** Exit status: 0 success, 1 diagnostics with errors or a failed stage, 2 usage error. */
  status: number;
  /** Standard output, decoded as UTF-8. */
  stdout: string;
  /** Standard error, decoded as UTF-8 (with --diagnostics-format=json, one JSON document). */
  stderr: string;
  /** Every file the run created or rewrote, by project path (no leading "/"). */
  outputs: Record<string, Uint8Array>;
}

/**
 * Runs vorn-compile with `args` (without the program name) on a fresh
 * instance over `files`. Rejects only when the module cannot run at all (for
 * example a trap, or a WebAssembly stack exhausted by extremely deep nesting).
 */
export function compile(files: ProjectFiles, args: readonly string[]): Promise<CompileResult>;

/**
 * Where vorn-compile.wasm comes from when it is not beside compiler.mjs: a
 * URL, a file path (Node.js), its bytes, or a compiled module.
 */
export function setCompilerModule(source: URL | string | BufferSource | WebAssembly.Module): void;
