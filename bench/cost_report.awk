# The tables of bench/cost_common.sh from the sampler's snapshots. Input: the
# programs file (pid, role, name; tab-separated), then snap.0 ... snap.N, each
# a line with the time and then bench/cost_sampler's P and T lines.
# Variables: title, desktop, note, young_ms, all_ms, hz (clock ticks a second), sampler0, sampler1 (the
# sampler's own CPU time in ms at the first and last snapshot).

function sorted_copy(values, n, out,    i, j, v) {
  for (i = 1; i <= n; i++) {
    v = values[i]
    for (j = i - 1; j >= 1 && out[j] > v; j--) out[j + 1] = out[j]
    out[j + 1] = v
  }
}
function median(values, n,    s) {
  sorted_copy(values, n, s)
  return (n % 2) ? s[(n + 1) / 2] : (s[n / 2] + s[n / 2 + 1]) / 2
}
function spread(values, n, format,    s, m) {
  sorted_copy(values, n, s)
  m = (n % 2) ? s[(n + 1) / 2] : (s[n / 2] + s[n / 2 + 1]) / 2
  return sprintf(format "/" format "/" format, s[1], m, s[n])
}
# Per-window figure `what` of program i into the array out[1..windows].
function per_window(what, i, out,    r, w) {
  for (r = 1; r <= windows; r++) {
    w = when[r] - when[r - 1]
    if (what == "sched") out[r] = (sched[r, i] - sched[r - 1, i]) / w
    else if (what == "stat") out[r] = (stat[r, i] - stat[r - 1, i]) / w
    else if (what == "wake") out[r] = (vol[r, i] - vol[r - 1, i]) / w
    else out[r] = mem[what, r, i] / 1024
  }
}
function ratio(a, b) { return (b > 0) ? sprintf("%6.2f", a / b) : sprintf("%6s", "-") }
function ratios(i, base,    k, out) {
  out = ""
  for (k = 1; k <= 5; k++) out = out ratio(med[kind[k], i], (base ? med[kind[k], base] : 0))
  return out
}

