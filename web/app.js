// The page's main thread: the form over the command line's options, the
// runs in the worker, and the results shown with the entries that made them.
// Every figure shown is the command line's own text or JSON: the page formats
// no number itself, so that it says what the desktop program says.
'use strict';

// ---- The entries ----------------------------------------------------------------
// The fields named as the command line's options; the six lengths take the unit.
const ENTRY_IDS = ['mirror-diameter', 'mirror-roc', 'conic', 'source-radius',
  'mirror-side-radius', 'thickness', 'lens-diameter'];
const LENGTH_IDS = ['mirror-diameter', 'mirror-roc', 'source-radius', 'mirror-side-radius',
  'thickness', 'lens-diameter'];
// Everything a link carries, in the order it writes them.
const QUERY_IDS = [...ENTRY_IDS, 'index', 'glass', 'wavelength', 'units', 'explore'];
// The set-up file's keys for the entry fields.
const SETUP_KEYS = {
  'mirror-diameter': 'mirror_diameter', 'mirror-roc': 'mirror_roc', 'conic': 'conic',
  'source-radius': 'source_radius', 'mirror-side-radius': 'mirror_side_radius',
  'thickness': 'thickness', 'lens-diameter': 'lens_diameter', 'index': 'index'};

const $ = (id) => document.getElementById(id);

// The form's state as texts, exactly as typed.
function currentEntries() {
  const e = {};
  for (const id of QUERY_IDS) e[id] = $(id).value;
  return e;
}

// The command line's arguments for a set of entries: the glass, when one is
// chosen, gives the index (as the refractive-index dialog does); otherwise
// the typed index is the lens's.
function entryArgs(e) {
  const args = ['--units', e.units];
  for (const id of ENTRY_IDS) args.push('--' + id, e[id]);
  if (e.glass) args.push('--glass', e.glass);
  args.push('--wavelength', e.wavelength);
  if (!e.glass) args.push('--index', e.index);
  if (e.explore) args.push('--explore', e.explore);
  return args;
}

const sameArgs = (a, b) => a.length === b.length && a.every((x, i) => x === b[i]);

// ---- The worker -----------------------------------------------------------------
// One worker runs the command line; stopping a run ends the worker and starts
// a fresh one (the module has one thread and cannot be interrupted).
const engine = {
  worker: null,
  ready: null,        // a promise, resolved when the module is up
  pending: new Map(), // id -> {resolve, reject}
  nextId: 1,
  glasses: null,
  help: '',
};

function startWorker() {
  const worker = new Worker('worker.js');
  engine.worker = worker;
  engine.ready = new Promise((resolve, reject) => {
    worker.onmessage = (event) => {
      const m = event.data;
      if (m.type === 'ready') {
        worker.wasReady = true;
        engine.glasses = engine.glasses || m.glasses;
        engine.help = m.help || engine.help;
        resolve();
      } else if (m.type === 'fatal') {
        reject(new Error(m.message));
      } else {
        const waiter = engine.pending.get(m.id);
        engine.pending.delete(m.id);
        if (m.crashed) restartWorker('The program stopped: ' + m.stderr);
        if (waiter) waiter.resolve(m);
      }
    };
    worker.onerror = (event) => {
      event.preventDefault();
      reject(new Error(event.message || 'the worker could not start'));
      // A worker that was up has stopped: a fresh one takes over. One that
      // never came up would fail again; the page says so instead.
      if (engine.worker === worker && worker.wasReady) {
        restartWorker('The program stopped: ' + (event.message || 'unknown error'));
      }
    };
  });
  engine.ready.catch(() => {});
}

// Ends every run of the worker; their promises are rejected with `why`.
function restartWorker(why) {
  if (engine.worker) engine.worker.terminate();
  const waiting = [...engine.pending.values()];
  engine.pending.clear();
  startWorker();
  for (const w of waiting) w.reject({cancelled: true, why});
}

// Runs the command line with `args`; `folders` are emptied first and their
// files returned, `files` ({path: bytes}) are written first.
// `label` says on the status line what the worker is doing meanwhile.
async function runCli(args, {folders = [], files = {}, label = 'Working…'} = {}) {
  await engine.ready;
  const done = new Promise((resolve, reject) => {
    const id = engine.nextId++;
    engine.pending.set(id, {resolve, reject, label});
    engine.worker.postMessage({id, args, folders, files});
  });
  showActivity();
  try {
    return await done;
  } finally {
    showActivity();
  }
}

