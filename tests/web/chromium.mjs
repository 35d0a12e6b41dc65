// Debian's Chromium, headless, driven through the DevTools protocol over a pipe, a local
// server for a folder of static files, and a PNG reader: what the browser tests and the web
// measurements share. Node's own modules only, so nothing is downloaded to run them.
import { spawn } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import zlib from "node:zlib";

const CONTENT_TYPES = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };

// Serves the files of `folder` on a free port of 127.0.0.1; resolves to its address.
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
  return { server, address: `http://127.0.0.1:${server.address().port}/` };
}

// An 8-bit RGB or RGBA PNG, not interlaced (what Chromium and the snapshot tool write), as
// { width, height, data } with four bytes a pixel, rows top first.
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

const SHIFT = 8;
// Keys that are not characters: Windows key code, DOM code, and the text they type.
const KEYS = {
  Shift: [16, "ShiftLeft"], Escape: [27, "Escape"], Tab: [9, "Tab"], Enter: [13, "Enter", "\r"],
  ArrowLeft: [37, "ArrowLeft"], ArrowUp: [38, "ArrowUp"], ArrowRight: [39, "ArrowRight"],
  ArrowDown: [40, "ArrowDown"], PageUp: [33, "PageUp"], PageDown: [34, "PageDown"],
  F10: [121, "F10"], ContextMenu: [93, "ContextMenu"],
};

// One tab, through its DevTools session.
class Page {
  constructor(browser, targetId, sessionId) {
    this.browser = browser;
    this.targetId = targetId;
    this.sessionId = sessionId;
    this.console = [];
    this.errors = [];
    this.log = [];
    this.modifiers = 0;
    this.buttons = 0;
    this.held = undefined;
  }

  send(method, params = {}) {
    return this.browser.send(method, params, this.sessionId);
  }

  // Runs `page` in the page with these arguments; resolves to what it returns.
  async evaluate(page, ...args) {
    const expression = `(${page})(...${JSON.stringify(args)})`;
    const reply = await this.send("Runtime.evaluate",
                                  { expression, awaitPromise: true, returnByValue: true });
    if (reply.exceptionDetails) {
      throw new Error(reply.exceptionDetails.exception?.description ?? reply.exceptionDetails.text);
    }
    return reply.result.value;
  }

  async waitFor(page, seconds = 10) {
    const until = Date.now() + seconds * 1000;
    while (!(await this.evaluate(page))) {
      if (Date.now() > until) {
        throw new Error(`waited ${seconds} s in vain for ${page}`);
      }
      await new Promise((resolve) => setTimeout(resolve, 20));
    }
  }

  async goto(url) {
    const loaded = this.browser.nextEvent("Page.loadEventFired", this.sessionId);
    await this.send("Page.navigate", { url });
    await loaded;
  }

  // A PNG of this part of the page, in device pixels.
  async screenshot(box) {
    const { data } = await this.send("Page.captureScreenshot", {
      format: "png",
      clip: { ...box, scale: 1 },
    });
    return Buffer.from(data, "base64");
  }

  // Page coordinates, in CSS pixels; button "left", "middle" or "right". A move carries
  // the button held, as a real drag does.
  async mouse(type, x, y, button = this.held ?? "none") {
    const bits = { left: 1, right: 2, middle: 4, none: 0 };
    if (type === "mousePressed") {
      this.buttons |= bits[button];
      this.held = button;
    } else if (type === "mouseReleased") {
      this.buttons &= ~bits[button];
      this.held = undefined;
    }
    await this.send("Input.dispatchMouseEvent", {
      type, x, y, button, buttons: this.buttons, clickCount: type === "mouseMoved" ? 0 : 1,
      modifiers: this.modifiers,
    });
  }

  // A key by its DOM name: a character, "Shift" or one of KEYS. Shift stays down until
  // released; an upper-case letter is typed with Shift unless `shift` says otherwise (as
  // with Caps Lock on).
  async key(type, name, { shift = name.length === 1 && name !== name.toLowerCase() } = {}) {
    const character = name.length === 1;
    if (name === "Shift") {
      this.modifiers = type === "keyDown" ? this.modifiers | SHIFT : this.modifiers & ~SHIFT;
    }
    const upper = name.toUpperCase();
    const code = character ? (upper >= "A" && upper <= "Z" ? `Key${upper}` : "") : KEYS[name][1];
    const keyCode = character ? upper.charCodeAt(0) : KEYS[name][0];
    const text = character ? name : KEYS[name][2];
    // As a keyboard sends them: a key that types nothing goes down "raw".
    await this.send("Input.dispatchKeyEvent", {
      type: type === "keyDown" && !text ? "rawKeyDown" : type, key: name, code,
      windowsVirtualKeyCode: keyCode, modifiers: this.modifiers | (shift ? SHIFT : 0),
      ...(text && type === "keyDown" ? { text } : {}),
    });
  }

