// The package's two entries and its error object.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

import { load, VornixError } from '../index.node.mjs';

const require = createRequire(import.meta.url);

test('require and import give the same drawing and the version', async () => {
  const viaRequire = await require('../index.cjs').load();
  const viaImport = await load();
  const version = JSON.parse(readFileSync(new URL('../package.json', import.meta.url))).version;
  assert.ok(version.startsWith(viaImport.version), `${version} vs ${viaImport.version}`);
  assert.equal(viaRequire.draw('x^2/2'), ' 2\nx\n--\n 2\n');
  assert.equal(viaImport.draw('x^2/2'), viaRequire.draw('x^2/2'));
});

test('a statement that does not draw throws a VornixError with its place', async () => {
  const vornix = await load();
  assert.throws(() => vornix.draw('x\ny+'), (e) => e instanceof VornixError &&
    e.message === 'syntax error' && e.line === 2 && e.column === 2 && e.status === 1);
  assert.throws(() => vornix.draw(42), TypeError);
  // The module's memory is whole after errors: a later call still draws.
  for (let i = 0; i < 200; i++) assert.throws(() => vornix.draw('x^'.repeat(3000) + 'x'));
  assert.equal(vornix.draw('a'), 'a\n');
});

test('macros: the text of definitions holds for every statement', async () => {
  const vornix = await load();
  const macros = '\\newcommand{\\norm}[1]{\\left\\| #1 \\right\\|}\n\\DeclareMathOperator{\\tr}{tr}\n';
  assert.equal(vornix.draw('\\norm{x} + \\tr A', { latex: true, macros }), '||x|| + tr(A)\n');
  assert.equal(vornix.draw('Let $\\tr A$.', { markdown: true, macros }), 'Let tr(A).');
  assert.throws(() => vornix.draw('\\tr A', { latex: true, macros: 'x' }), (e) =>
    e instanceof VornixError && e.message === 'macros: line 1, column 1: not a definition' &&
    e.status === 1);
  assert.throws(() => vornix.draw('x', { latex: true, macros: 1 }), TypeError);
});

test('the remarks on statements that drew come with their drawings', async () => {
  const vornix = await load();
  const cases = [
    ['x^2', {}, []],
    ['\\foo x + 1\n\\alpha\n\\bar y \\baz', { latex: true },
      [['unknown command \\foo', 1, 0], ['unknown command \\baz', 3, 7]]],
    ['Text $x^$ and $$\\foo y$$', { markdown: true },
      [['line 1, column 6: formula left as written: syntax error at column 2: ^ needs an argument', 1, 5],
        ['line 1, column 15: unknown command \\foo', 1, 14]]],
  ];
  for (const [text, options, remarks] of cases) {
    const { text: drawn, warnings } = vornix.drawWithWarnings(text, options);
    assert.equal(drawn, vornix.draw(text, options));
    assert.deepEqual(warnings.map((w) => [w.message, w.line, w.column]), remarks, text);
  }
  // A statement that does not draw still throws.
  assert.throws(() => vornix.drawWithWarnings('\\foo\n\\frac{a}', { latex: true }), VornixError);
});
