// Debian's Chromium, headless, and a local server for a folder of static files: what the
// browser tests and the web measurements share.
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

import puppeteer from "puppeteer-core";

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

// A fresh profile in `profileFolder`, at one device pixel per CSS pixel.
export function launchChromium(profileFolder) {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
    headless: true,
    userDataDir: profileFolder,
    // SwiftShader gives WebGL 2 without a GPU; the rest keeps Chromium off the network.
    args: ["--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--no-sandbox",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--no-first-run", "--disable-quic"],
    defaultViewport: { width: 800, height: 1000, deviceScaleFactor: 1 },
  });
}
