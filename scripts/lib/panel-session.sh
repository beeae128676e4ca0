# Helpers for running the real panel against the simulated sensor in a scratch folder.
# Source it; every process started here is remembered in SESSION_PIDS and ended by session_end.

SESSION_PIDS=()

# session_begin NAME BUILD SOURCE: the opening every run shares. Sets build and source_dir (absolute),
# dir (a scratch folder /tmp/tevra_NAME_*, removed at the end unless KEEP=1) and port (a random UDP
# port), and ends every process of the session on exit, after running SESSION_ON_EXIT if set.
session_begin() {
  build=$(realpath "$2")
  source_dir=$(realpath "$3")
  SESSION_DIR=$(mktemp -d "/tmp/tevra_$1_XXXXXX")
  dir=$SESSION_DIR
  trap 'session_end; ${SESSION_ON_EXIT:-true}; [ "${KEEP:-0}" = 1 ] || rm -rf "$SESSION_DIR"' EXIT
  port=$((20000 + RANDOM % 20000))
}

# session_start_xvfb: a virtual display on the first free number from 80 on; exports DISPLAY.
session_start_xvfb() {
  local n
  for n in $(seq 80 99); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    SESSION_PIDS+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    return 1
  done
  echo "no free X display number" >&2
  return 1
}

# session_write_ini DIR DEVICE UDP_PORT SENSOR_ID ALARM_KIND ALARM_INTENSITY
session_write_ini() {
  local dir=$1 device=$2 port=$3 id=$4 kind=$5 intensity=$6
  printf '[RS232C]\nCOM=1\nBAUD=9600\nBIT=8\nSTOP=1\nPARITY=NONE\n[Devices]\nCOM1=%s\n' "$device" \
    >"$dir/ComPort.ini"
  {
    printf '[00000000]\n'
    printf 'ID=%s\n' "$id"
    printf 'UDPポート番号=%s\n' "$port"
    printf '警報震度=%s\n' "$intensity"
    printf '地震情報の保存可否=1\n'
    printf '加速度情報の保存可否=1\n'
    printf '警報加速度=20\n'
    printf 'UDPパケット使用の可否=1\n'
    printf '警報の種類=%s\n' "$kind"
    printf '地震情報フォルダ名=%s\n' "$dir"
    printf '加速度情報フォルダ名=%s\n' "$dir"
    printf '計測自動開始=1\n'
    printf '警報時振動情報の保存の可否=1\n'
  } | iconv -f UTF-8 -t CP932 >"$dir/TevraPanel.ini"
}

# session_start_sim BUILD DIR ARGS...: starts the simulator; the pty's path ends up in SIM_DEVICE.
session_start_sim() {
  local build=$1 dir=$2
  shift 2
  "$build/tools/sensor-sim/tevra-sensor-sim" --link "$dir/sensor" "$@" >"$dir/sim.out" 2>"$dir/sim.err" &
  SESSION_PIDS+=($!)
  SIM_PID=$!
  for _ in $(seq 100); do
    [ -s "$dir/sim.out" ] && break
    sleep 0.1
  done
  SIM_DEVICE=$(head -n 1 "$dir/sim.out")
  [ -n "$SIM_DEVICE" ]
}

# session_start_listen BUILD DIR PORT SECONDS: packets go to DIR/packets.txt.
session_start_listen() {
  "$1/tools/listen/tevra-listen" --port "$3" --seconds "$4" >"$2/packets.txt" 2>"$2/listen.err" &
  SESSION_PIDS+=($!)
  LISTEN_PID=$!
}

# session_start_panel BUILD DIR [ENV=VALUE...]: the panel, its broadcast kept on this machine.
session_start_panel() {
  local build=$1 dir=$2
  shift 2
  (cd "$dir" && exec env TEVRA_HOST_ADDRESSES=127.0.0.1 "$@" "$build/app/tevra_panel") \
    >"$dir/panel.out" 2>"$dir/panel.err" &
  SESSION_PIDS+=($!)
  PANEL_PID=$!
}

# session_utf8 FILE: the panel's CP932 file as UTF-8 (nothing when it does not exist yet).
session_utf8() {
  [ -f "$1" ] && iconv -f CP932 -t UTF-8 "$1" 2>/dev/null
}

