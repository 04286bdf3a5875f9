// The compiler's --color=always text as styled runs, and as spans
// (class ansi-bold, ansi-dim, ansi-<colour number>) in an element. Shared by
// the playground and <vorn-circuit schematic>.

// SGR sequences of --color=always to runs of text with their styles.
export function ansiRuns(text) {
  const runs = [];
  let style = { bold: false, dim: false, color: null };
  const pattern = /\x1b\[([0-9;]*)m/g;
  let last = 0;
  const push = (chunk) => {
    if (!chunk) return;
    const top = runs.at(-1);
    if (top && top.bold === style.bold && top.dim === style.dim && top.color === style.color) top.text += chunk;
    else runs.push({ text: chunk, ...style });
  };
  for (const match of text.matchAll(pattern)) {
    push(text.slice(last, match.index));
    last = match.index + match[0].length;
    for (const code of (match[1] || '0').split(';').map(Number)) {
      if (code === 0) style = { bold: false, dim: false, color: null };
      else if (code === 1) style = { ...style, bold: true };
      else if (code === 2) style = { ...style, dim: true };
      else if (code === 22) style = { ...style, bold: false, dim: false };
      else if (code >= 30 && code <= 37) style = { ...style, color: code - 30 };
      else if (code >= 90 && code <= 97) style = { ...style, color: code - 90 + 8 };
      else if (code === 39) style = { ...style, color: null };
    }
  }
  push(text.slice(last));
  return runs;
}

// Fills `target` with the text, styled runs as spans; its text content is
// the text without the escapes.
export function renderAnsi(target, text) {
  const document = target.ownerDocument;
  target.replaceChildren();
  for (const run of ansiRuns(text)) {
    if (!run.bold && !run.dim && run.color === null) {
      target.append(run.text);
      continue;
    }
    const span = document.createElement('span');
    if (run.bold) span.classList.add('ansi-bold');
    if (run.dim) span.classList.add('ansi-dim');
    if (run.color !== null) span.classList.add(`ansi-${run.color}`);
    span.textContent = run.text;
    target.append(span);
  }
}
