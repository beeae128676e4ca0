// Headless Chromium (the system's, never a downloaded one) opens the panel's page with the token and
// reports what a person would see: the intensity against the panel's own figure, the alarm banner,
// the traces, the history and the alarm list, and the latencies. Prints one JSON line.
// Usage: node browser.mjs PORT TOKEN USER_DATA_DIR [SCREENSHOT_DIR]
import puppeteer from 'puppeteer-core';

const [port, token, userData, shots] = process.argv.slice(2);
const base = `http://127.0.0.1:${port}`;
const result = {};
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run', `--user-data-dir=${userData}`, '--lang=ja'],
});
try {
  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 900});
  await page.setExtraHTTPHeaders({'Accept-Language': 'ja'});
  // Every answer of the panel's own server to the page (its resources, its icon, its data) is kept
  // when it fails.
  result.failedResources = [];
  page.on('response', r => {
    if (r.url().startsWith(base) && r.status() >= 400)
      result.failedResources.push(`${r.status()} ${new URL(r.url()).pathname}`);
  });
  const first = await page.goto(`${base}/?token=${token}`);
  result.url = page.url();
  result.status = first.status();
  // Tick to browser: the live message's time against the browser's clock, on a second socket.
  await page.evaluate(() => {
    window.latencies = [];
    window.bannerAt = 0;
    const ws = new WebSocket(`ws://${location.host}/api/live`);
    ws.onmessage = e => {
      const m = JSON.parse(e.data);
      if (m.type === 'intensity') window.latencies.push(Date.now() - Date.parse(m.time));
      if (m.type === 'alarm' && m.alarm.active) window.alarmSince = Date.parse(m.alarm.since);
    };
    new MutationObserver(() => {
      if (!document.getElementById('banner').hidden && !window.bannerAt) window.bannerAt = Date.now();
    }).observe(document.getElementById('banner'), {attributes: true});
  });
  // The shown intensity follows the panel's: compared with the status of the same moment, once
  // measuring has begun.
  await page.waitForFunction(() => document.getElementById('intensity').textContent !== '-', {timeout: 60000});
  let agree = 0, compared = 0;
  for (let i = 0; i < 20; ++i) {
    await new Promise(r => setTimeout(r, 500));
    const shown = await page.$eval('#intensity', e => e.textContent);
    const status = await (await fetch(`${base}/api/status`, {headers: {Authorization: `Bearer ${token}`}})).json();
    if (status.intensity !== null && shown !== '-') {
      ++compared;
      if (Math.abs(Number(shown) - status.intensity) <= 0.3) ++agree;
    }
  }
  result.intensityAgree = `${agree}/${compared}`;
  await page.waitForFunction(() => !document.getElementById('banner').hidden, {timeout: 120000});
  result.bannerText = await page.$eval('#banner', e => e.textContent);
  result.detectionToBannerMs = await page.evaluate(() => window.bannerAt - window.alarmSince);
  result.bannerSeenAt = await page.evaluate(() => window.bannerAt);
  result.traceInk = await page.$eval('#trace', c => {
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let ink = 0;
    for (let i = 3; i < d.length; i += 4) ink += d[i] > 0;
    return ink;
  });
  await page.waitForFunction(() => document.querySelectorAll('#alarms li img, #alarms li div').length > 0, {timeout: 30000});
  result.alarmItems = await page.$$eval('#alarms li div', l => l.map(e => e.textContent));
  // A minute goes into the history as it ends.
  result.historyMinutes = 0;
  for (let i = 0; i < 90 && !result.historyMinutes; ++i) {
    await new Promise(r => setTimeout(r, 1000));
    result.historyMinutes = (await page.evaluate(() => fetch('/api/history?span=1h').then(r => r.json()))).minutes.length;
  }
  await page.click('[data-span="1h"]');  // redraws the chart with it
  const latencies = await page.evaluate(() => window.latencies);
  latencies.sort((a, b) => a - b);
  result.tickToBrowserMs = {median: latencies[latencies.length >> 1], max: latencies[latencies.length - 1], n: latencies.length};
  // The trace labels' height on the screen, in CSS pixels, at desktop and at phone width.
  const labelPx = () => page.$eval('#trace', c => parseFloat(c.getContext('2d').font) * c.clientWidth / c.width);
  result.traceLabelPx = {desktop: await labelPx()};
  if (shots) await page.screenshot({path: `${shots}/web-desktop.png`});
  await page.setViewport({width: 390, height: 844, deviceScaleFactor: 2});  // no reload: the traces stay
  await new Promise(r => setTimeout(r, 1500));
  result.traceLabelPx.phone = await labelPx();
  if (shots) await page.screenshot({path: `${shots}/web-phone.png`, fullPage: true});
  result.icon = await page.evaluate(async () => {
    const icon = await fetch(document.querySelector('link[rel=icon]').href);
    return `${icon.status} ${icon.headers.get('Content-Type')} ${(await fetch('/favicon.ico')).status}`;
  });
  result.noToken = (await fetch(`${base}/api/status`)).status;
  result.wrongToken = (await fetch(`${base}/api/status?token=0000${token.slice(4)}`)).status;
} finally {
  await browser.close();
}
console.log(JSON.stringify(result));
