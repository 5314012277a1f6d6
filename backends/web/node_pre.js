// Node's fetch cannot load the wasm from a file path, so under node it is read from the file
// (the runner's thread gets the compiled module from the main thread).
if (typeof process == 'object' && typeof __dirname == 'string' && !Module['wasmBinary']) {
  Module['wasmBinary'] = require('fs').readFileSync(require('path').join(__dirname, 'nev.wasm'));
}
