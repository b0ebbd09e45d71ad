// The browser page, driven as a user drives it in Debian's headless Chromium, against the Linux
// command line: the page runs the same command compiled to WebAssembly, so for the same entries its
// report, verdict and messages must be the command line's to the byte and its JSON the command
// line's figures. Every case runs in an English and in a German browser; numbers are typed and
// shown with a point in both.
// It also measures what the page costs: download size, time to the first result, and a run's time
// against the native command line's.
//   node page_test.mjs [WEB_DIR] [CLI]   (defaults build/web and build/release/vantry-null-cli)
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { spawnSync } from 'node:child_process';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const repo = fileURLToPath(new URL('../..', import.meta.url));
const webDir = path.resolve(process.argv[2] ?? path.join(repo, 'build/web'));
const cliPath = path.resolve(process.argv[3] ?? path.join(repo, 'build/release/vantry-null-cli'));
const shotDir = path.join(repo, 'build/web-test/screenshots');
const chromium = process.env.VN_CHROMIUM ?? '/usr/bin/chromium';

// What the page may cost. A static host serves the files gzip-compressed (every host does gzip;
// brotli is printed too). The time budgets are asserted with half again as margin, since this
// machine is shared with other builds; the figures printed say whether the budget itself holds.
const budgetBytes = 2 * 1024 * 1024;
const budgetFirstResultMs = 1000;
const budgetNativeRatio = 3;
const timeMargin = 1.5;

let failures = 0;
function check(ok, what) {
  if (!ok) failures++;
  console.log(`${ok ? 'ok' : 'not ok'} - ${what}`);
  return ok;
}

// ---- The static server: build/web's files and nothing else, with the types a host sends.
const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8', '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm', '.json': 'application/json', '.svg': 'image/svg+xml',
  '.png': 'image/png', '.ico': 'image/x-icon', '.txt': 'text/plain; charset=utf-8',
};
const missing = [];
const server = http.createServer((req, res) => {
  const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
  const file = path.join(webDir, name.endsWith('/') ? name + 'index.html' : name);
  if (!file.startsWith(webDir + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
    if (name !== '/favicon.ico') missing.push(name);
    res.writeHead(404).end();
    return;
  }
  res.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
  fs.createReadStream(file).pipe(res);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;

// ---- The command line, run with the options the page's entries stand for: its JSON, its report
// (what it prints without --json) and the exact check's verdict lines.
function cli(args) {
  const t0 = process.hrtime.bigint();
  const r = spawnSync(cliPath, args, { encoding: 'utf8', env: { ...process.env, LC_ALL: 'C' } });
  return { ...r, ms: Number(process.hrtime.bigint() - t0) / 1e6 };
}
function runCli(args) {
  const r = cli(['--json', '--exact', ...args]);
  const exact = cli(['--exact', ...args]).stdout.split('\n');
  const at = exact.findIndex((l) => l.startsWith('Verdict: '));
  return { status: r.status, json: JSON.parse(r.stdout), report: cli(args).stdout,
    verdictLines: at < 0 ? [] : [exact[at], ...exact.slice(at).filter((l) => /^  (Object to Lens|Lens to Mirror) = /.test(l))] };
}

// ---- The cases: what a user sets on the page, and the same as command-line options.
// entries: field id -> text typed; units/glass/explore: the selects; enter: Enter in the last field
// instead of the Find button.
const cases = [
  { name: 'start-up entries, mm' },
  { name: 'start-up entries, inch', units: 'inch' },
  { name: 'a 10 inch f/4 mirror typed in inch, Enter', units: 'inch', enter: true,
    entries: { 'mirror-diameter': '10', 'mirror-roc': '80', 'mirror-side-radius': '-6', thickness: '0.5', 'lens-diameter': '2.5' } },
  { name: 'a 200 mm mirror, typed index', glass: '',
    entries: { 'mirror-diameter': '200', 'mirror-roc': '1600', conic: '-1.05', index: '1.52' } },
  { name: 'Schott SF11 at 546.1 nm', glass: 'SF11', entries: { wavelength: '546.1' } },
  { name: 'Ohara S-BSL7 at 486.1 nm', glass: 'S-BSL7', entries: { wavelength: '486.1' } },
  { name: 'spacing error explored to 0.125 waves', explore: 'waves=0.125', entries: { 'mirror-roc': '2400' } },
  { name: 'a lens that cannot null the mirror', entries: { 'mirror-roc': '1500' }, verdict: 'not a null' },
  { name: 'a sphere: caution', entries: { conic: '0' }, verdict: 'caution' },
  { name: 'a comma in the diameter', entries: { 'mirror-diameter': '2,5' }, fails: true },
];
function cliArgs(c) {
  const args = [];
  if (c.units) args.push('--units', c.units);
  if (c.glass) args.push('--glass', c.glass);
  for (const [id, text] of Object.entries(c.entries ?? {})) args.push(`--${id}`, text);
  if (c.explore) args.push('--explore', c.explore);
  return args;
}

// ---- The page.
const asRoot = process.getuid?.() === 0;
async function launch(lang) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vn-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: profile,
    env: { ...process.env, LANG: `${lang.replace('-', '_')}.UTF-8`, LANGUAGE: lang.replace('-', '_') },
    // This machine's network is closed: no background connections. Chromium's sandbox cannot
    // start as root.
    args: ['--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', `--lang=${lang}`, `--accept-lang=${lang}`, ...(asRoot ? ['--no-sandbox'] : [])],
  });
  browser.vnProfile = profile;
  return browser;
}

