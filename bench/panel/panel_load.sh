#!/usr/bin/env bash
# CPU time, resident memory and the longest measurement tick of the real panel while it measures
# a quiet site with its window visible, averaged over 60 s (not a test: run it on a quiet machine).
# Usage: bench/panel/panel_load.sh [BUILD_DIR] [SECONDS]
# With TEVRA_LOAD_ARCHIVE=1 the panel also keeps the continuous record (miniSEED archive).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=$(realpath "${1:-build}")
seconds=${2:-60}
source scripts/lib/panel-session.sh

dir=$(mktemp -d /tmp/tevra_load_XXXXXX)
trap 'session_end; rm -rf "$dir"' EXIT
session_start_xvfb

session_start_sim "$build" "$dir"
session_write_ini "$dir" "$SIM_DEVICE" 6668 LOAD 1 3.0
if [ "${TEVRA_LOAD_ARCHIVE:-0}" = 1 ]; then
  printf '[DataOutput]\nArchive=1\nArchiveFolder=%s/sds\n' "$dir" >>"$dir/TevraPanel.ini"
fi
session_start_panel "$build" "$dir" TEVRA_TICK_STATS=1
# Splash, tray attempts and the automatic-start countdown come first.
session_wait_for "$dir/Tevra_LOAD.csv" ',計測開始' 30
sleep 5

cpu=$(session_panel_cpu "$seconds")
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$PANEL_PID/status")
hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$PANEL_PID/status")
session_stop_panel
echo "cpu $cpu % of one core over $seconds s"
echo "resident memory ${rss} kB now, ${hwm} kB at most"
grep '^ticks' "$dir/panel.err" || true
