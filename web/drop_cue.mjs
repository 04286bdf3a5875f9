// While files are dragged over the window, the body carries the class
// `dropping`, so a page can show its whole window as the drop zone.
export function showDropCue() {
  document.addEventListener('dragover', (event) => {
    if (event.dataTransfer?.types.includes('Files')) {
      event.preventDefault();
      document.body.classList.add('dropping');
    }
  });
  document.addEventListener('dragleave', (event) => {
    if (event.relatedTarget === null) document.body.classList.remove('dropping');
  });
  document.addEventListener('drop', () => document.body.classList.remove('dropping'));
}
