// The page in headless Chromium, driven over the DevTools protocol on
// --remote-debugging-pipe (node only, no packages):
//
//   node web/test-page.js BUILD_DIR SHOT_DIR
//
// Serves BUILD_DIR on 127.0.0.1, loads the page with every GL error reported,
// waits for the world (the first frame), checks the start view (dusk sky along
// the top, green terrain in the lower corners, blue water in the middle, not a
// flat picture), flies forward with W for a second (the camera must move),
// opens the console with its key and types "benchmark 3", reads the result from
// the log, and checks the last picture again for a sky and texture. Fails on any
// GL error, page exception, crash, abort, or a page that stops drawing frames.
// Prints the figures: page load to first frame, the world build, the frame times.
// CHROMIUM names the browser (default: chromium).
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { serve } = require('./serve.js');
const { decodePng, regionMean, greenFraction, greyDeviation } = require('./png.js');

const buildDir = process.argv[2];
const shotDir = process.argv[3] || buildDir;
const WIDTH = 1024, HEIGHT = 576;

const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
}

// ---- the DevTools protocol over the pipe ---------------------------------------
class Browser {
  constructor(proc) {
    this.proc = proc;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    let buffer = '';
    proc.stdio[4].on('data', (chunk) => {
      buffer += chunk.toString('utf8');
      let end;
      while ((end = buffer.indexOf('\0')) >= 0) {
        const message = JSON.parse(buffer.slice(0, end));
        buffer = buffer.slice(end + 1);
        if (message.id && this.pending.has(message.id)) {
          const { ok, fail, method } = this.pending.get(message.id);
          this.pending.delete(message.id);
          if (message.error) fail(new Error(`${method}: ${message.error.message}`));
          else ok(message.result);
        } else if (message.method) {
          for (const listener of this.listeners) listener(message);
        }
      }
    });
  }
  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    this.proc.stdio[3].write(JSON.stringify(message) + '\0');
    return new Promise((ok, fail) => this.pending.set(id, { ok, fail, method }));
  }
  on(listener) { this.listeners.push(listener); }
}

const sleep = (ms) => new Promise((ok) => setTimeout(ok, ms));

async function waitFor(what, test, timeoutMs) {
  const end = Date.now() + timeoutMs;
  while (Date.now() < end) {
    const value = await test();
    if (value) return value;
    await sleep(100);
  }
  throw new Error(`timed out after ${timeoutMs / 1000} s waiting for ${what}`);
}

