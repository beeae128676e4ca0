#!/usr/bin/env bash
# End to end: the real panel, headless, measures a simulated earthquake from a pseudo-terminal
# sensor; afterwards the files and packets must tell the story a user would read from them.
# Usage: e2e_panel.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/../support/checks.sh"
source "$(realpath "$2")/scripts/lib/panel-session.sh"
session_begin e2e "$1" "$2"

dir=$(mktemp -d /tmp/tevra_e2e_XXXXXX)
trap 'session_end; [ "${KEEP:-0}" = 1 ] || rm -rf "$dir"' EXIT
port=$((20000 + RANDOM % 20000))
id="E2E/01"
file_id="E2E_01"

# The quake starts 20 s in; the sensor falls silent after 140 s, which ends the measurement.
session_start_sim "$build" "$dir" --quake 20:120 --seconds 140 --record "$dir/record.csv"
session_write_ini "$dir" "$SIM_DEVICE" "$port" "$id" 1 3.0
session_start_listen "$build" "$dir" "$port" 220
# A comma-decimal locale must change no number the panel writes or sends.
session_start_panel "$build" "$dir" QT_QPA_PLATFORM=offscreen LC_ALL=de_DE.UTF-8

log="$dir/Tevra_$file_id.csv"
if ! session_wait_for "$log" ',計測終了' 230; then
  echo "FAIL the measurement never ended; panel stderr:"
  tail -n 20 "$dir/panel.err"
  exit 1
fi
sleep 1
session_stop_panel

events=$(session_utf8 "$log")
echo "$events"
check "one start line" test "$(grep -c ',計測開始$' <<<"$events")" = 1
check "one detection line" test "$(grep -c ',検出震度,' <<<"$events")" = 1
check "one maximum line" test "$(grep -c ',最大震度,' <<<"$events")" = 1
check "communication error, then the stop line" \
  test "$(grep -E ',(通信エラー発生|計測終了)$' <<<"$events" | sed 's/.*,//' | tr '\n' ' ')" = "通信エラー発生 計測終了 "

panel_max=$(grep ',最大震度,' <<<"$events" | cut -d, -f3)
# The record holds the sensor's rest level (gravity on one axis); the panel removes it as it
# goes, so the offline figure is taken of the record with its first second's mean removed.
awk -F'[ ,\t]+' 'NR <= 100 { x += $1; y += $2; z += $3; n++; rows[NR] = $0; next }
  NR == 101 { x /= n; y /= n; z /= n; for (i = 1; i <= n; i++) { split(rows[i], v, /[ ,\t]+/); print v[1] - x, v[2] - y, v[3] - z } }
  { print $1 - x, $2 - y, $3 - z }' "$dir/record.csv" >"$dir/record_at_rest.txt"
tool_max=$("$build/tools/intensity/tevra-intensity" "$dir/record_at_rest.txt" | awk '/^max/ {print $2}')
echo "maximum: panel $panel_max, tevra-intensity $tool_max"
check "the panel's maximum agrees with tevra-intensity within 0.1" \
  awk -v a="$panel_max" -v b="$tool_max" 'BEGIN { d = a - b; exit !(d <= 0.1 && d >= -0.1) }'

details=("$dir"/[0-9]*_"$file_id".csv)
check "one detail file" test "${#details[@]}" = 1
detail=${details[0]}
check "its header names the sensor" test "$(session_utf8 "$detail" | head -n 1)" = "$id,X(gal),Y(gal),Z(gal),計測震度,合成加速度(gal)"
seconds_of() { awk -F: '{ print $1 * 3600 + $2 * 60 + $3 }' <<<"$1"; }
first_row=$(sed -n 2p "$detail" | cut -d, -f1 | tr -d ' ')
detected=$(grep ',検出震度,' <<<"$events" | cut -d, -f1 | awk '{print $2}')
lead=$(($(seconds_of "$detected") - $(seconds_of "$first_row")))
echo "detail file starts $lead s before the detection"
check "its first rows are up to 60 s older than the alarm" test "$lead" -ge 1 -a "$lead" -le 60
check "the noise snapshot has 2048 lines" test "$(cat "$dir"/[0-9]*_"${file_id}"_noise.csv | wc -l)" = 2048

packets=$(cat "$dir/packets.txt")
check "one earthquake packet" test "$(grep -c ",地震発生,$" <<<"$packets")" = 1
check "packets carry the sensor ID as it is" grep -q " 100,$id," <<<"$packets"
beats=$(grep " 000,$id," <<<"$packets" | cut -d, -f4)
echo "heartbeats: $(wc -l <<<"$beats")"
check "heartbeats about every 5 s" awk -F: '
  { t = $1 * 3600 + $2 * 60 + $3; if (NR > 1) { d = t - last; if (d < 3 || d > 7) bad++ } last = t; n++ }
  END { exit !(n >= 15 && bad == 0) }' <<<"$beats"

check "NoiseData.csv has 2048 lines" test "$(wc -l <"$dir/NoiseData.csv")" = 2048
check "TevraPanel.ini keeps its twelve keys" test "$(session_utf8 "$dir/TevraPanel.ini" | grep -c '=')" = 12
check "numbers keep their decimal point" grep -q '^警報震度=3.000000$' <(session_utf8 "$dir/TevraPanel.ini")

checks_end "the scratch folder was $dir"