// ---- Page state -------------------------------------------------------------------
const page = {
  shown: null,      // the result on screen: {entries, args, json, text, exact lines}
  busy: false,      // a Find is running
  startedAt: 0,       // when the running Find began
  activeSince: 0,     // when the worker's present work began
  timer: 0,
  lastStatus: '',
  loaded: false,     // the catalogs are in: the link may follow the entries
  converting: null,  // a units switch under way (a promise)
};

function setState(state) {
  document.body.dataset.state = state;
}

function setStatus(text) {
  $('status').textContent = text;
}

function showError(text) {
  $('error').textContent = text;
}

// Work that is not a Find (a download, a units switch, a picture): its
// message goes to the status line, its failure to #notes.
function note(text) {
  $('notes').textContent = text;
}

// While the worker has work, the status line says what and for how long,
// and Cancel stops it; afterwards the line says how the last Find ended.
function showActivity() {
  const first = engine.pending.values().next().value;
  $('cancel').hidden = !first;
  if (!first) {
    clearInterval(page.timer);
    page.timer = 0;
    page.activeSince = 0;
    setStatus(page.lastStatus);
    return;
  }
  if (!page.activeSince) page.activeSince = performance.now();
  const since = page.busy ? page.startedAt : page.activeSince;
  setStatus(first.label + ' ' + ((performance.now() - since) / 1000).toFixed(1) + ' s');
  if (!page.timer) page.timer = setInterval(showActivity, 100);
}

function startWorking() {
  page.busy = true;
  page.startedAt = performance.now();
  $('units').disabled = true;
}

function stopWorking(status) {
  page.busy = false;
  $('units').disabled = false;
  page.lastStatus = status;
  showActivity();
}

// ---- Finding ------------------------------------------------------------------------
// The command's own words for a run that did not finish: standard error, less
// the lines that only name files it wrote.
function commandMessage(r) {
  return r.stderr.split('\n').filter((l) => l && !l.startsWith('/')).join('\n');
}

// The command's refusal of a set-up file the page wrote for it, said of
// `name` instead, without the pointer to --help.
function setupMessage(r, path, name) {
  return commandMessage(r).split('\n').filter((l) => !l.startsWith('Try '))
    .map((l) => l.replace('vantry-null-cli: --setup ' + path + ': ', name)).join('\n');
}

// The report, and the exact check's text after it, from a run without --json.
function splitText(stdout) {
  const at = stdout.lastIndexOf('\n\nExact check\n');
  if (at < 0) return {report: stdout.replace(/\n$/, ''), exact: ''};
  return {report: stdout.slice(0, at), exact: stdout.slice(at + 2).replace(/\n$/, '')};
}

async function find() {
  if (page.busy) return;
  if (page.converting) await page.converting;
  const entries = currentEntries();
  const args = entryArgs(entries);
  const jsonArgs = ['--json', '--exact', ...args];
  showError('');
  note('');
  setState('working');
  startWorking();
  try {
    const r = await runCli(jsonArgs);
    let json = null;
    try {
      json = r.stdout ? JSON.parse(r.stdout) : null;
    } catch (e) {
      json = null;
    }
    window.vnLast = {args: jsonArgs, status: r.status, json, stderr: r.stderr};
    // The report and the exact check as the command line words them.
    let text = {report: json && typeof json.report === 'string' ? json.report : '', exact: ''};
    if (json && !json.error) {
      const t = await runCli(['--exact', ...args]);
      text = splitText(t.stdout);
      if (typeof json.report === 'string') text.report = json.report;
    }
    const failed = r.status !== 0 || !json || json.error;
    showError(failed ? commandMessage(r) : '');
    const warnings = failed ? '' : commandMessage(r);
    showResult({entries, args, jsonArgs, json, text, status: r.status, warnings});
    stopWorking(failed ? 'The run did not finish.' : 'Done in ' +
      ((performance.now() - page.startedAt) / 1000).toFixed(1) + ' s.');
    setState(failed ? 'failed' : 'done');
    reveal(failed ? $('error') : $('result'));
    if (!failed) {
      drawExactPictures();
      if ($('tester').open) drawView();
    }
  } catch (e) {
    stopWorking(e && e.cancelled ? 'Cancelled.' : 'The run did not finish.');
    if (e && e.cancelled) {
      setState(page.shown ? (page.shown.failed ? 'failed' : 'done') : 'idle');
      if (e.why) showError(e.why);
    } else {
      showError(String(e && e.message ? e.message : e));
      setState('failed');
    }
  }
}