  // Touch points in page CSS pixels, each [x, y]; type touchStart, touchMove or touchEnd.
  async touch(type, points) {
    await this.send("Input.dispatchTouchEvent", {
      type, touchPoints: points.map(([x, y], id) => ({ x, y, id })),
    });
  }

  // Presses and releases each key: the characters of a string, or the names in an array.
  async type(text) {
    for (const name of text) {
      await this.key("keyDown", name);
      await this.key("keyUp", name);
    }
  }

  close() {
    return this.browser.send("Target.closeTarget", { targetId: this.targetId });
  }
}

// The browser, with a fresh profile.
export class Chromium {
  static async launch(profileFolder) {
    // SwiftShader gives WebGL 2 without a GPU; the rest keeps Chromium off the network.
    const child = spawn(process.env.CHROMIUM ?? "/usr/bin/chromium", [
      "--headless", "--remote-debugging-pipe", `--user-data-dir=${profileFolder}`,
      "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--no-sandbox",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
      "--no-first-run", "--disable-quic", "about:blank",
    ], { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
    child.stderr.resume();
    const browser = new Chromium(child);
    await browser.send("Browser.getVersion");
    return browser;
  }

  constructor(child) {
    this.child = child;
    this.lastId = 0;
    this.replies = new Map();
    this.listeners = new Set();
    let unread = "";
    // Messages go both ways as JSON, each ended by a NUL: commands on fd 3, replies on fd 4.
    child.stdio[4].on("data", (bytes) => {
      unread += bytes.toString("utf8");
      for (let end = unread.indexOf("\0"); end >= 0; end = unread.indexOf("\0")) {
        const message = JSON.parse(unread.slice(0, end));
        unread = unread.slice(end + 1);
        const reply = this.replies.get(message.id);
        if (reply) {
          this.replies.delete(message.id);
          if (message.error) {
            reply.reject(new Error(`${message.error.message} (${message.error.code})`));
          } else {
            reply.resolve(message.result);
          }
        } else {
          this.listeners.forEach((listener) => listener(message));
        }
      }
    });
  }

  send(method, params = {}, sessionId = undefined) {
    const id = ++this.lastId;
    this.child.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + "\0");
    return new Promise((resolve, reject) => this.replies.set(id, { resolve, reject }));
  }

  nextEvent(method, sessionId) {
    return new Promise((resolve) => {
      const listener = (message) => {
        if (message.method === method && message.sessionId === sessionId) {
          this.listeners.delete(listener);
          resolve(message.params);
        }
      };
      this.listeners.add(listener);
    });
  }

  // A page of this many CSS pixels, with this many device pixels to each, and a phone's
  // touch screen or a desktop's mouse.
  async newPage({ width = 800, height = 1000, scale = 1, touch = false } = {}) {
    const { targetId } = await this.send("Target.createTarget", { url: "about:blank" });
    const { sessionId } = await this.send("Target.attachToTarget", { targetId, flatten: true });
    const page = new Page(this, targetId, sessionId);
    this.listeners.add((message) => {
      if (message.sessionId !== sessionId) {
        return;
      }
      if (message.method === "Runtime.consoleAPICalled") {
        page.console.push(message.params.args.map((arg) => arg.value).join(" "));
      } else if (message.method === "Runtime.exceptionThrown") {
        const details = message.params.exceptionDetails;
        page.errors.push(details.exception?.description ?? details.text);
      } else if (message.method === "Log.entryAdded" && message.params.entry.level === "error") {
        page.log.push(message.params.entry.text);
      }
    });
    await page.send("Runtime.enable");
    await page.send("Page.enable");
    await page.send("Log.enable");
    await page.send("Emulation.setDeviceMetricsOverride",
                    { width, height, deviceScaleFactor: scale, mobile: touch });
    if (touch) {
      await page.send("Emulation.setTouchEmulationEnabled", { enabled: true, maxTouchPoints: 5 });
    }
    return page;
  }

  async close() {
    const exited = new Promise((resolve) => this.child.once("exit", resolve));
    await this.send("Browser.close").catch(() => {});
    await exited;
  }
}
