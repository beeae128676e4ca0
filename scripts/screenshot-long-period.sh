#!/usr/bin/env bash
# The README's picture of an alarm raised by the long-period class: the real panel under Xvfb
# against the simulator replaying a distant earthquake (scripts/lib/distant-quake.awk), the
# long-period alarm at class 2 and the intensity alarm at 4.5; once the alarm has ended, 警報記録 is
# opened from the 表示 menu with xdotool and photographed, and so is the main window.
# Usage: scripts/screenshot-long-period.sh [BUILD_DIR]   (PNGs go to docs/; about three minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${1:-build}")
source scripts/lib/panel-session.sh
command -v xdotool >/dev/null || { echo "xdotool is missing: run scripts/install-deps.sh" >&2; exit 1; }
[ -x "$build/app/tevra_panel" ] || { echo "no panel in $build: run scripts/build.sh" >&2; exit 1; }

dir=$(mktemp -d /tmp/tevra_screenshots_lp_XXXXXX)
trap 'session_end; rm -rf "$dir"' EXIT
mkdir -p docs

session_start_xvfb
awk -f scripts/lib/distant-quake.awk >"$dir/quake.csv"
session_start_sim "$build" "$dir" --replay "$dir/quake.csv"
session_write_ini "$dir" "$SIM_DEVICE" 6668 DEMO-01 1 4.5
printf '[LongPeriod]\nAlarm=1\nAlarmClass=2\n' >>"$dir/TevraPanel.ini"
session_start_panel "$build" "$dir"
log="$dir/Tevra_DEMO-01.csv"
session_wait_for "$log" ',計測開始' 30 || { echo "the panel did not start measuring" >&2; exit 1; }
echo "measuring; waiting for the long-period alarm and its end (about two and a half minutes)"
session_wait_for "$log" ',検出震度,' 90 || { echo "no alarm" >&2; exit 1; }
session_wait_for "$log" ',最大震度,' 150 || { echo "the alarm did not end" >&2; exit 1; }
sleep 2

panel=$(session_panel_window '計測震度')
import -window "$panel" "$root/docs/long-period-panel.png" && echo "screenshot: docs/long-period-panel.png"
window=$(session_open_from_menu a '警報記録')
xdotool windowmove "$window" 0 0
sleep 3
import -window "$window" "$root/docs/long-period-alarm.png" && echo "screenshot: docs/long-period-alarm.png"
session_stop_panel