// On a phone the result lies below the form: bring its start into view.
function reveal(el) {
  const top = el.getBoundingClientRect().top;
  if (top > window.innerHeight - 40 || top < 0) el.scrollIntoView({block: 'start'});
}

function cancel() {
  restartWorker('');
}

// ---- Showing a result ----------------------------------------------------------------
function element(tag, text, className) {
  const e = document.createElement(tag);
  if (text !== undefined) e.textContent = text;
  if (className) e.className = className;
  return e;
}

// The entries of a result in words, so that what is shown says what made it.
function entriesLine(e) {
  const u = e.units === 'inch' ? ' in' : ' mm';
  const glass = e.glass ? e.glass + ' at ' + e.wavelength + ' nm'
    : 'index ' + e.index + ' at ' + e.wavelength + ' nm';
  return 'Mirror ' + e['mirror-diameter'] + u + ', R ' + e['mirror-roc'] + u +
    ', K ' + e.conic + '; lens R1 ' + e['source-radius'] + ', R2 ' +
    e['mirror-side-radius'] + ', t ' + e.thickness + ', D ' + e['lens-diameter'] + u +
    ', ' + glass + (e.explore ? ', spacing error ' + e.explore.replace('=', ' ') : '');
}

const VERDICT_CLASS = {ok: 'ok', caution: 'caution', not_a_null: 'no'};

function showResult(result) {
  page.shown = result;
  result.failed = result.status !== 0 || !result.json || !!result.json.error;
  $('result').hidden = false;
  $('result-entries').textContent = 'Result for: ' + entriesLine(result.entries);
  $('report').textContent = result.text.report;
  // A refused option leaves no report: the error above says why.
  $('report').hidden = $('report-heading').hidden = !result.text.report;
  $('pictures').replaceChildren();
  $('view-figure').hidden = true;
  $('view-note').textContent = '';
  note(result.warnings || '');

  // The verdict and the distances to set up: the exact check's first lines.
  const verdict = $('verdict');
  verdict.replaceChildren();
  verdict.className = '';
  const exact = $('exact');
  exact.replaceChildren();
  const lines = result.text.exact ? result.text.exact.split('\n').slice(1) : [];
  let k = 0;
  const isVerdictLine = (l) => /^(Verdict|Distances to set up|No distances)/.test(l) ||
    l.startsWith(' ');
  const head = [];
  while (k < lines.length && (k === 0 || isVerdictLine(lines[k]))) head.push(lines[k++]);
  if (head.length) {
    const status = result.json && result.json.exact && result.json.exact.verdict
      ? result.json.exact.verdict.status : '';
    verdict.className = 'verdict ' + (VERDICT_CLASS[status] || '');
    verdict.append(element('pre', head.join('\n')));
  }
  // The rest of the check's figures as a small table: "what = how much".
  if (k < lines.length) {
    exact.append(element('h2', 'Exact check'));
    const table = element('table');
    for (; k < lines.length; ++k) {
      const row = element('tr');
      const m = /^(\S.*?)\s+= (.*)$/.exec(lines[k]);
      if (m) {
        row.append(element('th', m[1]), element('td', m[2]));
      } else {
        const cell = element('td', lines[k].trim());
        cell.colSpan = 2;
        if (!lines[k].startsWith(' ')) cell.className = 'sub';
        row.append(cell);
      }
      table.append(row);
    }
    exact.append(table);
  }
  $('downloads').hidden = result.failed;
  $('tester').hidden = result.failed;
  markStale();
}

// What is on screen is true now: a result whose entries differ from the
// fields is greyed and says so until Find is pressed again.
function markStale() {
  if (!page.shown) return;
  const stale = !sameArgs(entryArgs(currentEntries()), page.shown.args);
  $('result').classList.toggle('stale', stale);
  $('stale-note').hidden = !stale;
}

// ---- The exact check's pictures ------------------------------------------------------------
const hasPictures = () => engine.help.includes('--exact-pictures');

