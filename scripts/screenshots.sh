#!/usr/bin/env bash
# Screenshots of the windows 震度履歴, 背景振動スペクトル and 警報記録 for the README: the real
# panel under Xvfb against the simulated sensor, with an earthquake 40 s in, so an alarm comes and
# goes; the windows are opened from the 表示 menu with xdotool, as a user would. The day before the
# session is a synthetic quiet-site history (scripts/lib/history-seed.sh); the last minutes, the
# alarm and the spectrum are the session's own.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (PNGs go to docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${1:-build}")
source scripts/lib/panel-session.sh
source scripts/lib/history-seed.sh
command -v xdotool >/dev/null || { echo "xdotool is missing: run scripts/install-deps.sh" >&2; exit 1; }
[ -x "$build/app/tevra_panel" ] || { echo "no panel in $build: run scripts/build.sh" >&2; exit 1; }

dir=$(mktemp -d /tmp/tevra_screenshots_XXXXXX)
trap 'session_end; rm -rf "$dir"' EXIT
mkdir -p docs

# open_from_menu KEY TITLE PNG: 表示 > the item with access key KEY, then a picture of the window.
open_from_menu() {
  local window
  window=$(session_open_from_menu "$1" "$2") || return 1
  xdotool windowmove "$window" 0 0
  sleep 3
  import -window "$window" "$root/docs/$3" && echo "screenshot: docs/$3"
}

session_start_xvfb
history_seed "$dir" 1
session_start_sim "$build" "$dir" --quake 40:120
session_write_ini "$dir" "$SIM_DEVICE" 6668 DEMO-01 1 3.0
session_start_panel "$build" "$dir"
log="$dir/Tevra_DEMO-01.csv"
session_wait_for "$log" ',計測開始' 30 || { echo "the panel did not start measuring" >&2; exit 1; }
echo "measuring; waiting for the earthquake and the end of its alarm (about two minutes)"
session_wait_for "$log" ',検出震度,' 90 || { echo "no alarm" >&2; exit 1; }
session_wait_for "$log" ',最大震度,' 150 || { echo "the alarm did not end" >&2; exit 1; }
sleep 3

open_from_menu h '震度履歴' history.png
open_from_menu s '背景振動スペクトル' background-vibration.png
open_from_menu a '警報記録' alarm-records.png
picture=$(ls "$dir"/*_DEMO-01.png 2>/dev/null | head -n 1)
if [ -n "$picture" ]; then cp "$picture" docs/alarm-picture.png && echo "alarm picture: docs/alarm-picture.png"; fi
session_stop_panel
