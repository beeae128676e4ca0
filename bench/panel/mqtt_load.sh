#!/usr/bin/env bash
# The cost of MQTT: the real panel measuring a quiet site under Xvfb, with MQTT off and on in
# alternating runs (on: Debian's mosquitto on a free loopback port with mosquitto_sub attached).
# Prints the panel's CPU for each run and, with MQTT on, the CPU of the client's own thread
# ("tevra-mqtt", from /proc/PID/task). Not a test: run it on a quiet machine.
# Usage: bench/panel/mqtt_load.sh [BUILD_DIR] [SECONDS] [PAIRS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
seconds=${2:-60}
pairs=${3:-2}
source scripts/lib/panel-session.sh

dir=$(mktemp -d /tmp/tevra_mqtt_load_XXXXXX)
BROKER_PID=
trap 'session_end; [ -z "$BROKER_PID" ] || { kill "$BROKER_PID"; wait "$BROKER_PID"; } 2>/dev/null; rm -rf "$dir"' EXIT
bport=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf 'user %s\npersistence false\nlistener %s 127.0.0.1\nallow_anonymous true\n' "$(id -un)" "$bport" \
  >"$dir/mosquitto.conf"
mosquitto -c "$dir/mosquitto.conf" >"$dir/broker.log" 2>&1 &
BROKER_PID=$!
sleep 0.5
mosquitto_sub -h 127.0.0.1 -p "$bport" -t '#' >/dev/null 2>&1 &
SESSION_PIDS+=($!)
session_start_xvfb

# ticks of the task of PID named NAME
thread_ticks() {
  local t
  for t in /proc/"$1"/task/*; do
    if [ "$(cat "$t/comm")" = "$2" ]; then awk '{ print $14 + $15 }' "$t/stat"; return; fi
  done
  echo 0
}

run() {  # MQTT (0 or 1)
  local run_dir="$dir/run$RANDOM"
  mkdir -p "$run_dir"
  session_start_sim "$build" "$run_dir"
  session_write_ini "$run_dir" "$SIM_DEVICE" 6668 LOAD 1 3.0
  printf '[MQTT]\nMQTT=%s\nHost=127.0.0.1\nPort=%s\n' "$1" "$bport" >>"$run_dir/TevraPanel.ini"
  session_start_panel "$build" "$run_dir"
  session_wait_for "$run_dir/Tevra_LOAD.csv" ',計測開始' 30
  sleep 5
  local before after cpu
  before=$(thread_ticks "$PANEL_PID" tevra-mqtt)
  cpu=$(session_panel_cpu "$seconds")
  after=$(thread_ticks "$PANEL_PID" tevra-mqtt)
  session_stop_panel
  session_stop_sim
  if [ "$1" = 1 ]; then
    echo "mqtt on : panel cpu $cpu % of one core; client thread $(awk -v a="$after" -v b="$before" \
      -v t="$(getconf CLK_TCK)" -v s="$seconds" 'BEGIN { printf "%.3f", 100 * (a - b) / t / s }') %"
  else
    echo "mqtt off: panel cpu $cpu % of one core"
  fi
}

for _ in $(seq "$pairs"); do
  run 0
  run 1
done
