#include "web/WebPage.h"

namespace tevra {
namespace {

constexpr std::string_view Html = R"HTML(<!DOCTYPE html>
<html lang="@LANG@">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>tevra_panel</title>
<link rel="icon" href="/icon.svg" type="image/svg+xml">
<link rel="stylesheet" href="/app.css">
<script src="/app.js" defer></script>
</head>
<body>
<header><h1 id="title">tevra_panel</h1><span id="state" class="state"></span></header>
<div id="banner" class="banner" hidden></div>
<main>
<section class="now">
<div class="label" data-t="intensity"></div>
<div id="intensity" class="big">-</div>
<div class="row"><span data-t="class"></span><span id="class" class="value">-</span></div>
<div class="row"><span data-t="accel"></span><span class="value"><span id="accel">-</span> gal</span></div>
<div class="row"><span data-t="longperiod"></span><span id="longperiod" class="value">-</span></div>
<div class="row small"><span data-t="time"></span><span id="time" class="value">-</span></div>
</section>
<section class="health">
<h2 data-t="health"></h2>
<div class="row"><span data-t="fps"></span><span id="fps" class="value">-</span></div>
<div class="row"><span data-t="errors"></span><span id="errors" class="value">-</span></div>
<div class="row"><span data-t="clock"></span><span id="clock" class="value">-</span></div>
<div class="row"><span data-t="free"></span><span id="free" class="value">-</span></div>
</section>
<section class="wide">
<h2 data-t="traces"></h2>
<canvas id="trace" width="900" height="270"></canvas>
</section>
<section id="history-section" class="wide" hidden>
<h2 data-t="history"></h2>
<div class="spans"><button data-span="1h">1h</button><button data-span="24h">24h</button><button data-span="7d">7d</button></div>
<canvas id="history" width="900" height="270"></canvas>
</section>
<section id="alarms-section" class="wide" hidden>
<h2 data-t="alarms"></h2>
<ul id="alarms"></ul>
</section>
</main>
</body>
</html>
)HTML";

constexpr std::string_view Script = R"JS('use strict';
const en = document.documentElement.lang === 'en';
const T = en ? {
  intensity: 'Instrumental intensity', class: 'JMA class', accel: 'Composite acceleration', time: 'Time',
  longperiod: 'Long-period class',
  health: 'Health', fps: 'Frames/s', errors: 'Errors', clock: 'Clock', free: 'Free space',
  traces: 'Acceleration, last 60 s (gal)', history: 'Intensity history', alarms: 'Last alarms',
  measuring: 'Measuring', reconnecting: 'Reconnecting', stopped: 'Stopped', alarm: 'Earthquake detected since ',
  ok: 'synchronized', unsynchronized: 'not synchronized', none: 'none', offline: 'No connection to the station'
} : {
  intensity: '計測震度', class: '震度階級', accel: '合成加速度', time: '時刻',
  longperiod: '長周期地震動階級',
  health: '状態', fps: 'フレーム/秒', errors: 'エラー', clock: '時計', free: '空き容量',
  traces: '加速度 (直近60秒, gal)', history: '震度履歴', alarms: '最近の警報',
  measuring: '計測中', reconnecting: '再接続待ち', stopped: '停止中', alarm: '地震を検知しました ',
  ok: '同期', unsynchronized: '未同期', none: 'なし', offline: '局に接続できません'
};
const classText = en
  ? {'5-': '5 Lower', '5+': '5 Upper', '6-': '6 Lower', '6+': '6 Upper'}
  : {'5-': '5弱', '5+': '5強', '6-': '6弱', '6+': '6強'};
const $ = id => document.getElementById(id);
for (const e of document.querySelectorAll('[data-t]')) e.textContent = T[e.dataset.t];

const rate = 50, keep = 60 * rate;
const axes = {x: [], y: [], z: []};
let criterion = 0, span = '1h', keepsHistory = false;

function localTime(iso) {
  return iso ? new Date(iso).toLocaleString(en ? 'en-GB' : 'ja-JP') : '-';
}
function showFigures(m) {
  $('intensity').textContent = Number(m.intensity).toFixed(2);
  $('class').textContent = classText[m.class] || m.class;
  $('accel').textContent = Number(m.acceleration_gal).toFixed(1);
  $('longperiod').textContent = m.long_period_class === undefined
      ? '-' : m.long_period_class + ' (' + Number(m.sva_cm_s).toFixed(1) + ' cm/s)';
  $('time').textContent = localTime(m.time);
}
function showState(state) {
  $('state').textContent = T[state] || state;
  $('state').className = 'state ' + state;
}
function showAlarm(a) {
  $('banner').hidden = !a.active;
  $('banner').textContent = a.active ? T.alarm + localTime(a.since) : '';
  if (keepsHistory) loadAlarms();  // the detection is in the event log by now
}
function showHealth(h) {
  $('fps').textContent = Number(h.frames_per_second).toFixed(1);
  $('errors').textContent = h.errors;
  $('clock').textContent = T[h.clock] || h.clock || '-';
  $('free').textContent = h.free_bytes === null ? '-' : (h.free_bytes / 1e9).toFixed(1) + ' GB';
}

function drawTraces() {
  const c = $('trace'), g = c.getContext('2d'), w = c.width, h = c.height / 3;
  g.clearRect(0, 0, c.width, c.height);
  // The canvas shrinks with a phone's screen: its labels grow to stay at least 12 CSS pixels tall.
  const font = 12 * Math.max(1, c.width / (c.clientWidth || c.width));
  g.font = font + 'px sans-serif';
  ['x', 'y', 'z'].forEach((axis, i) => {
    const data = axes[axis];
    let peak = 1;
    for (const v of data) peak = Math.max(peak, Math.abs(v));
    const mid = h * i + h / 2;
    g.strokeStyle = '#ccc';
    g.beginPath(); g.moveTo(0, mid); g.lineTo(w, mid); g.stroke();
    g.strokeStyle = ['#c0392b', '#27ae60', '#2c6fbb'][i];
    g.beginPath();
    data.forEach((v, k) => {
      const x = w - (data.length - k) * w / keep, y = mid - v / peak * (h / 2 - 4);
      k ? g.lineTo(x, y) : g.moveTo(x, y);
    });
    g.stroke();
    const label = axis.toUpperCase() + '  ±' + peak.toFixed(1);
    g.fillStyle = 'rgba(255, 255, 255, 0.8)';  // the label stays legible over a large swing
    g.fillRect(0, h * i, g.measureText(label).width + font * 0.6, font * 1.4);
    g.fillStyle = '#333';
    g.fillText(label, font * 0.3, h * i + font * 1.1);
  });
}

const bounds = [0.5, 1.5, 2.5, 3.5, 4.5, 5.0, 5.5, 6.0, 6.5];
const bandColors = ['#ffffff', '#f2f7fb', '#e3f0fa', '#d5f5e3', '#fcf3cf', '#fdebd0', '#fad7a0', '#f5b7b1', '#f1948a', '#d7bde2'];
function drawHistory(minutes) {
  const c = $('history'), g = c.getContext('2d'), w = c.width, h = c.height, top = 7;
  const end = Date.now(), start = end - {'1h': 3600e3, '24h': 86400e3, '7d': 7 * 86400e3}[span];
  const y = v => h - Math.max(0, Math.min(top, v)) / top * h;
  g.clearRect(0, 0, w, h);
  [0].concat(bounds).forEach((b, i) => {
    const upper = i < bounds.length ? bounds[i] : top;
    g.fillStyle = bandColors[i];
    g.fillRect(0, y(upper), w, y(b) - y(upper));
  });
  if (criterion > 0) {
    g.strokeStyle = '#c0392b'; g.setLineDash([6, 4]);
    g.beginPath(); g.moveTo(0, y(criterion)); g.lineTo(w, y(criterion)); g.stroke();
    g.setLineDash([]);
  }
  g.strokeStyle = '#1f3a5f'; g.beginPath();
  let last = null;
  for (const m of minutes) {
    const t = Date.parse(m.time), x = (t - start) / (end - start) * w;
    // A missing minute breaks the line rather than bridging it.
    if (last === null || t - last > 61e3) g.moveTo(x, y(m.intensity)); else g.lineTo(x, y(m.intensity));
    last = t;
  }
  g.stroke();
  g.fillStyle = '#1f3a5f';  // each minute as a dot too, so a lone minute shows
  for (const m of minutes) g.fillRect((Date.parse(m.time) - start) / (end - start) * w - 1.5, y(m.intensity) - 1.5, 3, 3);
}
function loadHistory() {
  fetch('/api/history?span=' + span).then(r => r.json()).then(d => drawHistory(d.minutes)).catch(() => {});
}
function loadAlarms() {
  fetch('/api/alarms').then(r => r.json()).then(d => {
    const list = $('alarms');
    list.replaceChildren();
    if (!d.alarms.length) { const li = document.createElement('li'); li.textContent = T.none; list.append(li); }
    for (const a of d.alarms.slice(-10).reverse()) {
      const li = document.createElement('li');
      const text = document.createElement('div');
      text.textContent = localTime(a.time) + '  ' + Number(a.intensity).toFixed(2) + ' (' +
        (classText[a.class] || a.class) + ')  ' + Number(a.acceleration_gal).toFixed(1) + ' gal';
      li.append(text);
      if (a.picture) { const img = document.createElement('img'); img.src = '/api/alarms/' + encodeURIComponent(a.id) + '.png'; img.alt = ''; li.append(img); }
      list.append(li);
    }
  }).catch(() => {});
}

function connect() {
  const ws = new WebSocket((location.protocol === 'https:' ? 'wss://' : 'ws://') + location.host + '/api/live');
  ws.onmessage = e => {
    const m = JSON.parse(e.data);
    if (m.type === 'intensity') {
      showFigures(m);
      for (const a of ['x', 'y', 'z']) { axes[a].push(...m[a]); if (axes[a].length > keep) axes[a].splice(0, axes[a].length - keep); }
      drawTraces();
    } else if (m.type === 'state') {
      showState(m.state);
    } else if (m.type === 'alarm') {
      showAlarm(m.alarm);
    } else {
      showStatus(m);
    }
  };
  ws.onclose = () => { showState('offline'); setTimeout(connect, 2000); };
}
function showStatus(s) {
  $('title').textContent = [s.network, s.station].filter(Boolean).join('.') || 'tevra_panel';
  criterion = s.criterion;
  keepsHistory = s.history;
  if (s.time) showFigures(s);
  showState(s.state);
  showAlarm(s.alarm);
  showHealth(s.health);
  $('history-section').hidden = !s.history;
  $('alarms-section').hidden = !s.history;
}
for (const b of document.querySelectorAll('[data-span]')) b.onclick = () => { span = b.dataset.span; loadHistory(); };
fetch('/api/status').then(r => r.json()).then(s => {
  showStatus(s);
  if (s.history) { loadHistory(); loadAlarms(); setInterval(loadHistory, 60000); }
  connect();
  setInterval(() => fetch('/api/status').then(r => r.json()).then(x => showHealth(x.health)).catch(() => {}), 5000);
}).catch(() => showState('offline'));
drawTraces();
)JS";

