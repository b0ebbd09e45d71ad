// The page's worker: runs the command line, compiled to WebAssembly, one call
// at a time, so that the page never waits on it. A run that must stop is
// stopped by the page ending this worker and starting another.
//
// Messages in:  {id, args, folders: [paths made empty first],
//                files: {path: Uint8Array written before the run}}
// Messages out: {type: 'ready', glasses} once the module is up,
//               {type: 'fatal', message} when it cannot be loaded,
//               {id, status, stdout, stderr, files: {path: Uint8Array}}
//               with every file found in `folders` after the run.
'use strict';

let vn = null;

function makeFolder(path) {
  let parent = '';
  for (const part of path.split('/').filter(Boolean)) {
    parent += '/' + part;
    if (!vn.FS.analyzePath(parent).exists) vn.FS.mkdir(parent);
  }
}

// Makes `path` an empty folder, whatever a run before left in it: the
// command line never writes over a file, it would take another name.
function emptyFolder(path) {
  const FS = vn.FS;
  makeFolder(path);
  for (const name of FS.readdir(path)) {
    if (name === '.' || name === '..') continue;
    const child = path + '/' + name;
    if (FS.isDir(FS.stat(child).mode)) {
      emptyFolder(child);
      FS.rmdir(child);
    } else {
      FS.unlink(child);
    }
  }
}

function filesIn(path, out) {
  const FS = vn.FS;
  for (const name of FS.readdir(path)) {
    if (name === '.' || name === '..') continue;
    const child = path + '/' + name;
    if (FS.isDir(FS.stat(child).mode)) filesIn(child, out);
    else out[child] = FS.readFile(child);
  }
  return out;
}

function run(message) {
  const folders = message.folders || [];
  for (const folder of folders) emptyFolder(folder);
  for (const [path, bytes] of Object.entries(message.files || {})) {
    makeFolder(path.substring(0, path.lastIndexOf('/')));
    vn.FS.writeFile(path, bytes);
  }
  let r;
  try {
    r = vn.runCli(message.args);
  } catch (e) {
    // The module stopped (out of memory, an abort): this worker is spent.
    return {id: message.id, crashed: true, status: -1, stdout: '', stderr: String(e), files: {}};
  }
  const files = {};
  for (const folder of folders) filesIn(folder, files);
  return {id: message.id, status: r.status, stdout: r.stdout, stderr: r.stderr, files};
}

const waiting = [];
let ready = false;

self.onmessage = (event) => {
  if (!ready) {
    waiting.push(event.data);
    return;
  }
  self.postMessage(run(event.data));
};

(async () => {
  try {
    importScripts('vantry-null.js');
    vn = await VantryNull();
    const list = vn.runCli(['--list-glasses', '--json']);
    const help = vn.runCli(['--help']).stdout;
    self.postMessage({type: 'ready', glasses: JSON.parse(list.stdout), help});
  } catch (e) {
    self.postMessage({type: 'fatal', message: String(e && e.message ? e.message : e)});
    return;
  }
  ready = true;
  while (waiting.length) self.postMessage(run(waiting.shift()));
})();