async function main() {
  if (!buildDir || !fs.existsSync(path.join(buildDir, 'Vendrapolis.html'))) {
    console.error(`no page in ${buildDir}: build it with scripts/build-web.sh`);
    process.exit(2);
  }
  fs.mkdirSync(shotDir, { recursive: true });
  const server = await serve(buildDir, 0);
  const port = server.address().port;
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zn-chromium-'));
  const chromium = process.env.CHROMIUM || 'chromium';
  const proc = spawn(chromium, [
    '--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
    '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
    '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
    `--user-data-dir=${profile}`, `--window-size=${WIDTH},${HEIGHT}`, '--remote-debugging-pipe', 'about:blank',
  ], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'], detached: true });
  // Chromium starts helpers (zygote, GPU, crash handler) that outlive its main process; in a process
  // group of its own they all end together, here and if this script ends early.
  const killGroup = () => {
    try { process.kill(-proc.pid, 'SIGKILL'); } catch (e) { /* already gone */ }
  };
  process.on('exit', killGroup);
  let browserLog = '';
  proc.stderr.on('data', (d) => { browserLog += d.toString(); });
  let exited = false;
  const exit = new Promise((ok) => proc.on('exit', () => { exited = true; ok(); }));
  // The browser goes first: it writes into its profile until it has ended. A profile that still
  // cannot be removed after that is the browser's leftover, not a failure of the page.
  const cleanup = async () => {
    killGroup();
    if (!exited) proc.kill('SIGKILL');
    await exit;
    server.close();
    for (let attempt = 0; ; attempt++) {
      try {
        fs.rmSync(profile, { recursive: true, force: true });
        break;
      } catch (e) {
        if (attempt === 20) {
          console.log(`note: could not remove the browser profile ${profile}: ${e.message}`);
          break;
        }
        await sleep(250);
      }
    }
  };

  try {
    const browser = new Browser(proc);
    const log = [];
    const errors = [];
    browser.on((m) => {
      if (m.method === 'Runtime.consoleAPICalled') {
        const text = m.params.args.map((a) => (a.value !== undefined ? String(a.value) : a.description || '')).join(' ');
        log.push(text);
        if (process.env.ZN_WEB_VERBOSE) console.log(`  [page] ${text}`);
        if (/^GL error: /.test(text) || /^Crash: /.test(text)) errors.push(text);
      } else if (m.method === 'Runtime.exceptionThrown') {
        const d = m.params.exceptionDetails;
        const text = (d.exception && d.exception.description) || d.text;
        // The runtime's own exit ends the program by an exception it names.
        if (!/ExitStatus|unwind/.test(text)) errors.push(`exception: ${text}`);
      } else if (m.method === 'Inspector.targetCrashed') {
        errors.push('the page crashed');
      }
    });

    const { targetInfos } = await browser.send('Target.getTargets');
    const page = targetInfos.find((t) => t.type === 'page');
    const { sessionId } = await browser.send('Target.attachToTarget', { targetId: page.targetId, flatten: true });
    const send = (method, params) => browser.send(method, params, sessionId);
    await send('Runtime.enable');
    await send('Page.enable');
    await send('Inspector.enable');
    const evaluate = async (expression) =>
      (await send('Runtime.evaluate', { expression, returnByValue: true })).result.value;

    // The page's size, whatever the browser's window adds around it.
    await send('Emulation.setDeviceMetricsOverride', { width: WIDTH, height: HEIGHT, deviceScaleFactor: 1, mobile: false });
    const started = Date.now();
    await send('Page.navigate', { url: `http://127.0.0.1:${port}/Vendrapolis.html#gl-errors` });
    const firstFrameMs = await waitFor('the first frame', async () => {
      if (errors.length) throw new Error(errors.join('\n'));
      return evaluate('Module.frameCount >= 1 && Math.round(Module.firstFrameTime)');
    }, 120000);
    console.log(`page load to first frame: ${firstFrameMs} ms (${Date.now() - started} ms from the driver)`);
    const built = log.find((l) => /world|built/i.test(l) && /\d+(\.\d+)? ?s\b|ms\b/.test(l));
    if (built) console.log(`world build line: ${built}`);

    // Frames keep coming: the page has not stopped after its first. A loaded
    // machine's software renderer may take seconds for one.
    const framesAt = await evaluate('Module.frameCount');
    const waitStart = Date.now();
    const framesLater = await waitFor('two more frames', async () => {
      const n = await evaluate('Module.frameCount');
      return n >= framesAt + 2 && n;
    }, 30000).catch(() => framesAt);
    check(framesLater >= framesAt + 2, `frames keep coming (${framesAt} -> ${framesLater} in ${((Date.now() - waitStart) / 1000).toFixed(1)} s)`);

    const shot = async (name) => {
      const { data } = await send('Page.captureScreenshot', { format: 'png' });
      const file = path.join(shotDir, name);
      fs.writeFileSync(file, Buffer.from(data, 'base64'));
      return decodePng(fs.readFileSync(file));
    };
    const start = await shot('web_start.png');
    check(start.width === WIDTH && start.height === HEIGHT, `the picture is ${WIDTH} x ${HEIGHT} (${start.width} x ${start.height})`);
    const sky = regionMean(start, 0.0, 0.0, 1.0, 0.06);
    check(sky[0] > 0.45 && sky[0] > sky[2], `a warm dusk sky along the top (${sky.map((v) => v.toFixed(2)).join(' ')})`);
    const left = greenFraction(start, 0.0, 0.6, 0.3, 1.0), right = greenFraction(start, 0.7, 0.6, 1.0, 1.0);
    check(left > 0.5 && right > 0.5, `green terrain in the lower corners (${left.toFixed(2)}, ${right.toFixed(2)})`);
    const lake = regionMean(start, 0.44, 0.48, 0.56, 0.58);
    check(lake[2] > lake[0] && lake[2] > lake[1], `blue water in the middle (${lake.map((v) => v.toFixed(2)).join(' ')})`);
    const sd = greyDeviation(start);
    check(sd > 0.05, `the picture has texture (grey deviation ${sd.toFixed(3)})`);

    // Keys go to the canvas; W held for a second moves the camera forward.
    const key = (type, code, keyName, keyCode, text) =>
      send('Input.dispatchKeyEvent', { type, code, key: keyName, windowsVirtualKeyCode: keyCode,
                                       nativeVirtualKeyCode: keyCode, text });
    // A console line: the console key, the line's keys, Enter (the console stays open).
    const typeLine = async (line) => {
      await key('keyDown', 'Backquote', '`', 192, '`');
      await key('keyUp', 'Backquote', '`', 192);
      for (const c of line) {
        const code = c === ' ' ? 'Space' : c >= '0' && c <= '9' ? `Digit${c}` : `Key${c.toUpperCase()}`;
        const vk = c === ' ' ? 32 : c.toUpperCase().charCodeAt(0);
        await key('keyDown', code, c, vk, c);
        await key('keyUp', code, c, vk);
      }
      await key('keyDown', 'Enter', 'Enter', 13, '\r');
      await key('keyUp', 'Enter', 'Enter', 13);
    };
    await evaluate('document.getElementById("canvas").focus()');
    const before = Buffer.from(start.pixels);
    // Held for a second and at least two frames: a slow frame could otherwise
    // see the key go down and up in one pump and move nothing.
    const heldAt = await evaluate('Module.frameCount');
    await key('keyDown', 'KeyW', 'w', 87, 'w');
    await sleep(1000);
    await waitFor('two frames with W held', async () => (await evaluate('Module.frameCount')) >= heldAt + 2, 30000)
      .catch(() => false);
    await key('keyUp', 'KeyW', 'w', 87);
    const releasedAt = await evaluate('Module.frameCount');
    await waitFor('a frame after W', async () => (await evaluate('Module.frameCount')) > releasedAt, 30000)
      .catch(() => false);
    const flown = await shot('web_flown.png');
    let changed = 0;
    for (let i = 0; i < before.length; i += 4) if (Math.abs(before[i + 1] - flown.pixels[i + 1]) > 8) changed++;
    const changedFraction = changed / (before.length / 4);
    check(changedFraction > 0.05, `flying with W changes the view (${(changedFraction * 100).toFixed(1)} % of pixels)`);

    // The console key, "benchmark 3", Enter; the console key again to close it.
    const framesBefore = await evaluate('Module.frameCount');
    await typeLine('benchmark 3');
    await key('keyDown', 'Backquote', '`', 192, '`');
    await key('keyUp', 'Backquote', '`', 192);
    const benchStart = Date.now();
    const result = await waitFor('the benchmark\'s result', async () => {
      if (errors.length) throw new Error(errors.join('\n'));
      return log.find((l) => /^benchmark: /.test(l) && /frames/.test(l));
    }, 120000);
    const framesAfter = await evaluate('Module.frameCount');
    console.log(result);
    const seconds = (Date.now() - benchStart) / 1000;
    const flightFrames = parseInt((result.match(/frames (\d+)/) || [])[1] || '0', 10);
    check(flightFrames >= 2 && framesAfter - framesBefore >= flightFrames,
          `frames during the benchmark (${flightFrames} in its flight, ${framesAfter - framesBefore} in ${seconds.toFixed(1)} s)`);

    const last = await shot('web_last.png');
    const lastSky = regionMean(last, 0.0, 0.0, 1.0, 0.06);
    check(lastSky[0] + lastSky[1] + lastSky[2] > 0.3, `a sky in the last picture (${lastSky.map((v) => v.toFixed(2)).join(' ')})`);
    check(greyDeviation(last) > 0.05, 'the last picture has texture');

    // quit ends the program cleanly: the page hears of the end, and nothing
    // touched GL after the context went (an exception or GL error would show).
    await typeLine('quit');
    const ended = await waitFor('the program\'s end after quit', () => evaluate('Module.ended === true'), 60000)
      .catch(() => false);
    check(ended, 'quit ends the program');
    await sleep(500);

    check(errors.length === 0, `no GL error, exception or crash${errors.length ? ': ' + errors.join('; ') : ''}`);
    const glTotal = log.filter((l) => /^GL error: /.test(l)).length;
    check(glTotal === 0, `GL errors reported: ${glTotal}`);
  } catch (e) {
    check(false, e.message);
    if (browserLog && process.env.ZN_WEB_VERBOSE) console.log(browserLog);
  } finally {
    await cleanup();
  }
  if (failures.length) {
    console.log(`FAILED: ${failures.length} check(s)`);
    process.exit(1);
  }
  console.log('PASS');
}

main();