constexpr std::string_view Style = R"CSS(body { margin: 0; background: #f4f6f8; color: #1b2430;
  font-family: "IPAGothic", "IPAexGothic", "Noto Sans CJK JP", "Hiragino Sans", "Yu Gothic", "Meiryo", sans-serif; }
header { display: flex; align-items: center; justify-content: space-between; padding: 8px 16px; background: #1f3a5f; color: #fff; }
h1 { font-size: 1.2em; margin: 0; }
h2 { font-size: 1em; margin: 0 0 8px; }
.state { padding: 2px 10px; border-radius: 4px; background: #7f8c8d; }
.state.measuring { background: #27ae60; }
.state.reconnecting { background: #e67e22; }
.banner { background: #c0392b; color: #fff; font-size: 1.4em; font-weight: bold; padding: 12px 16px; }
main { display: grid; grid-template-columns: repeat(2, 1fr); gap: 12px; padding: 12px; }
section { background: #fff; border-radius: 6px; padding: 12px; box-shadow: 0 1px 2px rgba(0,0,0,.15); }
section.wide { grid-column: 1 / -1; }
.big { font-size: 4em; font-weight: bold; font-variant-numeric: tabular-nums; }
.label { color: #555; }
.row { display: flex; justify-content: space-between; padding: 2px 0; }
.value { font-weight: bold; font-variant-numeric: tabular-nums; }
.small { font-size: .85em; color: #555; }
canvas { width: 100%; height: auto; }
.spans button { margin-right: 4px; }
#alarms { list-style: none; padding: 0; margin: 0; }
#alarms li { padding: 6px 0; border-bottom: 1px solid #eee; }
#alarms img { max-width: 100%; display: block; margin-top: 4px; }
@media (max-width: 600px) { main { grid-template-columns: 1fr; } .big { font-size: 3em; } }
)CSS";

// The panel's icon: a trace swinging across a dark tile.
constexpr std::string_view Icon = R"SVG(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 64 64">
<rect x="2" y="2" width="60" height="60" rx="10" fill="#1d3557"/>
<polyline fill="none" stroke="#f1faee" stroke-width="3.5" stroke-linejoin="round" stroke-linecap="round"
 points="6,32 14,32 18,28 21,36 24,16 28,50 32,10 36,54 40,22 43,40 46,29 50,34 54,31 58,32"/>
</svg>
)SVG";

}  // namespace

std::string PageHtml(bool english) {
  std::string html(Html);
  html.replace(html.find("@LANG@"), 6, english ? "en" : "ja");
  return html;
}

std::string_view PageScript() {
  return Script;
}

std::string_view PageStyle() {
  return Style;
}

std::string_view PageIcon() {
  return Icon;
}

}  // namespace tevra
