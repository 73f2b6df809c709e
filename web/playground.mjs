// The playground: draws the input as one types, with the options ticked,
// and keeps both in the page's address so that a drawing can be shared.
import { load } from './vornix/index.mjs';

const $ = (id) => document.getElementById(id);
const input = $('input');
const output = $('output');
const messages = $('messages');
const boxes = ['latex', 'unicode', 'markdown'];

function fromAddress() {
  const params = new URLSearchParams(location.hash.slice(1));
  if (params.has('text')) input.value = params.get('text');
  for (const box of boxes) $(box).checked = params.get(box) === '1';
  $('width').value = params.get('width') ?? '0';
}

function toAddress() {
  const params = new URLSearchParams({ text: input.value });
  for (const box of boxes) if ($(box).checked) params.set(box, '1');
  if (Number($('width').value) > 0) params.set('width', $('width').value);
  history.replaceState(null, '', `#${params}`);
}

const vornix = await load();
fromAddress();

function draw() {
  toAddress();
  const options = { width: Number($('width').value) || 0 };
  for (const box of boxes) options[box] = $(box).checked;
  // A statement that does not draw leaves its message beside the others'
  // drawings: each line is drawn alone to show them all.
  try {
    const { text, warnings } = vornix.drawWithWarnings(input.value, options);
    output.textContent = text;
    // A document's remarks name their place already.
    messages.className = 'warning';
    messages.textContent = warnings.map((w) => (options.markdown ? w.message : `line ${w.line}: ${w.message}`))
      .join('\n');
  } catch (e) {
    if (e.name !== 'VornixError') throw e;
    messages.className = 'error';
    messages.textContent = `line ${e.line}${e.column >= 0 ? `, column ${e.column}` : ''}: ${e.message}`;
    output.textContent = drawEach(options);
  }
  document.body.dataset.drawn = String(Number(document.body.dataset.drawn ?? 0) + 1);
}

// The drawings of the statements that draw, and the message of each that
// does not, as the program prints them.
function drawEach(options) {
  if (options.markdown) return '';
  return input.value.split('\n').map((line) => {
    try {
      return vornix.draw(line, options);
    } catch (e) {
      return `${e.message}\n`;
    }
  }).join('\n');
}

for (const id of ['input', 'width', ...boxes]) $(id).addEventListener('input', draw);
$('copy').addEventListener('click', () => navigator.clipboard.writeText(output.textContent));
draw();
