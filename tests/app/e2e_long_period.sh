#!/usr/bin/env bash
# End to end: the real panel measures a distant earthquake whose long-period waves reach class 2
# while its intensity stays near 3. With the intensity alarm set high and the long-period alarm at
# class 2, exactly one alarm comes, when the class is reached, and its class is recorded.
# Usage: e2e_long_period.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/../support/checks.sh"
source "$(realpath "$2")/scripts/lib/panel-session.sh"
session_begin e2e_lp "$1" "$2"

dir=$(mktemp -d /tmp/tevra_e2e_lp_XXXXXX)
trap 'session_end; [ "${KEEP:-0}" = 1 ] || rm -rf "$dir"' EXIT
port=$((20000 + RANDOM % 20000))
id="LP01"

awk -f "$source_dir/scripts/lib/distant-quake.awk" >"$dir/quake.csv"
session_start_sim "$build" "$dir" --replay "$dir/quake.csv"
session_write_ini "$dir" "$SIM_DEVICE" "$port" "$id" 1 4.5
printf '[LongPeriod]\nAlarm=1\nAlarmClass=2\n' >>"$dir/TevraPanel.ini"
session_start_listen "$build" "$dir" "$port" 260
session_start_panel "$build" "$dir" QT_QPA_PLATFORM=offscreen

log="$dir/Tevra_$id.csv"
# The replay ends after 160 s of data: the silent line then ends the measurement.
if ! session_wait_for "$log" "通信エラー発生" 230; then
  echo "FAIL the replay never ended; panel stderr:"
  tail -n 20 "$dir/panel.err"
  exit 1
fi
sleep 1
session_stop_panel

events=$(session_utf8 "$log")
echo "$events"
seconds_of() { awk -F: '{ print $1 * 3600 + $2 * 60 + $3 }' <<<"$1"; }
# The event log's lines start with a blank.
detected=$(grep ',検出震度,' <<<"$events" | cut -d, -f1 | sed 's/^ //')
check "one detection line" test "$(grep -c ',検出震度,' <<<"$events")" = 1
check "one maximum line" test "$(grep -c ',最大震度,' <<<"$events")" = 1
check "the event log's lines keep their form" test "$(grep -c '長周期' <<<"$events")" = 0
panel_max=$(grep ',最大震度,' <<<"$events" | cut -d, -f3)
echo "largest intensity $panel_max"
check "the intensity stays near 3, under its alarm" awk -v i="$panel_max" 'BEGIN { exit !(i >= 2.5 && i < 3.5) }'

# The body waves pass 5 gal on X about 16 s into the record, and the class reaches 2 at 35.4 s:
# the detection must come about 19.4 s after that onset, as the detail file times it.
details=("$dir"/[0-9]*_"$id".csv)
check "one detail file" test "${#details[@]}" = 1
onset=$(awk -F, 'NR > 1 && ($2 > 5 || $2 < -5) { gsub(/ /, "", $1); print $1; exit }' "${details[0]}")
lead=$(($(seconds_of "${detected#* }") - $(seconds_of "$onset")))
echo "body waves at $onset, detection at ${detected#* }: $lead s later"
check "the alarm comes when the class is reached, not with the body waves" test "$lead" -ge 17 -a "$lead" -le 22

packets=$(cat "$dir/packets.txt")
check "one earthquake packet" test "$(grep -c ",地震発生,$" <<<"$packets")" = 1
check "sent at the detection" test "$(grep ",地震発生,$" <<<"$packets" | cut -d, -f4)" = "${detected#* }"

lp_file="$dir/longperiod_$id.csv"
cat "$lp_file"
check "one long-period line for the alarm" test "$(wc -l <"$lp_file")" = 1
IFS=, read -r lp_time lp_class lp_sva lp_period <"$lp_file"
tool=$("$build/tools/intensity/tevra-intensity" --long-period "$dir/quake.csv" | grep '^long-period ')
echo "panel: class $lp_class, Sva $lp_sva cm/s at $lp_period s; tevra-intensity: $tool"
check "its time is the detection's" test "$lp_time" = "$detected"
check "class 2" test "$lp_class" = 2
check "its Sva agrees with tevra-intensity within 3 %" \
  awk -v a="$lp_sva" -v b="$(cut -d' ' -f3 <<<"$tool")" 'BEGIN { exit !(a > 0.97 * b && a < 1.03 * b) }'
check "the settings keep the long-period section" grep -q '^AlarmClass=2' "$dir/TevraPanel.ini"

checks_end "the scratch folder was $dir"
