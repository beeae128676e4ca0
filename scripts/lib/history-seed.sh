# history_seed DIR DAYS: writes DAYS of synthetic per-minute history ending five minutes ago into
# DIR/history, as a quiet site would give it: busier by day, with the odd lorry. For screenshots
# and load measurements only; the panel appends its own minutes after them.
history_seed() {
  local dir=$1 days=$2 now start t i hour day file intensity composite
  now=$(date +%s)
  start=$(((now / 60 - days * 24 * 60) * 60))
  mkdir -p "$dir/history"
  RANDOM=13
  for ((i = 0; i < days * 24 * 60 - 5; i++)); do
    t=$((start + 60 * i))
    printf -v hour '%(%H)T' "$t"  # no subshell: a week is ten thousand minutes
    printf -v file '%(%Y%m%d)T' "$t"
    hour=$((10#$hour))
    day=$((hour >= 7 && hour < 20 ? 1 : 0))
    intensity=$((5 + day * 25 + RANDOM % 20))
    composite=$((8 + day * 20 + RANDOM % 15))
    if ((RANDOM % 97 == 0)); then
      intensity=$((intensity + 80))
      composite=$((composite + 120))
    fi
    printf '%(%Y/%m/%d %H:%M)T,%d.%02d,%d.%d\n' "$t" $((intensity / 100)) $((intensity % 100)) \
      $((composite / 10)) $((composite % 10)) >>"$dir/history/$file.csv"
  done
}
