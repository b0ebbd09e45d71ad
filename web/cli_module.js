// Appended to the WebAssembly module's glue: Module.runCli(args) runs the
// command line once with `args` (what follows the program's name) and
// returns {status, stdout, stderr}. Files it writes land in Module.FS.
Module['runCli'] = function (args) {
  const all = ['vantry-null-cli'].concat(args.map(String));
  const pointers = all.map((text) => {
    const size = lengthBytesUTF8(text) + 1;
    const p = _malloc(size);
    stringToUTF8(text, p, size);
    return p;
  });
  const argv = _malloc(4 * pointers.length);
  pointers.forEach((p, i) => { HEAP32[(argv >> 2) + i] = p; });
  let status;
  try {
    status = _vn_run(pointers.length, argv);
  } finally {
    pointers.forEach((p) => _free(p));
    _free(argv);
  }
  return { status: status, stdout: UTF8ToString(_vn_output()), stderr: UTF8ToString(_vn_errors()) };
};
