// What the package adds to the WebAssembly module: draw() over the
// library's one function, and the error it throws.

// Option flags, as the library's header has them.
const NARROW_ROOTS = 1;
const UNICODE = 2;
const LATEX = 4;
const MARKDOWN = 8;

// A statement that did not draw: its message, where it lies and its status
// (1 input, 2 too large, 3 too deep, 4 out of memory).
export class VornixError extends Error {
  constructor(message, line, column, status) {
    super(message);
    this.name = 'VornixError';
    this.line = line;
    this.column = column;
    this.status = status;
  }
}

// The remarks of a call, as the library hands them over.
function remarks(text) {
  const fields = text.split('\x1f');
  const found = [];
  for (let i = 0; i + 2 < fields.length; i += 3) {
    found.push({ message: fields[i + 2], line: Number(fields[i]), column: Number(fields[i + 1]) });
  }
  return found;
}

// The package's object over a loaded module.
export function api(module) {
  // The drawings of text and the remarks on statements that drew.
  const drawWithWarnings = (text, options = {}) => {
    if (typeof text !== 'string') throw new TypeError('draw: text must be a string');
    const flags = (options.narrowRoots ? NARROW_ROOTS : 0) | (options.unicode ? UNICODE : 0) |
        (options.latex ? LATEX : 0) | (options.markdown ? MARKDOWN : 0);
    const width = Number.isInteger(options.width) ? options.width : 0;
    const macros = options.macros ?? '';
    if (typeof macros !== 'string') throw new TypeError('draw: macros must be a string');
    const length = module.lengthBytesUTF8(text);
    const macrosLength = module.lengthBytesUTF8(macros);
    const input = module._malloc(length + 1);
    const definitions = module._malloc(macrosLength + 1);
    const where = module._malloc(16);
    if (input === 0 || definitions === 0 || where === 0) {
      module._free(input);
      module._free(definitions);
      module._free(where);
      throw new VornixError('out of memory', 0, -1, 4);
    }
    let warnings = 0;
    try {
      module.stringToUTF8(text, input, length + 1);
      module.stringToUTF8(macros, definitions, macrosLength + 1);
      const out = module._vornix_js_draw(input, length, flags, width, definitions, macrosLength,
                                         where);
      warnings = module.getValue(where + 12, 'i32') >>> 0;
      if (out === 0) throw new VornixError('out of memory', 0, -1, 4);
      const result = module.UTF8ToString(out);
      module._free(out);
      const [status, line, column] = [0, 4, 8].map((at) => module.getValue(where + at, 'i32'));
      if (status !== 0) throw new VornixError(result, line, column, status);
      return { text: result, warnings: warnings === 0 ? [] : remarks(module.UTF8ToString(warnings)) };
    } finally {
      module._free(warnings);
      module._free(input);
      module._free(definitions);
      module._free(where);
    }
  };
  const draw = (text, options) => drawWithWarnings(text, options).text;
  return { draw, drawWithWarnings, version: module.UTF8ToString(module._vornix_version()) };
}
