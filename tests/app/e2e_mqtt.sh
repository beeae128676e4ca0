#!/usr/bin/env bash
# End to end: the real panel under Xvfb publishes to Debian's mosquitto broker on a free loopback
# port, heard by mosquitto_sub. The sensor replays two earthquakes 112 s apart: the first alarm
# goes out with the UDP earthquake packet and ends after the hold; the broker is away for 20 s
# around the second, which arrives afterwards marked late; a SIGKILL at the end leaves "offline".
# Usage: e2e_mqtt.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/../support/checks.sh"
source "$(realpath "$2")/scripts/lib/panel-session.sh"
SESSION_ON_EXIT=stop_broker
session_begin e2e_mqtt "$1" "$2"

BROKER_PID=
stop_broker() {
  [ -n "$BROKER_PID" ] || return 0
  kill -TERM "$BROKER_PID" 2>/dev/null || true
  wait "$BROKER_PID" 2>/dev/null || true
  BROKER_PID=
}
bport=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
id="MQ01"
prefix="tevra/XX.MQ01"
log="$dir/Tevra_$id.csv"
now() { date +%s.%N; }

# The replay: a quake 10 s into 40 s of record, 72 s of quiet, the same 40 s again, 24 s of quiet.
"$build/tools/sensor-sim/tevra-sensor-sim" --speed 200 --seconds 40 --quake 10:120 --record "$dir/quake.txt" \
  >"$dir/rec.out" &
rec=$!
for _ in $(seq 50); do [ -s "$dir/rec.out" ] && break; sleep 0.1; done
timeout 10 cat "$(head -n 1 "$dir/rec.out")" >/dev/null 2>&1 || true
wait "$rec" || true
quiet() { head -n 800 "$dir/quake.txt"; }
{ cat "$dir/quake.txt"; for _ in $(seq 9); do quiet; done; cat "$dir/quake.txt"; for _ in 1 2 3; do quiet; done; } \
  >"$dir/replay.txt"

start_broker() {
  printf 'user %s\npersistence false\nlistener %s 127.0.0.1\nallow_anonymous true\n' "$(id -un)" "$bport" \
    >"$dir/mosquitto.conf"
  mosquitto -c "$dir/mosquitto.conf" >>"$dir/broker.log" 2>&1 &
  BROKER_PID=$!
  for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$bport") 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
start_broker
stdbuf -oL mosquitto_sub -h 127.0.0.1 -p "$bport" -t '#' -F '%U %t %p' >"$dir/mqtt.txt" 2>"$dir/sub.err" &
SESSION_PIDS+=($!)
# UDP packets, each with the time it arrived.
(stdbuf -oL "$build/tools/listen/tevra-listen" --port "$port" --seconds 240 2>"$dir/listen.err" |
  while IFS= read -r line; do printf '%s %s\n' "$(now)" "$line"; done >"$dir/packets.txt") &
SESSION_PIDS+=($!)

session_start_sim "$build" "$dir" --replay "$dir/replay.txt"
session_write_ini "$dir" "$SIM_DEVICE" "$port" "$id" 1 3.0
printf '[MQTT]\nMQTT=1\nHost=127.0.0.1\nPort=%s\n' "$bport" >>"$dir/TevraPanel.ini"
session_start_xvfb
session_start_panel "$build" "$dir"

messages() { grep -a " $prefix/$1 " "$dir/mqtt.txt" || true; }
wait_count() {  # TOPIC PATTERN N SECONDS
  for _ in $(seq $(($4 * 10))); do
    [ "$(messages "$1" | grep -c -- "$2" || true)" -ge "$3" ] && return 0
    sleep 0.1
  done
  return 1
}

if ! wait_count alarm '"event":"start"' 1 60; then
  echo "FAIL no alarm start; panel stderr:"
  tail -n 20 "$dir/panel.err"
  exit 1
fi
udp_at=$(grep -a ',地震発生,' "$dir/packets.txt" | head -n 1 | cut -d' ' -f1)
mqtt_at=$(messages alarm | grep '"event":"start"' | head -n 1 | cut -d' ' -f1)
delay=$(awk -v u="$udp_at" -v m="$mqtt_at" 'BEGIN { printf "%.0f", (m - u) * 1000 }')
echo "alarm start: UDP packet to MQTT message $delay ms"
check "the alarm start comes after the UDP earthquake packet, within a second" \
  awk -v d="$delay" 'BEGIN { exit !(d >= -50 && d <= 1000) }'
first_start=$(messages alarm | grep '"event":"start"' | head -n 1)
check "it is not late" test "$(grep -c '"late"' <<<"$first_start")" = 0
# Intensities over 20 s, counted by the subscriber's clock.
sleep 20
t0=$(awk -v t="$mqtt_at" 'BEGIN { printf "%.3f", t + 1 }')
rate=$(messages intensity | awk -v a="$t0" '$1 >= a && $1 < a + 18 { n++ } END { print n / 18 }')
echo "intensity messages per second: $rate"
check "intensity at two a second" awk -v r="$rate" 'BEGIN { exit !(r >= 1.8 && r <= 2.2) }'

check "the alarm ends after the hold" wait_count alarm '"event":"end"' 1 90
events=$(session_utf8 "$log")
detected=$(grep ',検出震度,' <<<"$events" | head -n 1 | cut -d, -f3)
maximum=$(grep ',最大震度,' <<<"$events" | head -n 1 | cut -d, -f3)
start_value=$(sed 's/.*"intensity":\([0-9.]*\).*/\1/' <<<"$first_start")
end_value=$(messages alarm | grep '"event":"end"' | head -n 1 | sed 's/.*"intensity":\([0-9.]*\).*/\1/')
echo "panel: detection $detected maximum $maximum; MQTT: start $start_value end $end_value"
check "the start carries the panel's detection figure" test "$(printf '%.1f' "$start_value")" = "$detected"
check "the end carries the panel's maximum" test "$(printf '%.1f' "$end_value")" = "$maximum"
check "the end names the detail file" test -f "$dir/$(messages alarm | grep '"event":"end"' | head -n 1 |
  sed 's/.*"detail_file":"\([^"]*\)".*/\1/')"
