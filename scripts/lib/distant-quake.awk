# A distant earthquake for the long-period runs: body waves of 1.5 Hz (15-25 s, felt as about
# 震度 3) and long-period surface waves of 5 s on X and 4.4 s on Y of a few gal (20-65 s), over a
# site's faint noise; 160 s at 100 samples/s, one "X,Y,Z" line in gal each.
# Usage: awk -f distant-quake.awk >FILE
function envelope(t, start, rise, flat, fall) {
  if (t < start) return 0
  if (t < start + rise) return (1 - cos(pi * (t - start) / rise)) / 2
  if (t < start + rise + flat) return 1
  if (t < start + rise + flat + fall) return (1 + cos(pi * (t - start - rise - flat) / fall)) / 2
  return 0
}
BEGIN {
  pi = atan2(0, -1)
  body_gal = 10
  surface_gal = 4
  for (n = 0; n < 16000; n++) {
    t = n / 100
    noise = 0.6 * sin(2 * pi * 13.1 * t) + 0.4 * sin(2 * pi * 29.3 * t)
    body = body_gal * envelope(t, 15, 2, 5, 3)
    surface = surface_gal * envelope(t, 20, 10, 20, 15)
    x = noise + body * sin(2 * pi * 1.5 * t) + surface * sin(2 * pi * (t - 20) / 5.0)
    y = noise + 0.75 * body * cos(2 * pi * 1.5 * t) + 0.75 * surface * sin(2 * pi * (t - 20) / 4.4)
    z = noise + 0.5 * body * sin(2 * pi * 1.3 * t)
    printf "%.3f,%.3f,%.3f\n", x, y, z
  }
}
