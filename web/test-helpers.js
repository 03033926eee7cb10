// Tests of the page test's own helpers (node web/test-helpers.js): the PNG
// reader against the conformance suite's expected pixels, the picture
// measures on made pictures, and the server's rule that nothing outside its
// folder is served. Exit code 1 on any failure.
'use strict';
const fs = require('fs');
const path = require('path');
const { decodePng, regionMean, greenFraction, greyDeviation } = require('./png.js');
const { serve, resolve } = require('./serve.js');
const http = require('http');

const suite = path.join(__dirname, '..', 'tests', 'data', 'pngsuite');
let failed = 0;
function check(ok, what) {
  if (!ok) {
    failed++;
    console.log(`FAIL ${what}`);
  }
}

// Every 8-bit, non-interlaced grey, grey + alpha, RGB and RGBA file of the
// suite (all five row filters among them) decodes to the expected RGBA.
function testDecoderAgainstSuite() {
  const names = fs.readFileSync(path.join(suite, 'MANIFEST.tsv'), 'utf8').split('\n')
    .map((line) => line.split('\t')).filter((f) => f[3] === 'valid' && /^(basn|f0[0-4]n)[0246]\w08$/.test(f[0]))
    .map((f) => f[0]);
  check(names.length >= 12, `the suite offers the 8-bit files (${names.length})`);
  for (const name of names) {
    const picture = decodePng(fs.readFileSync(path.join(suite, 'png', `${name}.png`)));
    const expected = fs.readFileSync(path.join(suite, 'expected', `${name}.rgba`));
    check(picture.width * picture.height * 4 === expected.length, `${name}: size`);
    check(Buffer.compare(picture.pixels, expected) === 0, `${name}: the pixels match the expected RGBA`);
  }
  // Forms it does not read, and broken files, are errors rather than pictures.
  for (const name of ['basi0g08', 'basn2c16', 'basn3p08']) {
    let threw = false;
    try { decodePng(fs.readFileSync(path.join(suite, 'png', `${name}.png`))); } catch (e) { threw = true; }
    check(threw, `${name}: refused`);
  }
  const cut = fs.readFileSync(path.join(suite, 'png', 'basn2c08.png')).subarray(0, 60);
  let threw = false;
  try { decodePng(cut); } catch (e) { threw = true; }
  check(threw, 'a file cut short is refused');
}

// The measures on a made picture: left half pure green, right half grey levels.
function testMeasures() {
  const width = 8, height = 4, pixels = Buffer.alloc(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const i = (y * width + x) * 4;
      const v = x < 4 ? [0, 255, 0] : [x * 30, x * 30, x * 30];
      pixels.set([...v, 255], i);
    }
  }
  const picture = { width, height, pixels };
  check(greenFraction(picture, 0, 0, 0.5, 1) === 1, 'green half counted as green');
  check(greenFraction(picture, 0.5, 0, 1, 1) === 0, 'grey half counted as not green');
  const mean = regionMean(picture, 0.5, 0, 1, 1);
  check(Math.abs(mean[0] - (4 + 5 + 6 + 7) * 30 / 4 / 255) < 1e-9, `region mean of the grey half (${mean[0]})`);
  const flat = { width, height, pixels: Buffer.alloc(width * height * 4, 128) };
  check(greyDeviation(flat) < 1e-9, 'a flat picture has no deviation');
  check(greyDeviation(picture) > 0.05, `a varied picture has deviation (${greyDeviation(picture).toFixed(3)})`);
}

// Paths that leave the folder are refused, whatever their spelling; the page
// is served with the WebAssembly type.
async function testServer() {
  const root = path.resolve(__dirname);
  check(resolve(root, '/serve.js') === path.join(root, 'serve.js'), 'a file in the folder');
  check(resolve(root, '/') === path.join(root, 'Vendrapolis.html'), 'the folder gives the page');
  for (const url of ['/../README.md', '/%2e%2e/README.md', '/a/../../README.md', '/..%2fREADME.md'])
    check(resolve(root, url) === null || resolve(root, url).startsWith(root + path.sep), `${url} stays inside`);
  const server = await serve(path.join(suite, '..'), 0);
  const port = server.address().port;
  const get = (url) => new Promise((ok) => http.get(`http://127.0.0.1:${port}${url}`, (res) => {
    res.resume();
    res.on('end', () => ok(res));
  }));
  const found = await get('/pngsuite/MANIFEST.tsv');
  check(found.statusCode === 200, 'a file is served');
  check((await get('/../../README.md')).statusCode === 404, 'a file outside is not served');
  check((await get('/pngsuite')).statusCode === 404, 'a folder is not served');
  server.close();
}

(async () => {
  testDecoderAgainstSuite();
  testMeasures();
  await testServer();
  console.log(failed ? `FAILED: ${failed}` : 'PASS: the page test\'s helpers');
  process.exit(failed ? 1 : 0);
})();
