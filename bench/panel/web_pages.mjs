// Keeps N pages of the panel's web page open in the system's headless Chromium for SECONDS.
// Usage: node web_pages.mjs PORT N SECONDS USER_DATA_DIR (puppeteer-core from build/web-e2e)
import puppeteer from 'puppeteer-core';

const [port, n, seconds, userData] = process.argv.slice(2);
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run', `--user-data-dir=${userData}`],
});
for (let i = 0; i < Number(n); ++i) await (await browser.newPage()).goto(`http://127.0.0.1:${port}/`);
await new Promise(r => setTimeout(r, Number(seconds) * 1000));
await browser.close();
