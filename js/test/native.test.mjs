// The WebAssembly library draws what the native one draws: every golden
// case and the benchmark's corpus, in each mode, errors included. The
// native drawings come from the Python module of the build named by
// VORNIX_NATIVE_BUILD (by default ../build/release).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, readdirSync, readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { load } from '../index.node.mjs';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const nativeBuild = process.env.VORNIX_NATIVE_BUILD ?? join(root, 'build', 'release');

// Each input with the options its kind is read with.
function inputs() {
  const kinds = { '.vx': {}, '.tex': { latex: true }, '.md': { markdown: true } };
  const files = readdirSync(join(root, 'tests', 'cases')).map((f) => join(root, 'tests', 'cases', f))
    .concat([join(root, 'bench', 'corpus.vx'), join(root, 'bench', 'corpus_latex.tex')]);
  const found = [];
  for (const file of files) {
    const kind = Object.keys(kinds).find((ext) => file.endsWith(ext));
    if (kind) found.push({ file, text: readFileSync(file, 'utf8'), mode: kinds[kind] });
  }
  return found;
}

const looks = [{}, { unicode: true }, { width: 40 }, { unicode: true, width: 16, narrowRoots: true }];

function drawn(vornix, text, options) {
  try {
    return { text: vornix.draw(text, options) };
  } catch (e) {
    assert.equal(e.name, 'VornixError', String(e));
    return { error: [e.message, e.line, e.column, e.status] };
  }
}

function native(jobs) {
  const run = spawnSync('python3', [join(root, 'js', 'test', 'native_draw.py'), nativeBuild],
    { input: JSON.stringify(jobs), encoding: 'utf8', maxBuffer: 1 << 30 });
  assert.equal(run.status, 0, `${run.error ?? ''} ${run.signal ?? ''} ${run.stderr}`);
  return JSON.parse(run.stdout);
}

test('draws every case as the native library does', { skip: !existsSync(nativeBuild) && `no build at ${nativeBuild}` }, async () => {
  const vornix = await load();
  const jobs = [];
  for (const { file, text, mode } of inputs()) {
    for (const look of looks) jobs.push({ file, text, options: { ...mode, ...look } });
  }
  // Lines one at a time too, so that a statement past the first error is
  // compared as well.
  for (const { file, text, mode } of inputs()) {
    if (mode.markdown) continue;
    for (const line of text.split('\n')) jobs.push({ file, text: line, options: mode });
  }
  assert.ok(jobs.length > 1000);
  const expected = native(jobs.map((j) => [j.text, j.options]));
  jobs.forEach((job, i) => {
    assert.deepEqual(drawn(vornix, job.text, job.options), expected[i],
      `${job.file} ${JSON.stringify(job.options)}: ${JSON.stringify(job.text.slice(0, 80))}`);
  });
});

test('errors, a drawing too large and deep nesting as natively', { skip: !existsSync(nativeBuild) && `no build at ${nativeBuild}` }, async () => {
  const vornix = await load();
  const texts = [
    ['x+', {}], ['x $ y', {}], ['\\frac{a}', { latex: true }], ['\\foo x', { latex: true }],
    ['('.repeat(100000) + 'x' + ')'.repeat(100000), {}],
    ['x^'.repeat(5000) + 'x', {}], ['sqrt('.repeat(3000) + 'x' + ')'.repeat(3000), {}],
    ['{'.repeat(50000) + 'x' + '}'.repeat(50000), { latex: true }],
    ['\\frac{'.repeat(4000) + 'x' + '}{y}'.repeat(4000), { latex: true, unicode: true }],
    ['1/'.repeat(20000) + 'x', {}], ['x\ny+\nz', {}], ['', {}], ['x\n\u00e9', {}],
  ];
  const expected = native(texts);
  texts.forEach(([text, options], i) => {
    const got = drawn(vornix, text, options);
    assert.deepEqual(got, expected[i], `${JSON.stringify(options)}: ${JSON.stringify(text.slice(0, 40))}`);
  });
});
