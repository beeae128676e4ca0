#!/usr/bin/env bash
# The real panel under faults that once made it freeze or ignore a stop: a line that never sends a
# carriage return, a stop signal while the exit question is open, a stop signal while a start-up
# box waits for a person, a named pipe in place of the settings file.
# Usage: e2e_panel_faults.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/../support/checks.sh"
source "$(realpath "$2")/scripts/lib/panel-session.sh"
session_begin faults "$1" "$2"

root=$dir
# ended_within SECONDS: the panel has ended (after a stop signal) within that time.
ended_within() {
  local i
  for i in $(seq $(($1 * 10))); do
    kill -0 "$PANEL_PID" 2>/dev/null || { wait "$PANEL_PID" 2>/dev/null || true; PANEL_PID=; return 0; }
    sleep 0.1
  done
  return 1
}

echo "== a line without carriage returns"
dir="$root/no-cr"
mkdir -p "$dir"
# Twelve seconds of good frames (the automatic start comes after about five), then a steady stream of 'A' at 960 bytes a second, as a wrong baud
# rate gives it.
cat >"$dir/line.pl" <<'PERL'
$| = 1;
for (1 .. 1200) { print "2048,2048,3072,0\r"; select(undef, undef, undef, 0.01); }
while (1) { print "A" x 96; select(undef, undef, undef, 0.1); }
PERL
socat pty,raw,echo=0,link="$dir/sensor" EXEC:"perl $dir/line.pl" 2>"$dir/socat.err" &
SESSION_PIDS+=($!)
for _ in $(seq 50); do [ -e "$dir/sensor" ] && break; sleep 0.1; done
session_write_ini "$dir" "$dir/sensor" "$port" FAULT1 1 9.0
session_start_listen "$build" "$dir" "$port" 90
session_start_panel "$build" "$dir" QT_QPA_PLATFORM=offscreen TEVRA_TICK_STATS=1
check "measures" session_wait_for "$dir/Tevra_FAULT1.csv" ',計測開始' 30
session_wait_for "$dir/Tevra_FAULT1.csv" ',データフォーマットエラー発生' 30 || true
# Heartbeats come every 5 s; wait for three more after the errors began, not a fixed time a slow
# machine may not fill.
heartbeats_before=$(grep -c "FAULT1" "$dir/packets.txt" || true)
heartbeats_during() { echo $(($(grep -c "FAULT1" "$dir/packets.txt" || true) - heartbeats_before)); }
for _ in $(seq 50); do [ "$(heartbeats_during)" -ge 3 ] && break; sleep 0.5; done
kill -TERM "$PANEL_PID"
check "ends within 3 s of SIGTERM while the line sends no CR" ended_within 3
# The first error of an episode has its line; the repeats are counted, and the exit writes the count.
errors=$(session_utf8 "$dir/Tevra_FAULT1.csv" | awk -F, '$2 == "データフォーマットエラー発生" { n++ }
  $2 == "データフォーマットエラー繰り返し" { n += $3 } END { print n + 0 }')
longest=$(sed -n 's/^ticks [0-9]* longest \([0-9.]*\) ms$/\1/p' "$dir/panel.err")
echo "format errors: $errors, longest tick: ${longest:-?} ms"
check "format errors keep coming (one check per second, not one per half minute)" test "$errors" -ge 6
check "no tick blocks for much more than a second" awk -v l="${longest:-99999}" 'BEGIN { exit !(l < 1500) }'
check "heartbeats go on" test "$(heartbeats_during)" -ge 3
session_end

echo "== a stop signal while the exit question is open"
dir="$root/question"
mkdir -p "$dir"
session_start_xvfb
session_start_sim "$build" "$dir" --seconds 120
session_write_ini "$dir" "$SIM_DEVICE" "$port" FAULT2 1 9.0
session_start_panel "$build" "$dir" QT_QPA_PLATFORM=xcb  # on the display, whatever the caller set
check "measures" session_wait_for "$dir/Tevra_FAULT2.csv" ',計測開始' 40
panel=""
for _ in $(seq 50); do
  panel=$(xdotool search --onlyvisible --name '^計測震度' 2>/dev/null | head -n 1 || true)
  [ -n "$panel" ] && break
  sleep 0.2
done
question=""
# Keys go to the focused window; on a loaded machine the first try may come too early.
for _ in 1 2 3 4 5; do
  [ -n "$panel" ] || break
  xdotool windowactivate --sync "$panel" >/dev/null 2>&1 || xdotool windowfocus --sync "$panel" >/dev/null 2>&1 || true
  sleep 0.5
  xdotool key --clearmodifiers alt+f
  sleep 1
  xdotool key x
  for _ in $(seq 25); do
    question=$(xdotool search --onlyvisible --name '^確認$' 2>/dev/null | head -n 1 || true)
    [ -n "$question" ] && break 2
    sleep 0.2
  done
  xdotool key Escape
done
check "the exit question is open" test -n "$question"
kill -TERM "$PANEL_PID"
check "ends within 3 s of SIGTERM with the question open" ended_within 3
check "the baseline was saved" test -s "$dir/NoiseData.csv"
session_end

echo "== a stop signal while a start-up box waits, the settings file a named pipe"
dir="$root/box"
mkdir -p "$dir"
session_start_sim "$build" "$dir" --seconds 60
session_write_ini "$dir" "$SIM_DEVICE" "$port" FAULT3 1 9.0
rm "$dir/TevraPanel.ini"
mkfifo "$dir/TevraPanel.ini"
session_start_panel "$build" "$dir" QT_QPA_PLATFORM=offscreen
sleep 3
check "the panel started past the pipe" kill -0 "$PANEL_PID"
kill -TERM "$PANEL_PID"
check "ends within 3 s of SIGTERM with the start-up box open" ended_within 3
check "the pipe is left as it was" test -p "$dir/TevraPanel.ini"
session_end

checks_end
