// The keyboard of a tab list: one Tab stop (the selected tab), the arrow
// keys, Home and End move to a tab and select it (its click does).
const KEYS = { ArrowRight: 1, ArrowDown: 1, ArrowLeft: -1, ArrowUp: -1 };

export function rovingTabs(list) {
  const tabs = () => [...list.querySelectorAll(':scope > [role="tab"]')];
  const sync = () => {
    const all = tabs();
    const selected = all.find((tab) => tab.getAttribute('aria-selected') === 'true') ?? all[0];
    for (const tab of all) tab.tabIndex = tab === selected ? 0 : -1;
  };
  list.addEventListener('keydown', (event) => {
    const all = tabs();
    const at = all.indexOf(document.activeElement);
    if (at < 0) return;
    let next = -1;
    if (event.key in KEYS) next = (at + KEYS[event.key] + all.length) % all.length;
    else if (event.key === 'Home') next = 0;
    else if (event.key === 'End') next = all.length - 1;
    if (next < 0) return;
    event.preventDefault();
    all[next].click();
    // A click may draw the list anew: focus the tab now standing there.
    tabs()[next]?.focus();
  });
  new MutationObserver(sync).observe(list, { childList: true, subtree: true, attributes: true, attributeFilter: ['aria-selected'] });
  sync();
}
