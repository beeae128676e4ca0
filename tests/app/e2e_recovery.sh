#!/usr/bin/env bash
# End to end: the sensor goes away for 20 s in the middle of a measurement and comes back on the
# same link; the real panel, with automatic start on, must measure again by itself within 15 s,
# send heartbeats again, and its event log must tell the outage and the new start.
# Usage: e2e_recovery.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/../support/checks.sh"
source "$(realpath "$2")/scripts/lib/panel-session.sh"
session_begin e2e_rec "$1" "$2"

dir=$(mktemp -d /tmp/tevra_e2e_rec_XXXXXX)
trap 'session_end; [ "${KEEP:-0}" = 1 ] || rm -rf "$dir"' EXIT
port=$((20000 + RANDOM % 20000))
id="REC01"
log="$dir/Tevra_$id.csv"
starts() { session_count "$log" ',計測開始$'; }
beats() { grep -c " 000,$id," "$dir/packets.txt" || true; }

session_start_sim "$build" "$dir"
# The panel opens the sensor by its link, as a USB adapter by /dev/serial/by-id.
session_write_ini "$dir" "$dir/sensor" "$port" "$id" 1 3.0
session_start_listen "$build" "$dir" "$port" 200
session_start_panel "$build" "$dir" QT_QPA_PLATFORM=offscreen

if ! session_wait_for "$log" ',計測開始' 30; then
  echo "FAIL the measurement never started; panel stderr:"
  tail -n 20 "$dir/panel.err"
  exit 1
fi
sleep 15

# The sensor goes away: its terminal closes and the link goes with it.
session_stop_sim
check "the outage is seen at once" session_wait_for "$log" ',通信エラー発生' 5
sleep 20
beats_before=$(beats)
session_start_sim "$build" "$dir"
back=$(date +%s%N)
recovered=""
for _ in $(seq 300); do  # up to 30 s, in tenths
  if [ "$(starts)" -ge 2 ]; then
    recovered=$((($(date +%s%N) - back) / 1000000))
    break
  fi
  sleep 0.1
done
if [ -n "$recovered" ]; then
  echo "recovery time: $recovered ms after the sensor came back"
else
  echo "recovery time: none within 30 s"
fi
check "measuring again within 15 s, without a person" test -n "$recovered" -a "${recovered:-99999}" -le 15000
# Two more heartbeats take 10 s; a loaded machine may take a little longer.
for _ in $(seq 40); do [ "$(beats)" -ge $((beats_before + 2)) ] && break; sleep 0.5; done
echo "heartbeats: $beats_before before the return, $(beats) now"
check "heartbeats resume" test "$(beats)" -ge $((beats_before + 2))
session_stop_panel

events=$(session_utf8 "$log")
echo "$events"
check "start, error, stop, start, in this order" \
  test "$(grep -E ',(計測開始|通信エラー発生|計測終了)$' <<<"$events" | sed 's/.*,//' | head -n 4 | tr '\n' ' ')" \
  = "計測開始 通信エラー発生 計測終了 計測開始 "
check "one error line for the outage" test "$(grep -c ',通信エラー発生$' <<<"$events")" = 1

checks_end "the scratch folder was $dir"
