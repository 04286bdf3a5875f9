// One tab at a time edits a project: the tab that opens it first holds a
// Web Lock named after it until it opens another project or closes. A later
// tab is told (onBusy) and keeps waiting; when the lock comes free it is
// told again (onOwned), and may then take over the saved text.
//
// A reloading tab's old document may still hold the lock for a moment, so a
// busy lock is asked again a few times before the page is told.
const RETRIES = 4;
const RETRY_MS = 120;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Returns release(): lets the lock go, or stops waiting for it.
export function claimProject(id, { onOwned, onBusy }) {
  const locks = globalThis.navigator?.locks;
  if (!locks) {
    // No Web Locks (an old browser): every tab edits freely, as before.
    onOwned(false);
    return () => {};
  }
  const name = `vorn-playground-project:${id}`;
  let free;
  const held = new Promise((resolve) => { free = resolve; });
  const abort = new AbortController();
  let released = false;
  const hold = () => held;
  (async () => {
    for (let attempt = 0; attempt < RETRIES && !released; attempt++) {
      const got = await locks.request(name, { ifAvailable: true }, (lock) => {
        if (!lock) return false;
        if (!released) onOwned(false);
        return hold().then(() => true);
      });
      if (got) return;
      await sleep(RETRY_MS);
    }
    if (released) return;
    onBusy();
    try {
      await locks.request(name, { signal: abort.signal }, () => {
        if (released) return undefined;
        onOwned(true);
        return hold();
      });
    } catch {
      // Aborted: the page moved on to another project.
    }
  })();
  return () => {
    released = true;
    free();
    abort.abort();
  };
}
