// The package for pages: load() fetches vornix.wasm beside this file.
import vornixModule from './dist/vornix.mjs';
import { api, VornixError } from './lib/api.mjs';

export { VornixError };

export async function load() {
  const wasm = new URL('./dist/vornix.wasm', import.meta.url).href;
  return api(await vornixModule({ locateFile: () => wasm }));
}