BEGIN { FS = "\t"; kinds = split("sched wake rss pss uss", kind, " ") }
FILENAME ~ /(^|\/)programs$/ {
  n++; pid[n] = $1; role[n] = $2; name[n] = $3; row[$1] = n
  if ($2 == "baseline") base = n
  if ($2 == "reference") ref = n
  next
}
FNR == 1 { s = FILENAME; sub(/.*\./, "", s); s += 0; when[s] = $1; if (s > windows) windows = s; next }
{
  split($0, f, " ")
  i = row[f[2]]
  if (f[1] == "P") {
    alive[s, i] = f[3]; stat[s, i] = f[4]; sched[s, i] = f[5]; vol[s, i] = f[7]; ended[s, i] = f[8]
    mem["rss", s, i] = f[9]; mem["pss", s, i] = f[10]; mem["uss", s, i] = f[11]; peak[i] = f[12]
  } else if (f[1] == "T") {
    if (!((i, f[3]) in seen)) { seen[i, f[3]] = 1; threads[i] = threads[i] SUBSEP f[3] }
    tvol[s, i, f[3]] = f[6]; tms[s, i, f[3]] = f[4]
  }
}
END {
  # Rows: the programs, their floors, the reference, the baseline, the display.
  order = "program floor reference baseline display"
  nr = split(order, roles, " ")
  rows = 0
  for (k = 1; k <= nr; k++) for (i = 1; i <= n; i++) if (role[i] == roles[k]) shown[++rows] = i
  for (i = 1; i <= n; i++) {
    per_window("sched", i, v); med["sched", i] = median(v, windows); cpu_text[i] = spread(v, windows, "%.3f")
    per_window("stat", i, v); med["stat", i] = median(v, windows)
    per_window("wake", i, v); med["wake", i] = median(v, windows); wake_text[i] = spread(v, windows, "%.1f")
    for (k = 3; k <= 5; k++) {
      per_window(kind[k], i, v); med[kind[k], i] = median(v, windows); mem_text[kind[k], i] = spread(v, windows, "%.1f")
    }
  }

  print title
  print "Desktop: " desktop
  printf "min/median/max over %d window%s; threads read every %d ms, those younger than 2 s every %d ms\n", windows, (windows == 1 ? "" : "s"), all_ms, young_ms
  print "wake-ups: voluntary context switches, each a time a thread blocked and was woken"
  printf "utime+stime counts every thread that ended but in %d ms steps: +-%.3f ms/s in a window of %.0f s\n\n", \
    1000 / hz, 1000 / hz / ((when[windows] - when[0]) / windows), (when[windows] - when[0]) / windows
  printf "%-38s %23s %13s %18s\n", "", "CPU ms/s of the", "utime+stime", ""
  printf "%-38s %23s %13s %18s\n", "program", "threads summed", "ms/s, median", "wake-ups/s"
  for (k = 1; k <= rows; k++) {
    i = shown[k]
    printf "%-38s %23s %13.3f %18s\n", name[i], cpu_text[i], med["stat", i], wake_text[i]
  }

  printf "\nmemory, MiB at the end of each window; peak: largest RSS over the run\n"
  printf "%-38s %18s %18s %18s %7s\n", "program", "RSS", "PSS", "USS", "peak"
  for (k = 1; k <= rows; k++) {
    i = shown[k]
    if (role[i] == "display" && mem["rss", windows, i] == 0) continue
    printf "%-38s %18s %18s %18s %7.1f\n", name[i], mem_text["rss", i], mem_text["pss", i], mem_text["uss", i], peak[i] / 1024
  }

  printf "\nratios of the medians  %-30s   %s\n", "to the empty dialog", (ref ? "to " name[ref] : "to psensor (not run)")
  printf "%-38s %6s%6s%6s%6s%6s   %6s%6s%6s%6s%6s\n", "program", "CPU", "wake", "RSS", "PSS", "USS", "CPU", "wake", "RSS", "PSS", "USS"
  for (k = 1; k <= rows; k++) {
    i = shown[k]
    if (role[i] == "display") continue
    printf "%-38s %s   %s\n", name[i], ratios(i, base), ratios(i, ref)
  }

  printf "\nby thread, medians (wake-ups/s, CPU ms/s); \"main\" is the process's first thread\n"
  for (k = 1; k <= rows; k++) {
    i = shown[k]
    if (role[i] != "program") continue
    line = ""; rest_wake = 0; rest_ms = 0
    count = split(substr(threads[i], 2), names, SUBSEP)
    for (t = 1; t <= count; t++) {
      for (r = 1; r <= windows; r++) {
        w = when[r] - when[r - 1]
        wv[r] = (tvol[r, i, names[t]] - tvol[r - 1, i, names[t]]) / w
        mv[r] = (tms[r, i, names[t]] - tms[r - 1, i, names[t]]) / w
      }
      a = median(wv, windows); b = median(mv, windows)
      if (names[t] == "main") line = sprintf(", main %.1f %.3f", a, b) line
      else if (a >= 0.05 || b >= 0.005) line = line sprintf(", %s %.1f %.3f", names[t], a, b)
      else { rest_wake += a; rest_ms += b }
    }
    if (rest_wake > 0 || rest_ms > 0) line = line sprintf(", others %.1f %.3f", rest_wake, rest_ms)
    printf "  %s: %s\n", name[i], substr(line, 3)
  }

  for (i = 1; i <= n; i++) {
    if (ended[windows, i] > ended[0, i])
      printf "%s: %d threads ended during the windows (counted up to the sample before their end)\n", name[i], ended[windows, i] - ended[0, i]
    for (r = 1; r <= windows; r++)
      if (!alive[r, i]) { printf "%s ended in window %d: its figures stop there\n", name[i], r; break }
  }
  print ""
  if (desktop ~ /^Xvfb/)
    print "The X server and the window manager work for every program on the display at once: their time cannot be split among the programs."
  else
    print "No display server: what a desktop's X server does for each program is missing from every row."
  if (note != "") print note "."
  printf "The measurement itself: the sampler took %.3f ms/s of CPU time.\n", (sampler1 - sampler0) / (when[windows] - when[0])
}
