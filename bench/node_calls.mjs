// Calls per second of the JavaScript package's draw() from Node, on the
// statements the native library's calls are timed on. Prints one line a
// statement: its name, the calls per second and per CPU second.
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
  // Half a second's warm-up lets the engine finish compiling the module's
  // code and the calls; then batches are timed until the time is up.
  const warm = process.hrtime.bigint() + 500_000_000n;
  while (process.hrtime.bigint() < warm) {
    for (let i = 0; i < 1000; i++) vornix.draw(text, options);
  }
  let calls = 0;
  const start = process.hrtime.bigint();
  const startCpu = process.cpuUsage();
  let elapsed = 0;
  while (elapsed < seconds) {
    for (let i = 0; i < 1000; i++) vornix.draw(text, options);
    calls += 1000;
    elapsed = Number(process.hrtime.bigint() - start) / 1e9;
  }
  const cpu = process.cpuUsage(startCpu);
  const cpuSeconds = (cpu.user + cpu.system) / 1e6;
  console.log(`${name} ${Math.round(calls / elapsed)} ${Math.round(calls / cpuSeconds)}`);
}
