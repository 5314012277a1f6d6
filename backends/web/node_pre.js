// Node's fetch cannot load the wasm from a file path, so under node it is read from the file.
if (typeof process == 'object' && typeof __dirname == 'string' && !Module['wasmBinary']) {
  Module['wasmBinary'] = require('fs').readFileSync(require('path').join(__dirname, 'nev.wasm'));
}