// Records every state the page goes through, with the page's clock (milliseconds from the start
// of its navigation), so that a run is awaited and timed without racing the page.
function recordStates() {
  window.vnStates = [];
  new MutationObserver(() => {
    const s = document.body?.dataset.state;
    if (s && s !== window.vnStates.at(-1)?.state) window.vnStates.push({ state: s, t: performance.now() });
  }).observe(document, { attributes: true, attributeFilter: ['data-state'], subtree: true });
}

async function openPage(browser, lang, query = '', size = { width: 1024, height: 700 }) {
  const page = await browser.newPage();
  await page.setViewport(size);
  // Headless Chromium takes its language from --accept-lang but keeps English number formats:
  // the locale override gives the page (and Intl) the full German locale a German desktop has.
  await (await page.createCDPSession()).send('Emulation.setLocaleOverride', { locale: lang });
  await page.setExtraHTTPHeaders({ 'Accept-Language': `${lang},${lang.slice(0, 2)};q=0.9` });
  page.vnProblems = [];
  page.on('pageerror', (e) => page.vnProblems.push(`page error: ${e.message}`));
  page.on('request', (r) => {
    if (!r.url().startsWith(origin) && !/^(data|blob):/.test(r.url())) page.vnProblems.push(`request to ${r.url()}`);
  });
  await page.evaluateOnNewDocument(recordStates);
  await page.goto(`${origin}/${query}`);
  return page;
}

// Waits for the run after the `before`-th state change to end; returns its states.
async function awaitRun(page, before) {
  await page.waitForFunction((n) => window.vnStates.slice(n).some((s) => s.state === 'done' || s.state === 'failed'),
    { timeout: 60000 }, before);
  return page.evaluate(() => window.vnStates);
}

async function typeInto(page, id, text) {
  await page.focus(`#${id}`);
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyA');
  await page.keyboard.up('Control');
  await page.keyboard.press('Backspace');
  await page.type(`#${id}`, text);
}

// Sets the case's entries as a user would, then finds by the button or by Enter.
async function enterCase(page, c) {
  await page.waitForFunction(() => ['idle', 'done', 'failed'].includes(document.body.dataset.state), { timeout: 30000 });
  if (c.units) {
    // The page converts the lengths to the new unit: wait for it as a user would, before typing.
    await page.select('#units', c.units);
    await page.waitForFunction(() => !document.getElementById('units').disabled);
  }
  if (c.glass !== undefined) await page.select('#glass', c.glass);
  if (c.explore) await page.select('#explore', c.explore);
  const ids = Object.keys(c.entries ?? {});
  for (const id of ids) await typeInto(page, id, c.entries[id]);
  const before = (await page.evaluate(() => window.vnStates.length));
  if (c.enter) await page.keyboard.press('Enter');
  else await page.click('#find');
  return awaitRun(page, before);
}

// The page's JSON figures against the command line's, by the rule the Windows build is held to
// (tests/windows/compare_cli.py): keys, texts and whole numbers the same, figures within the
// last-bit differences of two C libraries' sine, cosine, exponential and power (the browser
// build's come from emscripten's C library, not glibc).
const figuresCode = `
import json, sys
sys.path.insert(0, sys.argv[1])
from compare_cli import Figures, parse, set_up_scale
page, linux = (parse(t) for t in json.load(sys.stdin))
f = Figures()
f.compare(page, linux, set_up_scale(linux))
print(json.dumps({"problems": f.problems, "same": f.same, "differing": len(f.differing),
                  "largest": max(f.differing, default=(0, 0, ""))[:3]}))`;
function compareFigures(pageJson, cliJson) {
  const r = spawnSync('python3', ['-c', figuresCode, path.join(repo, 'tests/windows')],
    { input: JSON.stringify([JSON.stringify(pageJson ?? null), JSON.stringify(cliJson)]), encoding: 'utf8' });
  if (r.status !== 0) return { problems: [r.stderr.trim()] };
  return JSON.parse(r.stdout);
}

