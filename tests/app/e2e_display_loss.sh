#!/usr/bin/env bash
# The X server ends under the real panel during an alarm: the panel must end as a stop signal
# ends it (status 0), with its settings and baseline saved and the alarm's records finished.
# Usage: e2e_display_loss.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/../support/checks.sh"
source "$(realpath "$2")/scripts/lib/panel-session.sh"
session_begin e2e_display "$1" "$2"

dir=$(mktemp -d /tmp/tevra_e2e_display_XXXXXX)
trap 'session_end; [ "${KEEP:-0}" = 1 ] || rm -rf "$dir"' EXIT
port=$((20000 + RANDOM % 20000))
log="$dir/Tevra_DISP1.csv"
any_file() { compgen -G "$1" >/dev/null; }

session_start_xvfb
xvfb_pid=${SESSION_PIDS[-1]}
session_start_sim "$build" "$dir" --seconds 120
# An alarm at instrumental intensity 0: it starts with the first figure and lasts.
session_write_ini "$dir" "$SIM_DEVICE" "$port" DISP1 1 0.0
session_start_panel "$build" "$dir" QT_QPA_PLATFORM=xcb
check "an alarm is in progress" session_wait_for "$log" ',検出震度,' 40
sleep 2
# Whatever is there now must come from the end of the program.
rm -f "$dir/TevraPanel.ini" "$dir/NoiseData.csv"

kill -TERM "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null || true
kept=()
for pid in "${SESSION_PIDS[@]}"; do [ "$pid" = "$xvfb_pid" ] || kept+=("$pid"); done
SESSION_PIDS=("${kept[@]}")

status=running
for _ in $(seq 100); do
  if ! kill -0 "$PANEL_PID" 2>/dev/null; then
    status=0
    wait "$PANEL_PID" 2>/dev/null || status=$?
    PANEL_PID=
    break
  fi
  sleep 0.1
done
echo "panel status: $status"
check "ends within 10 s of the display's end, with status 0" test "$status" = 0
check "the settings were saved" test -s "$dir/TevraPanel.ini"
check "the baseline was saved" test -s "$dir/NoiseData.csv"
check "the alarm's maximum line was written" session_wait_for "$log" ',最大震度,' 1
check "no stop line, as at any end of the program" test "$(session_count "$log" ',計測終了')" = 0
check "the alarm's picture was drawn" any_file "$dir/*_DISP1.png"
check "the minute in progress went into the history" any_file "$dir/history/*.csv"

checks_end "panel stderr: $dir/panel.err (KEEP=1 keeps it)"
