#!/usr/bin/env bash
# End to end: the real panel under Xvfb measures a simulated earthquake and serves its web page; the
# system's Chromium (driven by puppeteer-core) reads the page as a person would, and seisplotjs streams
# the records from /seedlink. npm packages (pinned in tests/app/web/package.json) go into
# BUILD_DIR/web-e2e, never into the source tree; no browser is downloaded.
# Usage: e2e_web.sh BUILD_DIR SOURCE_DIR [SCREENSHOT_DIR]
set -euo pipefail
source "$(dirname "$0")/../support/checks.sh"
source "$(realpath "$2")/scripts/lib/panel-session.sh"
session_begin e2e_web "$1" "$2"
shots=${3:+$(realpath "$3")}

node_dir="$build/web-e2e"
mkdir -p "$node_dir"
cp "$source_dir/tests/app/web/package.json" "$source_dir/tests/app/web/"*.mjs "$node_dir/"
if [ ! -d "$node_dir/node_modules/puppeteer-core" ] || [ ! -d "$node_dir/node_modules/seisplotjs" ]; then
  (cd "$node_dir" && npm install --no-audit --no-fund --ignore-scripts >/dev/null)
fi

udp_port=$((20000 + RANDOM % 20000))
web_port=$((40000 + RANDOM % 10000))
seedlink_port=$((web_port + 1))
id="WEB01"
(umask 077 && openssl rand -hex 16 >"$dir/token")
token=$(cat "$dir/token")

session_start_sim "$build" "$dir" --quake 40:150 --seconds 150
session_write_ini "$dir" "$SIM_DEVICE" "$udp_port" "$id" 1 3.0
printf '[DataOutput]\nArchive=1\nArchiveFolder=%s/sds\nFlushSeconds=1\nSeedLink=1\nSeedLinkAddress=127.0.0.1\nSeedLinkPort=%s\n[Web]\nWeb=1\nWebAddress=127.0.0.1\nWebPort=%s\nWebTokenFile=%s/token\n' \
  "$dir" "$seedlink_port" "$web_port" "$dir" >>"$dir/TevraPanel.ini"
session_start_xvfb
session_start_listen "$build" "$dir" "$udp_port" 200
session_start_panel "$build" "$dir"

for _ in $(seq 100); do
  curl -sf -o /dev/null -H "Authorization: Bearer $token" "http://127.0.0.1:$web_port/api/status" && break
  sleep 0.2
done

# Hostile clients meanwhile: idle connections, headers that never end, wrong tokens by the thousand.
python3 - "$web_port" >"$dir/hostile.txt" 2>&1 <<'PY' &
import socket, sys, time
port = int(sys.argv[1])
idle = [socket.create_connection(("127.0.0.1", port)) for _ in range(40)]
endless = socket.create_connection(("127.0.0.1", port))
endless.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX: " + b"a" * 20000)
refused = 0
for i in range(3000):
    try:
        s = socket.create_connection(("127.0.0.1", port))
        s.sendall(b"GET /api/status?token=%032x HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" % i)
        refused += s.recv(100).startswith(b"HTTP/1.1 401")
        s.close()
    except OSError:
        pass
print("refused", refused)
time.sleep(15)
PY
SESSION_PIDS+=($!)

# seisplotjs streams for 60 s (reconnecting halfway) while the browser watches the page.
(cd "$node_dir" && node --experimental-websocket seedlink.mjs "ws://127.0.0.1:$web_port/seedlink?token=$token" \
  "$id" XX 60 >"$dir/seisplotjs.txt" 2>"$dir/seisplotjs.err") &
SESSION_PIDS+=($!)
seisplotjs_pid=$!
(cd "$node_dir" && node browser.mjs "$web_port" "$token" "$dir/chromium" ${shots:+"$shots"}) >"$dir/browser.json" 2>"$dir/browser.err" || {
  echo "FAIL the browser run: $(tail -n 20 "$dir/browser.err")"
  exit 1
}
wait "$seisplotjs_pid" || true
result=$(cat "$dir/browser.json")
echo "$result"
field() { node -e "const r = JSON.parse(process.argv[1]); console.log(JSON.stringify(eval('r.' + process.argv[2])))" "$result" "$1"; }

log="$dir/Tevra_$id.csv"
check "the page opened after the token redirect" test "$(field url)" = "\"http://127.0.0.1:$web_port/\""
check "the intensity shown follows the panel's" node -e "const [a, n] = $(field intensityAgree).split('/').map(Number); process.exit(n >= 5 && a >= n - 1 ? 0 : 1)"
check "the detection line is in the event log" test "$(session_count "$log" ',検出震度,')" -ge 1
check "the earthquake packet was sent" grep -q ",地震発生," "$dir/packets.txt"
check "the banner came within 5 s of the detection" node -e "process.exit($(field detectionToBannerMs) < 5000 ? 0 : 1)"
check "the traces are drawn" node -e "process.exit($(field traceInk) > 1000 ? 0 : 1)"
check "the trace labels stay readable on a phone" \
  node -e "const p = $(field traceLabelPx); process.exit(p.phone >= 11 && p.desktop >= 11 ? 0 : 1)"
check "the alarm list holds the alarm" node -e "process.exit($(field alarmItems).length >= 1 ? 0 : 1)"
check "the history has minutes" node -e "process.exit($(field historyMinutes) >= 1 ? 0 : 1)"
check "the newest figures reach the browser within 5 s" node -e "process.exit($(field tickToBrowserMs.max) < 5000 ? 0 : 1)"
check "wrong tokens refused by the thousand" grep -q '^refused [0-9]\{4\}$' "$dir/hostile.txt"
beats=$(grep " 000,$id," "$dir/packets.txt" | cut -d, -f4)
check "heartbeats stayed about 5 s apart" awk -F: '
  { t = $1 * 3600 + $2 * 60 + $3; if (NR > 1) { d = t - last; if (d < 3 || d > 7) bad++ } last = t; n++ }
  END { exit !(n >= 10 && bad == 0) }' <<<"$beats"
check "the page's own resources all answered" test "$(field failedResources)" = "[]"
check "the page's icon and /favicon.ico are there" test "$(field icon)" = '"200 image/svg+xml 200"'
check "no token: 401" test "$(field noToken)" = 401
check "a wrong token: 401" test "$(field wrongToken)" = 401

# seisplotjs: sequence numbers without a gap, across the reconnect, and records identical to the archive's.
check "seisplotjs received records before and after the reconnect" \
  test "$(grep -c '^[0-9A-F]\{6\} ' "$dir/seisplotjs.txt")" -ge 20 -a "$(grep -c '^reconnect$' "$dir/seisplotjs.txt")" = 1
check "its sequence numbers have no gap" python3 - "$dir/seisplotjs.txt" <<'PY'
import sys
seqs = [int(l.split()[0], 16) for l in open(sys.argv[1]) if len(l.split()) == 2]
sys.exit(0 if seqs and all((b - a) & 0xFFFFFF == 1 for a, b in zip(seqs, seqs[1:])) else 1)
PY
session_stop_panel
check "its records are byte for byte those of the archive" python3 - "$dir/seisplotjs.txt" "$dir/sds" <<'PY'
import os, sys
archive = set()
for root, _, files in os.walk(sys.argv[2]):
    for f in files:
        data = open(os.path.join(root, f), 'rb').read()
        archive.update(data[i:i + 512] for i in range(0, len(data), 512))
records = [bytes.fromhex(l.split()[1]) for l in open(sys.argv[1]) if len(l.split()) == 2]
sys.exit(0 if records and all(r in archive for r in records) else 1)
PY
checks_end "the scratch folder was $dir"
