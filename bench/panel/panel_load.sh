#!/usr/bin/env bash
# CPU time, resident memory and the longest measurement tick of the real panel while it measures
# a quiet site with its window visible, averaged over 60 s (not a test: run it on a quiet machine).
# Usage: bench/panel/panel_load.sh [BUILD_DIR] [SECONDS]
# With TEVRA_LOAD_ARCHIVE=1 the panel also keeps the continuous record (miniSEED archive); with
# TEVRA_LOAD_SEEDLINK=N it also serves SeedLink on 127.0.0.1 to N clients that take everything.
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
printf '[DataOutput]\n' >>"$dir/TevraPanel.ini"
if [ "${TEVRA_LOAD_ARCHIVE:-0}" = 1 ]; then
  printf 'Archive=1\nArchiveFolder=%s/sds\n' "$dir" >>"$dir/TevraPanel.ini"
fi
clients=${TEVRA_LOAD_SEEDLINK:-0}
slport=$((20000 + RANDOM % 20000))
if [ "$clients" -gt 0 ]; then
  printf 'SeedLink=1\nSeedLinkPort=%s\n' "$slport" >>"$dir/TevraPanel.ini"
fi
session_start_panel "$build" "$dir" TEVRA_TICK_STATS=1
# Splash, tray attempts and the automatic-start countdown come first.
session_wait_for "$dir/Tevra_LOAD.csv" ',計測開始' 30
for _ in $(seq "$clients"); do
  # A uni-station client: DATA, then every record as it comes, read and thrown away.
  (printf 'DATA\r\n'; sleep $((seconds + 30))) | socat - "TCP:127.0.0.1:$slport" >/dev/null 2>&1 &
  SESSION_PIDS+=($!)
done
sleep 5

cpu=$(session_panel_cpu "$seconds")
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$PANEL_PID/status")
hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$PANEL_PID/status")
session_stop_panel
echo "cpu $cpu % of one core over $seconds s"
echo "resident memory ${rss} kB now, ${hwm} kB at most"
grep '^ticks' "$dir/panel.err" || true
