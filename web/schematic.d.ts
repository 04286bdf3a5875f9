// Types of schematic.mjs: a loaded circuit drawn as an SVG schematic.
import type { Circuit } from './vorn.js';

export interface SchematicOptions {
  /**
   * Instances to draw opened, their insides in a frame: instance paths ("h1", "h1.s"), or true for every
   * instance down to the primitives. Default: none (every sub-circuit and built-in gate drawn closed).
   */
  expand?: readonly string[] | true;
  /** Colour each wire (and weight or dash it) by its present value. Default: true in a page, false for schematicSvg. */
  values?: boolean;
  /**
   * Component or instance paths to mark, for example the gates of a critical path: their symbols get a dashed
   * halo and the class "vs-highlight", and so do the wires they drive (a wide translucent underlay), so the
   * mark reads without colour.
   */
  highlight?: readonly string[];
}

/**
 * The schematic as a standalone SVG document with its styles inlined. Every element is in absolute
 * coordinates of the root <svg>, without transforms:
 * - each symbol is `<g data-component="PATH" data-kind="KIND" data-box="X Y W H" data-pins="NAME X Y;…">`
 *   (KIND: "and", "not", "wire", "led", "input", "output", a built-in gate's or an imported sub-circuit's type);
 * - each opened instance is a frame `<g data-frame="PATH" data-kind="TYPE" data-box="…" data-pins="…">`;
 * - each net is `<g data-net="SIGNAL" data-value="0|1|x">` with `<path d="M x y L x y …">` of horizontal and
 *   vertical segments and a `<circle data-junction>` at each branch; SIGNAL is the driver's path and port
 *   ("h1.sum", "g.out", or an input pin's name).
 * Beyond 3,000 symbols opened, the top level is drawn with its sub-circuits closed, and a note says so.
 */
export function schematicSvg(circuit: Circuit, options?: SchematicOptions): Promise<string>;

export interface RenderSchematicOptions extends SchematicOptions {
  /** Called with an input's name when its symbol is clicked or activated by Space/Enter; by default the circuit is set and run here. */
  onToggle?: (name: string) => void;
  /** Adds a "Download SVG" button (default true). */
  download?: boolean;
  /** The downloaded file's name (default "schematic.svg"). */
  downloadName?: string;
  /** Called after each drawing is in the page. */
  onDraw?: () => void;
}

/** The live schematic in a page. */
export interface SchematicView {
  /** Settles when the drawing asked for last is in the page. */
  readonly ready: Promise<void>;
  /** Redraws the wire values from the circuit, after its inputs changed. */
  update(): void;
  /** Draws another circuit; the present picture stays until the new one is laid out. */
  setCircuit(circuit: Circuit): Promise<void>;
  /** Opens these instances (or all) and closes the others. */
  setExpand(expand: readonly string[] | true): Promise<void>;
  /** The instances now opened. */
  readonly expanded: string[] | true;
  /** Marks these component paths (see SchematicOptions.highlight), replacing the previous marks. */
  highlight(paths: readonly string[]): void;
  /** The drawing as shown, as a standalone SVG document. */
  svgText(): string;
  /** Empties the element. */
  destroy(): void;
}

/**
 * Draws the circuit into `element` (its children are replaced): zoom buttons, the SVG (drag to pan, wheel to
 * zoom), a status line and a text description of every component and what drives each of its inputs. Layout runs
 * in a worker (vendor/elkjs/elk-worker.min.js beside this module). Clicking an input symbol toggles it; clicking a
 * sub-circuit or built-in gate opens it in place, and clicking its frame's title closes it.
 */
export function renderSchematic(element: Element, circuit: Circuit, options?: RenderSchematicOptions): SchematicView;
