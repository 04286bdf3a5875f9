// The playground's Schematic panel: the live SVG schematic of the circuit
// that the Circuit panel's <vorn-circuit> has loaded, or, behind the "Text"
// toggle, the compiler's --preview drawing. Each recompile keeps the last
// picture until the new one is laid out; the text is only drawn while it
// is shown, since a large one takes long to build.
import { renderAnsi } from '../ansi.mjs';
import { renderSchematic } from '../schematic.mjs';

export function schematicPanel({ element, picture, text, pictureButton, textButton, expandBox }) {
  let controller = null;
  let previewText = null;
  let textShown = false;
  const expand = () => (expandBox.checked ? true : []);

  function drawText() {
    if (!textShown) return;
    text.replaceChildren();
    if (previewText !== null) renderAnsi(text, previewText);
  }

  function showMode(asText) {
    textShown = asText;
    picture.hidden = asText;
    text.hidden = !asText;
    pictureButton.setAttribute('aria-pressed', String(!asText));
    textButton.setAttribute('aria-pressed', String(asText));
    drawText();
  }
  pictureButton.addEventListener('click', () => showMode(false));
  textButton.addEventListener('click', () => showMode(true));
  showMode(false);

  element.addEventListener('load', () => {
    const circuit = element.circuit;
    if (!circuit) return;
    if (controller) controller.setCircuit(circuit);
    else controller = renderSchematic(picture, circuit, { expand: expand(), onToggle: (name) => element.toggle(name) });
  });
  element.addEventListener('change', () => controller?.update());
  expandBox.addEventListener('change', () => controller?.setExpand(expand()));

  return {
    // The --preview text of the last check, or null when it failed.
    showText(stdout) {
      previewText = stdout;
      drawText();
    },
    get controller() { return controller; },
  };
}