# session_count FILE PATTERN: how many lines of the CP932 FILE match PATTERN (0 when none or no file).
session_count() {
  session_utf8 "$1" | grep -c -- "$2" || true
}

# session_wait_for FILE PATTERN SECONDS: waits until FILE (CP932) holds PATTERN; gives up early
# when the panel has ended.
session_wait_for() {
  local file=$1 pattern=$2 seconds=$3
  for _ in $(seq $((seconds * 2))); do
    if session_utf8 "$file" | grep -q -- "$pattern"; then return 0; fi
    if [ -n "${PANEL_PID:-}" ] && ! kill -0 "$PANEL_PID" 2>/dev/null; then return 1; fi
    sleep 0.5
  done
  return 1
}

# session_panel_cpu SECONDS: prints the panel's CPU time over the next SECONDS as a percentage of one
# core.
session_panel_cpu() {
  local seconds=$1 before after
  cpu() { awk '{ print $14 + $15 }' "/proc/$PANEL_PID/stat"; }
  before=$(cpu)
  sleep "$seconds"
  after=$(cpu)
  awk -v b="$before" -v a="$after" -v t="$(getconf CLK_TCK)" -v s="$seconds" \
    'BEGIN { printf "%.2f", 100 * (a - b) / t / s }'
}

# session_stop_panel: asks the panel to end as a logout would, and waits for it.
session_stop_panel() {
  [ -n "${PANEL_PID:-}" ] || return 0
  kill -TERM "$PANEL_PID" 2>/dev/null || true
  for _ in $(seq 100); do
    kill -0 "$PANEL_PID" 2>/dev/null || break
    sleep 0.1
  done
  wait "$PANEL_PID" 2>/dev/null || true
  PANEL_PID=
}

# session_end: ends every process this session started, the newest first (the panel before the
# display it draws on).
session_end() {
  local i
  for ((i = ${#SESSION_PIDS[@]} - 1; i >= 0; i--)); do
    kill -TERM "${SESSION_PIDS[i]}" 2>/dev/null || true
    wait "${SESSION_PIDS[i]}" 2>/dev/null || true
  done
  SESSION_PIDS=()
}

# session_stop_sim: ends the simulator (its link goes with it, as an unplugged adapter's does),
# waits for it and forgets its id, so that a later session_end never signals a reused one.
session_stop_sim() {
  [ -n "${SIM_PID:-}" ] || return 0
  kill -TERM "$SIM_PID" 2>/dev/null || true
  wait "$SIM_PID" 2>/dev/null || true
  local kept=() pid
  for pid in "${SESSION_PIDS[@]}"; do [ "$pid" = "$SIM_PID" ] || kept+=("$pid"); done
  SESSION_PIDS=("${kept[@]}")
  SIM_PID=
}

# session_panel_window TITLE: the id of the panel's visible window with this title.
session_panel_window() {
  local w
  for w in $(xdotool search --onlyvisible --class tevra_panel 2>/dev/null); do
    if [ "$(xdotool getwindowname "$w")" = "$1" ]; then echo "$w"; return 0; fi
  done
  return 1
}

# session_open_from_menu KEY TITLE: opens 表示 > the item with access key KEY as a user would and
# prints the id of the window TITLE once it shows (within 10 s).
session_open_from_menu() {
  local key=$1 title=$2 panel window
  panel=$(session_panel_window '計測震度') || { echo "the panel window is not visible" >&2; return 1; }
  xdotool windowactivate --sync "$panel" 2>/dev/null || xdotool windowfocus --sync "$panel"
  xdotool key --clearmodifiers alt+v
  sleep 0.5
  xdotool key "$key"
  for _ in $(seq 40); do
    window=$(session_panel_window "$title") && { echo "$window"; return 0; }
    sleep 0.25
  done
  echo "the window $title did not open" >&2
  return 1
}

# session_window_cpu KEY TITLE SECONDS: opens the window TITLE from the menu, lets it settle, and
# prints the panel's CPU time over SECONDS (as session_panel_cpu); fails if the window closed meanwhile.
session_window_cpu() {
  local cpu
  session_open_from_menu "$1" "$2" >/dev/null || return 1
  sleep 5
  cpu=$(session_panel_cpu "$3")
  session_panel_window "$2" >/dev/null || { echo "the window $2 closed during the run" >&2; return 1; }
  echo "$cpu"
}