const text = (page, sel) => page.$eval(sel, (e) => e.innerText);

// What the page shows for a finished run against what the command line prints for `args`.
async function compareWithCli(page, label, args, c = {}) {
  const last = await page.evaluate(() => window.vnLast);
  const want = runCli(args);
  let ok = check(last && last.status === want.status, `${label}: exit status ${last?.status} (command line ${want.status})`);
  if (JSON.stringify(last?.json) === JSON.stringify(want.json)) {
    check(true, `${label}: JSON identical to the command line's`);
  } else {
    const f = compareFigures(last?.json, want.json);
    ok = check(f.problems.length === 0, `${label}: JSON as the command line's, ${f.same} figures identical, ` +
      `${f.differing} in their last digits (largest ${f.largest?.[0].toExponential(1)} at ${f.largest?.[2]}) ` +
      f.problems.slice(0, 3).join('; ')) && ok;
  }
  for (const [id, typed] of Object.entries(c.entries ?? {})) {
    const i = last?.args.indexOf(`--${id}`) ?? -1;
    ok = check(i >= 0 && last.args[i + 1] === typed, `${label}: --${id} passed as typed (${typed})`) && ok;
  }
  const report = await page.$eval('#report', (e) => e.textContent);
  ok = check(report.replace(/\n+$/, '') === (want.json.report ?? want.report).replace(/\n+$/, ''), `${label}: #report is the report`) && ok;
  const error = (await text(page, '#error')).trim();
  if (c.fails) {
    ok = check(error.includes(want.json.error) && error.includes(want.json.message.split('\n')[0]), `${label}: #error says the command's message`) && ok;
  } else {
    ok = check(error === '', `${label}: #error empty`) && ok;
    // The verdict and the distances to set up, as the command line words them.
    const verdict = await text(page, '#verdict');
    ok = check(want.verdictLines.length === 3 && want.verdictLines.every((l) => verdict.includes(l.trim())) &&
      (!c.verdict || want.verdictLines[0] === `Verdict: ${c.verdict}`), `${label}: #verdict says ${want.verdictLines[0]} and where to set up`) && ok;
  }
  if (!ok) console.log(`# page's args ${JSON.stringify(last?.args)}`);
  return last;
}

function problems(page, label) {
  check(page.vnProblems.length === 0, `${label}: no page errors or outside requests ${page.vnProblems.join('; ')}`);
}

const numberFigures = {};
async function runLocale(lang) {
  const browser = await launch(lang);
  try {
    // The browser really is German when asked: its own number format has a comma.
    const probe = await openPage(browser, lang);
    const seen = await probe.evaluate(() => [navigator.language, (1.5).toLocaleString()]);
    check(seen[0] === lang && seen[1] === (1.5).toLocaleString(lang), `${lang}: navigator.language is ${seen[0]}, numbers print as ${seen[1]}`);
    await probe.close();

    for (const c of cases) {
      const label = `${lang} ${c.name}`;
      const page = await openPage(browser, lang);
      const states = await enterCase(page, c);
      check(states.at(-1).state === (c.fails ? 'failed' : 'done'), `${label}: state ${states.at(-1).state}`);
      await compareWithCli(page, label, cliArgs(c), c);
      if (c.fails || c === cases[0]) {
        const tag = `${lang}-${c.fails ? 'error' : 'start-up'}`;
        await page.screenshot({ path: path.join(shotDir, `${tag}-1024x700.png`) });
        await page.setViewport({ width: 390, height: 844 });
        check(await page.evaluate(() => document.documentElement.scrollWidth <= 390), `${label}: fits 390 px across`);
        await page.screenshot({ path: path.join(shotDir, `${tag}-390x844.png`) });
      }
      problems(page, label);
      await page.close();
    }

    // A link runs its set-up on opening, and the page's entries show it.
    const linkArgs = ['--mirror-diameter', '200', '--mirror-roc', '1600', '--conic', '-1'];
    const link = await openPage(browser, lang, '?mirror-diameter=200&mirror-roc=1600&conic=-1&units=mm&find',
      { width: 390, height: 844 });
    await awaitRun(link, 0);
    await compareWithCli(link, `${lang} a link that finds on opening`, linkArgs);
    const shownEntries = await link.evaluate(() => ['mirror-diameter', 'mirror-roc'].map((id) => document.getElementById(id).value));
    check(shownEntries.join() === '200,1600', `${lang} the link's entries are in the fields (${shownEntries})`);
    await link.screenshot({ path: path.join(shotDir, `${lang}-link-390x844.png`), fullPage: true });

    // An entry edited after a run: the result is marked as no longer the entries', and the link
    // follows the entry.
    const staleNote = () => ({ shown: !document.getElementById('stale-note').hidden, query: location.search });
    const fresh = await link.evaluate(staleNote);
    await typeInto(link, 'conic', '-1.5');
    const stale = await link.evaluate(staleNote);
    check(!fresh.shown && stale.shown, `${lang} the result says it is stale after an edit, not before`);
    check(new URLSearchParams(stale.query).get('conic') === '-1.5', `${lang} the link follows the edit (${stale.query})`);
    await link.setViewport({ width: 1024, height: 700 });
    await link.screenshot({ path: path.join(shotDir, `${lang}-stale-1024x700.png`) });
    problems(link, `${lang} link`);
    await link.close();

    // Time to the first result from opening a link, in a fresh profile each time (nothing cached),
    // best of three; and a start-up run, once loaded, against the native command line.
    const firsts = [], loads = [];
    for (let i = 0; i < 3; i++) {
      const context = await browser.createBrowserContext();
      const page = await context.newPage();
      await page.evaluateOnNewDocument(recordStates);
      await page.goto(`${origin}/?find`);
      const states = await awaitRun(page, 0);
      loads.push(states.find((s) => s.state === 'working').t);
      firsts.push(states.find((s) => s.state === 'done').t);
      await context.close();
    }
    // The worker's run alone, timed in the page (its runCli, when the page has one), and a whole
    // Find: click to result shown.
    const page = await openPage(browser, lang);
    await page.waitForFunction(() => document.body.dataset.state === 'idle');
    const runs = [];
    for (let i = 0; i < 5; i++) {
      runs.push(await page.evaluate(async () => {
        if (typeof runCli !== 'function') return Infinity;
        const t = performance.now();
        await runCli(['--json', '--exact']);
        return performance.now() - t;
      }));
    }
    const finds = [];
    for (let i = 0; i < 5; i++) {
      const states = await enterCase(page, {});
      finds.push(states.at(-1).t - states.findLast((s) => s.state === 'working').t);
    }
    await page.close();
    numberFigures[lang] = { first: Math.min(...firsts), loaded: Math.min(...loads), run: Math.min(...runs), find: Math.min(...finds) };
  } finally {
    await browser.close();
    fs.rmSync(browser.vnProfile, { recursive: true, force: true, maxRetries: 5 });
  }
}

