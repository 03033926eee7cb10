// A small PNG reader for the page's screenshots (node's zlib, no packages) and
// the picture measures the page test checks them with.
//
//   const picture = decodePng(fs.readFileSync('shot.png'));   // { width, height, pixels: RGBA bytes }
//   regionMean(picture, 0, 0, 1, 0.06)       // [r, g, b] means in 0..1 over a region in fractions
//
// Reads 8-bit greyscale, grey + alpha, RGB and RGBA, not interlaced (what a
// browser's screenshot is); anything else is an error naming what it is.
'use strict';
const zlib = require('zlib');

function paeth(a, b, c) {
  const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

function decodePng(bytes) {
  const signature = [137, 80, 78, 71, 13, 10, 26, 10];
  if (bytes.length < 8 || signature.some((v, i) => bytes[i] !== v)) throw new Error('not a PNG file');
  let at = 8, width = 0, height = 0, depth = 0, colour = 0, interlace = 0;
  const data = [];
  while (at + 8 <= bytes.length) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (body.length !== length) throw new Error(`PNG chunk ${type} is cut short`);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0); height = body.readUInt32BE(4);
      depth = body[8]; colour = body[9]; interlace = body[12];
    } else if (type === 'IDAT') {
      data.push(body);
    } else if (type === 'IEND') {
      break;
    }
    at += 12 + length;
  }
  const channels = { 0: 1, 4: 2, 2: 3, 6: 4 }[colour];
  if (!width || !height || depth !== 8 || !channels || interlace)
    throw new Error(`PNG form not read here (depth ${depth}, colour type ${colour}, interlace ${interlace})`);
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  if (raw.length < height * (stride + 1)) throw new Error('PNG image data is cut short');
  const rows = Buffer.alloc(height * stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const src = y * (stride + 1) + 1, dst = y * stride, prev = dst - stride;
    for (let x = 0; x < stride; x++) {
      const a = x >= channels ? rows[dst + x - channels] : 0;
      const b = y > 0 ? rows[prev + x] : 0;
      const c = x >= channels && y > 0 ? rows[prev + x - channels] : 0;
      const v = raw[src + x];
      let out;
      switch (filter) {
        case 0: out = v; break;
        case 1: out = v + a; break;
        case 2: out = v + b; break;
        case 3: out = v + ((a + b) >> 1); break;
        case 4: out = v + paeth(a, b, c); break;
        default: throw new Error(`PNG row ${y} has the unknown filter ${filter}`);
      }
      rows[dst + x] = out & 255;
    }
  }
  const pixels = Buffer.alloc(width * height * 4);
  for (let i = 0; i < width * height; i++) {
    const s = i * channels;
    const grey = channels <= 2;
    pixels[i * 4] = rows[s];
    pixels[i * 4 + 1] = grey ? rows[s] : rows[s + 1];
    pixels[i * 4 + 2] = grey ? rows[s] : rows[s + 2];
    pixels[i * 4 + 3] = channels === 2 ? rows[s + 1] : channels === 4 ? rows[s + 3] : 255;
  }
  return { width, height, pixels };
}

// Calls visit(r, g, b) in 0..1 for every pixel of the region x0 y0 x1 y1
// (fractions of the picture) and answers how many it visited.
function eachPixel(picture, x0, y0, x1, y1, visit) {
  const left = Math.floor(x0 * picture.width), right = Math.floor(x1 * picture.width);
  const top = Math.floor(y0 * picture.height), bottom = Math.floor(y1 * picture.height);
  let n = 0;
  for (let y = top; y < bottom; y++) {
    for (let x = left; x < right; x++) {
      const i = (y * picture.width + x) * 4;
      visit(picture.pixels[i] / 255, picture.pixels[i + 1] / 255, picture.pixels[i + 2] / 255);
      n++;
    }
  }
  return n;
}

function regionMean(picture, x0, y0, x1, y1) {
  const sum = [0, 0, 0];
  const n = eachPixel(picture, x0, y0, x1, y1, (r, g, b) => { sum[0] += r; sum[1] += g; sum[2] += b; });
  return sum.map((v) => (n ? v / n : 0));
}

// The share of the region's pixels whose green beats red and blue (plants).
function greenFraction(picture, x0, y0, x1, y1) {
  let green = 0;
  const n = eachPixel(picture, x0, y0, x1, y1, (r, g, b) => { if (g > r + 0.02 && g > b + 0.02) green++; });
  return n ? green / n : 0;
}

// The standard deviation of the grey level over the whole picture (0 when flat).
function greyDeviation(picture) {
  let sum = 0, sum2 = 0;
  const n = eachPixel(picture, 0, 0, 1, 1, (r, g, b) => {
    const v = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    sum += v; sum2 += v * v;
  });
  const mean = sum / n;
  return Math.sqrt(Math.max(0, sum2 / n - mean * mean));
}

module.exports = { decodePng, regionMean, greenFraction, greyDeviation };
