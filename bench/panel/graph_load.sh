#!/usr/bin/env bash
# CPU time of the real panel while it measures with the acceleration graph open at its start-up
# scroll speed "1" (one column per sample, 100 columns a second), averaged over 60 s. The graph is
# opened as a user would, from the menu 表示 > 加速度グラフ, with xdotool (not a test: run it on a
# quiet machine). Usage: bench/panel/graph_load.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
seconds=${2:-60}
source scripts/lib/panel-session.sh
command -v xdotool >/dev/null || { echo "xdotool is missing: run scripts/install-deps.sh" >&2; exit 1; }

dir=$(mktemp -d /tmp/tevra_graph_load_XXXXXX)
trap 'session_end; rm -rf "$dir"' EXIT
session_start_xvfb

session_start_sim "$build" "$dir"
session_write_ini "$dir" "$SIM_DEVICE" 6668 LOAD 1 3.0
session_start_panel "$build" "$dir"
session_wait_for "$dir/Tevra_LOAD.csv" ',計測開始' 30

cpu=$(session_window_cpu g '加速度グラフ' "$seconds") || exit 1
session_stop_panel
echo "cpu $cpu % of one core over $seconds s with the graph open (scroll speed 1)"
