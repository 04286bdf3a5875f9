// ELK's worker, answering with only the geometry the schematic reads: the
// full laid-out graph (options and ELK's own fields on every node, port and
// edge) took the page longer to receive than a frame may last.
// A classic worker script (importScripts), though named .mjs to be served
// as a module file with the others.
/* eslint-env worker */
const post = self.postMessage.bind(self);
importScripts('./vendor/elkjs/elk-worker.min.js');

const point = ({ x, y }) => ({ x, y });
function geometry(node) {
  const result = { id: node.id, x: node.x, y: node.y, width: node.width, height: node.height };
  if (node.ports?.length) result.ports = node.ports.map(({ id, x, y }) => ({ id, x, y }));
  if (node.children?.length) result.children = node.children.map(geometry);
  if (node.edges?.length) {
    result.edges = node.edges.map(({ id, sections }) => ({
      id,
      sections: (sections ?? []).map((s) => ({ startPoint: point(s.startPoint), endPoint: point(s.endPoint), bendPoints: (s.bendPoints ?? []).map(point) })),
    }));
  }
  return result;
}

// ELK's dispatcher answers through self.postMessage: a layout's answer is
// cut down to its geometry on the way out.
self.postMessage = (message) => post(message?.data?.id === 'root' ? { ...message, data: geometry(message.data) } : message);
