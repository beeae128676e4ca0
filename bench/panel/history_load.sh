#!/usr/bin/env bash
# CPU time of the real panel while it measures with the 震度履歴 window open (24 h over a week of
# history files), averaged over 60 s, and its longest tick. The window is opened from the menu
# 表示 > 震度履歴 with xdotool, as a user would (not a test: run it on a quiet machine).
# Usage: bench/panel/history_load.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
seconds=${2:-60}
source scripts/lib/panel-session.sh
source scripts/lib/history-seed.sh
command -v xdotool >/dev/null || { echo "xdotool is missing: run scripts/install-deps.sh" >&2; exit 1; }

dir=$(mktemp -d /tmp/tevra_history_load_XXXXXX)
trap 'session_end; rm -rf "$dir"' EXIT
session_start_xvfb
history_seed "$dir" 7

session_start_sim "$build" "$dir"
session_write_ini "$dir" "$SIM_DEVICE" 6668 LOAD 1 3.0
session_start_panel "$build" "$dir" TEVRA_TICK_STATS=1
session_wait_for "$dir/Tevra_LOAD.csv" ',計測開始' 30

cpu=$(session_window_cpu h '震度履歴' "$seconds") || exit 1
session_stop_panel
echo "cpu $cpu % of one core over $seconds s with the history window open (24 h of a week's files)"
grep '^ticks' "$dir/panel.err" || true