async function drawExactPictures() {
  if (!hasPictures() || !page.shown) return;
  const shown = page.shown;
  try {
    $('pictures').replaceChildren(element('p', 'Drawing the exact check\'s pictures…', 'waiting'));
    const r = await runCli([...shown.args, '--exact-pictures', '/out/exact'],
      {folders: ['/out/exact'], label: 'Drawing the pictures…'});
    if (page.shown !== shown) return;
    const box = $('pictures');
    box.replaceChildren();
    // In the order the command line names them: the set-up first.
    const order = (p) => r.stderr.indexOf(p + '\n');
    const paths = Object.keys(r.files).filter((p) => p.endsWith('.svg'));
    for (const path of paths.sort((x, y) => order(x) - order(y))) {
      const name = path.slice(path.lastIndexOf('/') + 1);
      const svgText = new TextDecoder().decode(r.files[path]);
      const figure = element('figure');
      const img = element('img');
      img.src = 'data:image/svg+xml;charset=utf-8,' + encodeURIComponent(svgText);
      img.alt = name;
      const caption = element('figcaption');
      caption.append(downloadLink(name, r.files[path], 'image/svg+xml', 'SVG'), ' ',
        pngButton(name.replace(/\.svg$/, '.png'), img));
      figure.append(img, caption);
      box.append(figure);
    }
    if (r.status !== 0 && !Object.keys(r.files).length) note(commandMessage(r));
  } catch (e) {
    // Cancelled with the run it belonged to.
  }
}

// ---- The tester's view ----------------------------------------------------------------
function showTesterControls() {
  const kind = $('view-kind').value;
  for (const ctl of document.querySelectorAll('#tester .ctl')) {
    ctl.hidden = !ctl.dataset.kinds.split(' ').includes(kind);
  }
}

async function drawView() {
  if (!page.shown || page.shown.failed) return;
  const shown = page.shown;
  const kind = $('view-kind').value;
  const args = [...shown.args, '--view', kind, '--out', '/out/view/view.png',
    '--delta-k', $('delta-k').value];
  if (kind === 'ronchi') {
    args.push('--grating', $('grating').value);
    if ($('grating-offset').value.trim()) args.push('--grating-offset', $('grating-offset').value);
  } else if (kind === 'foucault') {
    args.push('--knife-offset', $('knife-offset').value);
  } else {
    args.push('--tilt', $('tilt').value);
  }
  $('view-note').textContent = 'Drawing…';
  try {
    const r = await runCli(args, {folders: ['/out/view'], label: 'Drawing the tester\'s view…'});
    if (page.shown !== shown) return;
    const bytes = r.files['/out/view/view.png'];
    // The picture's caption says where it was traced; without a picture,
    // the command's own lines say why.
    $('view-note').textContent = bytes ? '' : commandMessage(r);
    if (!bytes) {
      $('view-figure').hidden = true;
      return;
    }
    const url = URL.createObjectURL(new Blob([bytes], {type: 'image/png'}));
    const img = $('view-image');
    if (img.src.startsWith('blob:')) URL.revokeObjectURL(img.src);
    img.src = url;
    $('view-download').href = url;
    $('view-download').download = 'tester-' + kind + '.png';
    $('view-figure').hidden = false;
  } catch (e) {
    $('view-note').textContent = e && e.cancelled ? 'Cancelled.' : String(e);
  }
}

