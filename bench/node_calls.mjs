// Calls per second of the JavaScript package's draw() from Node, on the
// statements the native library's calls are timed on. Prints one line a
// statement: its name and the rate.
//   node bench/node_calls.mjs PACKAGE_DIR [SECONDS]
import { createRequire } from 'node:module';
import { resolve } from 'node:path';

const require = createRequire(import.meta.url);
const { load } = require(resolve(process.argv[2] ?? 'js', 'index.cjs'));
const seconds = Number(process.argv[3] ?? 1);

const statements = [
  ['short', 'x^2/2', {}],
  ['latex', '\\frac{a}{b}', { latex: true }],
];

const vornix = await load();
for (const [name, text, options] of statements) {
  // Warm up until the engine has compiled the calls, then time batches
  // until the time is up.
  for (let i = 0; i < 20000; i++) vornix.draw(text, options);
  let calls = 0;
  const start = process.hrtime.bigint();
  let elapsed = 0;
  while (elapsed < seconds) {
    for (let i = 0; i < 1000; i++) vornix.draw(text, options);
    calls += 1000;
    elapsed = Number(process.hrtime.bigint() - start) / 1e9;
  }
  console.log(`${name} ${Math.round(calls / elapsed)}`);
}
