// The package for Node's import: the CommonJS one.
import { createRequire } from 'module';

const require = createRequire(import.meta.url);
const { load, VornixError } = require('./index.cjs');

export { load, VornixError };