check "alarm/state ON, then OFF" test "$(messages alarm/state | cut -d' ' -f3 | tr '\n' ' ')" = "OFF ON OFF "
check "the discovery configs are JSON with the documented keys" python3 - "$dir/mqtt.txt" <<'PY'
import json, sys
configs = {}
for line in open(sys.argv[1], encoding="utf-8"):
    _, topic, payload = line.rstrip("\n").split(" ", 2)
    if topic.startswith("homeassistant/"):
        configs[topic] = json.loads(payload)
assert len(configs) == 6, configs.keys()
for topic, c in configs.items():
    assert topic.split("/")[2] == "tevra_XX_MQ01", topic
    for key in ("name", "unique_id", "state_topic", "availability_topic", "device"):
        assert key in c, (topic, key)
    assert c["device"]["identifiers"] == ["tevra_XX_MQ01"] and c["device"]["name"] == "tevra XX.MQ01"
    assert c["availability_topic"] == "tevra/XX.MQ01/availability"
assert configs["homeassistant/binary_sensor/tevra_XX_MQ01/alarm/config"]["device_class"] == "vibration"
PY

# The broker goes away for 20 s around the second quake, whose detection comes 112 s after the
# first (the replay's period): from 10 s before it to 10 s after.
wait_s=$(awk -v f="$mqtt_at" -v n="$(now)" 'BEGIN { w = f + 102 - n; printf "%.1f", (w > 0 ? w : 0) }')
echo "the broker stops in $wait_s s"
sleep "$wait_s"
stop_broker
down_at=$(now)
sleep 20
start_broker
up_at=$(now)
check "a reconnection within the back-off" wait_count availability online 2 25
back_at=$(messages availability | grep ' online$' | tail -n 1 | cut -d' ' -f1)
echo "back $(awk -v u="$up_at" -v b="$back_at" 'BEGIN { printf "%.1f", b - u }') s after the broker"
check "the alarm raised meanwhile arrives marked late" wait_count alarm '"late":true,"age_s":' 1 40
beats=$(grep -a " 000,$id," "$dir/packets.txt" | awk -v a="$down_at" -v b="$up_at" '$1 >= a - 6 && $1 <= b + 6 { print $1 }')
check "heartbeats stay 5 s apart while the broker is away" awk '
  { if (NR > 1) { d = $1 - last; if (d < 4 || d > 6) bad++ } last = $1; n++ } END { exit !(n >= 5 && bad == 0) }' <<<"$beats"

kill -KILL "$PANEL_PID"
wait "$PANEL_PID" 2>/dev/null || true
PANEL_PID=
check "SIGKILL: the broker delivers offline" wait_count availability offline 1 10
cat "$dir/mqtt.txt" | grep -av homeassistant | cut -c1-160 | tail -n 8
checks_end "the scratch folder was $dir"
