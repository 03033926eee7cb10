// A static file server for the page on 127.0.0.1 (node, no packages).
//
//   node web/serve.js DIR [PORT]     // serves DIR, prints the page's address
//   const { serve } = require('./serve.js');
//   const server = await serve(dir, 0);   // a free port: server.address().port
//
// Only files below DIR are served (a path that leaves it is 404); the
// WebAssembly type is sent, as browsers compile only application/wasm
// streaming.
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.png': 'image/png', '.json': 'application/json',
};

// The file a request names inside root, or null when it names none there.
function resolve(root, url) {
  let name;
  try {
    name = decodeURIComponent(new URL(url, 'http://127.0.0.1').pathname);
  } catch (e) {
    return null;
  }
  if (name.endsWith('/')) name += 'Vendrapolis.html';
  const file = path.resolve(root, '.' + name);
  return file === root || file.startsWith(root + path.sep) ? file : null;
}

function serve(dir, port) {
  const root = path.resolve(dir);
  const server = http.createServer((req, res) => {
    const file = resolve(root, req.url);
    fs.stat(file || '', (err, st) => {
      if (!file || err || !st.isFile()) {
        res.writeHead(404, { 'Content-Type': 'text/plain' });
        res.end('not found\n');
        return;
      }
      res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
                           'Content-Length': st.size, 'Cache-Control': 'no-cache' });
      fs.createReadStream(file).pipe(res);
    });
  });
  return new Promise((ok, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => ok(server));
  });
}

module.exports = { serve, resolve };

if (require.main === module) {
  const dir = process.argv[2];
  const port = parseInt(process.argv[3] || '8080', 10);
  if (!dir || !fs.existsSync(path.join(dir, 'Vendrapolis.html'))) {
    console.error(`no page in ${dir || '(no folder given)'}: build it with scripts/build-web.sh`);
    process.exit(1);
  }
  serve(dir, port).then((server) => {
    console.log(`Serving ${path.resolve(dir)} at http://127.0.0.1:${server.address().port}/Vendrapolis.html`);
    console.log('(Ctrl+C stops it)');
  }, (err) => {
    console.error(`could not serve on 127.0.0.1:${port}: ${err.message}`);
    process.exit(1);
  });
}