function compressedSizes() {
  const files = fs.readdirSync(webDir).filter((f) => f.endsWith('.js') || f.endsWith('.wasm'));
  let gzip = 0, brotli = 0;
  for (const f of files) {
    const data = fs.readFileSync(path.join(webDir, f));
    gzip += zlib.gzipSync(data, { level: 9 }).length;
    brotli += zlib.brotliCompressSync(data, { params: { [zlib.constants.BROTLI_PARAM_QUALITY]: 11 } }).length;
  }
  return { files, gzip, brotli };
}

try {
  fs.mkdirSync(shotDir, { recursive: true });
  for (const lang of ['en-US', 'de-DE']) await runLocale(lang);
  check(missing.length === 0, `every file the page asked for exists ${missing.join(' ')}`);

  const sizes = compressedSizes();
  const kb = (n) => `${(n / 1024).toFixed(0)} KB`;
  console.log(`# ${sizes.files.join(' + ')}: ${kb(sizes.gzip)} gzip -9, ${kb(sizes.brotli)} brotli 11 (budget ${kb(budgetBytes)})`);
  check(sizes.gzip <= budgetBytes, 'the wasm and the scripts fit 2 MB gzip-compressed');

  const native = Math.min(...Array.from({ length: 10 }, () => cli(['--json', '--exact']).ms));
  for (const [lang, f] of Object.entries(numberFigures)) {
    // Without the worker's own timing, the whole Find stands for the run.
    const run = Number.isFinite(f.run) ? f.run : f.find;
    console.log(`# ${lang}: first result ${f.first.toFixed(0)} ms after opening (budget ${budgetFirstResultMs}; ` +
      `the module loaded and the run started at ${f.loaded.toFixed(0)} ms); ` +
      `start-up run ${run.toFixed(1)} ms in the page's worker, ${native.toFixed(1)} ms native ` +
      `(x${(run / native).toFixed(2)}, budget x${budgetNativeRatio}); Find to result ${f.find.toFixed(1)} ms`);
    check(f.first <= budgetFirstResultMs * timeMargin, `${lang}: first result within the budget's margin`);
    check(run <= budgetNativeRatio * native * timeMargin, `${lang}: a page run within the budget's margin of native`);
  }
} catch (e) {
  check(false, `the test ran to its end: ${e.stack}`);
} finally {
  server.close();
}
console.log(failures ? `${failures} failed` : 'all passed');
process.exit(failures ? 1 : 0);
