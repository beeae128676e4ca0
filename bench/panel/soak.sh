#!/usr/bin/env bash
# Soak: the real panel under Xvfb for a long run against the simulated sensor at 5 times real
# time, with an earthquake every 20 min of data and a sensor outage (the simulator ends and starts
# again on the same link) every hour of data. Samples the panel's resident memory every 30 s and
# checks that every earthquake gave exactly one detection line and one detail file.
# Usage: bench/panel/soak.sh [BUILD_DIR] [MINUTES]   (30 minutes by default)
# SOAK_RUN_SECONDS sets the data seconds between outages (3600; at least 1000, the first
# earthquake and its alarm) for a short trial run, e.g. SOAK_RUN_SECONDS=1100 soak.sh build 5.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
minutes=${2:-30}
speed=5
run_seconds=${SOAK_RUN_SECONDS:-3600}
first_quake=600 quake_every=1200 quake_seconds=40
# Data seconds after a quake's end by which its alarm has ended: the alarm holds 60 s of real time.
settle=$((60 * speed + 60))
outage=20     # real seconds without the sensor
sample_every=30
source scripts/lib/panel-session.sh

dir=$(mktemp -d /tmp/tevra_soak_XXXXXX)
trap 'session_end; [ "${KEEP:-0}" = 1 ] || rm -rf "$dir"' EXIT
id=SOAK
port=$((20000 + RANDOM % 20000))
log="$dir/Tevra_$id.csv"

# The data of one run between outages: a quiet site (a count or two of noise) and an earthquake
# every $quake_every s from $first_quake s on, about 100 gal at 2 Hz for $quake_seconds s.
awk -v n=$((run_seconds * 100)) -v first=$first_quake -v every=$quake_every -v len=$quake_seconds 'BEGIN {
  srand(7); pi = atan2(0, -1)
  for (i = 0; i < n; i++) {
    t = i / 100; x = (rand() - 0.5) * 3; y = (rand() - 0.5) * 3; z = (rand() - 0.5) * 3
    if (t >= first) {
      q = (t - first) % every
      if (q < len) { e = sin(pi * q / len); x += 100 * e * sin(4 * pi * q); y += 80 * e * cos(4 * pi * q); z += 50 * e * sin(6 * pi * q) }
    }
    printf "%.2f %.2f %.2f\n", x, y, z
  }
}' >"$dir/run.txt"

# Earthquakes complete (alarm ended) within the first $1 data seconds of a run.
quakes_within() {
  awk -v p="$1" -v first=$first_quake -v every=$quake_every -v len=$quake_seconds -v s=$settle \
    'BEGIN { n = 0; for (q = first; q + len + s <= p; q += every) n++; print n }'
}
starts() { session_count "$log" ',計測開始$'; }
now() { date +%s; }

session_start_xvfb
session_start_sim "$build" "$dir" --replay "$dir/run.txt" --speed "$speed"
run_began=$(now)
session_write_ini "$dir" "$dir/sensor" "$port" "$id" 1 3.0
session_start_listen "$build" "$dir" "$port" $((minutes * 60 + 120))
session_start_panel "$build" "$dir"
session_wait_for "$log" ',計測開始' 60 || { echo "the panel never started measuring"; exit 1; }

began=$(now)
end=$((began + minutes * 60))
expected=0 outages=0 next_sample=$began sim_gone_at=0 recoveries=()
: >"$dir/rss.txt"
while [ "$(now)" -lt "$end" ]; do
  t=$(now)
  if [ "$t" -ge "$next_sample" ]; then
    echo "$((t - began)) $(ps -o rss= -p "$PANEL_PID" | tr -d ' ')" >>"$dir/rss.txt"
    next_sample=$((next_sample + sample_every))
  fi
  if [ -n "$SIM_PID" ] && ! kill -0 "$SIM_PID" 2>/dev/null; then  # the run's data are all sent
    session_stop_sim
    expected=$((expected + $(quakes_within "$run_seconds")))
    sim_gone_at=$t
  fi
  if [ -z "$SIM_PID" ] && [ "$t" -ge $((sim_gone_at + outage)) ]; then
    before=$(starts)
    session_start_sim "$build" "$dir" --replay "$dir/run.txt" --speed "$speed"
    run_began=$(now) outages=$((outages + 1))
    for _ in $(seq 300); do
      [ "$(starts)" -gt "$before" ] && break
      sleep 0.1
    done
    recoveries+=("$(($(now) - run_began)) s")
  fi
  sleep 1
done
# A quake still under way at the end is waited for; the rest of the run's data counts as played.
if [ -n "$SIM_PID" ]; then
  played=$((($(now) - run_began) * speed))
  ahead=$(awk -v p="$played" -v k="$speed" -v first=$first_quake -v every=$quake_every -v len=$quake_seconds -v s=$settle \
    'BEGIN { for (q = first; q <= p; q += every) if (p < q + len + s) { print int((q + len + s - p) / k) + 2; exit } print 0 }')
  sleep "$ahead"
  expected=$((expected + $(quakes_within $((($(now) - run_began) * speed)))))
fi
session_stop_panel

events=$(session_utf8 "$log")
detections=$(grep -c ',検出震度,' <<<"$events" || true)
details=$(find "$dir" -maxdepth 1 -name "[0-9]*_$id.csv" | wc -l)
echo "run: $minutes min real, $((minutes * 60 * speed / 60)) min of data, $outages outages, $expected earthquakes"
echo "recovery after each outage: ${recoveries[*]:-none}"
echo "detection lines: $detections, detail files: $details"
warm=$((minutes * 60 >= 600 ? 300 : minutes * 30))
awk -v warm="$warm" '
  NR == 1 { first = $2 } { last = $2; if ($2 > max) max = $2 }
  $1 >= warm && base == "" { base = $2 }
  END {
    printf "resident memory: first %d kB, last %d kB, largest %d kB, samples %d\n", first, last, max, NR
    printf "growth after the first %d s: %d kB\n", warm, last - base
    exit !(base != "" && last - base < 1024)
  }' "$dir/rss.txt" || { echo "FAIL memory grew by 1 MB or more"; exit 1; }
if [ "$detections" -ne "$expected" ] || [ "$details" -ne "$expected" ]; then
  echo "FAIL every earthquake must give one detection line and one detail file"
  exit 1
fi
echo "soak passed"
