#!/usr/bin/env node
// The browser build's command line run by node as a program, so that the
// scripts that compare command lines (tests/windows/compare_cli.py,
// scripts/compare-builds.sh) take it as they take the Linux one:
//   node tests/web/wasm_cli.cjs [options]   (after scripts/build-web.sh)
// The working folder is the real one, so that the files it writes are on disk.
'use strict';
const fs = require('fs');
const path = require('path');

const web = process.env.VN_WEB_DIR || path.join(__dirname, '..', '..', 'build', 'web');
const VantryNull = require(path.join(web, 'vantry-null.js'));
VantryNull({ wasmBinary: fs.readFileSync(path.join(web, 'vantry-null.wasm')) }).then((vn) => {
  const cwd = process.cwd();
  vn.FS.mkdirTree(cwd);
  vn.FS.mount(vn.NODEFS, { root: cwd }, cwd);
  vn.FS.chdir(cwd);
  const result = vn.runCli(process.argv.slice(2));
  process.stdout.write(result.stdout);
  process.stderr.write(result.stderr);
  process.exitCode = result.status;
});
