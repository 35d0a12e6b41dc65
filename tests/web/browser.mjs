// What the browser tests and the web measurements share: Debian's browsers started through
// puppeteer-core (Chromium over the DevTools protocol, Firefox over WebDriver BiDi; the
// version is pinned in the project's package-lock.json, and no browser is downloaded), a
// local server for a folder of static files, a PNG reader, and a wait for a state.
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import zlib from "node:zlib";

import puppeteer from "puppeteer-core";

// Each engine as Debian installs it; CHROMIUM or FIREFOX names another binary.
const ENGINES = {
  // Headless, drawing WebGL 2 on the CPU with SwiftShader; the rest keeps Chromium off the
  // network (puppeteer adds its own such flags too).
  chromium: () => ({
    browser: "chrome",
    executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
    headless: true,
    pipe: true,
    args: ["--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--no-sandbox",
           "--disable-component-update", "--disable-quic"],
  }),
  // Headless Firefox offers no WebGL 2 without a GPU; on an X display it draws with Mesa's
  // llvmpipe, so it runs in a window on the display that scripts/with-xvfb.sh starts.
  // puppeteer's profile already points Firefox's own services at a host that does not exist.
  firefox: () => {
    if (!process.env.DISPLAY) {
      throw new Error("Firefox needs an X display: run this under scripts/with-xvfb.sh");
    }
    return {
      browser: "firefox",
      executablePath: process.env.FIREFOX ?? "/usr/bin/firefox-esr",
      headless: false,
    };
  },
};

export const ENGINE_NAMES = Object.keys(ENGINES);

// A browser of this engine ("chromium" or "firefox") with a fresh profile, which goes when
// the browser is closed. Its pages are 544 × 1000 CSS pixels unless set otherwise: a narrow
// window, whose column makes the canvas 512 pixels square, the desktop window's size.
export function launch(engine = "chromium") {
  if (!ENGINES[engine]) {
    throw new Error(`no engine "${engine}": one of ${ENGINE_NAMES.join(", ")}`);
  }
  return puppeteer.launch({ ...ENGINES[engine](), defaultViewport: { width: 544, height: 1000 } });
}

// Polls `predicate` in the page until it returns something true; each poll is a round trip
// from here, so the page runs no timer or animation frame of the wait's own.
export async function waitFor(page, predicate, seconds = 10) {
  const until = Date.now() + seconds * 1000;
  while (!(await page.evaluate(predicate))) {
    if (Date.now() > until) {
      throw new Error(`waited ${seconds} s in vain for ${predicate}`);
    }
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
}

const CONTENT_TYPES = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };

// Serves the files of `folder` on a free port of 127.0.0.1; resolves to its address. The
// server does not keep node running by itself, so a run that failed before closing it ends.
export async function serveFolder(folder) {
  const server = http.createServer((request, response) => {
    const name = new URL(request.url, "http://localhost").pathname.slice(1) || "index.html";
    const file = path.join(folder, path.basename(name));
    if (!fs.existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { "Content-Type": CONTENT_TYPES[path.extname(file)] ?? "text/plain" });
    response.end(fs.readFileSync(file));
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  server.unref();
  return { server, address: `http://127.0.0.1:${server.address().port}/` };
}

// An 8-bit RGB or RGBA PNG, not interlaced (what both browsers and the snapshot tool write),
// as { width, height, data } with four bytes a pixel, rows top first.
export function readPng(bytes) {
  let width = 0;
  let height = 0;
  let channels = 0;
  const compressed = [];
  for (let at = 8; at < bytes.length;) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString("latin1", at + 4, at + 8);
    const chunk = bytes.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = chunk.readUInt32BE(0);
      height = chunk.readUInt32BE(4);
      if (chunk[8] !== 8 || (chunk[9] !== 2 && chunk[9] !== 6) || chunk[12] !== 0) {
        throw new Error("only 8-bit RGB or RGBA PNGs without interlacing are read");
      }
      channels = chunk[9] === 6 ? 4 : 3;
    } else if (type === "IDAT") {
      compressed.push(chunk);
    }
    at += 12 + length;
  }
  const filtered = zlib.inflateSync(Buffer.concat(compressed));
  const stride = width * channels;
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = filtered[y * (stride + 1)];
    const line = y * stride;
    for (let i = 0; i < stride; ++i) {
      const left = i >= channels ? rows[line + i - channels] : 0;
      const up = y > 0 ? rows[line - stride + i] : 0;
      const upLeft = y > 0 && i >= channels ? rows[line - stride + i - channels] : 0;
      let predicted = [0, left, up, (left + up) >> 1][filter];
      if (filter === 4) {
        const p = left + up - upLeft;
        const [a, b, c] = [Math.abs(p - left), Math.abs(p - up), Math.abs(p - upLeft)];
        predicted = a <= b && a <= c ? left : b <= c ? up : upLeft;
      }
      rows[line + i] = (filtered[y * (stride + 1) + 1 + i] + predicted) & 255;
    }
  }
  const data = Buffer.alloc(width * height * 4, 255);
  for (let pixel = 0; pixel < width * height; ++pixel) {
    rows.copy(data, 4 * pixel, channels * pixel, channels * pixel + 3);
  }
  return { width, height, data };
}
