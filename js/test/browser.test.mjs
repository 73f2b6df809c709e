// The playground in a real browser: Debian's headless Chromium, driven
// through puppeteer-core, types into the page built by
// `scripts/playground --build-only` (build/playground, or
// $VORNIX_PLAYGROUND) and reads what it shows; Node's draw() of the same
// text says what that must be. A screenshot of the page is kept in
// build/artifacts (or $VORNIX_ARTIFACTS). Without a browser or a built page
// the test skips itself, except in CI, where it fails.
import assert from 'node:assert/strict';
import { existsSync, mkdirSync, readFileSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { dirname, extname, join, normalize, sep } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { load } from '../index.node.mjs';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const site = process.env.VORNIX_PLAYGROUND ?? join(root, 'build', 'playground');
const artifacts = process.env.VORNIX_ARTIFACTS ?? join(root, 'build', 'artifacts');
const chromium = process.env.VORNIX_CHROMIUM ?? '/usr/bin/chromium';
const inCi = Boolean(process.env.CI) && process.env.CI !== 'false';

// Hang guards only: every wait below ends as soon as its condition holds.
const launchTimeout = 120_000;
const stepTimeout = 30_000;

const types = {
  '.html': 'text/html; charset=utf-8', '.mjs': 'text/javascript', '.js': 'text/javascript',
  '.cjs': 'text/javascript', '.wasm': 'application/wasm', '.ttf': 'font/ttf',
};

// Serves the built page on 127.0.0.1, on a port the system picks.
async function serve(directory) {
  const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://host').pathname);
    const file = normalize(join(directory, path.endsWith('/') ? `${path}index.html` : path));
    if (!file.startsWith(directory + sep) || !existsSync(file) || !statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'content-type': types[extname(file)] ?? 'application/octet-stream' });
    response.end(readFileSync(file));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { server, url: `http://127.0.0.1:${server.address().port}/` };
}

// Why the browser test cannot run here, or null.
async function startBrowser() {
  if (!existsSync(join(site, 'index.html'))) {
    return { why: `no playground built at ${site} (scripts/playground --build-only)` };
  }
  let puppeteer;
  try {
    puppeteer = (await import('puppeteer-core')).default;
  } catch (e) {
    return { why: `puppeteer-core is not installed (npm ci in js/): ${e.message}` };
  }
  if (!existsSync(chromium)) return { why: `no browser at ${chromium} (scripts/deps --wasm)` };
  try {
    const browser = await puppeteer.launch({
      executablePath: chromium,
      headless: true,
      // As root in a container with no display and a small /dev/shm.
      args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
        '--no-first-run', '--no-default-browser-check'],
      timeout: launchTimeout,
      protocolTimeout: launchTimeout,
    });
    return { browser };
  } catch (e) {
    return { why: `${chromium} did not start: ${e.message}` };
  }
}