// ---- Downloads ------------------------------------------------------------------------
function saveBytes(name, bytes, type) {
  const url = URL.createObjectURL(new Blob([bytes], {type}));
  const a = element('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

function downloadLink(name, bytes, type, label) {
  const a = element('a', label);
  a.href = URL.createObjectURL(new Blob([bytes], {type}));
  a.download = name;
  return a;
}

// A PNG of a drawn SVG, made by the browser at twice the picture's size.
function pngButton(name, img) {
  const b = element('button', 'PNG');
  b.type = 'button';
  b.addEventListener('click', () => {
    const w = (img.naturalWidth || 800) * 2;
    const h = (img.naturalHeight || 600) * 2;
    const canvas = element('canvas');
    canvas.width = w;
    canvas.height = h;
    const g = canvas.getContext('2d');
    g.fillStyle = '#fff';
    g.fillRect(0, 0, w, h);
    g.drawImage(img, 0, 0, w, h);
    canvas.toBlob((blob) => saveBytes(name, blob, 'image/png'), 'image/png');
  });
  return b;
}

// Runs the shown result's entries with a file option and offers every file
// the command wrote.
async function downloadFiles(option, folder) {
  if (!page.shown) return;
  note('Writing…');
  try {
    const r = await runCli([...page.shown.args, option, folder],
      {folders: [folder], label: 'Writing…'});
    const paths = Object.keys(r.files).sort();
    if (!paths.length) {
      note(commandMessage(r) || 'Nothing was written.');
      return;
    }
    for (const path of paths) {
      saveBytes(path.slice(path.lastIndexOf('/') + 1), r.files[path], 'application/octet-stream');
    }
    note('');
  } catch (e) {
    note(e && e.cancelled ? 'Cancelled.' : String(e));
  }
}

// The set-up file of the entries as they stand, written by the command line
// as the window saves it.
async function saveSetup() {
  note('Writing…');
  try {
    const r = await runCli([...entryArgs(currentEntries()), '--save-setup', '/out/setup/set-up.vnull'],
      {folders: ['/out/setup']});
    const bytes = r.files['/out/setup/set-up.vnull'];
    if (!bytes) {
      note(commandMessage(r) || 'The set-up could not be written.');
      return;
    }
    saveBytes('set-up.vnull', bytes, 'application/json');
    note('');
  } catch (e) {
    note(e && e.cancelled ? 'Cancelled.' : String(e));
  }
}

// ---- Opening a set-up file -------------------------------------------------------------------
// The command line reads the file first (its message when it refuses it);
// then the fields take the file's texts as they were typed.
async function openSetup(file) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  const path = '/in/set-up.vnull';
  showError('');
  note('Opening ' + file.name + '…');
  try {
    let setup;
    try {
      setup = JSON.parse(new TextDecoder().decode(bytes));
    } catch (e) {
      setup = null;
    }
    const units = setup && setup.units === 'inch' ? 'inch' : 'mm';
    // The file read by the command line with the start-up entries typed over
    // its own: it refuses what is not a set-up, and a run that finishes says
    // the file's glass and wavelength as the report writes them. The file's
    // entries themselves are judged by Find, as in the window.
    const startUp = units === 'inch'
      ? ['12.5', '100', '-1', '9e99', '-8.11023622047244', '0.590551181102362', '3.1496062992126']
      : ['317.5', '2540', '-1', '9e99', '-206', '15', '80'];
    const over = ['--units', units, '--index', '1.51509'];
    ENTRY_IDS.forEach((id, i) => over.push('--' + id, startUp[i]));
    const r = await runCli(['--setup', path, '--json', ...over], {files: {[path]: bytes}});
    if (r.status === 2 || !setup) {
      // The command line's reason, said of the file the user chose.
      showError(setupMessage(r, path, file.name + ': '));
      note('');
      return;
    }
    let json = null;
    try {
      json = JSON.parse(r.stdout);
    } catch (e) {
      json = null;
    }
    const wavelength = json && json.wavelength_nm !== undefined ? String(json.wavelength_nm)
      : String(Number((setup.wavelength_um * 1000).toPrecision(12)));
    // The glass names the index only when the file's index is the one the
    // refractive-index dialog gives for that glass and wavelength.
    const dialog = await runCli(['--glass', setup.glass, '--wavelength', wavelength, '--conic', '-',
      '--save-setup', '/out/glass/g.vnull'], {folders: ['/out/glass']});
    const given = dialog.files['/out/glass/g.vnull'];
    const glassIndex = given ? JSON.parse(new TextDecoder().decode(given)).entries.index : null;
    $('units').value = units;
    for (const [id, key] of Object.entries(SETUP_KEYS)) $(id).value = setup.entries[key];
    $('wavelength').value = wavelength;
    $('glass').value = glassIndex === setup.entries.index ? setup.glass : '';
    showUnits();
    entriesChanged();
    note('Opened ' + file.name + '; press Find to solve it.');
  } catch (e) {
    note(e && e.cancelled ? 'Cancelled.' : 'The set-up could not be opened: ' + String(e));
  }
}

// ---- Units --------------------------------------------------------------------------------
// Switching the units converts the six lengths as the window's units switch
// does (25.4 mm to the inch, the texts rewritten in its number form), so that
// the mirror and the lens keep their size. The command line does the
// conversion: the lengths are saved as a set-up in the old unit and read back
// in the new one. A length that is not a number stops the switch, as in the
// window.
let shownUnits = 'mm';

function switchUnits() {
  page.converting = convertUnits().finally(() => {
    page.converting = null;
  });
}

async function convertUnits() {
  const to = $('units').value;
  const from = shownUnits;
  if (to === from) return;
  const e = currentEntries();
  const lengths = ['--units', from];
  for (const id of LENGTH_IDS) lengths.push('--' + id, e[id]);
  // An unreadable conic ends the run at once: only the file is wanted.
  const quick = ['--conic', '-', '--index', '1'];
  $('units').disabled = true;
  try {
    const saved = await runCli([...lengths, ...quick, '--save-setup', '/out/units/a.vnull'],
      {folders: ['/out/units']});
    const a = saved.files['/out/units/a.vnull'];
    if (!a) throw new Error(commandMessage(saved));
    const back = await runCli(['--setup', '/in/units.vnull', '--units', to, ...quick,
      '--save-setup', '/out/units/b.vnull'], {folders: ['/out/units'], files: {'/in/units.vnull': a}});
    const b = back.files['/out/units/b.vnull'];
    if (!b) {
      // The length that is not a number keeps the focus, as in the window.
      const key = /the entry "(\w+)"/.exec(back.stderr);
      if (key && $(key[1].replace(/_/g, '-'))) $(key[1].replace(/_/g, '-')).focus();
      throw new Error(setupMessage(back, '/in/units.vnull', ''));
    }
    const setup = JSON.parse(new TextDecoder().decode(b));
    for (const id of LENGTH_IDS) $(id).value = setup.entries[SETUP_KEYS[id]];
    shownUnits = to;
    showError('');
  } catch (err) {
    $('units').value = from;
    showError(err && err.cancelled ? '' : 'The units stay ' + from + ': ' +
      String(err && err.message ? err.message : err).replace(/^vantry-null-cli: /, ''));
  } finally {
    $('units').disabled = page.busy;
    showUnits();
    entriesChanged();
  }
}

function showUnits() {
  shownUnits = $('units').value;
  const unit = shownUnits === 'inch' ? 'in' : 'mm';
  for (const span of document.querySelectorAll('.unit[data-length]')) span.textContent = unit;
}

// ---- The glass's index -----------------------------------------------------------------------
// A chosen glass puts its index at the wavelength into the index field, as
// the refractive-index dialog does: the command line's own text for it.
let indexAsked = 0;

async function showGlassIndex() {
  const glass = $('glass').value;
  if (!glass) return;
  const asked = ++indexAsked;
  try {
    const r = await runCli(['--glass', glass, '--wavelength', $('wavelength').value, '--conic', '-',
      '--save-setup', '/out/index/i.vnull'], {folders: ['/out/index']});
    if (asked !== indexAsked || $('glass').value !== glass) return;
    const bytes = r.files['/out/index/i.vnull'];
    // A wavelength the dialog refuses leaves the field empty; Find says why.
    $('index').value = bytes ? JSON.parse(new TextDecoder().decode(bytes)).entries.index : '';
    markStale();
  } catch (e) {
    // Cancelled: the next change asks again.
  }
}

// ---- The link ------------------------------------------------------------------------------
function queryOf(e) {
  const q = new URLSearchParams();
  for (const id of QUERY_IDS) {
    if (id === 'index' && e.glass) continue;
    if ((id === 'glass' || id === 'explore') && !e[id]) continue;
    q.set(id, e[id]);
  }
  return q;
}

function followEntries() {
  if (!page.loaded) return;
  const url = location.pathname + '?' + queryOf(currentEntries()).toString();
  history.replaceState(null, '', url);
}

// Fills the fields from the query; returns whether it asks for a Find.
function readQuery(q) {
  for (const id of QUERY_IDS) {
    if (!q.has(id) || id === 'glass') continue;
    const field = $(id);
    const value = q.get(id);
    if (field.tagName === 'SELECT' && ![...field.options].some((o) => o.value === value)) {
      showError('The link names ' + id + ' "' + value + '", which this page does not know.');
      continue;
    }
    field.value = value;
  }
  showUnits();
  return q.has('find');
}

async function copyLink() {
  followEntries();
  // The link opens with the result: whoever follows it sees what was sent.
  const link = location.origin + location.pathname + '?' + queryOf(currentEntries()) + '&find';
  try {
    await navigator.clipboard.writeText(link);
    note('The link is copied.');
  } catch (e) {
    // No clipboard (an insecure origin): the link to copy by hand.
    note(link);
  }
}

// ---- Wiring --------------------------------------------------------------------------------
function entriesChanged(event) {
  const id = event && event.target ? event.target.id : '';
  if (id === 'glass' || (id === 'wavelength' && $('glass').value)) showGlassIndex();
  $('index').readOnly = !!$('glass').value;
  $('index').title = $('glass').value ? 'the glass gives the index' : '';
  followEntries();
  markStale();
}

function fillGlasses(glasses) {
  const select = $('glass');
  const groups = {};
  for (const g of glasses) {
    if (!groups[g.catalog]) {
      groups[g.catalog] = element('optgroup');
      groups[g.catalog].label = g.catalog;
      select.append(groups[g.catalog]);
    }
    const o = element('option', g.name);
    o.value = g.name;
    groups[g.catalog].append(o);
  }
}

function wire() {
  $('entries').addEventListener('submit', (event) => {
    event.preventDefault();
    find();
  });
  $('entries').addEventListener('input', (event) => {
    if (event.target.tagName === 'INPUT' && event.target.id !== 'open-setup') entriesChanged(event);
  });
  $('entries').addEventListener('change', (event) => {
    if (event.target.id === 'units') switchUnits();
    else if (event.target.tagName === 'SELECT') entriesChanged(event);
  });
  $('entries').addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && event.target.tagName === 'SELECT') {
      event.preventDefault();
      find();
    }
  });
  $('cancel').addEventListener('click', cancel);
  $('copy-link').addEventListener('click', copyLink);
  $('save-setup').addEventListener('click', saveSetup);
  $('open-setup').addEventListener('change', (event) => {
    const file = event.target.files[0];
    event.target.value = '';
    if (file) openSetup(file);
  });
  $('download-report').addEventListener('click', () => {
    if (page.shown) saveBytes('null-report.txt', page.shown.text.report + '\n', 'text/plain');
  });
  $('download-oslo').addEventListener('click', () => downloadFiles('--save-oslo', '/out/oslo'));
  $('download-residual').addEventListener('click',
    () => downloadFiles('--export-residual', '/out/residual'));
  $('tester').addEventListener('toggle', () => {
    if ($('tester').open && $('view-figure').hidden) drawView();
  });
  $('view-kind').addEventListener('change', () => {
    showTesterControls();
    drawView();
  });
  $('draw-view').addEventListener('click', drawView);
  for (const input of document.querySelectorAll('#tester input')) {
    input.addEventListener('keydown', (event) => {
      if (event.key === 'Enter') drawView();
    });
  }
  // The label stands for the hidden file input: Enter and Space open it.
  document.querySelector('label[for="open-setup"]').tabIndex = 0;
  document.querySelector('label[for="open-setup"]').addEventListener('keydown', (event) => {
    if (event.key === 'Enter' || event.key === ' ') {
      event.preventDefault();
      $('open-setup').click();
    }
  });
}

async function main() {
  wire();
  showTesterControls();
  // The link's query, kept before the page rewrites it.
  const q = new URLSearchParams(location.search);
  const wantsFind = readQuery(q);
  entriesChanged();
  startWorker();
  try {
    await engine.ready;
  } catch (e) {
    setStatus('');
    showError('The program could not be loaded: ' + e.message);
    setState('failed');
    return;
  }
  fillGlasses(engine.glasses);
  // The query's glass could only be chosen once the catalogs are in.
  if (q.has('glass')) {
    $('glass').value = q.get('glass');
    if ($('glass').value !== q.get('glass')) {
      $('glass').value = '';
      showError('The link names the glass "' + q.get('glass') + '", which neither catalog lists.');
    }
    showGlassIndex();
  }
  page.loaded = true;
  entriesChanged();
  page.lastStatus = 'Ready.';
  if (!page.busy) {
    setState('idle');
    showActivity();
  }
  if (wantsFind) find();
}

main();
