#!/usr/bin/env bash
# Remakes docs/page-phone.png, docs/page-1280x900.png and docs/page-1920x1080.png, the page
# at a phone's size while stepping and at two desktop windows' (docs/web.md): the web
# edition built, served from this machine and shown in headless Chromium, each screenshot
# scaled down and cut to 64 colours to stay small.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensurePackages imagemagick
ensureBrowserTools
bash "$projectDir/scripts/web.sh" --build >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cd "$projectDir"
SCRATCH=$scratch WEB_DIR="$projectDir/build-web" node --input-type=module - <<'END'
import { launch, serveFolder, waitFor } from "./tests/web/browser.mjs";

const { server, address } = await serveFolder(process.env.WEB_DIR);
const browser = await launch("chromium");
for (const [name, width, height, touch, state] of [
  ["page-phone", 390, 844, true, "step=2"],
  ["page-1280x900", 1280, 900, false, "light=-30,60,-360&light=40,70,-420"],
  ["page-1920x1080", 1920, 1080, false, "step=3"],
]) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, hasTouch: touch, isMobile: touch });
  await page.goto(`${address}#${state}`);
  await waitFor(page, () => typeof Module !== "undefined" && Module.calledRun &&
                            Module._pageTintLevel() === Math.fround(0.99997318) &&
                            !document.getElementById("buttons").hidden, 60);
  await page.screenshot({ path: `${process.env.SCRATCH}/${name}.png` });
  await page.close();
}
await browser.close();
server.close();
END
for name in page-phone page-1280x900 page-1920x1080; do
    width=$([ "$name" = page-phone ] && echo 390 || echo 800)
    convert "$scratch/$name.png" -resize "${width}x" -colors 64 \
        -define png:exclude-chunks=date,time +set date:create +set date:modify \
        "$projectDir/docs/$name.png"
    echo "Wrote docs/$name.png"
done
