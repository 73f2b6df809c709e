// The package for Node: load() hands the module its bytes from the file
// beside this one.
const fs = require('fs');
const path = require('path');
const vornixModule = require('./dist/vornix.cjs');
const { api, VornixError } = require('./dist/api.cjs');

async function load() {
  const wasmBinary = fs.readFileSync(path.join(__dirname, 'dist', 'vornix.wasm'));
  return api(await vornixModule({ wasmBinary }));
}

module.exports = { load, VornixError };