test('the playground in a real browser', { timeout: 15 * 60_000 }, async (t) => {
  const { browser, why } = await startBrowser();
  if (!browser) {
    if (inCi) assert.fail(why);
    t.skip(why);
    return;
  }
  const { server, url } = await serve(site);
  const vornix = await load();
  const pageErrors = [];
  try {
    const page = await browser.newPage();
    page.setDefaultTimeout(stepTimeout);
    page.on('pageerror', (e) => pageErrors.push(e.message));
    await page.setViewport({ width: 1000, height: 470 });

    // Waits for the page to have drawn at least once since it loaded.
    const open = async (address) => {
      await page.goto(address, { waitUntil: 'load' });
      await page.waitForSelector('body[data-drawn]').catch((e) => {
        throw new Error(`the page never drew (${e.message}); page errors: ${pageErrors.join('; ')}`);
      });
    };
    const shown = () => page.$eval('#output', (e) => e.textContent);
    const message = () => page.$eval('#messages', (e) => e.textContent);
    const setBox = async (id, on) => {
      if (await page.$eval(`#${id}`, (e) => e.checked) !== on) await page.click(`#${id}`);
    };
    // Types text into the emptied box and waits for the page to hold it;
    // the page draws on each input event.
    const typeInto = async (selector, text) => {
      await page.$eval(selector, (e) => { e.value = ''; });
      await page.type(selector, text);
      await page.waitForFunction((s, v) => document.querySelector(s).value === v,
        { timeout: stepTimeout }, selector, text)
        .catch(() => { throw new Error(`${selector} never held ${JSON.stringify(text)}`); });
    };
    const drawAs = async (text, options) => {
      for (const box of ['latex', 'unicode', 'markdown']) await setBox(box, Boolean(options[box]));
      await typeInto('#width', String(options.width ?? 0));
      await typeInto('#input', text);
    };

    await open(url);
    assert.deepEqual(pageErrors, []);

    await t.test('typed statements draw as in Node', async () => {
      const cases = [
        ['x^2/2', {}],
        ['sqrt(1 + x)/(a - b)\nsum(k^2, k = 1 .. n)', {}],
        ['int(exp(-x^2), x = -inf .. inf) = sqrt(pi)', { unicode: true }],
        ['\\frac{a}{b} + \\sqrt[3]{x}', { latex: true }],
        ['\\sum_{k=1}^{n} \\frac{1}{k^2} \\le \\frac{\\pi^2}{6}', { latex: true, unicode: true }],
        ['alpha + beta <= gamma', { unicode: true }],
        ['α + β ≤ γ δ', { latex: true, unicode: true }],
        ['(a + b + c + d + e + f + g + h)/(x + y + z + w + v)', { width: 16 }],
        ['Some text $x^2 + 1$ and a display:\n\n$$\\frac{a}{b}$$\n\nThe end.', { markdown: true, latex: true }],
      ];
      for (const [text, options] of cases) {
        await drawAs(text, options);
        assert.equal(await shown(), vornix.draw(text, options), `${JSON.stringify(options)} ${text}`);
        assert.equal(await message(), '', text);
      }
    });

    await t.test('errors and warnings are shown beside the drawing', async () => {
      const kind = () => page.$eval('#messages', (e) => e.className);
      const text = 'x^2\ny +\nz/2';
      let error;
      try { vornix.draw(text); } catch (e) { error = e; }
      assert.equal(error?.line, 2);
      await drawAs(text, {});
      assert.equal(await message(), `line 2, column ${error.column}: ${error.message}`);
      assert.equal(await kind(), 'error');
      // The statements around it still draw, as the program prints them.
      assert.equal(await shown(), `${vornix.draw('x^2')}\n${error.message}\n\n${vornix.draw('z/2')}`);

      // Remarks on statements that drew, with the drawings.
      const warned = [
        ['\\alpha + 1\n\\foo x', { latex: true }, 'line 2: unknown command \\foo'],
        ['Some $x^$ here', { markdown: true },
          'line 1, column 6: formula left as written: syntax error at column 2: ^ needs an argument'],
      ];
      for (const [text, options, remark] of warned) {
        await drawAs(text, options);
        assert.equal(await shown(), vornix.draw(text, options));
        assert.equal(await message(), remark);
        assert.equal(await kind(), 'warning');
      }
      await drawAs('x', {});
      assert.equal(await message(), '');
    });

    await t.test('the address holds the input, and a link draws it', async () => {
      const text = '\\int_0^1 x^2 \\, dx = \\frac{1}{3} % a note & more\n\\sqrt{a+b} = c';
      const options = { latex: true, unicode: true, width: 30 };
      await drawAs(text, options);
      const link = await page.evaluate(() => location.href);
      assert.match(link, /#text=/);
      const fresh = await browser.newPage();
      try {
        await fresh.goto(link, { waitUntil: 'load', timeout: stepTimeout });
        await fresh.waitForSelector('body[data-drawn]', { timeout: stepTimeout });
        assert.equal(await fresh.$eval('#input', (e) => e.value), text);
        assert.equal(await fresh.$eval('#width', (e) => e.value), '30');
        assert.deepEqual(await fresh.$$eval('#latex, #unicode, #markdown', (es) => es.map((e) => e.checked)),
          [true, true, false]);
        assert.equal(await fresh.$eval('#output', (e) => e.textContent), vornix.draw(text, options));
      } finally {
        await fresh.close();
      }
    });

    await t.test('every character of a drawing is as wide as the others', async () => {
      // The font is the page's own copy, loaded.
      const faces = await page.evaluate(async () => {
        await document.fonts.ready;
        return [...document.fonts].map((f) => `${f.family} ${f.status}`);
      });
      assert.deepEqual(faces, ['DejaVu Sans Mono loaded']);
      // Every glyph the Unicode drawings of the corpus use, and a drawing's rows.
      const corpus = [join(root, 'bench', 'corpus.vx'), join(root, 'bench', 'corpus_latex.tex')];
      const glyphs = new Set();
      for (const file of corpus) {
        const options = { unicode: true, latex: file.endsWith('.tex') };
        for (const line of readFileSync(file, 'utf8').split('\n')) {
          try {
            for (const c of vornix.draw(line, options)) if (c !== '\n') glyphs.add(c);
          } catch { /* a line that does not draw has no glyphs */ }
        }
      }
      assert.ok(glyphs.size > 40, `only ${glyphs.size} glyphs`);
      const text = 'sum(1/k^2, k = 1 .. inf) = pi^2/6 + int(sqrt(abs(x)), x = 0 .. 1) * [a, b; c, d]';
      await drawAs(text, { unicode: true });
      const rows = vornix.draw(text, { unicode: true }).split('\n').filter((r) => r !== '');
      const measured = await page.$eval('#output', (output, glyphs, rows) => {
        const probe = document.createElement('span');
        probe.style.whiteSpace = 'pre';
        output.append(probe);
        const width = (s) => { probe.textContent = s; return probe.getBoundingClientRect().width; };
        const result = { cell: width('x'), glyphs: glyphs.map((g) => [g, width(g)]),
          rows: rows.map((r) => [r, width(r)]) };
        probe.remove();
        return result;
      }, [...glyphs], rows);
      assert.ok(measured.cell > 0);
      // Layout rounds to 1/64 px; a glyph from another font is off by far more.
      const near = (a, b) => Math.abs(a - b) < 0.1;
      const odd = measured.glyphs.filter(([, w]) => !near(w, measured.cell))
        .map(([g, w]) => `${g} U+${g.codePointAt(0).toString(16)} ${w}`);
      assert.deepEqual(odd, [], `the cell is ${measured.cell} px wide`);
      for (const [row, w] of measured.rows) {
        assert.ok(near(w, [...row].length * measured.cell), `${JSON.stringify(row)}: ${w} px, ${[...row].length} x ${measured.cell}`);
      }
    });

    await t.test('a screenshot of the page is kept', async () => {
      await drawAs('\\sum_{k=1}^{\\infty} \\frac{1}{k^2} = \\frac{\\pi^2}{6}\n' +
        '\\int_0^1 \\sqrt{1 - x^2} \\, dx = \\frac{\\pi}{4}\n' +
        'A = \\begin{pmatrix} \\cos\\theta & -\\sin\\theta \\\\ \\sin\\theta & \\cos\\theta \\end{pmatrix}',
      { latex: true, unicode: true });
      await page.evaluate(() => document.fonts.ready.then(() => undefined));
      mkdirSync(artifacts, { recursive: true });
      const file = join(artifacts, 'playground.png');
      await page.screenshot({ path: file });
      assert.ok(statSync(file).size > 10_000, `${file} is too small to hold the page`);
      const png = readFileSync(file);
      assert.equal(png.subarray(1, 4).toString(), 'PNG');
    });

    assert.deepEqual(pageErrors, []);
  } finally {
    await browser.close();
    server.close();
  }
});
