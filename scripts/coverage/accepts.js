// Reads formulas (one a line) on standard input and writes, for each, "1" when
// the reference parser accepts it and "0" when it rejects it.
// Usage: node accepts.js [MACROS_FILE] < formulas
'use strict';
const fs = require('fs');
const katex = require('katex');

// Commands that LaTeX takes in a formula and the reference parser lacks:
// \ensuremath and \mbox keep their argument, \label drops it.
const macros = {
  '\\ensuremath': '#1',
  '\\mbox': '\\text{#1}',
  '\\label': (context) => { context.consumeArgs(1); return ''; },
};
if (process.argv[2]) {
  // Each definition is rendered in the global group so that it stays defined
  // for every formula that follows; operator names become \operatorname,
  // which the reference parser knows.
  const defs = fs.readFileSync(process.argv[2], 'utf8').split('\n');
  let skipped = 0;
  for (const line of defs) {
    if (line.trim() === '') continue;
    const def = line.replace(/\\DeclareMathOperator(\*?)\s*\{(\\[A-Za-z]+)\}/g,
                             '\\gdef$2{\\operatorname$1}');
    try {
      katex.renderToString(def, {strict: false, throwOnError: true,
                                 globalGroup: true, macros});
    } catch (e) {
      skipped++;
    }
  }
  if (skipped)
    process.stderr.write(`accepts.js: ${skipped} definitions not understood\n`);
}

const lines = fs.readFileSync(0, 'utf8').split('\n');
if (lines.length && lines[lines.length - 1] === '') lines.pop();
const out = lines.map((formula) => {
  try {
    katex.renderToString(formula, {strict: false, throwOnError: true,
                                   displayMode: true, macros: {...macros}});
    return '1';
  } catch (e) {
    return '0';
  }
});
process.stdout.write(out.join('\n') + (out.length ? '\n' : ''));
