#!/usr/bin/env bash
# What five browsers on the web page cost the panel: CPU of the whole panel and of its web thread
# alone (from /proc/PID/task), over alternating runs with the page off and with five headless
# Chromium pages on it (not a test: run it on a quiet machine). Needs puppeteer-core in
# BUILD_DIR/web-e2e (tests/app/e2e_web.sh installs it).
# Usage: bench/panel/web_load.sh [BUILD_DIR] [SECONDS] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
seconds=${2:-60}
rounds=${3:-2}
source scripts/lib/panel-session.sh
[ -d "$build/web-e2e/node_modules/puppeteer-core" ] || { echo "run tests/app/e2e_web.sh first (npm packages)" >&2; exit 1; }
cp bench/panel/web_pages.mjs "$build/web-e2e/"

dir=$(mktemp -d /tmp/tevra_webload_XXXXXX)
trap 'session_end; rm -rf "$dir"' EXIT
session_start_xvfb
session_start_sim "$build" "$dir"
session_write_ini "$dir" "$SIM_DEVICE" 6668 LOAD 1 3.0
web_port=$((40000 + RANDOM % 10000))
printf '[Web]\nWeb=1\nWebAddress=127.0.0.1\nWebPort=%s\n' "$web_port" >>"$dir/TevraPanel.ini"
session_start_panel "$build" "$dir"
session_wait_for "$dir/Tevra_LOAD.csv" ',計測開始' 30
sleep 5

web_ticks() {
  for t in /proc/"$PANEL_PID"/task/*; do
    [ "$(cat "$t/comm")" = tevra-web ] && awk '{ print $14 + $15 }' "$t/stat"
  done
}
measure() {  # prints "<panel %> <web thread %>"
  local before after
  before=$(web_ticks)
  local panel
  panel=$(session_panel_cpu "$seconds")
  after=$(web_ticks)
  echo "$panel $(awk -v b="$before" -v a="$after" -v t="$(getconf CLK_TCK)" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * (a - b) / t / s }')"
}
for round in $(seq "$rounds"); do
  echo "round $round off:  $(measure)"
  (cd "$build/web-e2e" && node web_pages.mjs "$web_port" 5 $((seconds + 10)) "$dir/chromium$round") &
  pages=$!
  sleep 8
  echo "round $round five: $(measure)"
  wait "$pages" || true
done
session_stop_panel
